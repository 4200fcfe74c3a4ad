#include "keys/KeyTest.h"

#include <string>

#include "keys/KeyCodes.h"
#include "keys/KeyEvents.h"
#include "ui/CKeyTestCtrl.h"
#include "ui/ControlIds.h"
#include "ui/LoadText.h"

namespace zanvor {

bool HeldKeySet::Add(int code) {
    std::lock_guard lock(mutex_);
    return codes_.insert(code).second;
}

bool HeldKeySet::Remove(int code) {
    std::lock_guard lock(mutex_);
    return codes_.erase(code) != 0;
}

bool HeldKeySet::Contains(int code) const {
    std::lock_guard lock(mutex_);
    return codes_.contains(code);
}

void HeldKeySet::Clear() {
    std::lock_guard lock(mutex_);
    codes_.clear();
}

std::vector<int> HeldKeySet::Codes() const {
    std::lock_guard lock(mutex_);
    return {codes_.begin(), codes_.end()};
}

KeyTest::KeyTest()
    : ownedControl_(std::make_unique<CKeyTestCtrl>(kIdKeyTest)),
      ownedHeld_(std::make_unique<HeldKeySet>()),
      control_(*ownedControl_),
      held_(*ownedHeld_) {}

KeyTest::KeyTest(CKeyTestCtrl& control, HeldKeySet& held) : control_(control), held_(held) {}

KeyTest::~KeyTest() = default;

void KeyTest::StartKeyTest() {
    std::lock_guard lock(mutex_);
    active_ = true;
    // The control starts empty, so nothing counts as held either: a key that was down when
    // the test stopped, and released while it was off, must show on its next press. A key
    // still held shows with its next auto-repeat.
    held_.Clear();
    control_.ClearList();
}

void KeyTest::ClearHeld() {
    std::lock_guard lock(mutex_);
    if (!active_) {
        return;
    }
    held_.Clear();
    control_.ClearList();
}

void KeyTest::StopKeyTest() {
    std::lock_guard lock(mutex_);
    active_ = false;
    control_.ClearList();
}

bool KeyTest::IsActive() const {
    std::lock_guard lock(mutex_);
    return active_;
}

void KeyTest::OnNativeKey(int x11Keycode, bool pressed) {
    OnVirtualKey(VirtualKeyFromX11(x11Keycode), pressed);
}

void KeyTest::OnVirtualKey(int virtualKey, bool pressed) {
    std::lock_guard lock(mutex_);
    if (!active_) {
        return;
    }
    const KeyEventInfo event = KeyEventName(pressed ? kMessageKeyDown : kMessageKeyUp, virtualKey,
                                            0, 0, KeyEventPurpose::KeyTest);
    if (!event.named) {
        return;
    }
    // Keys without a usage are shown by their event name and all share code 0.
    const int usage = VirtualKeyToUsage(virtualKey);
    std::string caption = UsageName(usage);
    if (caption.empty()) {
        caption = event.name;
    }
    if (caption.empty()) {
        return;
    }
    if (event.pressed) {
        Press(usage, caption);
    } else {
        Release(usage);
    }
}

void KeyTest::OnMouseButton(MouseButton button, bool pressed) {
    OnRawMouse(RawMouseButtonFlagFor(button, pressed));
}

void KeyTest::OnRawMouse(int buttonFlags) {
    std::lock_guard lock(mutex_);
    if (!active_) {
        return;
    }
    const MouseEventInfo event = RawMouseEventName(buttonFlags);
    if (!event.named || event.name.empty()) {
        return;
    }
    if (!event.pressed) {
        Release(event.code);
        return;
    }
    std::string caption;
    switch (event.code) {
        case 1:
            caption = LoadText("KB.DIALOG", 220);
            break;
        case 2:
            caption = LoadText("KB.DIALOG", 222);
            break;
        case 3:
            caption = LoadText("KB.DIALOG", 223);
            break;
        default:
            caption = event.name;
            break;
    }
    Press(event.code, caption);
}

void KeyTest::Press(int code, const std::string& caption) {
    // A held code is an auto-repeat (or a second key sharing the code): already shown.
    if (held_.Add(code)) {
        control_.AddKey(caption, code);
    }
}

void KeyTest::Release(int code) {
    held_.Remove(code);
    control_.RemoveKey(code);
}

}  // namespace zanvor
