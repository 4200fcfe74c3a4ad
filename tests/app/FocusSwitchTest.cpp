// Profiles that follow the window in front, on a virtual keyboard: a bound program's window
// brings its profile, an unbound one the profile from before, a manual choice stays until the
// focus moves, and quick alt-tabbing ends in one switch for the window last in front.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "platform/Registry.h"
#include "platform/X11FocusSource.h"
#include "store/Records.h"
#include "support/SoundServer.h"
#include "support/XServer.h"
#include "ui/DeviceTasks.h"

namespace zanvor {
namespace {

constexpr int kUsageA = 0x04;
constexpr int kMediaVolumeUp = 104;
const std::vector<uint8_t> kPlainA = {0x10, 0x00, 0x04};
const std::vector<uint8_t> kVolumeUp = {0x30, 0xE9, 0x00};

// A desktop the test drives: each Report is a window coming to the front.
class ScriptedFocusSource : public FocusSource {
  public:
    bool Start(Callback callback, std::string&) override {
        std::lock_guard lock(mutex_);
        callback_ = std::move(callback);
        return true;
    }
    void Stop() override {
        std::lock_guard lock(mutex_);
        callback_ = nullptr;
    }
    std::vector<FocusedWindow> ListWindows() override { return {}; }
    void Report(const FocusedWindow& window) {
        std::lock_guard lock(mutex_);
        if (callback_) {
            callback_(window);
        }
    }

  private:
    std::mutex mutex_;  // guards callback_
    Callback callback_;
};

class FocusSwitchTest : public test::SimSessionTest {
  protected:
    void SetUp() override {
        test::SimSessionTest::SetUp();
        other_ = test::SpawnQuiet({"/bin/sleep", "120"});
        ASSERT_GT(other_, 0);
        game_ = {10, other_, "", "dota2", "Dota2", "Dota 2"};
        browser_ = {11, other_, "", "Navigator", "firefox", "Mozilla Firefox"};
    }
    void TearDown() override {
        test::SimSessionTest::TearDown();
        kill(other_, SIGKILL);
        waitpid(other_, nullptr, 0);
    }

    // The keyboard online, profile 2 ("Dota") giving A "volume up" and bound to dota2.
    void StartKeyboard() {
        Start("101:cable");
        dialog->deviceList.ClickDevice(101);
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(dialog->session.currentProfile.load(), 1);
        KeyMacroData a;
        ASSERT_TRUE(store.GetKey(2, 0, kUsageA, a));
        a.macro_type = 6;
        a.macro_value = kMediaVolumeUp;
        ASSERT_TRUE(store.UpdateKey(a));
        int holder = 0;
        ASSERT_EQ(store.BindProgram(2, "dota2", holder), DataStore::BindOutcome::kOk);
        index_ = dialog->session.KeyMapsCopy().codeToKeyIndex.at(kUsageA);
    }

    void FollowScriptedFocus() {
        auto source = std::make_unique<ScriptedFocusSource>();
        source_ = source.get();
        std::string error;
        ASSERT_TRUE(dialog->Pages().focus.Start(std::move(source), error)) << error;
    }

    void Focus(const FocusedWindow& window) {
        source_->Report(window);
        ASSERT_TRUE(WaitIdle());
    }

    std::vector<uint8_t> EntryOfA() {
        const std::vector<uint8_t> table = sim->Keyboard(101)->BlockData(0x1B);
        const size_t at = static_cast<size_t>(3 * index_);
        return table.size() >= at + 3
                   ? std::vector<uint8_t>(table.begin() + at, table.begin() + at + 3)
                   : std::vector<uint8_t>();
    }
    int Current() { return dialog->session.currentProfile.load(); }
    size_t FocusTasks() {
        const auto log = dialog->TaskLog();
        return static_cast<size_t>(std::count_if(
            log.begin(), log.end(), [](const auto& run) { return run.code == kTaskFollowFocus; }));
    }

