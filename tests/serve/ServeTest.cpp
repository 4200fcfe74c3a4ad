// zanvorctl serve run as a user runs it: a process of its own on virtual keyboards, in an
// isolated home. Other zanvorctl processes hand their commands to it, a lighting program
// reaches the keyboard through its SDK server, and SIGTERM ends it cleanly with the keyboard
// showing its own mode again.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/CliFixture.h"
#include "platform/KeyboardLock.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"

extern char** environ;

namespace zanvor::test {
namespace {

using namespace std::chrono_literals;

std::string ClientFolder() {
    return std::string(ZANVOR_SOURCE_DIR) + "/tests/serve/client";
}

// The commands of the reports written to the keyboard, in order ("OUT <path> 00 AA <command>").
std::vector<int> WrittenCommands(const std::string& trace) {
    std::vector<int> commands;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string time, direction, path, report, header, command;
        if (words >> time >> direction >> path >> report >> header >> command &&
            direction == "OUT" && header == "AA") {
            commands.push_back(std::stoi(command, nullptr, 16));
        }
    }
    return commands;
}

class ServeTest : public CliTest {
  protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        CliTest::TearDown();
    }

    // Starts `zanvorctl --simulate --device 101 --hid-trace FILE serve EXTRA` and waits until it
    // says it owns the keyboard.
    void StartServe(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments{StagedAppFolder() + "zanvorctl",
                                           "--simulate",
                                           "--device",
                                           "101",
                                           "--hid-trace",
                                           TracePath(),
                                           "serve"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, ErrPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (ServeSaid().find("owns the keyboard") == std::string::npos) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << ServeSaid();
            std::this_thread::sleep_for(20ms);
        }
    }

