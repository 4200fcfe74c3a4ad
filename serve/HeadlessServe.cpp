#include "serve/HeadlessServe.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "app/HandedOverCommand.h"
#include "app/Startup.h"
#include "platform/KeyboardLock.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"
#include "platform/UniqueFd.h"
#include "serve/KeyboardHub.h"
#include "ui/DeviceTasks.h"
#include "ui/MainView.h"

namespace zanvor {

bool ParseSdkListenAddress(const std::string& text, SdkServerOptions& options, std::string& error) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        error = "--sdk=" + text + ": give ADDRESS:PORT, e.g. 127.0.0.1:6742";
        return false;
    }
    std::string address = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    unsigned long number = 0;
    bool digits = !port.empty() && port.size() <= 5;
    for (const char c : port) {
        digits = digits && c >= '0' && c <= '9';
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits || number > 65535) {
        error = "--sdk=" + text + ": the port must be a number from 0 to 65535";
        return false;
    }
    if (!address.empty()) {
        options.address = address;
    }
    options.port = static_cast<uint16_t>(number);
    return true;
}

namespace {

// How often serve looks whether the desktop program has ended, while it waits for the keyboard.
constexpr auto kOwnerPoll = std::chrono::seconds(2);
// After giving the keyboard up, serve leaves the window this long to take it.
constexpr auto kAfterYield = std::chrono::seconds(3);
// How long the keyboard's own mode may take to be written back when serve stops or yields.
constexpr auto kHandBackWait = std::chrono::seconds(5);

// Messages go to stderr, which the service manager keeps (journalctl --user).
void Say(const std::string& text) {
    std::fprintf(stderr, "zanvorctl serve: %s\n", text.c_str());
    std::fflush(stderr);
}

// Sleeps up to `timeout`, or until a termination signal; true when one arrived.
bool SleepUnlessTerminated(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!TerminationRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd entry{TerminationFd(), POLLIN, 0};
        ::poll(&entry, TerminationFd() >= 0 ? 1 : 0, static_cast<int>(left.count()));
    }
    return TerminationRequested();
}

// Commands handed over on the single-instance listener's thread, run one by one on serve's
// main thread, which owns the main window object.
class CommandQueue {
  public:
    explicit CommandQueue(int wakeFd) : wakeFd_(wakeFd) {}

    // Listener thread: queues the command and waits for its reply. Nothing when serve stops
    // or yields before the command started (the command line then works alone).
    std::optional<SingleInstance::CommandReply> Run(const std::vector<std::string>& arguments,
                                                    const std::function<void()>& accepted) {
        auto entry = std::make_shared<Entry>();
        entry->arguments = arguments;
        entry->accepted = accepted;
        std::unique_lock lock(mutex_);
        if (closed_) {
            return std::nullopt;
        }
        queue_.push_back(entry);
        Wake();
        changed_.wait(lock, [&] { return entry->done || (closed_ && !entry->started); });
        if (!entry->done) {
            std::erase(queue_, entry);
            return std::nullopt;
        }
        return entry->reply;
    }

    // Main thread: runs every queued command with `execute`.
    void RunQueued(
        const std::function<SingleInstance::CommandReply(const std::vector<std::string>&)>&
            execute) {
        for (;;) {
            std::shared_ptr<Entry> entry;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty() || closed_) {
                    return;
                }
                entry = queue_.front();
                queue_.pop_front();
                entry->started = true;
            }
            entry->accepted();
            SingleInstance::CommandReply reply = execute(entry->arguments);
            {
                std::lock_guard lock(mutex_);
                entry->reply = std::move(reply);
                entry->done = true;
            }
            changed_.notify_all();
        }
    }

    // Any thread: commands not yet started are declined, and no more are taken.
    void Close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }

    void Wake() const {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }

  private:
    struct Entry {
        std::vector<std::string> arguments;
        std::function<void()> accepted;
        bool started = false;
        bool done = false;
        SingleInstance::CommandReply reply;
    };

    const int wakeFd_;
    std::mutex mutex_;  // guards queue_, closed_ and the entries' state
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Entry>> queue_;
    bool closed_ = false;
};

