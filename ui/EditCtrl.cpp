#include "ui/EditCtrl.h"

namespace zanvor {

void EditCtrl::SetText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (text_ == text) {
            return;
        }
        text_ = text;
    }
    NotifyChanged(kChangeText);
}

std::string EditCtrl::GetText() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void EditCtrl::Type(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        text_ = text;
    }
    NotifyChanged(kChangeText);
    RaiseEvent(kEventTextChanged);
}

}  // namespace zanvor
