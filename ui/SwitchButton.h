#pragma once

#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// An on/off switch (CSwitchButton): its check state; a click by the user flips it and raises
// kEventClicked.
class SwitchButton : public ControlModel {
  public:
    static constexpr int kEventClicked = 1;
    enum Change { kChangeCheck = 16 };

    explicit SwitchButton(int controlId = 0) : ControlModel(controlId) {}

    // Sets the state without raising an event (the page loading its values).
    void SetCheck(bool checked);
    bool GetCheck() const;

    // The user flips the switch: the state changes and kEventClicked is raised.
    void Click();

  private:
    mutable std::mutex mutex_;  // guards checked_
    bool checked_ = false;
};

}  // namespace zanvor
