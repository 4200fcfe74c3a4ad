// Names of key and mouse events for macro recording, key capture and the key test.

#include <string>

#include <gtest/gtest.h>

#include "keys/KeyEvents.h"

namespace zanvor {
namespace {

struct KeyCase {
    const char* what;
    int message, virtualKey, scanCode, flags;
    bool named, pressed;
    int resultKey;
    const char* name;
};

void ExpectKeyCases(KeyEventPurpose purpose, const std::vector<KeyCase>& cases) {
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const KeyEventInfo info =
            KeyEventName(c.message, c.virtualKey, c.scanCode, c.flags, purpose);
        EXPECT_EQ(info.named, c.named);
        if (c.named) {
            EXPECT_EQ(info.pressed, c.pressed);
            EXPECT_EQ(info.virtualKey, c.resultKey);
            EXPECT_EQ(info.name, c.name);
        }
    }
}

TEST(KeyEvents, RecordingNames) {
    ExpectKeyCases(
        KeyEventPurpose::Recording,
        {
            {"letter", 0x0100, 'A', 0x1E, 0x00, true, true, 'A', "A"},
            {"letter released", 0x0101, 'A', 0x1E, 0x80, true, false, 'A', "A"},
            {"system key down", 0x0104, 'F', 0x21, 0x20, true, true, 'F', "F"},
            {"system key up", 0x0105, 'F', 0x21, 0xA0, true, false, 'F', "F"},
            {"keypad 7 with Num Lock off", 0x0100, 0x24, 0x47, 0x00, true, true, 0x67, "Num 7"},
            {"keypad 7 released", 0x0101, 0x24, 0x47, 0x80, true, false, 0x67, "Num 7"},
            {"keypad dot", 0x0100, 0x2E, 0x53, 0x00, true, true, 0x6E, "Num Del"},
            {"keypad 0", 0x0100, 0x2D, 0x52, 0x00, true, true, 0x60, "Num 0"},
            {"real Home is extended", 0x0100, 0x24, 0x47, 0x01, true, true, 0x24, "Home"},
            {"injected keypad key", 0x0100, 0x24, 0x47, 0x10, true, true, 0x24, "Home"},
            {"up flag on a press", 0x0100, 0x24, 0x47, 0x80, true, true, 0x24, "Home"},
            {"keypad Enter", 0x0100, 0x0D, 0x1C, 0x01, true, true, 0x6C, "Num Enter"},
            {"keypad Enter released", 0x0101, 0x0D, 0x1C, 0x81, true, false, 0x6C, "Num Enter"},
            {"main Enter", 0x0100, 0x0D, 0x1C, 0x00, true, true, 0x0D, "Enter"},
            {"generic Shift", 0x0100, 0x10, 0x2A, 0x00, true, true, 0xA0, "Shift"},
            {"generic Ctrl", 0x0101, 0x11, 0x1D, 0x80, true, false, 0xA2, "Ctrl"},
            {"generic Alt", 0x0104, 0x12, 0x38, 0x20, true, true, 0xA4, "Alt"},
            {"right Shift", 0x0100, 0xA1, 0x36, 0x00, true, true, 0xA1, "RShift"},
            {"right Alt", 0x0100, 0xA5, 0x38, 0x01, true, true, 0xA5, "RAlt"},
            {"left Windows", 0x0100, 0x5B, 0x5B, 0x01, true, true, 0x5B, "Windows"},
            {"Print Screen", 0x0100, 0x2C, 0x37, 0x01, true, true, 0x2C, "Print Screen"},
            {"Page Up", 0x0100, 0x21, 0x49, 0x01, true, true, 0x21, "Page Up"},
            {"F13", 0x0100, 0x7C, 0x64, 0x00, true, true, 0x7C, "F13"},
            {"browser back", 0x0100, 0xA6, 0x6A, 0x01, true, true, 0xA6, "Web-Backward"},
            {"calculator", 0x0100, 0xB7, 0x21, 0x01, true, true, 0xB7, "Calculator"},
            {"next track", 0x0100, 0xB0, 0x19, 0x01, true, true, 0xB0, "Next Track"},
            {"key without a name", 0x0100, 0xE8, 0x00, 0x00, true, true, 0xE8, ""},
            {"character message", 0x0102, 'A', 0x1E, 0x00, false, false, 0, ""},
            {"mouse message", 0x0201, 0, 0, 0x00, false, false, 0, ""},
            {"no virtual key", 0x0100, 0x00, 0x20, 0x01, false, false, 0, ""},
        });
}

TEST(KeyEvents, KeyTestNames) {
    ExpectKeyCases(
        KeyEventPurpose::KeyTest,
        {
            {"no keypad correction", 0x0100, 0x24, 0x47, 0x00, true, true, 0x24, "Home"},
            {"no keypad Enter correction", 0x0100, 0x0D, 0x1C, 0x01, true, true, 0x0D, "Enter"},
            {"generic Shift", 0x0101, 0x10, 0x2A, 0x00, true, false, 0xA0, "Shift"},
            {"right Ctrl", 0x0100, 0xA3, 0x1D, 0x01, true, true, 0xA3, "RCtrl"},
            {"browser back", 0x0100, 0xA6, 0, 0, true, true, 0xA6, "Backward"},
            {"browser home", 0x0100, 0xAC, 0, 0, true, true, 0xAC, "Home"},
            {"next track", 0x0100, 0xB0, 0, 0, true, true, 0xB0, "Next"},
            {"media stop", 0x0100, 0xB2, 0, 0, true, true, 0xB2, "Stop"},
            {"my computer", 0x0100, 0xB6, 0, 0, true, true, 0xB6, "Computer"},
            {"calculator", 0x0105, 0xB7, 0, 0, true, false, 0xB7, "Cal"},
            {"other message", 0x0108, 'A', 0, 0, false, false, 0, ""},
        });
}

TEST(KeyEvents, HookMouseEvents) {
    const struct {
        int message, mouseData;
        bool named, pressed;
        int code;
        const char* name;
    } cases[] = {
        {0x0201, 0, true, true, 1, "MouseL"},
        {0x0202, 0, true, false, 1, "MouseL"},
        {0x0204, 0, true, true, 2, "MouseR"},
        {0x0205, 0, true, false, 2, "MouseR"},
        {0x0207, 0, true, true, 4, "MouseM"},
        {0x0208, 0, true, false, 4, "MouseM"},
        {0x020B, 1 << 16, true, true, 8, "Backward"},
        {0x020B, 2 << 16, true, true, 16, "Forward"},
        {0x020C, 1 << 16, true, false, 8, "Backward"},
        {0x020C, 2 << 16, true, false, 16, "Forward"},
        {0x020B, 1, false, false, 0, ""},  // button number in the wrong word
        {0x020B, 3 << 16, false, false, 0, ""},
        {0x0200, 0, false, false, 0, ""},          // movement
        {0x020A, 120 << 16, false, false, 0, ""},  // wheel
        {0x0203, 0, false, false, 0, ""},          // double click
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.message << " " << c.mouseData);
        const MouseEventInfo info = MouseEventName(c.message, c.mouseData);
        EXPECT_EQ(info.named, c.named);
        EXPECT_EQ(info.pressed, c.pressed);
        EXPECT_EQ(info.code, c.code);
        EXPECT_EQ(info.name, c.name);
    }
}

