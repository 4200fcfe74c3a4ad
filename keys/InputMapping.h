#pragma once

// Linux key and mouse input in the form the code tables expect: a key's native code (evdev
// key code, or the X11/xkb keycode that Qt reports as nativeScanCode on xcb and on Wayland)
// becomes the Windows virtual key and set-1 scan code of the same key, so captured keys and
// recorded macro steps carry the values the stored data uses.

#include <optional>
#include <span>

namespace zanvor {

// One key of the mapping.
struct NativeKeyEntry {
    int evdevCode;   // KEY_* of linux/input-event-codes.h
    int virtualKey;  // Windows virtual-key code
    int scanCode;    // set-1 scan code without the E0 prefix
    bool extended;   // the scan code carries the E0 prefix
};
// The whole mapping (data); keys absent from it have no virtual key.
std::span<const NativeKeyEntry> NativeKeyTable();

// X11 and xkb keycodes are evdev codes plus 8.
inline constexpr int kX11KeycodeOffset = 8;

// The entry of an evdev key code or of an X11 keycode; nullopt for unmapped keys.
std::optional<NativeKeyEntry> NativeKeyFromEvdev(int evdevCode);
std::optional<NativeKeyEntry> NativeKeyFromX11(int keycode);

// The virtual key of an evdev key code or X11 keycode; 0 for unmapped keys.
int VirtualKeyFromEvdev(int evdevCode);
int VirtualKeyFromX11(int keycode);

// A key event as the keyboard hook delivers it: message, virtual key, scan code and flags
// (0x01 extended, 0x80 release). Unmapped keys give virtual key 0 (the event is ignored).
struct HookKeyEvent {
    int message = 0;
    int virtualKey = 0;
    int scanCode = 0;
    int flags = 0;
};
HookKeyEvent HookKeyEventFromEvdev(int evdevCode, bool pressed);
HookKeyEvent HookKeyEventFromX11(int keycode, bool pressed);

// Mouse buttons the macro recorder and the key test know.
enum class MouseButton { Left, Right, Middle, Back, Forward };

// BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE / BTN_BACK and BTN_EXTRA / BTN_FORWARD.
std::optional<MouseButton> MouseButtonFromEvdev(int buttonCode);

// A mouse event as the mouse hook delivers it (the extra button in mouseData's high word).
struct HookMouseMessage {
    int message = 0;
    int mouseData = 0;
};
HookMouseMessage HookMouseMessageFor(MouseButton button, bool pressed);

// The button flag of a raw-input mouse record for the button.
int RawMouseButtonFlagFor(MouseButton button, bool pressed);

}  // namespace zanvor
