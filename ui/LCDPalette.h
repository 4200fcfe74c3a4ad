#pragma once

#include <cstdint>
#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// A colour chooser of the screen page holding the chosen colour (0x00BBGGRR). The program
// sets it without an event; a choice by the user raises kEventPicked.
class ColourChooser : public ControlModel {
  public:
    static constexpr int kEventPicked = 1;
    enum Change { kChangeColour = 16 };

    explicit ColourChooser(int controlId = 0) : ControlModel(controlId) {}

    uint32_t GetSelectColor() const {
        std::lock_guard lock(mutex_);
        return colour_;
    }
    void SetSelectColor(uint32_t colour) {
        {
            std::lock_guard lock(mutex_);
            colour_ = colour & 0xFFFFFF;
        }
        NotifyChanged(kChangeColour);
    }
    // The user picked a colour.
    void Pick(uint32_t colour) {
        SetSelectColor(colour);
        RaiseEvent(kEventPicked);
    }

  private:
    mutable std::mutex mutex_;  // guards colour_
    uint32_t colour_ = 0xFFFFFF;
};

// The colour picker (a field of shades of the chosen hue).
class LCDPalette3 : public ColourChooser {
  public:
    using ColourChooser::ColourChooser;
};

// The colour bar (the hues).
class LCDPalette2 : public ColourChooser {
  public:
    using ColourChooser::ColourChooser;
};

// One of the six palette buttons (CColorButton of the group "IDC_LCD_DEFAULTCOLOR"): its
// colour and whether it is the group's selected button. A click raises kEventClicked.
class CColorButton : public ControlModel {
  public:
    static constexpr int kEventClicked = 1;
    enum Change { kChangeColour = 16, kChangeChecked };

    explicit CColorButton(int controlId = 0) : ControlModel(controlId) {}

    uint32_t GetColor() const {
        std::lock_guard lock(mutex_);
        return colour_;
    }
    void SetColor(uint32_t colour) {
        {
            std::lock_guard lock(mutex_);
            colour_ = colour & 0xFFFFFF;
        }
        NotifyChanged(kChangeColour);
    }
    bool GetCheck() const {
        std::lock_guard lock(mutex_);
        return checked_;
    }
    void SetCheck(bool checked) {
        {
            std::lock_guard lock(mutex_);
            checked_ = checked;
        }
        NotifyChanged(kChangeChecked);
    }
    void Click() { RaiseEvent(kEventClicked); }

  private:
    mutable std::mutex mutex_;  // guards colour_ and checked_
    uint32_t colour_ = 0;
    bool checked_ = false;
};

}  // namespace zanvor