TEST(KeyEvents, RawMouseEvents) {
    const struct {
        int flags;
        bool named, pressed;
        int code;
        const char* name;
    } cases[] = {
        {0x0001, true, true, 1, "MouseL"},
        {0x0002, true, false, 1, "MouseL"},
        {0x0004, true, true, 3, "MouseR"},
        {0x0008, true, false, 3, "MouseR"},
        {0x0010, true, true, 2, "MouseM"},
        {0x0020, true, false, 2, "MouseM"},
        {0x0040, true, true, 7, "Backward"},
        {0x0080, true, false, 7, "Backward"},
        {0x0100, true, true, 8, "Forward"},
        {0x0200, true, false, 8, "Forward"},
        // Several flags: the first in test order decides.
        {0x0011, true, true, 1, "MouseL"},
        {0x0030, true, true, 2, "MouseM"},
        {0x0048, true, false, 3, "MouseR"},
        {0x0180, true, false, 7, "Backward"},
        // Wheel only, or nothing.
        {0x0400, false, true, 0, ""},
        {0x0000, false, true, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.flags);
        const MouseEventInfo info = RawMouseEventName(c.flags);
        EXPECT_EQ(info.named, c.named);
        EXPECT_EQ(info.pressed, c.pressed);
        EXPECT_EQ(info.code, c.code);
        EXPECT_EQ(info.name, c.name);
    }
}

}  // namespace
}  // namespace zanvor
