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
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "platform/Paths.h"
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
            kill(hub_, SIGTERM);
            int status = 0;
            waitpid(hub_, &status, 0);
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

    StopHub();
    EXPECT_EQ(DeviceCount(), 4u) << "alone again once the desktop program has ended";
}

}  // namespace
}  // namespace zanvor
