#include "support/PrivateBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace zanvor::test {

namespace {

constexpr const char* kLogindName = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";
constexpr const char* kSystemBusVariable = "DBUS_SYSTEM_BUS_ADDRESS";

// Reads one line from `fd`, waiting at most `timeout` for all of it.
bool ReadLine(int fd, std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    line.clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd in{fd, POLLIN, 0};
        if (poll(&in, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char c = 0;
        if (read(fd, &c, 1) != 1) {
            return false;
        }
        if (c == '\n') {
            return true;
        }
        line += c;
    }
}

}  // namespace

PrivateSystemBus::~PrivateSystemBus() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 200 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
            usleep(25 * 1000);
        }
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (hadVariable_) {
        setenv(kSystemBusVariable, oldVariable_.c_str(), 1);
    } else {
        unsetenv(kSystemBusVariable);
    }
}

bool PrivateSystemBus::Start(std::string& why) {
    if (const char* old = getenv(kSystemBusVariable)) {
        hadVariable_ = true;
        oldVariable_ = old;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        why = "no pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),
                    const_cast<char*>("--nofork"), const_cast<char*>("--print-address"), nullptr};
    const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        pid_ = 0;
        why = "dbus-daemon is needed for the private bus (scripts/setup)";
        return false;
    }
    const bool read = ReadLine(out[0], address_, std::chrono::seconds(20));
    close(out[0]);
    if (!read || address_.empty()) {
        why = "dbus-daemon gave no address";
        return false;
    }
    setenv(kSystemBusVariable, address_.c_str(), 1);
    return true;
}

// logind's object: answers Inhibit with one end of a fresh pipe.
struct LogindObject {
    static int Handle(sd_bus_message* message, void* userdata, sd_bus_error*) {
        if (!sd_bus_message_is_method_call(message, kManagerInterface, "Inhibit")) {
            return 0;  // sd-bus answers with an unknown-method error
        }
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return -1;
        }
        // The taker keeps the write end; once every copy of it is closed, our end hangs up.
        const int replied = sd_bus_reply_method_return(message, "h", ends[1]);
        close(ends[1]);
        if (replied < 0) {
            close(ends[0]);
            return replied;
        }
        static_cast<FakeLogind*>(userdata)->KeepInhibitor(ends[0]);
        return 1;
    }
};

FakeLogind::~FakeLogind() {
    Stop();
}

bool FakeLogind::Start(const std::string& address, std::string& why) {
    std::lock_guard lock(busMutex_);
    if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_negotiate_fds(bus_, 1) < 0 ||
        sd_bus_start(bus_) < 0) {
        why = "cannot connect to the private bus";
        return false;
    }
    if (sd_bus_request_name(bus_, kLogindName, 0) < 0 ||
        sd_bus_add_object(bus_, &slot_, kLogindPath, &LogindObject::Handle, this) < 0) {
        why = "cannot take logind's name on the private bus";
        return false;
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        why = "no eventfd";
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void FakeLogind::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) {
        close(stopFd_);
        stopFd_ = -1;
    }
    std::lock_guard lock(busMutex_);
    for (const int fd : readEnds_) {
        close(fd);
    }
    readEnds_.clear();
    slot_ = sd_bus_slot_unref(slot_);
    bus_ = sd_bus_flush_close_unref(bus_);
}

void FakeLogind::KeepInhibitor(int readEnd) {
    readEnds_.push_back(readEnd);
    taken_.fetch_add(1);
}

int FakeLogind::InhibitorsHeld() {
    std::lock_guard lock(busMutex_);
    int held = 0;
    for (const int fd : readEnds_) {
        pollfd end{fd, POLLIN, 0};
        if (poll(&end, 1, 0) == 0) {
            ++held;
        }
    }
    return held;
}

bool FakeLogind::EmitPrepareForSleep(bool sleeping) {
    std::lock_guard lock(busMutex_);
    return sd_bus_emit_signal(bus_, kLogindPath, kManagerInterface, "PrepareForSleep", "b",
                              static_cast<int>(sleeping)) >= 0 &&
           sd_bus_flush(bus_) >= 0;
}

void FakeLogind::Loop() {
    for (;;) {
        pollfd fds[2];
        {
            std::lock_guard lock(busMutex_);
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            fds[0] = {sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0};
        }
        fds[1] = {stopFd_, POLLIN, 0};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            return;
        }
    }
}

