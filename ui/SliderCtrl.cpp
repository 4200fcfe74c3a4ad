#include "ui/SliderCtrl.h"

#include <algorithm>

namespace zanvor {

void SliderCtrl::SetRange(int minimum, int maximum) {
    {
        std::lock_guard lock(mutex_);
        min_ = minimum;
        max_ = std::max(minimum, maximum);
        pos_ = std::clamp(pos_, min_, max_);
    }
    NotifyChanged(kChangeRange);
}

int SliderCtrl::GetMin() const {
    std::lock_guard lock(mutex_);
    return min_;
}

int SliderCtrl::GetMax() const {
    std::lock_guard lock(mutex_);
    return max_;
}

void SliderCtrl::SetPos(int pos) {
    {
        std::lock_guard lock(mutex_);
        pos_ = std::clamp(pos, min_, max_);
    }
    NotifyChanged(kChangePos);
}

int SliderCtrl::GetPos() const {
    std::lock_guard lock(mutex_);
    return pos_;
}

void SliderCtrl::Move(int pos) {
    SetPos(pos);
    RaiseEvent(kEventPosChanged);
}

}  // namespace zanvor
