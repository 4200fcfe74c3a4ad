#pragma once

#include <algorithm>
#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// A slider (MSlider): a value in a range. Dragging by the user changes the value and raises
// kEventChanged.
class Slider : public ControlModel {
  public:
    static constexpr int kEventChanged = 1;
    enum Change { kChangeValue = 16, kChangeRange };

    explicit Slider(int controlId = 0, int minimum = 0, int maximum = 100)
        : ControlModel(controlId), minimum_(minimum), maximum_(maximum) {}

    void SetRange(int minimum, int maximum) {
        {
            std::lock_guard lock(mutex_);
            minimum_ = minimum;
            maximum_ = std::max(minimum, maximum);
            value_ = std::clamp(value_, minimum_, maximum_);
        }
        NotifyChanged(kChangeRange);
    }
    int Minimum() const {
        std::lock_guard lock(mutex_);
        return minimum_;
    }
    int Maximum() const {
        std::lock_guard lock(mutex_);
        return maximum_;
    }
    // Sets the value (clamped to the range) without raising an event.
    void SetPos(int value) {
        {
            std::lock_guard lock(mutex_);
            value_ = std::clamp(value, minimum_, maximum_);
        }
        NotifyChanged(kChangeValue);
    }
    int GetPos() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    // The user moves the slider: the value changes and kEventChanged is raised.
    void Drag(int value) {
        SetPos(value);
        RaiseEvent(kEventChanged);
    }

  private:
    mutable std::mutex mutex_;  // guards minimum_, maximum_ and value_
    int minimum_;
    int maximum_;
    int value_ = 0;
};

}  // namespace zanvor
