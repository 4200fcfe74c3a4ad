#include "platform/Process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace zanvor {

namespace {

// Frees the spawn attributes and file actions however StartProcess returns.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

int StatusOf(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    if (WIFSIGNALED(raw)) {
        return 128 + WTERMSIG(raw);
    }
    return -1;
}

// One non-blocking look: the status when the process has ended, nullopt while it runs,
// and `gone` when it cannot be waited for at all.
std::optional<int> Reap(int pid, bool& gone) {
    int raw = 0;
    pid_t result = 0;
    do {
        result = waitpid(pid, &raw, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid) {
        return StatusOf(raw);
    }
    gone = result < 0;
    return std::nullopt;
}

// A descriptor that becomes readable when the process ends; -1 when the kernel has none.
class ProcessHandle {
  public:
    explicit ProcessHandle(int pid) {
#ifdef SYS_pidfd_open
        fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
        (void)pid;
#endif
    }
    ~ProcessHandle() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    // Sleeps until the process may have ended or the slice passed.
    void Await(std::chrono::milliseconds slice) const {
        if (fd_ < 0) {
            std::this_thread::sleep_for(std::min(slice, std::chrono::milliseconds(20)));
            return;
        }
        pollfd entry{fd_, POLLIN, 0};
        poll(&entry, 1, static_cast<int>(slice.count()));
    }

  private:
    int fd_ = -1;
};

}  // namespace

int StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                 std::string& error) {
    if (program.empty()) {
        error = "no program given";
        return 0;
    }
    SpawnSetup setup;
    // Nothing of this process but the standard streams reaches the child: not the keyboard
    // handles, the database, sockets or the single-instance lock.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const bool searchPath = program.find('/') == std::string::npos;
    const int result = searchPath ? posix_spawnp(&pid, program.c_str(), &setup.actions,
                                                 &setup.attributes, argv.data(), environ)
                                  : posix_spawn(&pid, program.c_str(), &setup.actions,
                                                &setup.attributes, argv.data(), environ);
    if (result != 0) {
        error = "cannot start " + program + ": " + std::strerror(result);
        return 0;
    }
    return pid;
}

std::optional<int> WaitForProcess(int pid, const std::function<bool()>& keepWaiting) {
    if (pid <= 0) {
        return std::nullopt;
    }
    const ProcessHandle handle(pid);
    for (;;) {
        bool gone = false;
        if (const std::optional<int> status = Reap(pid, gone)) {
            return status;
        }
        if (gone || (keepWaiting && !keepWaiting())) {
            return std::nullopt;
        }
        handle.Await(std::chrono::milliseconds(100));
    }
}

std::optional<int> WaitForProcessFor(int pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    return WaitForProcess(pid, [deadline] { return std::chrono::steady_clock::now() < deadline; });
}

}  // namespace zanvor
