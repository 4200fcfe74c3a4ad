#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One entry of a drop-down list: the text shown and the value it stands for.
struct ComboItem {
    std::string text;
    int data = 0;
};

// A drop-down list (MComboBox): entries of text and value and the selected entry. A choice
// by the user selects an entry and raises kEventSelectionChanged.
class ComboBox : public ControlModel {
  public:
    static constexpr int kEventSelectionChanged = 1;
    enum Change { kChangeItems = 16, kChangeSelection };

    explicit ComboBox(int controlId = 0) : ControlModel(controlId) {}

    // Removes every entry and the selection.
    void Clear();
    // Appends an entry; returns its index.
    int AddItem(const std::string& text, int data);
    std::vector<ComboItem> GetItems() const;
    int GetCount() const;

    // Selects the first entry with that value; false (selection unchanged) when none has it.
    bool SelectData(int data);
    // Selects an entry by index; -1 clears the selection; false for an index outside the list.
    bool SetCurSel(int index);
    // Index of the selected entry, -1 when none.
    int GetCurSel() const;
    // Value of the selected entry; `fallback` when nothing is selected.
    int GetCurData(int fallback = 0) const;
    // Text of the selected entry, empty when nothing is selected.
    std::string GetCurText() const;

    // The user picks an entry: it is selected and kEventSelectionChanged is raised.
    bool Choose(int index);
    // The user picks the first entry with that value; false when none has it.
    bool ChooseData(int data);

  private:
    mutable std::mutex mutex_;  // guards items_ and selected_
    std::vector<ComboItem> items_;
    int selected_ = -1;
};

}  // namespace zanvor