// What serve's main thread shares with the single-instance listener's thread.
struct Shared {
    UniqueFd wake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    CommandQueue commands{wake.Get()};
    std::atomic<bool> yieldAsked{false};
};

enum class Ending { kStopped, kYielded, kBusy, kFailed };

// Live streams run while the session is on a device page; the key-assignment page would start
// the key test. After a reconnection the session shows the device list, so serve goes back to
// a page without work of its own.
void KeepStreamsRunning(KeyboardDlg& dialog) {
    const int page = dialog.mainView.SelectedPage();
    if (dialog.session.deviceOnline.load() && (page == kPageHome || page == kPageKeys)) {
        dialog.mainView.SelectPage(kPageMacros);
    }
}

// Streams end and the keyboard shows its own light mode again; waits (bounded) for the worker
// to write it, also after a termination signal.
void HandBack(KeyboardDlg& dialog, std::unique_ptr<KeyboardHub>& hub) {
    // SDK clients are closed; a client's Direct colours give way to the keyboard's own mode.
    hub.reset();
    AuroraPage& aurora = dialog.Pages().aurora;
    if (aurora.Streaming()) {
        aurora.StopStreaming();
        dialog.PostTask(kTaskWriteLightMode);
    }
    const auto deadline = std::chrono::steady_clock::now() + kHandBackWait;
    while (std::chrono::steady_clock::now() < deadline) {
        dialog.PumpMessages();
        if (dialog.Idle() && dialog.PendingMessages() == 0) {
            return;
        }
        dialog.WaitForMessage(std::chrono::milliseconds(5));
    }
}

// One period of owning the keyboard: from taking it until a signal (kStopped) or the window
// asking for it (kYielded).
Ending Own(SingleInstance& instance, const CliOptions& options,
           const std::optional<std::string>& sdk, int& status) {
    CliSession session(options);
    session.KeepOwning();
    std::string error;
    status = session.Start(error, true);
    if (status != kCliOk) {
        if (TerminationRequested()) {
            status = kCliOk;
            return Ending::kStopped;
        }
        if (session.KeyboardsBusy()) {
            // A zanvorctl that started while nobody owned the keyboard (a long effect stream)
            // keeps it: serve lets go of the guard and tries again later.
            return Ending::kBusy;
        }
        Say(error);
        return Ending::kFailed;
    }
    KeyboardDlg& dialog = session.Dlg();
    // Shared with the listener's handlers, which may still run a moment after this returns.
    auto shared = std::make_shared<Shared>();
    const int wakeFd = shared->wake.Get();
    dialog.SetMessageWakeup([shared] { shared->commands.Wake(); });
    CommandQueue& commands = shared->commands;
    instance.SetYieldHandler([shared] {
        shared->yieldAsked = true;
        shared->commands.Close();
        shared->commands.Wake();
    });
    instance.SetCommandHandler(
        [shared, simulating = options.simulate, simulateSpec = options.simulateSpec](
            const std::vector<std::string>& arguments,
            const std::function<void()>& accepted) -> std::optional<SingleInstance::CommandReply> {
            SingleInstance::CommandReply refusal;
            switch (CheckHandedOverCommand(arguments, simulating, simulateSpec, refusal)) {
                case HandoverFit::kDecline:
                    return std::nullopt;
                case HandoverFit::kRefuse:
                    return refusal;
                case HandoverFit::kRun:
                    break;
            }
            return shared->commands.Run(arguments, accepted);
        });

    // The SDK server: asked for on the command line, or switched on in the settings.
    std::unique_ptr<KeyboardHub> hub;
    SdkServerOptions sdkOptions = ReadSdkServerSettings();
    if (sdk && !sdk->empty() && !ParseSdkListenAddress(*sdk, sdkOptions, error)) {
        Say(error);
        status = kCliUsage;
        instance.CloseCommands();
        commands.Close();
        dialog.SetMessageWakeup(nullptr);
        return Ending::kFailed;
    }
    if (sdk) {
        std::string reason;
        auto started = std::make_unique<KeyboardHub>(dialog);
        if (!started->Start(sdkOptions, &reason)) {
            Say("the SDK server did not start: " + reason);
            status = kCliFailed;
            instance.CloseCommands();
            commands.Close();
            dialog.SetMessageWakeup(nullptr);
            return Ending::kFailed;
        }
        hub = std::move(started);
    } else {
        dialog.Pages().application.SetSdkServerControl(
            [&dialog, &hub, sdkOptions](bool on, std::string* reason) {
                if (!on) {
                    hub.reset();
                    return true;
                }
                if (hub) {
                    return true;
                }
                auto started = std::make_unique<KeyboardHub>(dialog);
                if (!started->Start(sdkOptions, reason)) {
                    return false;
                }
                hub = std::move(started);
                return true;
            });
        dialog.Pages().application.StartSdkServerIfWanted();
    }
    Say(std::string(session.KeyboardOnline() ? "owns the keyboard" : "waits for a keyboard") +
        (hub ? "; SDK server on " + sdkOptions.address + ":" + std::to_string(hub->Port()) : ""));

    while (!TerminationRequested() && !shared->yieldAsked.load()) {
        KeepStreamsRunning(dialog);
        pollfd entries[2] = {{wakeFd, POLLIN, 0}, {TerminationFd(), POLLIN, 0}};
        // Messages and commands wake the loop; the time-out only bounds the page check.
        ::poll(entries, TerminationFd() >= 0 ? 2 : 1, 500);
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(wakeFd, &count, sizeof count);
        dialog.PumpMessages();
        commands.RunQueued([&dialog, &session](const std::vector<std::string>& arguments) {
            return RunHandedOverCommand(dialog, session.OwnerDialogs(), arguments);
        });
    }
    const bool yielded = shared->yieldAsked.load() && !TerminationRequested();
    commands.Close();
    instance.CloseCommands();
    instance.SetYieldHandler(nullptr);
    dialog.Pages().application.SetSdkServerControl(nullptr);
    HandBack(dialog, hub);
    dialog.SetMessageWakeup(nullptr);
    status = session.Finish(kCliOk);
    return status != kCliOk ? Ending::kFailed : yielded ? Ending::kYielded : Ending::kStopped;
}

}  // namespace

