// The termination signals end a program that is blocked in a system call: the call returns
// EINTR instead of being restarted, and SIGHUP counts as a request to end like SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/Termination.h"

namespace zanvor {
namespace {

// Child exit statuses.
constexpr int kInterrupted = 7;  // the blocked read returned EINTR and the request was noted
constexpr int kOther = 8;

TEST(TerminationSignalTest, TheFirstSignalEndsABlockedRead) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            InstallTerminationHandlers();
            int never[2];
            if (pipe(never) != 0) {
                _exit(kOther);
            }
            [[maybe_unused]] const ssize_t told = write(ready[1], "R", 1);
            char byte = 0;
            // Nobody ever writes to `never`: only a signal gets the read out.
            const ssize_t got = read(never[0], &byte, 1);
            _exit(got < 0 && errno == EINTR && TerminationSignal() == signal ? kInterrupted
                                                                             : kOther);
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(pid, signal);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            if (!ended) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ended) << "signal " << signal << " left the program blocked";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kInterrupted)
            << "signal " << signal << ": " << (WIFSIGNALED(status) ? "killed" : "exited")
            << " with " << (WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    }
}

}  // namespace
}  // namespace zanvor
