// Linux key codes to the virtual keys, scan codes and key usages of the code tables.

#include <linux/input-event-codes.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "keys/InputMapping.h"
#include "keys/KeyCodes.h"
#include "keys/KeyEvents.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

// The usage a captured key ends up with: hook event, event naming, usage conversion.
int CapturedUsage(int x11Keycode) {
    const HookKeyEvent event = HookKeyEventFromX11(x11Keycode, true);
    const KeyEventInfo info = KeyEventName(event.message, event.virtualKey, event.scanCode,
                                           event.flags, KeyEventPurpose::Recording);
    return info.named ? VirtualKeyToUsage(info.virtualKey) : 0;
}

TEST(InputMapping, RepresentativeKeys) {
    // X11 keycodes as X servers and xkb on Wayland report them (evdev + 8).
    const struct {
        const char* key;
        int x11, evdev, virtualKey, scanCode;
        bool extended;
        int usage;
    } cases[] = {
        {"Esc", 9, KEY_ESC, 0x1B, 0x01, false, 0x29},
        {"1", 10, KEY_1, 0x31, 0x02, false, 0x1E},
        {"0", 19, KEY_0, 0x30, 0x0B, false, 0x27},
        {"Backspace", 22, KEY_BACKSPACE, 0x08, 0x0E, false, 0x2A},
        {"Q", 24, KEY_Q, 0x51, 0x10, false, 0x14},
        {"Enter", 36, KEY_ENTER, 0x0D, 0x1C, false, 0x28},
        {"A", 38, KEY_A, 0x41, 0x1E, false, 0x04},
        {"grave", 49, KEY_GRAVE, 0xC0, 0x29, false, 0x35},
        {"backslash", 51, KEY_BACKSLASH, 0xDC, 0x2B, false, 0x31},
        {"Z", 52, KEY_Z, 0x5A, 0x2C, false, 0x1D},
        {"M", 58, KEY_M, 0x4D, 0x32, false, 0x10},
        {"slash", 61, KEY_SLASH, 0xBF, 0x35, false, 0x38},
        {"Space", 65, KEY_SPACE, 0x20, 0x39, false, 0x2C},
        {"Caps Lock", 66, KEY_CAPSLOCK, 0x14, 0x3A, false, 0x39},
        {"F1", 67, KEY_F1, 0x70, 0x3B, false, 0x3A},
        {"F10", 76, KEY_F10, 0x79, 0x44, false, 0x43},
        {"F11", 95, KEY_F11, 0x7A, 0x57, false, 0x44},
        {"F12", 96, KEY_F12, 0x7B, 0x58, false, 0x45},
        {"F13", 191, KEY_F13, 0x7C, 0x64, false, 0x68},
        {"F24", 202, KEY_F24, 0x87, 0x76, false, 0x73},
        {"left Ctrl", 37, KEY_LEFTCTRL, 0xA2, 0x1D, false, 0xE0},
        {"right Ctrl", 105, KEY_RIGHTCTRL, 0xA3, 0x1D, true, 0xE4},
        {"left Shift", 50, KEY_LEFTSHIFT, 0xA0, 0x2A, false, 0xE1},
        {"right Shift", 62, KEY_RIGHTSHIFT, 0xA1, 0x36, false, 0xE5},
        {"left Alt", 64, KEY_LEFTALT, 0xA4, 0x38, false, 0xE2},
        {"right Alt", 108, KEY_RIGHTALT, 0xA5, 0x38, true, 0xE6},
        {"left Super", 133, KEY_LEFTMETA, 0x5B, 0x5B, true, 0xE3},
        {"right Super", 134, KEY_RIGHTMETA, 0x5C, 0x5C, true, 0xE7},
        {"Menu", 135, KEY_COMPOSE, 0x5D, 0x5D, true, 0x65},
        {"ISO extra key", 94, KEY_102ND, 0xE2, 0x56, false, 0x64},
        {"Print", 107, KEY_SYSRQ, 0x2C, 0x37, true, 0x46},
        {"Scroll Lock", 78, KEY_SCROLLLOCK, 0x91, 0x46, false, 0x47},
        {"Pause", 127, KEY_PAUSE, 0x13, 0x45, false, 0x48},
        {"Insert", 118, KEY_INSERT, 0x2D, 0x52, true, 0x49},
        {"Home", 110, KEY_HOME, 0x24, 0x47, true, 0x4A},
        {"Page Up", 112, KEY_PAGEUP, 0x21, 0x49, true, 0x4B},
        {"Delete", 119, KEY_DELETE, 0x2E, 0x53, true, 0x4C},
        {"End", 115, KEY_END, 0x23, 0x4F, true, 0x4D},
        {"Page Down", 117, KEY_PAGEDOWN, 0x22, 0x51, true, 0x4E},
        {"Right", 114, KEY_RIGHT, 0x27, 0x4D, true, 0x4F},
        {"Left", 113, KEY_LEFT, 0x25, 0x4B, true, 0x50},
        {"Down", 116, KEY_DOWN, 0x28, 0x50, true, 0x51},
        {"Up", 111, KEY_UP, 0x26, 0x48, true, 0x52},
        {"Num Lock", 77, KEY_NUMLOCK, 0x90, 0x45, true, 0x53},
        {"keypad /", 106, KEY_KPSLASH, 0x6F, 0x35, true, 0x54},
        {"keypad *", 63, KEY_KPASTERISK, 0x6A, 0x37, false, 0x55},
        {"keypad -", 82, KEY_KPMINUS, 0x6D, 0x4A, false, 0x56},
        {"keypad +", 86, KEY_KPPLUS, 0x6B, 0x4E, false, 0x57},
        {"keypad Enter", 104, KEY_KPENTER, 0x6C, 0x1C, true, 0x58},
        {"keypad 1", 87, KEY_KP1, 0x61, 0x4F, false, 0x59},
        {"keypad 7", 79, KEY_KP7, 0x67, 0x47, false, 0x5F},
        {"keypad 9", 81, KEY_KP9, 0x69, 0x49, false, 0x61},
        {"keypad 0", 90, KEY_KP0, 0x60, 0x52, false, 0x62},
        {"keypad dot", 91, KEY_KPDOT, 0x6E, 0x53, false, 0x63},
        // Media keys have virtual keys but no key usage.
        {"mute", 121, KEY_MUTE, 0xAD, 0x20, true, 0},
        {"volume down", 122, KEY_VOLUMEDOWN, 0xAE, 0x2E, true, 0},
        {"volume up", 123, KEY_VOLUMEUP, 0xAF, 0x30, true, 0},
        {"next", 171, KEY_NEXTSONG, 0xB0, 0x19, true, 0},
        {"play/pause", 172, KEY_PLAYPAUSE, 0xB3, 0x22, true, 0},
        {"previous", 173, KEY_PREVIOUSSONG, 0xB1, 0x10, true, 0},
        {"stop", 174, KEY_STOPCD, 0xB2, 0x24, true, 0},
        {"calculator", 148, KEY_CALC, 0xB7, 0x21, true, 0},
        {"browser home", 180, KEY_HOMEPAGE, 0xAC, 0x32, true, 0},
        {"mail", 163, KEY_MAIL, 0xB4, 0x6C, true, 0},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.key);
        const auto byX11 = NativeKeyFromX11(c.x11);
        const auto byEvdev = NativeKeyFromEvdev(c.evdev);
        ASSERT_TRUE(byX11.has_value());
        ASSERT_TRUE(byEvdev.has_value());
        EXPECT_EQ(byX11->evdevCode, c.evdev);
        EXPECT_EQ(byEvdev->virtualKey, c.virtualKey);
        EXPECT_EQ(byEvdev->scanCode, c.scanCode);
        EXPECT_EQ(byEvdev->extended, c.extended);
        EXPECT_EQ(VirtualKeyFromX11(c.x11), c.virtualKey);
        EXPECT_EQ(CapturedUsage(c.x11), c.usage);
    });
}

