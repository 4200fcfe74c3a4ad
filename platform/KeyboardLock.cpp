#include "platform/KeyboardLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <thread>

#include "platform/Paths.h"
#include "platform/Termination.h"

namespace zanvor {

KeyboardLock::Result KeyboardLock::Acquire(const std::string& path, const std::string& holder,
                                           std::chrono::milliseconds wait) {
    UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.IsOpen()) {
        return Result::kUnavailable;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return Result::kUnavailable;
        }
        if (std::chrono::steady_clock::now() >= deadline || TerminationRequested()) {
            return Result::kBusy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string text = holder + " " + std::to_string(getpid()) + "\n";
    if (ftruncate(fd.Get(), 0) == 0) {
        // Who holds it is a courtesy for the message of a waiting process; the lock holds
        // whether or not it was written.
        [[maybe_unused]] const ssize_t written = pwrite(fd.Get(), text.data(), text.size(), 0);
    }
    fd_ = std::move(fd);
    return Result::kAcquired;
}

std::string KeyboardLock::HolderOf(const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.IsOpen()) {
        return {};
    }
    std::array<char, 128> buffer{};
    const ssize_t got = pread(fd.Get(), buffer.data(), buffer.size() - 1, 0);
    if (got <= 0) {
        return {};
    }
    std::string text(buffer.data(), static_cast<size_t>(got));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) {
        text.pop_back();
    }
    return text;
}

std::string KeyboardLockPath() {
    return DataFolder() + "keyboards.lock";
}

}  // namespace zanvor
