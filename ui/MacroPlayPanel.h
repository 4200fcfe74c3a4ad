#pragma once

#include "ui/OptionFieldPanel.h"

namespace zanvor {

// The macro play settings of the key-assignment page: four exclusive play options (option i
// stands for play type i) and the play-count field, which is only editable for option 0.
class MacroPlayPanel : public OptionFieldPanel {
  public:
    static constexpr int kOptionCount = 4;
    static constexpr int kEventCountChanged = kEventFieldChanged;
    static constexpr int kChangeCount = kChangeField;

    explicit MacroPlayPanel(int controlId = 0) : OptionFieldPanel(kOptionCount, controlId, "1") {}

    void SetCountText(const std::string& text) { SetFieldText(text); }
    std::string CountText() const { return FieldText(); }
    void SetCountEnabled(bool enabled) { SetFieldEnabled(enabled); }
    bool CountEnabled() const { return FieldEnabled(); }
    // The count text is edited: it changes and kEventCountChanged is raised.
    void EditCount(const std::string& text) { EditField(text); }
};

}  // namespace zanvor
