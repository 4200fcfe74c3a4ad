#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/MacroStepText.h"
#include "keys/MacroSteps.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

using Words = std::vector<std::string>;

TEST(MacroStepTextTest, WordsBecomeStepsWithTheirListTexts) {
    struct Case {
        std::string word;
        int type;
        int value;
        int delay;
        std::string desc;
    };
    const Case cases[] = {
        {"down:A@300", kStepKeyDown, 0x41, 300, "\u2193  A"},
        {"UP:a", kStepKeyUp, 0x41, 10, "\u2191  A"},
        {"down:LShift", kStepKeyDown, 0xA0, 10, "\u2193  Shift"},
        {"down:Shift", kStepKeyDown, 0xA0, 10, "\u2193  Shift"},
        {"up:RCtrl@0", kStepKeyUp, 0xA3, 0, "\u2191  RCtrl"},
        {"down:Enter", kStepKeyDown, 0x0D, 10, "\u2193  Enter"},
        {"down:Esc@5", kStepKeyDown, 0x1B, 5, "\u2193  Esc"},
        {"down:0x41", kStepKeyDown, 0x41, 10, "\u2193  A"},
        {"down:Page Up", kStepKeyDown, 0x21, 10, "\u2193  Page Up"},
        {"down:PgUp", kStepKeyDown, 0x21, 10, "\u2193  Page Up"},
        {"down:Backward", kStepKeyDown, 0xA6, 10, "\u2193  Web-Backward"},
        {"down:0x07", kStepKeyDown, 0x07, 10, "\u2193  0x07"},
        {"mouse-down:left@10", kStepMouseDown, kMouseLeft, 10, "\u2193  MouseL"},
        {"mouse-up:Forward", kStepMouseUp, kMouseForward, 10, "\u2191  Forward"},
        {"mouse-up:wheel-down@3", kStepMouseUp, 0, 3, "\u2191  Scroll Down"},
        {"pause:50", kStepPause, 50, 0, "50 ms"},
        {"pause:1", kStepPause, 1, 0, "1 ms"},
        {"pause:10000@7", kStepPause, 10000, 7, "10000 ms"},
        {"down:A@31000", kStepKeyDown, 0x41, 31000, "\u2193  A"},
        {"down:0xFF@0", kStepKeyDown, 0xFF, 0, "\u2193  0xFF"},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        std::vector<MacroRecordData> steps;
        std::string bad;
        std::string reason;
        ASSERT_TRUE(ParseMacroSteps({c.word}, steps, bad, reason)) << c.word << ": " << reason;
        ASSERT_EQ(steps.size(), 1u) << c.word;
        EXPECT_EQ(steps[0].type, c.type) << c.word;
        EXPECT_EQ(steps[0].value, c.value) << c.word;
        EXPECT_EQ(steps[0].delay_time, c.delay) << c.word;
        EXPECT_EQ(steps[0].desc, c.desc) << c.word;
    });
}

TEST(MacroStepTextTest, TheFirstBadWordIsNamedWithWhyAndNothingIsParsed) {
    const struct {
        const char* word;
        const char* reason;
    } cases[] = {
        {"down:NoSuchKey", "unknown key"},
        {"down:", "unknown key"},
        {"down:A@", "number of milliseconds"},
        {"down:A@x", "number of milliseconds"},
        {"press:A", "not a step"},
        {"A", "not a step"},
        {"mouse-down:side", "left, right, middle"},
        {"pause:", "number of milliseconds"},
        {"pause:fast", "number of milliseconds"},
        {"scroll:left", "up or down"},
        {"scroll:up@1.5", "number of milliseconds"},
        {"down:0x", "unknown key"},
        // Values beyond the limits are refused with them, not stored as the nearest limit (or,
        // for a key code, cut to its low byte).
        {"down:0xFFFFF", "0x01 to 0xFF"},
        {"down:0x100", "0x01 to 0xFF"},
        {"down:0x00", "0x01 to 0xFF"},
        {"down:A@-1", "0 to 31000 ms"},
        {"down:A@31001", "0 to 31000 ms"},
        {"up:A@99999999999", "0 to 31000 ms"},
        {"pause:0", "1 to 10000 ms"},
        {"pause:10001", "1 to 10000 ms"},
        {"pause:99999999999", "1 to 10000 ms"},
        {"scroll:up@-5", "0 to 31000 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        std::vector<MacroRecordData> steps(1);
        std::string named;
        std::string reason;
        EXPECT_FALSE(ParseMacroSteps({"down:A", c.word, "also:bad"}, steps, named, reason));
        EXPECT_EQ(named, c.word);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(steps.size(), 1u) << "unchanged";
    }
    EXPECT_EQ(ParseMacroKey("0x100"), 0);
}

TEST(MacroStepTextTest, StoredStepsReadBackAsTheWordsThatMakeThem) {
    const Words words = {"down:A@300",           "up:A@0",
                         "down:Shift@10",        "up:RShift@10",
                         "down:0x6C@10",         "mouse-down:left@10",
                         "mouse-up:back@10",     "pause:50@10",
                         "scroll:up@10",         "scroll:down@25",
                         "mouse-down:wheel-up@5"};
    std::vector<MacroRecordData> steps;
    std::string bad;
    std::string reason;
    ASSERT_TRUE(ParseMacroSteps(words, steps, bad, reason)) << bad;
    EXPECT_EQ(steps.size(), words.size() + 2) << "a scroll is a press and a release";
    EXPECT_EQ(FormatMacroSteps(steps), words);

    // A wheel press with a delay of its own stays two words.
    steps = {steps[8], steps[9]};
    steps[0].delay_time = 4;
    EXPECT_EQ(FormatMacroSteps(steps), (Words{"mouse-down:wheel-up@4", "mouse-up:wheel-up@10"}));
}

}  // namespace
}  // namespace zanvor