TEST(InputMapping, UnmappedCodes) {
    for (int code : {-1, 0, KEY_RESERVED, KEY_MICMUTE, 0x2FF, 5000}) {
        EXPECT_FALSE(NativeKeyFromEvdev(code).has_value()) << code;
        EXPECT_EQ(VirtualKeyFromEvdev(code), 0) << code;
    }
    // X11 keycodes start at 8; below that nothing maps (keycode 1 must not become KEY_ESC-7).
    for (int keycode : {-8, 0, 1, 7}) {
        EXPECT_FALSE(NativeKeyFromX11(keycode).has_value()) << keycode;
    }
    // An unmapped key reaches the event naming as virtual key 0, which ignores it.
    const HookKeyEvent event = HookKeyEventFromEvdev(KEY_MICMUTE, true);
    EXPECT_EQ(event.virtualKey, 0);
    EXPECT_FALSE(KeyEventName(event.message, event.virtualKey, event.scanCode, event.flags,
                              KeyEventPurpose::Recording)
                     .named);
}

TEST(InputMapping, HookEventsCarryDirectionAndFlags) {
    const struct {
        int evdev;
        bool pressed;
        int message, flags;
    } cases[] = {
        {KEY_A, true, 0x0100, 0x00},    {KEY_A, false, 0x0101, 0x80},
        {KEY_HOME, true, 0x0100, 0x01}, {KEY_HOME, false, 0x0101, 0x81},
        {KEY_KP7, false, 0x0101, 0x80},
    };
    for (const auto& c : cases) {
        const HookKeyEvent event = HookKeyEventFromEvdev(c.evdev, c.pressed);
        EXPECT_EQ(event.message, c.message) << c.evdev;
        EXPECT_EQ(event.flags, c.flags) << c.evdev;
    }
    // Releases name the same key as presses, keypad keys included.
    for (int evdev : {KEY_KP7, KEY_KPENTER, KEY_HOME, KEY_RIGHTCTRL}) {
        const HookKeyEvent down = HookKeyEventFromEvdev(evdev, true);
        const HookKeyEvent up = HookKeyEventFromEvdev(evdev, false);
        const KeyEventInfo a = KeyEventName(down.message, down.virtualKey, down.scanCode,
                                            down.flags, KeyEventPurpose::Recording);
        const KeyEventInfo b = KeyEventName(up.message, up.virtualKey, up.scanCode, up.flags,
                                            KeyEventPurpose::Recording);
        EXPECT_EQ(a.virtualKey, b.virtualKey) << evdev;
        EXPECT_TRUE(a.pressed);
        EXPECT_FALSE(b.pressed);
    }
}

