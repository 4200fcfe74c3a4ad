#include "ui/OptionFieldPanel.h"

namespace zanvor {

void OptionFieldPanel::SetOption(int option) {
    {
        std::lock_guard lock(mutex_);
        option_ = option >= 0 && option < optionCount_ ? option : -1;
    }
    NotifyChanged(kChangeOption);
}

int OptionFieldPanel::SelectedOption() const {
    std::lock_guard lock(mutex_);
    return option_;
}

bool OptionFieldPanel::GetCheck(int option) const {
    std::lock_guard lock(mutex_);
    return option >= 0 && option == option_;
}

void OptionFieldPanel::SetFieldText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        fieldText_ = text;
    }
    NotifyChanged(kChangeField);
}

std::string OptionFieldPanel::FieldText() const {
    std::lock_guard lock(mutex_);
    return fieldText_;
}

void OptionFieldPanel::SetFieldEnabled(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        fieldEnabled_ = enabled;
    }
    NotifyChanged(kChangeField);
}

bool OptionFieldPanel::FieldEnabled() const {
    std::lock_guard lock(mutex_);
    return fieldEnabled_;
}

void OptionFieldPanel::ClickOption(int option) {
    if (option < 0 || option >= optionCount_) {
        return;
    }
    SetOption(option);
    RaiseEvent(kEventOptionClicked);
}

void OptionFieldPanel::EditField(const std::string& text) {
    SetFieldText(text);
    RaiseEvent(kEventFieldChanged);
}

}  // namespace zanvor