    pid_t other_ = 0;  // the process the test's windows belong to (not this program)
    FocusedWindow game_;
    FocusedWindow browser_;
    ScriptedFocusSource* source_ = nullptr;
    int index_ = 0;
};

TEST_F(FocusSwitchTest, ABoundProgramBringsItsProfileAndLeavingItBringsTheOldOneBack) {
    StartKeyboard();
    FollowScriptedFocus();
    sim->ClearReports();
    Focus(browser_);
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(WritesOf(0x1B), 0u) << "an unbound program changes nothing";

    Focus(game_);
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(store.GetActiveProfile(), 2);
    EXPECT_EQ(dialog->Pages().profile.List().GetCurData(), 2) << "the list shows it";
    EXPECT_EQ(EntryOfA(), kVolumeUp) << "the whole profile was sent";

    // Another window of the same program, then the program's own window: no switch.
    sim->ClearReports();
    Focus({12, other_, "", "dota2", "Dota2", "Dota 2 console"});
    Focus({13, getpid(), "", "zanvor-hub", "zanvor-hub", "Zanvor HUB"});
    EXPECT_EQ(WritesOf(0x1B), 0u);
    EXPECT_EQ(Current(), 2);

    Focus(browser_);
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(store.GetActiveProfile(), 1);
    EXPECT_EQ(EntryOfA(), kPlainA);
    EXPECT_TRUE(host.notices().empty()) << "no notice unless asked for";
}

TEST_F(FocusSwitchTest, AManualSwitchStaysUntilTheFocusMovesAgain) {
    StartKeyboard();
    FollowScriptedFocus();
    Focus(game_);
    ASSERT_EQ(Current(), 2);

    dialog->Pages().profile.List().ClickItem(2);  // the user picks profile 3
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Current(), 3);
    EXPECT_EQ(EntryOfA(), kPlainA);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Current(), 3) << "the game is still in front, but the user's choice stays";

    // The focus moves: the profile from before the first automatic switch comes back, and
    // the game brings its own again.
    Focus(browser_);
    EXPECT_EQ(Current(), 1);
    Focus(game_);
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(EntryOfA(), kVolumeUp);
}

TEST_F(FocusSwitchTest, QuickAltTabbingEndsInOneSwitchForTheLastWindow) {
    StartKeyboard();
    FollowScriptedFocus();
    // A slow keyboard: the first switch is still being written while the user tabs on.
    sim->SetLatency(3);
    const size_t before = FocusTasks();
    source_->Report(game_);
    ASSERT_TRUE(Eventually([&] { return FocusTasks() > before || !dialog->Idle(); }));
    for (int i = 0; i < 20; ++i) {
        source_->Report(i % 2 == 0 ? browser_ : game_);
    }
    source_->Report(browser_);
    ASSERT_TRUE(WaitIdle());
    EXPECT_LE(FocusTasks() - before, 3u) << "the reports coalesced instead of queuing up";
    EXPECT_EQ(Current(), 1) << "the window last in front decides";
    EXPECT_EQ(EntryOfA(), kPlainA);
    EXPECT_EQ(store.GetActiveProfile(), 1);
}

TEST_F(FocusSwitchTest, ANoticeNamesTheProfileAndProgramWhenTheUserAskedForIt) {
    ASSERT_TRUE(WriteRegistryInt(kFocusNoticeValue, 1));
    StartKeyboard();
    FollowScriptedFocus();
    Focus(game_);
    const std::string name = dialog->Pages().profile.List().GetItemText(1);
    EXPECT_EQ(host.notices(), std::vector<std::string>{"Profile '" + name + "' for dota2"});
}

TEST_F(FocusSwitchTest, WithoutTheKeyboardNothingSwitchesAndNoFailureIsShown) {
    StartKeyboard();
    FollowScriptedFocus();
    sim->Unplug(101, 0);
    ASSERT_TRUE(Eventually([&] { return !dialog->session.deviceOnline.load(); }));
    ASSERT_TRUE(WaitIdle());
    dialogs.ClearHistory();
    Focus(game_);
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(store.GetActiveProfile(), 1);
    EXPECT_TRUE(dialogs.HistoryOf("message").empty());
}

// The whole path under a real X server with no window manager: the test sets the root
// window's _NET_ACTIVE_WINDOW as a window manager would.
TEST_F(FocusSwitchTest, FollowsTheActiveWindowOfAnXServer) {
    test::PrivateXServer server;
    std::string why;
    if (!server.Start(why)) {
        GTEST_SKIP() << why;
    }
    const uint32_t game = server.CreateWindow("dota2", "Dota2", "Dota 2", other_);
    const uint32_t browser = server.CreateWindow("Navigator", "firefox", "Firefox", other_);
    StartKeyboard();
    std::string error;
    ASSERT_TRUE(
        dialog->Pages().focus.Start(std::make_unique<X11FocusSource>(server.Display()), error))
        << error;

    server.Activate(game);
    ASSERT_TRUE(Eventually([&] { return Current() == 2 && dialog->Idle(); }));
    EXPECT_EQ(EntryOfA(), kVolumeUp);
    server.Activate(browser);
    ASSERT_TRUE(Eventually([&] { return Current() == 1 && dialog->Idle(); }));
    EXPECT_EQ(EntryOfA(), kPlainA);
    dialog->Pages().focus.Stop();
}

}  // namespace
}  // namespace zanvor