TEST(InputMapping, EveryMappedKeyIsUsable) {
    std::set<int> seen;
    for (const NativeKeyEntry& entry : NativeKeyTable()) {
        SCOPED_TRACE(entry.evdevCode);
        EXPECT_TRUE(seen.insert(entry.evdevCode).second) << "listed twice";
        EXPECT_NE(entry.virtualKey, 0);
        // Captured keys must show something: a key caption or an event name.
        const HookKeyEvent event = HookKeyEventFromEvdev(entry.evdevCode, true);
        for (KeyEventPurpose purpose : {KeyEventPurpose::Recording, KeyEventPurpose::KeyTest}) {
            const KeyEventInfo info =
                KeyEventName(event.message, event.virtualKey, event.scanCode, event.flags, purpose);
            EXPECT_TRUE(info.named);
            EXPECT_FALSE(info.name.empty() &&
                         UsageName(VirtualKeyToUsage(info.virtualKey)).empty());
        }
    }
}

TEST(InputMapping, MouseButtons) {
    const struct {
        int evdev;
        MouseButton button;
        int hookCode;
        int rawCode;
        const char* name;
    } cases[] = {
        {BTN_LEFT, MouseButton::Left, 1, 1, "MouseL"},
        {BTN_RIGHT, MouseButton::Right, 2, 3, "MouseR"},
        {BTN_MIDDLE, MouseButton::Middle, 4, 2, "MouseM"},
        {BTN_SIDE, MouseButton::Back, 8, 7, "Backward"},
        {BTN_BACK, MouseButton::Back, 8, 7, "Backward"},
        {BTN_EXTRA, MouseButton::Forward, 16, 8, "Forward"},
        {BTN_FORWARD, MouseButton::Forward, 16, 8, "Forward"},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(MouseButtonFromEvdev(c.evdev), c.button);
        for (bool pressed : {true, false}) {
            const HookMouseMessage message = HookMouseMessageFor(c.button, pressed);
            const MouseEventInfo hook = MouseEventName(message.message, message.mouseData);
            EXPECT_TRUE(hook.named);
            EXPECT_EQ(hook.pressed, pressed);
            EXPECT_EQ(hook.code, c.hookCode);
            EXPECT_EQ(hook.name, c.name);
            const MouseEventInfo raw = RawMouseEventName(RawMouseButtonFlagFor(c.button, pressed));
            EXPECT_EQ(raw.pressed, pressed);
            EXPECT_EQ(raw.code, c.rawCode);
            EXPECT_EQ(raw.name, c.name);
        }
    });
    EXPECT_FALSE(MouseButtonFromEvdev(BTN_TASK).has_value());
    EXPECT_FALSE(MouseButtonFromEvdev(KEY_A).has_value());
}

}  // namespace
}  // namespace zanvor
