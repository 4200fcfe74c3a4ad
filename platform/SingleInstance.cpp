#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/AppIdentity.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

namespace zanvor {

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseReply[] = "ok\n";

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads one short line (at most 15 bytes) within timeoutMs; empty on time-out or error.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.size() < 16) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::string();
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::string();
        }
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::string();
        }
        line += c;
        if (c == '\n') {
            return line;
        }
    }
    return std::string();
}

bool SendAll(int fd, const char* text) {
    const size_t length = std::strlen(text);
    size_t done = 0;
    while (done < length) {
        const ssize_t sent = ::send(fd, text + done, length - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        done += static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (listener_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t wrote = ::write(wakeFd_, &one, sizeof one);
        listener_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
    // The lock file itself stays: removing it while another start has it open would let two
    // instances lock two different files.
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

void SingleInstance::ResolvePaths() {
    if (!lockPath_.empty()) {
        return;
    }
    std::string name = name_.empty() ? ApplicationName() : name_;
    if (name.empty()) {
        name = "zanvor-hub";
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    // Without a per-user runtime folder the shared temporary folder is used; the user id in
    // the name keeps users apart there.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        name += "-" + std::to_string(::getuid());
    }
    const std::string folder = RuntimeFolder();
    CreateFolders(folder);
    lockPath_ = folder + name + ".lock";
    socketPath_ = folder + name + ".sock";
}

bool SingleInstance::TryAcquire() {
    if (lockFd_ >= 0) {
        return true;
    }
    ResolvePaths();
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Trace("SingleInstance: cannot open %s: %s\n", lockPath_.c_str(), std::strerror(errno));
        return true;
    }
    int result;
    while ((result = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    StartListening();
    return true;
}

bool SingleInstance::StartListening() {
    sockaddr_un address;
    if (!FillAddress(socketPath_, address)) {
        Trace("SingleInstance: socket path too long: %s\n", socketPath_.c_str());
        return false;
    }
    // We hold the lock, so a socket file left here belongs to a run that ended without
    // cleaning up.
    ::unlink(socketPath_.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        Trace("SingleInstance: cannot listen on %s: %s\n", socketPath_.c_str(),
              std::strerror(errno));
        ::close(fd);
        ::unlink(socketPath_.c_str());
        return false;
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        ::close(fd);
        ::unlink(socketPath_.c_str());
        return false;
    }
    listenFd_ = fd;
    listener_ = std::thread([this] { Listen(); });
    return true;
}

void SingleInstance::Listen() {
    for (;;) {
        pollfd entries[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (entries[1].revents != 0) {
            return;
        }
        if ((entries[0].revents & POLLIN) == 0) {
            continue;
        }
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        const bool sameUser = ::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                              peer.uid == ::getuid();
        if (sameUser && ReadLine(client, 1000) == kRaiseRequest) {
            SendAll(client, kRaiseReply);
            DeliverRaise();
        }
        ::close(client);
    }
}

void SingleInstance::DeliverRaise() {
    std::function<void()> handler;
    {
        std::lock_guard lock(handlerMutex_);
        if (!handler_) {
            ++pendingRaises_;
            return;
        }
        handler = handler_;
    }
    handler();
}

void SingleInstance::SetRaiseHandler(std::function<void()> handler) {
    int pending = 0;
    {
        std::lock_guard lock(handlerMutex_);
        handler_ = handler;
        if (handler_) {
            pending = pendingRaises_;
            pendingRaises_ = 0;
        }
    }
    for (int i = 0; i < pending; ++i) {
        handler();
    }
}

bool SingleInstance::AskFirstToRaise(int timeoutMs) {
    ResolvePaths();
    sockaddr_un address;
    if (!FillAddress(socketPath_, address)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const bool ok =
                SendAll(fd, kRaiseRequest) &&
                ReadLine(fd, std::max<int>(static_cast<int>(left.count()), 500)) == kRaiseReply;
            ::close(fd);
            return ok;
        }
        const int error = errno;
        ::close(fd);
        // The first instance may still be starting: its socket is not there yet.
        if ((error != ENOENT && error != ECONNREFUSED && error != EAGAIN) ||
            std::chrono::steady_clock::now() >= deadline) {
            Trace("SingleInstance: cannot reach %s: %s\n", socketPath_.c_str(),
                  std::strerror(error));
            return false;
        }
        ::usleep(50 * 1000);
    }
}

}  // namespace zanvor
