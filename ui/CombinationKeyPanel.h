#pragma once

#include <array>
#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// The combination-key panel of the key-assignment page: eight modifier check boxes (bit 0 left
// Ctrl, 1 left Shift, 2 left Alt, 3 left Win, 4 right Ctrl, 5 right Shift, 6 right Alt, 7 right
// Win), the capture field with the key captured last (as a virtual key and its name), and
// whether the field is capturing.
class CombinationKeyPanel : public ControlModel {
  public:
    static constexpr int kModifierCount = 8;

    static constexpr int kEventCaptureClicked = 1;  // the capture field was clicked
    static constexpr int kEventApplyClicked = 2;    // the apply button was clicked
    static constexpr int kEventCaptureLeft = 3;     // the capture field lost the input

    enum Change { kChangeModifiers = 16, kChangeCapture = 17 };

    explicit CombinationKeyPanel(int controlId = 0) : ControlModel(controlId) {}

    // Bits outside 0-7 are ignored (and read as unchecked).
    void SetModifierCheck(int bit, bool checked);
    bool GetModifierCheck(int bit) const;
    // The checked boxes as a modifier mask.
    int ModifierMask() const;

    // Starts capturing: the captured key and the field's text are cleared.
    void BeginCapture();
    void EndCapture();
    bool Capturing() const;
    // The key captured last and the name shown in the field.
    void SetCapturedKey(int virtualKey, const std::string& name);
    int CapturedKey() const;
    std::string CaptureText() const;

    // ---- user input ----
    void ClickCapture() { RaiseEvent(kEventCaptureClicked); }
    void ClickApply() { RaiseEvent(kEventApplyClicked); }
    void LeaveCapture() { RaiseEvent(kEventCaptureLeft); }

  private:
    mutable std::mutex mutex_;  // guards every member below
    std::array<bool, kModifierCount> modifiers_{};
    bool capturing_ = false;
    int capturedKey_ = 0;
    std::string captureText_;
};

}  // namespace zanvor
