#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// The step editor of the macro page, shown for the selected step: the kind selector offers the
// step's own kind (a pause, a key, a mouse button); a pause shows its length in the value field,
// a key shows its name there (focusing the field captures the next key pressed), a mouse button
// shows a button selector instead of the field.
class MacroStepEditor : public ControlModel {
  public:
    enum Kind { kKindNone = 0, kKindPause = 1, kKindKey = 2, kKindMouse = 3 };

    static constexpr int kEventValueLeft = 1;      // the user left the pause length field
    static constexpr int kEventKeyFieldFocus = 2;  // the key field got the focus: capture a key
    static constexpr int kEventMouseChosen = 3;    // another mouse button was chosen

    enum Change { kChangeKind = 16, kChangeValue = 17, kChangeCapture = 18 };

    explicit MacroStepEditor(int controlId = 0) : ControlModel(controlId) { SetVisible(false); }

    // Shows the editor for a kind (the field, tip and selector follow it).
    void SetKind(Kind kind);
    Kind GetKind() const;
    void SetValueText(const std::string& text);
    std::string ValueText() const;
    // The mouse button chosen in the selector (button bit 1, 2, 4, 8 or 16).
    void SetMouseButton(int bit);
    int MouseButton() const;
    // The key field is waiting for a key.
    void SetCapturing(bool capturing);
    bool Capturing() const;

    bool FieldVisible() const { return GetKind() == kKindPause || GetKind() == kKindKey; }
    bool TipVisible() const { return GetKind() == kKindKey; }
    bool MouseSelectorVisible() const { return GetKind() == kKindMouse; }

    // ---- user input ----
    void LeaveValueField(const std::string& text) {
        SetValueText(text);
        RaiseEvent(kEventValueLeft);
    }
    void FocusKeyField() { RaiseEvent(kEventKeyFieldFocus); }
    void ChooseMouseButton(int bit) {
        SetMouseButton(bit);
        RaiseEvent(kEventMouseChosen);
    }

  private:
    mutable std::mutex mutex_;  // guards every member below
    Kind kind_ = kKindNone;
    std::string valueText_;
    int mouseButton_ = 1;
    bool capturing_ = false;
};

}  // namespace zanvor
