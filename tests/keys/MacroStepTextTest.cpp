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
        {"pause:50", kStepPause, 50, 10, "50 ms"},
        {"pause:0", kStepPause, 1, 10, "1 ms"},
        {"pause:99999@7", kStepPause, 10000, 7, "10000 ms"},
        {"down:A@99999", kStepKeyDown, 0x41, 31000, "\u2193  A"},
        {"down:A@-4", kStepKeyDown, 0x41, 0, "\u2193  A"},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        std::vector<MacroRecordData> steps;
        std::string bad;
        ASSERT_TRUE(ParseMacroSteps({c.word}, steps, bad)) << c.word;
        ASSERT_EQ(steps.size(), 1u) << c.word;
        EXPECT_EQ(steps[0].type, c.type) << c.word;
        EXPECT_EQ(steps[0].value, c.value) << c.word;
        EXPECT_EQ(steps[0].delay_time, c.delay) << c.word;
        EXPECT_EQ(steps[0].desc, c.desc) << c.word;
    });
}

TEST(MacroStepTextTest, TheFirstBadWordIsNamedAndNothingIsParsed) {
    for (const std::string bad :
         {"down:NoSuchKey", "down:", "down:A@", "down:A@x", "press:A", "A", "mouse-down:side",
          "pause:", "pause:fast", "scroll:left", "scroll:up@1.5", "down:0x", "down:0xFFFFF"}) {
        std::vector<MacroRecordData> steps(1);
        std::string named;
        EXPECT_FALSE(ParseMacroSteps({"down:A", bad, "also:bad"}, steps, named)) << bad;
        EXPECT_EQ(named, bad);
        EXPECT_EQ(steps.size(), 1u) << "unchanged";
    }
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
    ASSERT_TRUE(ParseMacroSteps(words, steps, bad)) << bad;
    EXPECT_EQ(steps.size(), words.size() + 2) << "a scroll is a press and a release";
    EXPECT_EQ(FormatMacroSteps(steps), words);

    // A wheel press with a delay of its own stays two words.
    steps = {steps[8], steps[9]};
    steps[0].delay_time = 4;
    EXPECT_EQ(FormatMacroSteps(steps), (Words{"mouse-down:wheel-up@4", "mouse-up:wheel-up@10"}));
}

}  // namespace
}  // namespace zanvor
