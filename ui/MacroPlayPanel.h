#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// The macro play settings of the key-assignment page: four exclusive play options (option i
// stands for play type i) and the play-count field, which is only editable for option 0.
class MacroPlayPanel : public ControlModel {
  public:
    static constexpr int kOptionCount = 4;

    static constexpr int kEventOptionClicked = 1;  // a play option was clicked
    static constexpr int kEventCountChanged = 2;   // the count text was edited

    enum Change { kChangeOption = 16, kChangeCount = 17 };

    explicit MacroPlayPanel(int controlId = 0) : ControlModel(controlId) {}

    // Checks one option and clears the others; an index outside 0-3 clears all.
    void SetOption(int option);
    // The checked option, -1 when none.
    int SelectedOption() const;
    bool GetCheck(int option) const;

    void SetCountText(const std::string& text);
    std::string CountText() const;
    void SetCountEnabled(bool enabled);
    bool CountEnabled() const;

    // ---- user input ----
    // An option is clicked: it is checked and kEventOptionClicked is raised (nothing for an
    // index outside 0-3).
    void ClickOption(int option);
    // The count text is edited: it changes and kEventCountChanged is raised.
    void EditCount(const std::string& text);

  private:
    mutable std::mutex mutex_;  // guards option_, countText_ and countEnabled_
    int option_ = 0;
    std::string countText_ = "1";
    bool countEnabled_ = true;
};

}  // namespace zanvor
