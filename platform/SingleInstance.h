#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zanvor {

// One running desktop program per user and application name. The first instance holds an
// exclusive lock on "<runtime folder>/<application name>.lock" and listens on the local
// socket "<runtime folder>/<application name>.sock" (mode 0600; both ends check that the
// other runs as the same user before anything is said); a later start finds the lock taken, asks
// the first instance through the socket to raise its window, and exits. The command line hands its
// commands over the same socket to the running desktop program, which owns the keyboard while it
// runs.
class SingleInstance {
  public:
    // name: the application name; empty means ApplicationName() at TryAcquire.
    explicit SingleInstance(std::string name = std::string());
    // Stops listening, removes the socket file and releases the lock.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this is the first instance: the lock is now held and raise requests are
    // accepted on a listening thread. Also true when the lock file cannot be created at all
    // (the program then runs without the guard rather than not at all). False when another
    // instance holds the lock.
    bool TryAcquire();

    // From a second start: asks the first instance to raise its window. True when the first
    // instance acknowledged the request (it waits up to timeoutMs for it to listen). When the
    // first instance has no window (zanvorctl serve), it answers that it gives the keyboard up
    // instead: `yielded` is then set, and the lock comes free shortly.
    bool AskFirstToRaise(int timeoutMs = 2000, bool* yielded = nullptr);

    // What a handed-over command printed and its exit status.
    struct CommandReply {
        int status = 0;
        std::string out;
        std::string err;
    };
    // How a hand-over went.
    struct Handoff {
        enum class Outcome {
            kNotHandedOver,  // no desktop program, or it declined before running anything:
                             // the command line may run the command alone
            kDone,           // the desktop program ran it: `reply` holds what it printed
            kOwnerEnded,     // it took the command and then ended (or stopped answering)
                             // before saying how it went: the change may or may not have
                             // been made, so the command must not be run again
        };
        Outcome outcome = Outcome::kNotHandedOver;
        CommandReply reply;
    };
    // From the command line: hands the command's arguments (without the program name) to
    // the running desktop program and waits for it to run them. Nothing is sent to a socket
    // that another user listens on.
    Handoff AskFirstToRun(const std::vector<std::string>& arguments);
    // Called on the listening thread for each handed-over command; returns nothing to decline.
    // The handler calls `accepted` (from any thread, while the handler has not returned) just
    // before it starts running the command; from then on the command line will not run the
    // command itself, whatever happens. A reply without that call counts as accepted.
    // A command that arrives before a handler is set waits for one (the program is starting).
    using CommandHandler = std::function<std::optional<CommandReply>(
        const std::vector<std::string>& arguments, const std::function<void()>& accepted)>;
    void SetCommandHandler(CommandHandler handler);
    // From now on every handed-over command is declined (the program is closing).
    void CloseCommands();

    // Called on the listening thread for each raise request; a request that arrived before
    // a handler was set is delivered when it is set. The GUI posts itself a message here.
    void SetRaiseHandler(std::function<void()> handler);
    // An owner without a window (zanvorctl serve): a raise request is answered with "I give
    // the keyboard up" and this handler is called on the listening thread; it then releases
    // the lock. Null goes back to raise requests.
    void SetYieldHandler(std::function<void()> handler);

    bool Holding() const { return lockFd_ >= 0; }
    // Why the lock and the socket cannot be used safely (their folder or lock file belongs
    // to somebody else); empty when they can. The program then runs without the guard.
    const std::string& Problem() const { return problem_; }
    const std::string& LockPath() const { return lockPath_; }
    const std::string& SocketPath() const { return socketPath_; }

  private:
    void ResolvePaths();
    bool StartListening();
    void Listen();
    void DeliverRaise();
    void ServeCommand(int client);

    std::string name_;
    std::string lockPath_;
    std::string socketPath_;
    std::string problem_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_ = -1;  // eventfd that ends the listening thread
    std::thread listener_;
    // guards handler_, yieldHandler_, pendingRaises_, commandHandler_ and commandsClosed_
    std::mutex handlerMutex_;
    std::condition_variable handlerSet_;
    bool commandsClosed_ = false;
    std::function<void()> handler_;
    std::function<void()> yieldHandler_;
    CommandHandler commandHandler_;
    int pendingRaises_ = 0;
};

}  // namespace zanvor
