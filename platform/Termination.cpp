#include "platform/Termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zanvor {

namespace {

std::atomic<int> requested{0};
int pipeRead = -1;
int pipeWrite = -1;

void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    requested.store(signal);
    if (pipeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(pipeWrite, &byte, 1);
    }
    // The next one takes the default action: a program that does not stop can still be ended.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    errno = savedErrno;
}

}  // namespace

void InstallTerminationHandlers() {
    if (pipeRead < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            pipeRead = fds[0];
            pipeWrite = fds[1];
        }
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a system call the program is blocked in (a read, an open, a wait) returns
    // EINTR, so the first signal ends a program that waits rather than being swallowed.
    action.sa_flags = 0;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // The terminal or the session went away: end as cleanly as when asked to.
    ::sigaction(SIGHUP, &action, nullptr);
}

bool TerminationRequested() {
    return requested.load() != 0;
}

int TerminationSignal() {
    return requested.load();
}

int TerminationFd() {
    return pipeRead;
}

void ResetTerminationRequest() {
    requested.store(0);
    char buffer[16];
    while (pipeRead >= 0 && ::read(pipeRead, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace zanvor
