#include "keys/InputMapping.h"

#include <linux/input-event-codes.h>

#include "keys/KeyEvents.h"

namespace zanvor {

std::optional<NativeKeyEntry> NativeKeyFromEvdev(int evdevCode) {
    for (const NativeKeyEntry& entry : NativeKeyTable()) {
        if (entry.evdevCode == evdevCode) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<NativeKeyEntry> NativeKeyFromX11(int keycode) {
    if (keycode < kX11KeycodeOffset) {
        return std::nullopt;
    }
    return NativeKeyFromEvdev(keycode - kX11KeycodeOffset);
}

int VirtualKeyFromEvdev(int evdevCode) {
    const auto entry = NativeKeyFromEvdev(evdevCode);
    return entry ? entry->virtualKey : 0;
}

int VirtualKeyFromX11(int keycode) {
    const auto entry = NativeKeyFromX11(keycode);
    return entry ? entry->virtualKey : 0;
}

namespace {

HookKeyEvent HookKeyEventFor(const std::optional<NativeKeyEntry>& entry, bool pressed) {
    HookKeyEvent event;
    event.message = pressed ? kMessageKeyDown : kMessageKeyUp;
    event.flags = pressed ? 0 : kKeyFlagUp;
    if (entry) {
        event.virtualKey = entry->virtualKey;
        event.scanCode = entry->scanCode;
        if (entry->extended) {
            event.flags |= kKeyFlagExtended;
        }
    }
    return event;
}

}  // namespace

HookKeyEvent HookKeyEventFromEvdev(int evdevCode, bool pressed) {
    return HookKeyEventFor(NativeKeyFromEvdev(evdevCode), pressed);
}

HookKeyEvent HookKeyEventFromX11(int keycode, bool pressed) {
    return HookKeyEventFor(NativeKeyFromX11(keycode), pressed);
}

std::optional<MouseButton> MouseButtonFromEvdev(int buttonCode) {
    switch (buttonCode) {
        case BTN_LEFT:
            return MouseButton::Left;
        case BTN_RIGHT:
            return MouseButton::Right;
        case BTN_MIDDLE:
            return MouseButton::Middle;
        case BTN_SIDE:
        case BTN_BACK:
            return MouseButton::Back;
        case BTN_EXTRA:
        case BTN_FORWARD:
            return MouseButton::Forward;
        default:
            return std::nullopt;
    }
}

HookMouseMessage HookMouseMessageFor(MouseButton button, bool pressed) {
    constexpr int kXButtonBack = 1;
    constexpr int kXButtonForward = 2;
    switch (button) {
        case MouseButton::Left:
            return {pressed ? kMessageLeftDown : kMessageLeftUp, 0};
        case MouseButton::Right:
            return {pressed ? kMessageRightDown : kMessageRightUp, 0};
        case MouseButton::Middle:
            return {pressed ? kMessageMiddleDown : kMessageMiddleUp, 0};
        case MouseButton::Back:
            return {pressed ? kMessageXDown : kMessageXUp, kXButtonBack << 16};
        case MouseButton::Forward:
            return {pressed ? kMessageXDown : kMessageXUp, kXButtonForward << 16};
    }
    return {};
}

int RawMouseButtonFlagFor(MouseButton button, bool pressed) {
    switch (button) {
        case MouseButton::Left:
            return pressed ? 0x0001 : 0x0002;
        case MouseButton::Right:
            return pressed ? 0x0004 : 0x0008;
        case MouseButton::Middle:
            return pressed ? 0x0010 : 0x0020;
        case MouseButton::Back:
            return pressed ? 0x0040 : 0x0080;
        case MouseButton::Forward:
            return pressed ? 0x0100 : 0x0200;
    }
    return 0;
}

}  // namespace zanvor
