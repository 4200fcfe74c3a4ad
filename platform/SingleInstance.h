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
// socket "<runtime folder>/<application name>.sock" (mode 0600, and only peers of the same
// user are served); a later start finds the lock taken, asks the first instance through the
// socket to raise its window, and exits. The command line hands its commands over the same
// socket to the running desktop program, which owns the keyboard while it runs.
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
    // instance acknowledged the request (it waits up to timeoutMs for it to listen).
    bool AskFirstToRaise(int timeoutMs = 2000);

    // What a handed-over command printed and its exit status.
    struct CommandReply {
        int status = 0;
        std::string out;
        std::string err;
    };
    // From the command line: hands the command's arguments (without the program name) to
    // the running desktop program and waits for it to run them. Nothing when no desktop
    // program runs or it declined (the command line then works alone).
    std::optional<CommandReply> AskFirstToRun(const std::vector<std::string>& arguments);
    // Called on the listening thread for each handed-over command; returns nothing to decline.
    // A command that arrives before a handler is set waits for one (the program is starting).
    void SetCommandHandler(
        std::function<std::optional<CommandReply>(const std::vector<std::string>&)> handler);
    // From now on every handed-over command is declined (the program is closing).
    void CloseCommands();

    // Called on the listening thread for each raise request; a request that arrived before
    // a handler was set is delivered when it is set. The GUI posts itself a message here.
    void SetRaiseHandler(std::function<void()> handler);

    bool Holding() const { return lockFd_ >= 0; }
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
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_ = -1;  // eventfd that ends the listening thread
    std::thread listener_;
    // guards handler_, pendingRaises_, commandHandler_ and commandsClosed_
    std::mutex handlerMutex_;
    std::condition_variable handlerSet_;
    bool commandsClosed_ = false;
    std::function<void()> handler_;
    std::function<std::optional<CommandReply>(const std::vector<std::string>&)> commandHandler_;
    int pendingRaises_ = 0;
};

}  // namespace zanvor
