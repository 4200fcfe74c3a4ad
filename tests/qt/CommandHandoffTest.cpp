// zanvorctl beside a running desktop program: the program owns the keyboard, so the command
// runs in it (its keyboards, its database, its pages) and the terminal gets the output; with
// the program gone, zanvorctl works alone again.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "platform/Paths.h"
#include "support/HttpsTestServer.h"
#include "support/SoundServer.h"
#include "support/TestHome.h"

extern char** environ;

namespace zanvor {
namespace {

class CommandHandoffTest : public test::IsolatedHomeTest {
  protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };

    void TearDown() override {
        StopHub();
        test::IsolatedHomeTest::TearDown();
    }

    // Starts the desktop program on one virtual keyboard and waits for its socket.
    bool StartHub() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::string program = test::StagedAppFolder() + "zanvor-hub";
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--simulate=101"),
                        nullptr};
        if (posix_spawn(&hub_, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            return false;
        }
        const std::string socket = RuntimeFolder() + "Zanvor HUB.sock";
        for (int i = 0; i < 300; ++i) {
            struct stat info {};
            if (stat(socket.c_str(), &info) == 0) {
                // A command sent before the window is up waits for it.
                socketMode_ = info.st_mode & 0777;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void StopHub() {
        if (hub_ > 0) {
            // A program that does not end on SIGTERM is killed, so no test leaves it behind.
            kill(hub_, SIGTERM);
            for (int i = 0; i < 600 && waitpid(hub_, nullptr, WNOHANG) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (waitpid(hub_, nullptr, WNOHANG) == 0) {
                kill(hub_, SIGKILL);
                waitpid(hub_, nullptr, 0);
            }
            hub_ = 0;
        }
    }

    Run Zanvorctl(const std::string& arguments) {
        const std::string errFile = home() + "stderr.txt";
        const std::string command =
            "'" + test::StagedAppFolder() + "zanvorctl' " + arguments + " 2>'" + errFile + "'";
        Run run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return run;
        }
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            run.out.append(buffer, n);
        }
        const int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.err = test::ReadFile(errFile);
        return run;
    }

    size_t DeviceCount() {
        const Run run = Zanvorctl("--simulate --json devices");
        EXPECT_EQ(run.status, 0) << run.err;
        const auto document = nlohmann::json::parse(run.out, nullptr, false);
        return document.is_object() ? document["devices"].size() : 0;
    }

    pid_t hub_ = 0;
    unsigned socketMode_ = 0;
};

TEST_F(CommandHandoffTest, CommandsRunInTheRunningDesktopProgramAndAloneWithoutIt) {
    EXPECT_EQ(DeviceCount(), 4u) << "alone: every virtual keyboard of the catalogue";

    ASSERT_TRUE(StartHub());
    EXPECT_EQ(socketMode_, 0600u);
    EXPECT_EQ(DeviceCount(), 1u) << "handed over: the desktop program's one keyboard";

    const Run added = Zanvorctl("--simulate profile add Handed");
    ASSERT_EQ(added.status, 0) << added.err;
    const Run listed = Zanvorctl("--simulate --json profile list");
    ASSERT_EQ(listed.status, 0) << listed.err;
    bool found = false;
    const nlohmann::json profiles = nlohmann::json::parse(listed.out);
    for (const auto& profile : profiles["profiles"]) {
        if (profile["name"] == "Handed") {
            found = true;
            EXPECT_TRUE(profile["active"]) << "the desktop program switched to it";
        }
    }
    EXPECT_TRUE(found) << listed.out;

    const Run traced = Zanvorctl("--simulate --hid-trace '" + home() + "t.txt' devices");
    EXPECT_EQ(traced.status, 1);
    EXPECT_NE(traced.err.find("zanvorctl: --hid-trace"), std::string::npos) << traced.err;

    // Other virtual keyboards than the program's: neither answered for its own nor run alone.
    const Run other = Zanvorctl("--simulate=102:receiver devices");
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.out, "");
    EXPECT_NE(other.err.find("other virtual keyboards (--simulate=101)"), std::string::npos)
        << other.err;

    StopHub();
    EXPECT_EQ(DeviceCount(), 4u) << "alone again once the desktop program has ended";
}

TEST_F(CommandHandoffTest, ACommandTheProgramStartedIsNotRunAgainWhenTheProgramDies) {
    // Killed outright, or closed by a signal it handles: either way zanvorctl does not run the
    // command again, and says the change may or may not have been made (a closing program said
    // its keyboard "did not become ready", or "interrupted"). The killed program goes last: it
    // leaves its socket file behind.
    for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        // Slow keyboard answers keep the handed-over command running in the program.
        setenv("ZANVOR_SIM_FAULTS", "latency=300", 1);
        const bool started = StartHub();
        unsetenv("ZANVOR_SIM_FAULTS");
        ASSERT_TRUE(started);
        const std::string errFile = home() + "reset-stderr.txt";
        const std::string command = "'" + test::StagedAppFolder() +
                                    "zanvorctl' --simulate key reset >/dev/null 2>'" + errFile +
                                    "'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        kill(hub_, signal);
        waitpid(hub_, nullptr, 0);
        hub_ = 0;
        const int raw = pclose(pipe);
        const std::string err = test::ReadFile(errFile);
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1)
            << "zanvorctl ran the command again itself: " << err;
        if (signal == SIGKILL) {
            EXPECT_EQ(err,
                      "zanvorctl: the desktop program ended while it ran the command; the change "
                      "may or may not have been made\n");
        } else {
            // Closing while the command waited for the keyboard, or while it ran.
            EXPECT_TRUE(err.starts_with("zanvorctl: the desktop program ")) << err;
            EXPECT_TRUE(err.find("the command was not run") != std::string::npos ||
                        err.find(" may not have ") != std::string::npos)
                << err;
        }
    }
}