int RunServe(const CliOptions& options, const std::optional<std::string>& sdk) {
    if (sdk && !sdk->empty()) {
        SdkServerOptions checked;
        std::string error;
        if (!ParseSdkListenAddress(*sdk, checked, error)) {
            return Fail(kCliUsage, error);
        }
    }
    const StartupConfig config = PrepareHeadlessStartup();
    CliOptions periodOptions = options;
    bool waitingSaid = false;
    while (!TerminationRequested()) {
        auto instance = std::make_unique<SingleInstance>(config.applicationName);
        if (!instance->TryAcquire()) {
            // The desktop program (or another serve) owns the keyboard.
            instance.reset();
            if (!waitingSaid) {
                Say(KeyboardLock::HolderOf(KeyboardLockPath()).starts_with(kServeLockHolder)
                        ? "another zanvorctl serve has the keyboard; waiting for it to stop"
                        : "the desktop program has the keyboard; waiting for it to close");
                waitingSaid = true;
            }
            SleepUnlessTerminated(kOwnerPoll);
            continue;
        }
        if (!instance->Problem().empty()) {
            Say(instance->Problem());
        }
        int status = kCliOk;
        const Ending ending = Own(*instance, periodOptions, sdk, status);
        // Real keyboards stay behind the trace installed the first time; virtual ones are made
        // afresh from their saved state each time, and traced again.
        if (!options.simulate) {
            periodOptions.hidTrace.clear();
        }
        instance.reset();
        switch (ending) {
            case Ending::kStopped:
                Say("stopped");
                return status;
            case Ending::kFailed:
                return status == kCliOk ? kCliFailed : status;
            case Ending::kBusy:
                if (!waitingSaid) {
                    Say("another zanvorctl is using the keyboard; waiting for it to finish");
                    waitingSaid = true;
                }
                SleepUnlessTerminated(kOwnerPoll);
                break;
            case Ending::kYielded:
                Say("the desktop program took the keyboard; waiting for it to close");
                waitingSaid = true;
                SleepUnlessTerminated(kAfterYield);
                break;
        }
    }
    Say("stopped");
    return kCliOk;
}

}  // namespace zanvor
