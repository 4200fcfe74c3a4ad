// The key test: what the control shows while keys and mouse buttons are held.

#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "keys/KeyTest.h"
#include "keys/KeyTextFixture.h"
#include "ui/CKeyTestCtrl.h"

namespace zanvor {
namespace {

// One input event of a case.
struct Key {
    int virtualKey;
    bool pressed;
};
struct Native {
    int x11Keycode;
    bool pressed;
};
struct Mouse {
    MouseButton button;
    bool pressed;
};
struct Stop {};
struct Start {};
using Step = std::variant<Key, Native, Mouse, Stop, Start>;

struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<KeyTestEntry> shown;  // after the last step
};

constexpr int kVkD = 0x44;
constexpr int kVkA = 0x41;
constexpr int kVkBrowserBack = 0xA6;     // no key usage
constexpr int kVkBrowserForward = 0xA7;  // no key usage
constexpr int kX11KeycodeD = 32 + 8;     // evdev KEY_D + the X11 offset

class KeyTestTest : public test::KeyTextTest {
  protected:
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            if (const auto* key = std::get_if<Key>(&step)) {
                keyTest.OnVirtualKey(key->virtualKey, key->pressed);
            } else if (const auto* native = std::get_if<Native>(&step)) {
                keyTest.OnNativeKey(native->x11Keycode, native->pressed);
            } else if (const auto* mouse = std::get_if<Mouse>(&step)) {
                keyTest.OnMouseButton(mouse->button, mouse->pressed);
            } else if (std::holds_alternative<Stop>(step)) {
                keyTest.StopKeyTest();
            } else {
                keyTest.StartKeyTest();
            }
        }
    }

    CKeyTestCtrl control;
    HeldKeySet held;
    KeyTest keyTest{control, held};
};

TEST_F(KeyTestTest, ShowsHeldKeysAndButtons) {
    const std::vector<Case> cases = {
        {"auto-repeat shows one entry",
         {Key{kVkD, true}, Key{kVkD, true}, Key{kVkD, true}},
         {{"D", 0x07}}},
        {"release removes the entry", {Key{kVkD, true}, Key{kVkD, false}}, {}},
        {"keys in press order", {Key{kVkD, true}, Key{kVkA, true}}, {{"D", 0x07}, {"A", 0x04}}},
        {"keys without a usage share code 0 under their event name",
         {Key{kVkBrowserBack, true}, Key{kVkBrowserForward, true}},
         {{"Backward", 0}}},
        {"releasing either code-0 key removes the shared entry",
         {Key{kVkBrowserBack, true}, Key{kVkBrowserForward, true}, Key{kVkBrowserForward, false}},
         {}},
        {"mouse back button (7) and D (usage 7) share one entry",
         {Mouse{MouseButton::Back, true}, Key{kVkD, true}},
         {{"Backward", 7}}},
        {"mouse buttons 1-3 are named by the language file, others by their event",
         {Mouse{MouseButton::Left, true}, Mouse{MouseButton::Middle, true},
          Mouse{MouseButton::Right, true}, Mouse{MouseButton::Forward, true}},
         {{"#220", 1}, {"#222", 2}, {"#223", 3}, {"Forward", 8}}},
        {"mouse release", {Mouse{MouseButton::Right, true}, Mouse{MouseButton::Right, false}}, {}},
        {"native X11 keycode of the window", {Native{kX11KeycodeD, true}}, {{"D", 0x07}}},
        {"unmapped native keycode is ignored", {Native{0, true}, Key{0, true}}, {}},
        {"events after the page was left are ignored",
         {Stop{}, Key{kVkD, true}, Mouse{MouseButton::Left, true}},
         {}},
        {"leaving the page empties the control", {Key{kVkD, true}, Stop{}}, {}},
        {"a key released while the test was off shows again on its next press",
         {Key{kVkD, true}, Stop{}, Key{kVkD, false}, Start{}, Key{kVkD, true}},
         {{"D", 0x07}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        keyTest.StartKeyTest();
        Run(c.steps);
        EXPECT_EQ(control.Entries(), c.shown);
    }
}

TEST_F(KeyTestTest, HeldSetIsKeptWhenTheTestStops) {
    // A recording started from the page goes on using the held set for its auto-repeat.
    keyTest.StartKeyTest();
    keyTest.OnVirtualKey(kVkD, true);
    keyTest.OnMouseButton(MouseButton::Left, true);
    keyTest.StopKeyTest();
    EXPECT_FALSE(keyTest.IsActive());
    EXPECT_EQ(held.Codes(), (std::vector<int>{1, 0x07}));
    EXPECT_TRUE(control.Entries().empty());
}

TEST_F(KeyTestTest, CaptionsFollowTheActiveLanguage) {
    SetActiveLanguageId(1045);
    keyTest.StartKeyTest();
    keyTest.OnMouseButton(MouseButton::Left, true);
    EXPECT_EQ(control.Entries(), (std::vector<KeyTestEntry>{{"pl#220", 1}}));
}

}  // namespace
}  // namespace zanvor
