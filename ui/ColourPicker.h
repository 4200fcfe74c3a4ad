#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// A colour chooser: a colour wheel, a row of swatches and red/green/blue fields, all showing
// one colour (0x00BBGGRR). A pick by the user sets the colour and raises kEventPicked.
class ColourPicker : public ControlModel {
  public:
    static constexpr int kEventPicked = 1;
    enum Change { kChangeColour = 16 };
    // The nine swatches, as on the lighting page.
    static constexpr std::array<uint32_t, 9> kSwatches = {
        0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0xFFFFFF, 0x8000FF,
    };

    explicit ColourPicker(int controlId = 0) : ControlModel(controlId) {}

    void SetColour(uint32_t colour) {
        {
            std::lock_guard lock(mutex_);
            colour_ = colour & 0xFFFFFF;
        }
        NotifyChanged(kChangeColour);
    }
    uint32_t GetColour() const {
        std::lock_guard lock(mutex_);
        return colour_;
    }
    void Pick(uint32_t colour) {
        SetColour(colour);
        RaiseEvent(kEventPicked);
    }

  private:
    mutable std::mutex mutex_;  // guards colour_
    uint32_t colour_ = 0x0000FF;
};

}  // namespace zanvor
