// The window in front on KDE Plasma's Wayland session: the source loads its script into a fake
// KWin on a private bus, the test plays the script's calls back, and the source reports them;
// the script itself runs under node against a stand-in workspace of KWin 5 and of KWin 6.
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/KWinFocusSource.h"
#include "platform/Paths.h"
#include "support/PrivateBus.h"
#include "support/SoundServer.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using namespace std::chrono_literals;

class KWinFocusSourceTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        test::IsolatedHomeTest::SetUp();
        std::string why;
        if (!bus_.Start(why)) {
            GTEST_SKIP() << why;
        }
        source_ = std::make_unique<KWinFocusSource>(bus_.Address());
        other_ = test::SpawnQuiet({"/bin/sleep", "120"});
        ASSERT_GT(other_, 0);
    }
    void TearDown() override {
        if (source_) {
            source_->Stop();
        }
        kwin_.Stop();
        if (other_ > 0) {
            kill(other_, SIGKILL);
            waitpid(other_, nullptr, 0);
        }
        test::IsolatedHomeTest::TearDown();
    }

    bool StartSource(std::string& error) {
        return source_->Start(
            [this](const FocusedWindow& window) {
                std::lock_guard lock(mutex_);
                reports_.push_back(window);
            },
            error);
    }
    // Calls the hub as the loaded script does.
    void Script(const std::string& method, const std::vector<std::string>& arguments) {
        const std::vector<test::FakeKWin::Script> loaded = kwin_.Loaded();
        ASSERT_EQ(loaded.size(), 1u);
        ASSERT_TRUE(kwin_.Call(loaded[0].loader, KWinFocusSource::kObjectPath,
                               KWinFocusSource::kInterface, method, arguments));
    }
    std::vector<FocusedWindow> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    bool WaitForReports(size_t count) {
        for (int i = 0; i < 500 && Reports().size() < count; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return Reports().size() >= count;
    }
    template <typename Condition>
    static bool WaitUntil(Condition condition) {
        for (int i = 0; i < 500 && !condition(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return condition();
    }

    test::PrivateSystemBus bus_;
    test::FakeKWin kwin_;
    std::unique_ptr<KWinFocusSource> source_;
    pid_t other_ = 0;   // the process the script's windows belong to
    std::mutex mutex_;  // guards reports_
    std::vector<FocusedWindow> reports_;
};

TEST_F(KWinFocusSourceTest, TheScriptReportsTheWindowInFrontUntilStopUnloadsIt) {
    std::string why;
    ASSERT_TRUE(kwin_.Start(bus_.Address(), why)) << why;
    std::string error;
    ASSERT_TRUE(StartSource(error)) << error;

    // Loaded under its name, started, and calling back the program that loaded it.
    const std::vector<test::FakeKWin::Script> loaded = kwin_.Loaded();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].plugin, KWinFocusSource::kPluginName);
    EXPECT_TRUE(loaded[0].started);
    EXPECT_EQ(loaded[0].text, KWinFocusSource::ScriptText(loaded[0].loader));
    EXPECT_NE(loaded[0].text.find("\"" + loaded[0].loader + "\""), std::string::npos);
    const std::string pid = std::to_string(other_);

    Script("Added", {"{1}", pid, "steam_app_570", "dota2", "Dota 2"});
    Script("Added", {"{2}", "", "org.kde.dolphin", "dolphin", "Home — Dolphin"});
    Script("Activated", {"{1}", pid, "steam_app_570", "dota2", "Dota 2"});
    ASSERT_TRUE(WaitForReports(1));
    FocusedWindow game = Reports()[0];
    EXPECT_NE(game.id, 0u);
    EXPECT_EQ(game.pid, other_);
    EXPECT_EQ(game.executable, "sleep");
    EXPECT_EQ(game.windowClass, "steam_app_570");
    EXPECT_EQ(game.instance, "dota2");
    EXPECT_EQ(game.title, "Dota 2");
    EXPECT_EQ(source_->ListWindows().size(), 2u) << "the picker lists the program windows";

    // The desktop itself in front (no window): reported as no window.
    Script("Activated", {"", "", "", "", ""});
    Script("Removed", {"{2}"});
    Script("Activated", {"{1}", pid, "steam_app_570", "dota2", "Dota 2"});
    ASSERT_TRUE(WaitForReports(3));
    EXPECT_EQ(Reports()[1].id, 0u);
    EXPECT_EQ(Reports()[2].id, game.id) << "the same window keeps its id";
    const std::vector<FocusedWindow> listed = source_->ListWindows();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].windowClass, "steam_app_570");

    const std::string file = source_->ScriptPath();
    EXPECT_TRUE(std::filesystem::exists(file));
    source_->Stop();
    EXPECT_TRUE(kwin_.Loaded().empty()) << "Stop unloads the script from KWin";
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(KWinFocusSourceTest, OnlyKWinsCallsCount) {
    std::string why;
    ASSERT_TRUE(kwin_.Start(bus_.Address(), why)) << why;
    std::string error;
    ASSERT_TRUE(StartSource(error)) << error;
    const std::string hub = kwin_.Loaded().at(0).loader;

    // Another program on the bus claims a window came to the front.
    sd_bus* stranger = nullptr;
    ASSERT_GE(sd_bus_new(&stranger), 0);
    ASSERT_GE(sd_bus_set_address(stranger, bus_.Address().c_str()), 0);
    ASSERT_GE(sd_bus_set_bus_client(stranger, 1), 0);
    ASSERT_GE(sd_bus_start(stranger), 0);
    sd_bus_error callError{};
    const int called = sd_bus_call_method(stranger, hub.c_str(), KWinFocusSource::kObjectPath,
                                          KWinFocusSource::kInterface, "Activated", &callError,
                                          nullptr, "sssss", "{9}", "1", "evil", "evil", "Evil");
    EXPECT_LT(called, 0);
    EXPECT_TRUE(sd_bus_error_has_name(&callError, SD_BUS_ERROR_ACCESS_DENIED));
    sd_bus_error_free(&callError);
    sd_bus_flush_close_unref(stranger);

    // KWin's own call after it is the only one reported.
    Script("Activated", {"{1}", "", "firefox", "Navigator", "Mozilla Firefox"});
    ASSERT_TRUE(WaitForReports(1));
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0].windowClass, "firefox");
}

