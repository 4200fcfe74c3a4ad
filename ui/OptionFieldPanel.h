#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// A group of exclusive options with a text field beside them (the macro play settings, the
// macro delay settings): which option is checked, the field's text and whether it can be
// edited.
class OptionFieldPanel : public ControlModel {
  public:
    static constexpr int kEventOptionClicked = 1;  // an option was clicked
    static constexpr int kEventFieldChanged = 2;   // the field's text was edited

    enum Change { kChangeOption = 16, kChangeField = 17 };

    OptionFieldPanel(int optionCount, int controlId, std::string fieldText)
        : ControlModel(controlId), optionCount_(optionCount), fieldText_(std::move(fieldText)) {}

    int OptionCount() const { return optionCount_; }

    // Checks one option and clears the others; an index outside the options clears all.
    void SetOption(int option);
    // The checked option, -1 when none.
    int SelectedOption() const;
    bool GetCheck(int option) const;

    void SetFieldText(const std::string& text);
    std::string FieldText() const;
    void SetFieldEnabled(bool enabled);
    bool FieldEnabled() const;

    // ---- user input ----
    // An option is clicked: it is checked and kEventOptionClicked is raised (nothing for an
    // index outside the options).
    void ClickOption(int option);
    // The field is edited: its text changes and kEventFieldChanged is raised.
    void EditField(const std::string& text);

  private:
    const int optionCount_;
    mutable std::mutex mutex_;  // guards option_, fieldText_ and fieldEnabled_
    int option_ = 0;
    std::string fieldText_;
    bool fieldEnabled_ = true;
};

}  // namespace zanvor