    // Sends SIGTERM and returns serve's exit status (-1 when it did not exit in time).
    int Terminate() {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            int raw = 0;
            if (waitpid(pid_, &raw, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

    std::string ServeSaid() { return ReadFile(ErrPath()); }
    std::string TracePath() { return home() + "serve-trace.txt"; }
    std::string ErrPath() { return home() + "serve-stderr.txt"; }

    pid_t pid_ = -1;
};

// A zanvorctl alone would find the keyboards locked by serve and give up at once
// (ZANVOR_HUB_LOCK_WAIT_MS=0): its commands succeed only because serve ran them.
constexpr const char* kNoWait = "ZANVOR_HUB_LOCK_WAIT_MS=0 ";

TEST_F(ServeTest, RunsHandedOverCommandsStreamsAndGivesTheKeyboardItsModeBackOnSigterm) {
    StartServe();

    const Run list = Zanvorctl("--json profile list", kNoWait);
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(nlohmann::json::parse(list.out, nullptr, false)["profiles"].size(), 3u) << list.out;
    const Run added = Zanvorctl("profile add Evening", kNoWait);
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(Zanvorctl("profile list", kNoWait).out.find("Evening"), std::string::npos);

    // The effect streams in serve after the command has returned.
    const Run aurora = Zanvorctl("--json aurora run --mode 2", kNoWait);
    ASSERT_EQ(aurora.status, 0) << aurora.err;
    EXPECT_EQ(nlohmann::json::parse(aurora.out, nullptr, false)["streaming"], true) << aurora.out;
    std::this_thread::sleep_for(500ms);
    const std::vector<int> streamed = WrittenCommands(ReadFile(TracePath()));
    EXPECT_GE(std::count(streamed.begin(), streamed.end(), 0x2E), 5);

    ASSERT_EQ(Terminate(), 0) << ServeSaid();
    // After the last effect frame, the light mode is written again (parameter block 0x15).
    const std::vector<int> written = WrittenCommands(ReadFile(TracePath()));
    const auto lastFrame = std::find(written.rbegin(), written.rend(), 0x2E);
    ASSERT_NE(lastFrame, written.rend());
    EXPECT_NE(std::find(written.rbegin(), lastFrame, 0x15), lastFrame)
        << "no light mode written after the stream";
    EXPECT_NE(ServeSaid().find("zanvorctl serve: stopped"), std::string::npos) << ServeSaid();

    // The keyboard is free again: a command runs alone.
    const Run after = Zanvorctl("profile list", kNoWait);
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_NE(after.out.find("Evening"), std::string::npos);
}

// The desktop program starting while serve runs: it asks the running instance to come to the
// front, serve answers that it gives the keyboard up, and the guard and the keyboard lock come
// free for the window; once the window has closed, serve owns the keyboard again.
TEST_F(ServeTest, GivesTheKeyboardToTheWindowAndTakesItBackWhenTheWindowCloses) {
    StartServe();
    const auto owned = [this] {
        const std::string said = ServeSaid();
        size_t count = 0;
        for (size_t at = said.find("owns the keyboard"); at != std::string::npos;
             at = said.find("owns the keyboard", at + 1)) {
            ++count;
        }
        return count;
    };
    {
        SingleInstance window;
        ASSERT_FALSE(window.TryAcquire());
        bool yielded = false;
        ASSERT_TRUE(window.AskFirstToRaise(2000, &yielded));
        EXPECT_TRUE(yielded);
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (!window.TryAcquire()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << ServeSaid();
            std::this_thread::sleep_for(50ms);
        }
        KeyboardLock keyboards;
        EXPECT_EQ(keyboards.Acquire(KeyboardLockPath(), "zanvor-hub", 10s),
                  KeyboardLock::Result::kAcquired);
        // Serve waits without taking either back while the window runs.
        std::this_thread::sleep_for(4s);
        EXPECT_EQ(owned(), 1u) << ServeSaid();
        EXPECT_NE(ServeSaid().find("the desktop program took the keyboard"), std::string::npos);
    }
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (owned() < 2) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << ServeSaid();
        std::this_thread::sleep_for(50ms);
    }
    const Run list = Zanvorctl("profile list", kNoWait);
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(Terminate(), 0) << ServeSaid();
}

// A zanvorctl that took the keyboards while nobody owned them (a long effect stream) keeps them:
// serve waits for it instead of giving up.
TEST_F(ServeTest, WaitsForAZanvorctlThatKeepsTheKeyboards) {
    setenv("ZANVOR_HUB_LOCK_WAIT_MS", "0", 1);
    auto command = std::make_unique<KeyboardLock>();
    CreateFolders(DataFolder());
    ASSERT_EQ(command->Acquire(KeyboardLockPath(), "zanvorctl", 0ms),
              KeyboardLock::Result::kAcquired);
    std::thread release([&command] {
        std::this_thread::sleep_for(3s);
        command.reset();
    });
    StartServe();
    release.join();
    unsetenv("ZANVOR_HUB_LOCK_WAIT_MS");
    EXPECT_NE(ServeSaid().find("another zanvorctl is using the keyboard; waiting"),
              std::string::npos)
        << ServeSaid();
    EXPECT_EQ(Terminate(), 0) << ServeSaid();
}

TEST_F(ServeTest, DeclinesCommandsForOtherKeyboardsAndTimedStreams) {
    StartServe();
    // Real keyboards while serve runs virtual ones: declined, and the lock says by whom.
    const std::string command = std::string(kNoWait) + "'" + StagedAppFolder() +
                                "zanvorctl' profile list 2>'" + home() + "real.txt'";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    EXPECT_NE(ReadFile(home() + "real.txt").find("zanvorctl serve is running with virtual"),
              std::string::npos)
        << ReadFile(home() + "real.txt");
    const Run usage = Zanvorctl("aurora run --mode 2 --seconds 5", kNoWait);
    EXPECT_EQ(usage.status, 2) << usage.err;
    EXPECT_EQ(Terminate(), 0);
}

TEST_F(ServeTest, LightingProgramDrivesTheKeyboardThroughServe) {
    if (std::system("node --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
    }
    if (!std::filesystem::exists(ClientFolder() + "/node_modules/openrgb-sdk/package.json")) {
        GTEST_SKIP() << "the npm package openrgb-sdk is not installed (scripts/setup)";
    }
    StartServe({"--sdk=127.0.0.1:0"});
    std::smatch port;
    const std::string said = ServeSaid();
    ASSERT_TRUE(std::regex_search(said, port, std::regex("SDK server on 127\\.0\\.0\\.1:(\\d+)")))
        << said;

    const std::string command =
        "cd '" + ClientFolder() + "' && node drive.js " + port[1].str() + " 1 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (size_t n = 0; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    ASSERT_EQ(pclose(pipe), 0) << output;
    std::istringstream lines(output);
    std::string first;
    std::getline(lines, first);
    const nlohmann::json list = nlohmann::json::parse(first, nullptr, false);
    EXPECT_EQ(list["count"], 1) << output;
    EXPECT_EQ(list["vendor"], "Zanvor");
    EXPECT_EQ(list["modes"][0], "Direct");

    ASSERT_EQ(Terminate(), 0) << ServeSaid();
    // The client's colours reached the keyboard as effect frames (R, G, B per LED).
    const std::string trace = ReadFile(TracePath());
    EXPECT_NE(trace.find("00 AA 2E"), std::string::npos);
    EXPECT_NE(trace.find("12 34 56 12 34 56"), std::string::npos);
}

}  // namespace
}  // namespace zanvor::test
