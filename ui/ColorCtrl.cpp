#include "ui/ColorCtrl.h"

namespace zanvor {

void ColorCtrl::SetColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        color_ = color & 0xFFFFFF;
    }
    NotifyChanged(kChangeColor);
}

uint32_t ColorCtrl::GetColor() const {
    std::lock_guard lock(mutex_);
    return color_;
}

void ColorCtrl::Pick(uint32_t color) {
    SetColor(color);
    RaiseEvent(kEventColorPicked);
}

}  // namespace zanvor