struct KWinObject {
    static int Handle(sd_bus_message* message, void* userdata, sd_bus_error*) {
        return static_cast<FakeKWin*>(userdata)->Handle(message);
    }
};

FakeKWin::~FakeKWin() {
    Stop();
}

bool FakeKWin::Start(const std::string& address, std::string& why, bool refuseScripts) {
    std::lock_guard lock(busMutex_);
    refuse_ = refuseScripts;
    if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0) {
        why = "cannot connect to the private bus";
        return false;
    }
    if (sd_bus_request_name(bus_, "org.kde.KWin", 0) < 0 ||
        sd_bus_add_object(bus_, &slot_, "/Scripting", &KWinObject::Handle, this) < 0) {
        why = "cannot take KWin's name on the private bus";
        return false;
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        why = "no eventfd";
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void FakeKWin::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) {
        close(stopFd_);
        stopFd_ = -1;
    }
    std::lock_guard lock(busMutex_);
    slot_ = sd_bus_slot_unref(slot_);
    bus_ = sd_bus_flush_close_unref(bus_);
}

// Bus thread, busMutex_ held.
int FakeKWin::Handle(sd_bus_message* message) {
    constexpr const char* kInterface = "org.kde.kwin.Scripting";
    if (sd_bus_message_is_method_call(message, kInterface, "loadScript") > 0) {
        const char* path = nullptr;
        const char* plugin = nullptr;
        if (sd_bus_message_read(message, "ss", &path, &plugin) < 0) {
            return -EINVAL;
        }
        const bool known = std::any_of(scripts_.begin(), scripts_.end(),
                                       [&](const Script& s) { return s.plugin == plugin; });
        std::ifstream file(path, std::ios::binary);
        if (refuse_ || known || !file) {
            return sd_bus_reply_method_return(message, "i", -1);
        }
        std::ostringstream text;
        text << file.rdbuf();
        const char* sender = sd_bus_message_get_sender(message);
        scripts_.push_back({path, plugin, text.str(), sender != nullptr ? sender : "", false});
        return sd_bus_reply_method_return(message, "i", static_cast<int>(scripts_.size()));
    }
    if (sd_bus_message_is_method_call(message, kInterface, "start") > 0) {
        ++startCalls_;
        for (Script& script : scripts_) {
            script.started = true;
        }
        return sd_bus_reply_method_return(message, nullptr);
    }
    if (sd_bus_message_is_method_call(message, kInterface, "unloadScript") > 0) {
        const char* plugin = nullptr;
        if (sd_bus_message_read(message, "s", &plugin) < 0) {
            return -EINVAL;
        }
        ++unloadCalls_;
        const size_t before = scripts_.size();
        std::erase_if(scripts_, [&](const Script& s) { return s.plugin == plugin; });
        return sd_bus_reply_method_return(message, "b", static_cast<int>(scripts_.size() < before));
    }
    return 0;  // sd-bus answers with an unknown-method error
}

std::vector<FakeKWin::Script> FakeKWin::Loaded() {
    std::lock_guard lock(busMutex_);
    return scripts_;
}

int FakeKWin::StartCalls() {
    std::lock_guard lock(busMutex_);
    return startCalls_;
}

int FakeKWin::UnloadCalls() {
    std::lock_guard lock(busMutex_);
    return unloadCalls_;
}

bool FakeKWin::Call(const std::string& service, const std::string& path,
                    const std::string& interface, const std::string& method,
                    const std::vector<std::string>& arguments) {
    std::lock_guard lock(busMutex_);
    sd_bus_message* call = nullptr;
    bool sent = sd_bus_message_new_method_call(bus_, &call, service.c_str(), path.c_str(),
                                               interface.c_str(), method.c_str()) >= 0 &&
                sd_bus_message_set_expect_reply(call, 0) >= 0;
    for (const std::string& argument : arguments) {
        sent = sent && sd_bus_message_append(call, "s", argument.c_str()) >= 0;
    }
    sent = sent && sd_bus_send(bus_, call, nullptr) >= 0 && sd_bus_flush(bus_) >= 0;
    sd_bus_message_unref(call);
    return sent;
}

void FakeKWin::Loop() {
    for (;;) {
        pollfd fds[2];
        {
            std::lock_guard lock(busMutex_);
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            fds[0] = {sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0};
        }
        fds[1] = {stopFd_, POLLIN, 0};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            return;
        }
    }
}

}  // namespace zanvor::test
