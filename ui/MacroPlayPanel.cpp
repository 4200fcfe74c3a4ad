#include "ui/MacroPlayPanel.h"

namespace zanvor {

void MacroPlayPanel::SetOption(int option) {
    {
        std::lock_guard lock(mutex_);
        option_ = option >= 0 && option < kOptionCount ? option : -1;
    }
    NotifyChanged(kChangeOption);
}

int MacroPlayPanel::SelectedOption() const {
    std::lock_guard lock(mutex_);
    return option_;
}

bool MacroPlayPanel::GetCheck(int option) const {
    std::lock_guard lock(mutex_);
    return option >= 0 && option == option_;
}

void MacroPlayPanel::SetCountText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        countText_ = text;
    }
    NotifyChanged(kChangeCount);
}

std::string MacroPlayPanel::CountText() const {
    std::lock_guard lock(mutex_);
    return countText_;
}

void MacroPlayPanel::SetCountEnabled(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        countEnabled_ = enabled;
    }
    NotifyChanged(kChangeCount);
}

bool MacroPlayPanel::CountEnabled() const {
    std::lock_guard lock(mutex_);
    return countEnabled_;
}

void MacroPlayPanel::ClickOption(int option) {
    if (option < 0 || option >= kOptionCount) {
        return;
    }
    SetOption(option);
    RaiseEvent(kEventOptionClicked);
}

void MacroPlayPanel::EditCount(const std::string& text) {
    SetCountText(text);
    RaiseEvent(kEventCountChanged);
}

}  // namespace zanvor
