#include "ui/SwitchButton.h"

namespace zanvor {

void SwitchButton::SetCheck(bool checked) {
    {
        std::lock_guard lock(mutex_);
        if (checked_ == checked) {
            return;
        }
        checked_ = checked;
    }
    NotifyChanged(kChangeCheck);
}

bool SwitchButton::GetCheck() const {
    std::lock_guard lock(mutex_);
    return checked_;
}

void SwitchButton::Click() {
    {
        std::lock_guard lock(mutex_);
        checked_ = !checked_;
    }
    NotifyChanged(kChangeCheck);
    RaiseEvent(kEventClicked);
}

}  // namespace zanvor
