#pragma once

#include <cstdint>
#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// A colour control: the colour wheel, or a colour button that shows a colour and lets the user
// pick another. Colours are 0x00BBGGRR. A pick by the user raises kEventColorPicked.
class ColorCtrl : public ControlModel {
  public:
    static constexpr int kEventColorPicked = 1;
    enum Change { kChangeColor = 16 };

    explicit ColorCtrl(int controlId = 0) : ControlModel(controlId) {}

    // Shows a colour without raising an event.
    void SetColor(uint32_t color);
    uint32_t GetColor() const;

    // The user picked a colour: it is shown and kEventColorPicked is raised.
    void Pick(uint32_t color);

  private:
    mutable std::mutex mutex_;  // guards color_
    uint32_t color_ = 0;
};

}  // namespace zanvor
