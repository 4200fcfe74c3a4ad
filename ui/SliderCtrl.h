#pragma once

#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// A slider (MSlider): a range and a position inside it. Moving it by the user raises
// kEventPosChanged; positions are always clamped to the range.
class SliderCtrl : public ControlModel {
  public:
    static constexpr int kEventPosChanged = 1;
    enum Change { kChangeRange = 16, kChangePos };

    explicit SliderCtrl(int controlId = 0) : ControlModel(controlId) {}

    // A range whose maximum is below its minimum is taken as (min, min). The position is
    // clamped into the new range.
    void SetRange(int minimum, int maximum);
    int GetMin() const;
    int GetMax() const;
    // Sets the position without raising an event.
    void SetPos(int pos);
    int GetPos() const;

    // The user moves the slider: the clamped position is set and kEventPosChanged is raised.
    void Move(int pos);

  private:
    mutable std::mutex mutex_;  // guards min_, max_ and pos_
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
};

}  // namespace zanvor
