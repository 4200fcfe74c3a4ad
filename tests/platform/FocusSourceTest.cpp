// Which window is in front: the desktop's kind from the session's environment, and the X11
// source against a private X server where the test plays the window manager.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DesktopFocus.h"
#include "platform/X11FocusSource.h"
#include "support/SoundServer.h"
#include "support/XServer.h"

namespace zanvor {
namespace {

using namespace std::chrono_literals;

TEST(DesktopFocusTest, TheSessionsEnvironmentSaysWhetherAndHowTheFocusIsKnown) {
    using Kind = DesktopFocusKind;
    const struct {
        std::map<std::string, std::string> environment;
        Kind kind;
    } cases[] = {
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, Kind::kX11},
        {{{"DISPLAY", ":0"}}, Kind::kX11},
        {{{"XDG_SESSION_TYPE", "tty"}, {"DISPLAY", "localhost:10.0"}}, Kind::kX11},
        {{{"XDG_SESSION_TYPE", "wayland"},
          {"WAYLAND_DISPLAY", "wayland-0"},
          {"DISPLAY", ":0"},
          {"XDG_CURRENT_DESKTOP", "KDE"}},
         Kind::kKWinWayland},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "kde"}}, Kind::kKWinWayland},
        // XWayland's DISPLAY does not make GNOME an X11 desktop.
        {{{"XDG_SESSION_TYPE", "wayland"},
          {"WAYLAND_DISPLAY", "wayland-0"},
          {"DISPLAY", ":0"},
          {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
         Kind::kUnsupported},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "sway"}}, Kind::kUnsupported},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "KDEish"}}, Kind::kUnsupported},
        {{}, Kind::kUnsupported},
        {{{"XDG_SESSION_TYPE", "tty"}}, Kind::kUnsupported},
    };
    for (const auto& c : cases) {
        std::string described;
        for (const auto& [name, value] : c.environment) {
            described += name + "=" + value + " ";
        }
        EXPECT_EQ(DetectDesktopFocus(c.environment), c.kind) << described;
    }
    EXPECT_EQ(MakeFocusSource(Kind::kUnsupported), nullptr);
    EXPECT_NE(MakeFocusSource(Kind::kX11), nullptr);
    EXPECT_NE(MakeFocusSource(Kind::kKWinWayland), nullptr);
}

class X11FocusSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!server_.Start(why)) {
            GTEST_SKIP() << why;
        }
    }
    void TearDown() override {
        if (other_ > 0) {
            kill(other_, SIGKILL);
            waitpid(other_, nullptr, 0);
        }
    }

    std::vector<FocusedWindow> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    // Waits until `count` windows were reported; the last one.
    FocusedWindow WaitForReport(size_t count) {
        EXPECT_TRUE(test::WaitUntil([&] { return Reports().size() >= count; }, 5s))
            << "reports: " << Reports().size();
        const auto reports = Reports();
        return reports.size() >= count ? reports[count - 1] : FocusedWindow{};
    }
    FocusSource::Callback Recorder() {
        return [this](const FocusedWindow& window) {
            std::lock_guard lock(mutex_);
            reports_.push_back(window);
        };
    }

    test::PrivateXServer server_;
    pid_t other_ = 0;   // a process of another program, for the second window
    std::mutex mutex_;  // guards reports_
    std::vector<FocusedWindow> reports_;
};

TEST_F(X11FocusSourceTest, ReportsEachWindowTheWindowManagerMakesActive) {
    other_ = test::SpawnQuiet({"/bin/sleep", "60"});
    ASSERT_GT(other_, 0);
    const uint32_t game = server_.CreateWindow("dota2", "Dota2", "Dota 2", getpid());
    const uint32_t editor = server_.CreateWindow("factorio", "Factorio", "Factorio 1.1", other_);

    X11FocusSource source(server_.Display());
    std::string error;
    ASSERT_TRUE(source.Start(Recorder(), error)) << error;
    EXPECT_EQ(WaitForReport(1).id, 0u) << "nothing active yet";

    server_.Activate(game);
    const FocusedWindow first = WaitForReport(2);
    EXPECT_EQ(first.id, game);
    EXPECT_EQ(first.pid, getpid());
    EXPECT_EQ(first.executable, "platform_tests");
    EXPECT_EQ(first.instance, "dota2");
    EXPECT_EQ(first.windowClass, "Dota2");
    EXPECT_EQ(first.title, "Dota 2");
    EXPECT_EQ(first.Identities(), (std::vector<std::string>{"platform_tests", "dota2", "Dota2"}));

    server_.Activate(editor);
    const FocusedWindow second = WaitForReport(3);
    EXPECT_EQ(second.id, editor);
    EXPECT_EQ(second.executable, "sleep");
    EXPECT_EQ(second.instance, "factorio");

    // The same window written again is no change; the focus leaving every window is.
    server_.Activate(editor);
    server_.Activate(0);
    EXPECT_EQ(WaitForReport(4).id, 0u);
    EXPECT_EQ(Reports().size(), 4u);

    source.Stop();
    server_.Activate(game);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Reports().size(), 4u) << "nothing reported after Stop";
}

TEST_F(X11FocusSourceTest, ListsTheWindowManagersClientsOrTheMappedWindows) {
    const uint32_t game = server_.CreateWindow("dota2", "Dota2", "Dota 2", getpid());
    const uint32_t editor = server_.CreateWindow("factorio", "Factorio", "Factorio 1.1", 0);
    X11FocusSource source(server_.Display());
    std::vector<FocusedWindow> windows = source.ListWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, "Dota 2");
    EXPECT_EQ(windows[0].executable, "platform_tests");
    EXPECT_EQ(windows[1].title, "Factorio 1.1");
    EXPECT_EQ(windows[1].executable, "") << "no _NET_WM_PID";

    server_.SetClientList(&editor, 1);
    windows = source.ListWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].id, editor);
    (void)game;
}

TEST(X11FocusSourceStartTest, NoXServerIsAFailureWithAReason) {
    X11FocusSource source(":9876");
    std::string error;
    EXPECT_FALSE(source.Start([](const FocusedWindow&) {}, error));
    EXPECT_EQ(error, "cannot connect to the X server :9876");
    EXPECT_TRUE(source.ListWindows().empty());
}

}  // namespace
}  // namespace zanvor