TEST_F(KWinFocusSourceTest, StartFailsWithAReasonWhenKWinCannotRunTheScript) {
    std::string error;
    EXPECT_FALSE(StartSource(error)) << "no KWin on the bus";
    EXPECT_NE(error.find("KWin"), std::string::npos) << error;

    std::string why;
    ASSERT_TRUE(kwin_.Start(bus_.Address(), why, /*refuseScripts=*/true)) << why;
    error.clear();
    EXPECT_FALSE(StartSource(error));
    EXPECT_NE(error.find("did not load"), std::string::npos) << error;
    EXPECT_EQ(kwin_.StartCalls(), 0);
    // Nothing is left behind in the runtime folder.
    EXPECT_TRUE(source_->ScriptPath().empty());
    EXPECT_FALSE(std::filesystem::exists(RuntimeFolder() + KWinFocusSource::kPluginName + "-" +
                                         std::to_string(getpid()) + ".js"));
}

// A script left loaded by a run that ended without Stop is replaced, not refused.
TEST_F(KWinFocusSourceTest, AScriptLeftLoadedByAnEarlierRunIsReplaced) {
    std::string why;
    ASSERT_TRUE(kwin_.Start(bus_.Address(), why)) << why;
    std::string error;
    ASSERT_TRUE(StartSource(error)) << error;
    const std::string first = kwin_.Loaded().at(0).loader;
    KWinFocusSource second(bus_.Address());
    ASSERT_TRUE(second.Start([](const FocusedWindow&) {}, error)) << error;
    const std::vector<test::FakeKWin::Script> loaded = kwin_.Loaded();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_NE(loaded[0].loader, first);
    second.Stop();
}

// Runs the script under node with a stand-in workspace; the calls it makes, one a line.
std::string RunScript(const std::string& workspace, const std::string& events) {
    const std::string prelude = R"js(
const calls = [];
function callDBus(...args) { calls.push(args.join("|")); }
function signal() {
    const handlers = [];
    return { connect(f) { handlers.push(f); }, fire(w) { handlers.forEach(h => h(w)); } };
}
const game = { internalId: "{a}", pid: 4242, resourceClass: "steam_app_570",
               resourceName: "dota2", caption: "Dota 2", normalWindow: true, skipTaskbar: false };
const panel = { internalId: "{p}", pid: 7, resourceClass: "plasmashell",
                resourceName: "plasmashell", caption: "", normalWindow: false, skipTaskbar: true };
const editor = { internalId: "{e}", resourceClass: "org.kde.kate", resourceName: "kate",
                 caption: "notes", normalWindow: true, skipTaskbar: false };
)js";
    test::TempDir folder;
    const std::string path = folder.path() + "script.js";
    test::WriteFile(path, prelude + workspace + KWinFocusSource::ScriptText(":1.7") + events +
                              "\nconsole.log(calls.join('\\n'));\n");
    std::string output;
    FILE* node = popen(("node " + path + " 2>&1").c_str(), "r");
    if (node == nullptr) {
        return "cannot run node";
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, node) != nullptr) {
        output += buffer;
    }
    pclose(node);
    return output;
}

TEST(KWinFocusScriptTest, TheScriptReportsTheSameOnKWin5AndKWin6) {
    if (!test::RunQuiet({"node", "--version"})) {
        GTEST_SKIP() << "node is needed to run the KWin script";
    }
    const std::string hub = ":1.7|/org/zanvor/Hub/Focus|org.zanvor.Hub.Focus|";
    const std::string expected = hub + "Added|{a}|4242|steam_app_570|dota2|Dota 2\n" + hub +
                                 "Activated|{a}|4242|steam_app_570|dota2|Dota 2\n" + hub +
                                 "Activated|||||\n" + hub + "Added|{e}||org.kde.kate|kate|notes\n" +
                                 hub + "Removed|{a}\n" + hub +
                                 "Activated|{e}||org.kde.kate|kate|notes\n";
    const struct {
        const char* version;
        std::string workspace;
        std::string events;
    } cases[] = {
        {"KWin 6",
         "const workspace = { windowList: () => [game, panel], windowAdded: signal(),"
         " windowRemoved: signal(), windowActivated: signal(), activeWindow: game };\n",
         "workspace.windowActivated.fire(null); workspace.windowAdded.fire(panel);"
         " workspace.windowAdded.fire(editor); workspace.windowRemoved.fire(game);"
         " workspace.windowActivated.fire(editor);"},
        {"KWin 5",
         "const workspace = { clientList: () => [game, panel], clientAdded: signal(),"
         " clientRemoved: signal(), clientActivated: signal(), activeClient: game };\n",
         "workspace.clientActivated.fire(null); workspace.clientAdded.fire(panel);"
         " workspace.clientAdded.fire(editor); workspace.clientRemoved.fire(game);"
         " workspace.clientActivated.fire(editor);"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunScript(c.workspace, c.events), expected) << c.version;
    }
}

}  // namespace
}  // namespace zanvor
