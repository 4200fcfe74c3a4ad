#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
// The answer of an owner without a window: it releases the lock for the window to take.
constexpr char kYieldReply[] = "yield\n";
constexpr char kRunRequest[] = "run\n";
constexpr char kRunDeclined[] = "declined\n";
// Sent once the desktop program starts running a handed-over command: from then on the
// command line never runs it itself.
constexpr char kRunAccepted[] = "accepted\n";
constexpr size_t kMaxArguments = 256;
constexpr size_t kMaxArgumentBytes = 1 << 16;
constexpr size_t kMaxOutputBytes = 64 << 20;
// A handed-over command may wait for the keyboard; this is only a guard against a hang.
constexpr int kRunReplyTimeoutMs = 15 * 60 * 1000;

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads one short line (at most maxLength - 1 bytes) within timeoutMs; empty on time-out or
// error.
std::string ReadLine(int fd, int timeoutMs, size_t maxLength = 16) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.size() < maxLength) {
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

bool SendAll(int fd, const char* text, size_t length) {
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

bool SendAll(int fd, const char* text) {
    return SendAll(fd, text, std::strlen(text));
}

bool SendAll(int fd, const std::string& text) {
    return SendAll(fd, text.data(), text.size());
}

// Reads exactly `length` bytes within timeoutMs.
bool ReadExact(int fd, size_t length, std::string& out, int timeoutMs) {
    out.assign(length, '\0');
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (done < length) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        const ssize_t got = ::read(fd, out.data() + done, length - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

// A decimal number on a line of its own, at most `limit`.
bool ReadNumber(int fd, int timeoutMs, size_t limit, size_t& value) {
    const std::string line = ReadLine(fd, timeoutMs, 24);
    if (line.size() < 2 || line.back() != '\n') {
        return false;
    }
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(line.c_str(), &end, 10);
    if (end != line.c_str() + line.size() - 1 || parsed > limit) {
        return false;
    }
    value = static_cast<size_t>(parsed);
    return true;
}

// True when the other end of a connected local socket runs as this user. Checked on both
// sides before a word is said: a socket of the same name in a shared folder may be another
// user's.
bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == ::getuid();
}

// Connects to the desktop program's socket; -1 when nobody listens there or the listener is
// another user.
int Connect(const std::string& socketPath) {
    sockaddr_un address;
    if (!FillAddress(socketPath, address)) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    if (!PeerIsThisUser(fd)) {
        Trace("SingleInstance: %s belongs to another user; not used\n", socketPath.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
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
    const std::string folder = RuntimeFolder();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        CreateFolders(folder);
    } else if (!PrivateFolder(folder, problem_)) {
        // Without a per-user runtime folder the user's own folder in the shared temporary
        // folder is used, and only when nobody else could have made or opened it.
        problem_ += "; running without the single-instance guard";
    }
    lockPath_ = folder + name + ".lock";
    socketPath_ = folder + name + ".sock";
}

bool SingleInstance::TryAcquire() {
    if (lockFd_ >= 0) {
        return true;
    }
    ResolvePaths();
    if (!problem_.empty()) {
        Trace("SingleInstance: %s\n", problem_.c_str());
        return true;
    }
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Trace("SingleInstance: cannot open %s: %s\n", lockPath_.c_str(), std::strerror(errno));
        return true;
    }
    // A lock file of another user's (in a shared runtime folder) would let that user hold
    // this user's lock and be raised in place of this program.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid() || !S_ISREG(info.st_mode)) {
        problem_ =
            lockPath_ + " belongs to another user; running without the single-instance guard";
        Trace("SingleInstance: %s\n", problem_.c_str());
        ::close(fd);
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
    // Only this user may connect (the peer's uid is checked as well).
    const mode_t previous = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::chmod(socketPath_.c_str(), 0600) != 0 || ::listen(fd, 4) != 0) {
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
        if (PeerIsThisUser(client)) {
            const std::string request = ReadLine(client, 1000);
            if (request == kRaiseRequest) {
                std::function<void()> yield;
                {
                    std::lock_guard lock(handlerMutex_);
                    yield = yieldHandler_;
                }
                SendAll(client, yield ? kYieldReply : kRaiseReply);
                if (yield) {
                    yield();
                } else {
                    DeliverRaise();
                }
            } else if (request == kRunRequest) {
                ServeCommand(client);
            }
        }
        ::close(client);
    }
}

void SingleInstance::ServeCommand(int client) {
    size_t count = 0;
    if (!ReadNumber(client, 1000, kMaxArguments, count)) {
        return;
    }
    std::vector<std::string> arguments(count);
    for (std::string& argument : arguments) {
        size_t length = 0;
        if (!ReadNumber(client, 1000, kMaxArgumentBytes, length) ||
            !ReadExact(client, length, argument, 1000)) {
            return;
        }
    }
    CommandHandler handler;
    {
        // The desktop program listens from its first moments but sets its handler once its
        // window exists: a command arriving in between waits for it rather than being declined
        // (and then run beside the program).
        std::unique_lock lock(handlerMutex_);
        handlerSet_.wait_for(lock, std::chrono::seconds(30),
                             [this] { return commandHandler_ || commandsClosed_; });
        handler = commandHandler_;
    }
    // The handler may say so from another thread; it does before it returns, while `client`
    // is still open.
    std::atomic<bool> acceptedSent{false};
    const std::function<void()> accepted = [client, &acceptedSent] {
        if (!acceptedSent.exchange(true)) {
            SendAll(client, kRunAccepted);
        }
    };
    const std::optional<CommandReply> reply = handler ? handler(arguments, accepted) : std::nullopt;
    if (!reply) {
        // After "accepted" the connection just ends: the command line then says that the
        // outcome is unknown rather than running the command a second time.
        if (!acceptedSent.load()) {
            SendAll(client, kRunDeclined);
        }
        return;
    }
    accepted();
    SendAll(client, "done " + std::to_string(reply->status) + "\n" +
                        std::to_string(reply->out.size()) + "\n" + reply->out +
                        std::to_string(reply->err.size()) + "\n" + reply->err);
}

void SingleInstance::SetCommandHandler(CommandHandler handler) {
    {
        std::lock_guard lock(handlerMutex_);
        commandsClosed_ = commandsClosed_ || (commandHandler_ && !handler);
        commandHandler_ = std::move(handler);
    }
    handlerSet_.notify_all();
}

void SingleInstance::CloseCommands() {
    {
        std::lock_guard lock(handlerMutex_);
        commandsClosed_ = true;
        commandHandler_ = nullptr;
    }
    handlerSet_.notify_all();
}

SingleInstance::Handoff SingleInstance::AskFirstToRun(const std::vector<std::string>& arguments) {
    ResolvePaths();
    Handoff handoff;
    if (!problem_.empty() || arguments.size() > kMaxArguments) {
        return handoff;
    }
    const int fd = Connect(socketPath_);
    if (fd < 0) {
        return handoff;  // no desktop program is running
    }
    std::string request = std::string(kRunRequest) + std::to_string(arguments.size()) + "\n";
    for (const std::string& argument : arguments) {
        request += std::to_string(argument.size()) + "\n" + argument;
    }
    if (SendAll(fd, request)) {
        // Until the program says it runs the command, an ending connection means it never
        // started; afterwards, that the outcome is unknown.
        std::string head = ReadLine(fd, kRunReplyTimeoutMs, 24);
        if (head == kRunAccepted) {
            handoff.outcome = Handoff::Outcome::kOwnerEnded;
            head = ReadLine(fd, kRunReplyTimeoutMs, 24);
        }
        size_t outLength = 0;
        size_t errLength = 0;
        CommandReply done;
        if (head.rfind("done ", 0) == 0 && head.back() == '\n') {
            done.status = std::atoi(head.c_str() + 5);
            if (ReadNumber(fd, 1000, kMaxOutputBytes, outLength) &&
                ReadExact(fd, outLength, done.out, 5000) &&
                ReadNumber(fd, 1000, kMaxOutputBytes, errLength) &&
                ReadExact(fd, errLength, done.err, 5000)) {
                handoff.outcome = Handoff::Outcome::kDone;
                handoff.reply = std::move(done);
            }
        }
    }
    ::close(fd);
    return handoff;
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

void SingleInstance::SetYieldHandler(std::function<void()> handler) {
    std::lock_guard lock(handlerMutex_);
    yieldHandler_ = std::move(handler);
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

bool SingleInstance::AskFirstToRaise(int timeoutMs, bool* yielded) {
    ResolvePaths();
    if (!problem_.empty()) {
        return false;
    }
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
            if (!PeerIsThisUser(fd)) {
                Trace("SingleInstance: %s belongs to another user; not used\n",
                      socketPath_.c_str());
                ::close(fd);
                return false;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const std::string reply =
                SendAll(fd, kRaiseRequest)
                    ? ReadLine(fd, std::max<int>(static_cast<int>(left.count()), 500))
                    : std::string();
            ::close(fd);
            if (yielded != nullptr) {
                *yielded = reply == kYieldReply;
            }
            return reply == kRaiseReply || reply == kYieldReply;
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
