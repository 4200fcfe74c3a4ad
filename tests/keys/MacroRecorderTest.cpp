#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/InputMapping.h"
#include "keys/KeyEvents.h"
#include "keys/KeyTest.h"
#include "keys/MacroRecorder.h"
#include "keys/MacroSteps.h"
#include "ui/CRecordList.h"

namespace zanvor {
namespace {

// What a step looks like in the list: text, type, value, delay.
struct Shown {
    std::string text;
    int type;
    int value;
    int delay;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{" << s.text << ", " << s.type << ", " << s.value << ", " << s.delay << "}";
}

class MacroRecorderTest : public ::testing::Test {
  protected:
    // Key events as the keyboard hook delivers them: message, virtual key, scan code, flags.
    MacroRecorder::Outcome Key(int virtualKey, bool pressed, int64_t at) {
        return recorder.OnHookKey(pressed ? kMessageKeyDown : kMessageKeyUp, virtualKey, 0,
                                  pressed ? 0 : 0x80, at);
    }
    MacroRecorder::Outcome Mouse(MouseButton button, bool pressed, int64_t at,
                                 bool onRecordButton = false) {
        const HookMouseMessage hook = HookMouseMessageFor(button, pressed);
        return recorder.OnHookMouse(hook.message, hook.mouseData, onRecordButton, at);
    }
    std::vector<Shown> Steps() const {
        std::vector<Shown> shown;
        for (const RecordItem& item : list.GetRecordItems()) {
            shown.push_back({item.text, item.type, item.value, item.delay});
        }
        return shown;
    }

    CRecordList list;
    HeldKeySet held;
    MacroRecorder recorder{list, held};
};

TEST_F(MacroRecorderTest, MeasuredDelaysGoToTheStepBeforeAndHeldKeysRecordOnce) {
    recorder.Start(kDelayMeasured, 0, 100);
    Key(0x41, true, 1000);
    for (int64_t t = 1500; t < 3000; t += 33) {
        Key(0x41, true, t);  // auto-repeat while A is held for two seconds
    }
    Key(0x41, false, 3000);
    Key(0x1B, true, 3050);           // Esc is recorded like any key
    Key(0x10, false, 3050 + 40000);  // generic Shift, after a long gap
    EXPECT_EQ(Steps(), (std::vector<Shown>{{"\u2193  A", 2, 0x41, 2000},
                                           {"\u2191  A", 3, 0x41, 50},
                                           {"\u2193  Esc", 2, 0x1B, 31000},
                                           {"\u2191  Shift", 3, 0xA0, 10}}))
        << "the last step keeps 10 ms; a delay is capped at 31000 ms";
}

TEST_F(MacroRecorderTest, DelayModesFillInTheDelays) {
    struct Case {
        int mode;
        int fixed;
        std::vector<int> delays;
    };
    for (const Case& c :
         {Case{kDelayFixed, 50, {50, 50, 50, 10}}, Case{kDelayNone, 0, {10, 10, 10, 10}},
          Case{kDelayMeasured, 0, {7, 100, 1, 10}}}) {
        list.DeleteAllItems();
        recorder.Start(c.mode, c.fixed, 100);
        Key(0x0D, true, 0);  // Enter
        Key(0x0D, false, 7);
        Mouse(MouseButton::Right, true, 107);
        Mouse(MouseButton::Right, false, 108);
        std::vector<int> delays;
        for (const Shown& s : Steps()) {
            delays.push_back(s.delay);
        }
        EXPECT_EQ(delays, c.delays) << "mode " << c.mode;
    }
    EXPECT_EQ(Steps()[2], (Shown{"\u2193  MouseR", kStepMouseDown, kMouseRight, 1}));
}

TEST_F(MacroRecorderTest, MouseButtonsRecordTheirBitsExceptOnTheRecordButton) {
    recorder.Start(kDelayNone, 0, 100);
    for (MouseButton button :
         {MouseButton::Left, MouseButton::Middle, MouseButton::Back, MouseButton::Forward}) {
        Mouse(button, true, 0);
        Mouse(button, false, 0);
    }
    Mouse(MouseButton::Left, true, 0, true);  // the click that stops the recording
    Mouse(MouseButton::Left, false, 0, true);
    std::vector<std::string> texts;
    std::vector<int> values;
    for (const Shown& s : Steps()) {
        texts.push_back(s.text);
        values.push_back(s.value);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"\u2193  MouseL", "\u2191  MouseL", "\u2193  MouseM",
                                        "\u2191  MouseM", "\u2193  Backward", "\u2191  Backward",
                                        "\u2193  Forward", "\u2191  Forward"}));
    EXPECT_EQ(values, (std::vector<int>{1, 1, 4, 4, 8, 8, 16, 16}));
}

TEST_F(MacroRecorderTest, RecordingStopsWhenTheBudgetIsReached) {
    // 1000 bytes of macro memory with 200 steps stored leave (1000 - 40) / 4 - 200 = 40 steps.
    list.AddString("earlier step", kStepPause, 10, 10);  // the macro's steps so far
    recorder.Start(kDelayMeasured, 0, MacroStepCapacity(1000) - 200);
    int added = 0;
    MacroRecorder::Outcome outcome = MacroRecorder::Outcome::kContinue;
    for (int64_t t = 0; outcome == MacroRecorder::Outcome::kContinue && t < 1000; ++t) {
        outcome = Key(0x41 + static_cast<int>((t / 2) % 20), t % 2 == 0, 10 * t);
        ++added;
    }
    EXPECT_EQ(outcome, MacroRecorder::Outcome::kStop);
    EXPECT_EQ(added, 40);
    EXPECT_EQ(list.GetItemCount(), 41);
    EXPECT_EQ(list.GetEventCount(), 40);
}

TEST_F(MacroRecorderTest, KeysHeldBeforeTheRecordingAreRecordedFromTheirNextPress) {
    held.Add(0x42);  // B went down while the key test ran and came up unseen
    recorder.Start(kDelayNone, 0, 100);
    Key(0x42, true, 0);
    Key(0x42, false, 0);
    EXPECT_EQ(list.GetItemCount(), 2);
    recorder.Stop();
    Key(0x43, true, 0);
    EXPECT_EQ(list.GetItemCount(), 2) << "nothing is recorded after the recording stopped";
}

}  // namespace
}  // namespace zanvor