TEST_F(CommandHandoffTest, StreamingStaysWithTheWindowAndSoundCommandsRunAlone) {
    ASSERT_TRUE(StartHub());
    // A stream would hold the window for as long as it runs: the user is sent to its tab.
    const Run stream = Zanvorctl("--simulate --device 101 aurora run --seconds 1");
    EXPECT_EQ(stream.status, 1);
    EXPECT_NE(stream.err.find("desktop program is running"), std::string::npos) << stream.err;
    // The sound commands only listen, so they run here (no server answers in this test).
    const test::PulseServerVariable nowhere("unix:" + home() + "no-server");
    const Run devices = Zanvorctl("--simulate audio devices");
    EXPECT_EQ(devices.status, 1);
    EXPECT_NE(devices.err.find("no sound server"), std::string::npos) << devices.err;
}

TEST_F(CommandHandoffTest, AnUpdateCheckHandedOverAsksTheProgramsUserNothing) {
    std::string why;
    if (!test::HttpsTestServer::ToolsAvailable(why)) {
        GTEST_SKIP() << why;
    }
    test::HttpsTestServer server;
    ASSERT_TRUE(server.StartTrusted(why)) << why;
    setenv("ZANVOR_HUB_UPDATE_URL", server.Url().c_str(), 1);
    test::WriteFile(server.Root() + "version", "1.0.1");
    ASSERT_TRUE(StartHub());

    // With --yes a question put to the program's user would have been answered by the
    // command: the download would start and the program end.
    for (int i = 0; i < 2; ++i) {
        const Run run = Zanvorctl("--simulate --yes --json update check");
        EXPECT_EQ(run.status, 10) << run.err;
        const auto document = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_EQ(document.value("update_available", false), true) << run.out;
    }
    EXPECT_EQ(server.RequestLog().find(".zip"), std::string::npos) << server.RequestLog();
    EXPECT_EQ(waitpid(hub_, nullptr, WNOHANG), 0) << "the desktop program still runs";
}

// The usage text says what -autorun does: a minimised start only when the user asked for one.
TEST(HubUsageTest, HelpSaysWhenAutorunStartsMinimised) {
    const std::string command = "'" + test::StagedAppFolder() + "zanvor-hub' --help";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    EXPECT_EQ(pclose(pipe), 0);
    const size_t autorun = out.find("-autorun ");
    ASSERT_NE(autorun, std::string::npos) << out;
    EXPECT_NE(out.find("only when \"Start\n               minimised\" is on", autorun),
              std::string::npos)
        << out;
}

}  // namespace
}  // namespace zanvor
