#pragma once

// The key test of the key-assignment page: every key the user holds and every mouse button
// the user presses on the main window is shown live in the key test control, added on the
// press and removed on the release.
//
// The window feeds its key and mouse events here (native X11 keycodes from Qt, mapped to
// virtual keys as the stored data uses them). Events are taken only while the test is active:
// from entering the page until leaving it, and not while a combination key is captured or a
// macro is recorded (those read the input themselves).

#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "keys/InputMapping.h"

namespace zanvor {

class CKeyTestCtrl;

// The codes currently held: key usages and mouse button codes in one set, so a held key's
// auto-repeat is recognised. Shared with macro recording. Thread-safe.
class HeldKeySet {
  public:
    // True when the code was not held before.
    bool Add(int code);
    // True when the code was held.
    bool Remove(int code);
    bool Contains(int code) const;
    void Clear();
    std::vector<int> Codes() const;

  private:
    mutable std::mutex mutex_;  // guards codes_
    std::set<int> codes_;
};

class KeyTest {
  public:
    // The key test with its own control (control id kIdKeyTest) and held set.
    KeyTest();
    // The key test over a control and a held set owned elsewhere (tests).
    KeyTest(CKeyTestCtrl& control, HeldKeySet& held);
    ~KeyTest();

    CKeyTestCtrl& Control() { return control_; }

    // Entering the page, and the end of a capture: events are taken from now on; the control
    // and the held set start empty.
    void StartKeyTest();
    // Leaving the page, and the start of a capture or a recording: later events are ignored
    // and the control is emptied. The held set is kept (a recording goes on using it).
    void StopKeyTest();
    // The window got the input back: keys released meanwhile never reported it, so what is
    // shown as held is cleared (a key still held shows again when pressed anew).
    void ClearHeld();
    // Whether events are taken (the activation marker exists).
    bool IsActive() const;

    HeldKeySet& Held() { return held_; }

    // A key event of the window: its native X11/xkb keycode (Qt's nativeScanCode). Keys the
    // input mapping does not know are ignored.
    void OnNativeKey(int x11Keycode, bool pressed);
    // A key event already in virtual-key form.
    void OnVirtualKey(int virtualKey, bool pressed);
    // A mouse button of the window.
    void OnMouseButton(MouseButton button, bool pressed);
    // A mouse event as raw-input button flags (the first set flag decides).
    void OnRawMouse(int buttonFlags);

  private:
    void Press(int code, const std::string& caption);
    void Release(int code);

    // Guards active_ and runs each event, start and stop one at a time, so no event reaches
    // the control after StopKeyTest has returned.
    mutable std::mutex mutex_;
    bool active_ = false;
    std::unique_ptr<CKeyTestCtrl> ownedControl_;
    std::unique_ptr<HeldKeySet> ownedHeld_;
    CKeyTestCtrl& control_;
    HeldKeySet& held_;
};

}  // namespace zanvor
