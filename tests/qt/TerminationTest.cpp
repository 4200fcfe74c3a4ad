// SIGTERM to either program: the worker stops, the database is closed (its write-ahead log
// folded back and removed), the single-instance lock and socket are released, and the exit
// status says what happened: 0 for the desktop program asked to end, 1 for a command that was
// cut short.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "store/DataStore.h"
#include "support/TestHome.h"

extern char** environ;

namespace zanvor {
namespace {

namespace fs = std::filesystem;

class TerminationTest : public test::IsolatedHomeTest {
  protected:
    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        test::IsolatedHomeTest::TearDown();
    }

    // Starts a program of the build with extra environment entries; stderr goes to a file.
    void Spawn(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {}) {
        std::vector<std::string> words{test::StagedAppFolder() + program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> entries = environment;
        entries.push_back("QT_QPA_PLATFORM=offscreen");
        std::vector<char*> envp;
        for (std::string& entry : entries) {
            envp.push_back(entry.data());
        }
        for (char** e = environ; *e != nullptr; ++e) {
            envp.push_back(*e);
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, ErrFile().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(
            posix_spawn(&child_, words[0].c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    template <typename Condition>
    static bool WaitFor(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // Sends SIGTERM and returns the exit status (-1 when the program did not exit by itself).
    int Terminate() {
        kill(child_, SIGTERM);
        int status = 0;
        const bool ended = WaitFor([&] { return waitpid(child_, &status, WNOHANG) == child_; });
        child_ = 0;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string ErrFile() const { return home() + "stderr.txt"; }
    static std::string Database() {
        return DataStore::DatabasePath(DataFolder(), "Zanvor Nova 75 Wireless");
    }

    pid_t child_ = 0;
};

TEST_F(TerminationTest, TheDesktopProgramEndsCleanlyWithStatusZero) {
    Spawn("zanvor-hub", {"--simulate=101"});
    const std::string socket = RuntimeFolder() + "Zanvor HUB.sock";
    // Up and its database open (the keyboard's settings are read into it).
    ASSERT_TRUE(WaitFor([&] { return fs::exists(socket) && fs::exists(Database() + "-wal"); }));

    EXPECT_EQ(Terminate(), 0) << test::ReadFile(ErrFile());
    EXPECT_FALSE(fs::exists(socket));
    EXPECT_FALSE(fs::exists(Database() + "-wal")) << "the database was closed";
    const int lock = open((RuntimeFolder() + "Zanvor HUB.lock").c_str(), O_RDWR);
    ASSERT_GE(lock, 0);
    EXPECT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0) << "the single-instance lock is released";
    close(lock);
}

TEST_F(TerminationTest, ACommandCutShortStopsItsWorkerClosesTheDatabaseAndFails) {
    // Slow answers keep the command inside the keyboard read when the signal comes.
    Spawn("zanvorctl", {"--simulate=101", "key", "reset"}, {"ZANVOR_SIM_FAULTS=latency=300"});
    ASSERT_TRUE(WaitFor([&] { return fs::exists(Database() + "-wal"); }));

    EXPECT_EQ(Terminate(), 1);
    EXPECT_EQ(test::ReadFile(ErrFile()), "zanvorctl: interrupted\n");
    EXPECT_FALSE(fs::exists(Database() + "-wal")) << "the database was closed";
    DataStore store;
    EXPECT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Zanvor Nova 75 Wireless"))
        << store.OpenFailureText();
}

}  // namespace
}  // namespace zanvor
