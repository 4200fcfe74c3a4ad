#include "qt/CommandHandoff.h"

#include <QMetaObject>
#include <chrono>
#include <future>
#include <iostream>
#include <sstream>
#include <utility>

#include "app/CliMain.h"
#include "app/KeyboardDlg.h"
#include "ui/DialogsRouter.h"

namespace zanvor {

namespace {

// Sends std::cout and std::cerr to strings while it lives (the commands print there).
class CapturedOutput {
  public:
    CapturedOutput()
        : oldOut_(std::cout.rdbuf(out_.rdbuf())), oldErr_(std::cerr.rdbuf(err_.rdbuf())) {}
    ~CapturedOutput() {
        std::cout.rdbuf(oldOut_);
        std::cerr.rdbuf(oldErr_);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }

  private:
    std::ostringstream out_;
    std::ostringstream err_;
    std::streambuf* oldOut_;
    std::streambuf* oldErr_;
};

}  // namespace

CommandHandoff::CommandHandoff(KeyboardDlg& dialog, DialogsRouter& dialogs, bool simulating,
                               std::string simulateSpec, QObject* parent)
    : QObject(parent),
      dialog_(dialog),
      dialogs_(dialogs),
      simulating_(simulating),
      simulateSpec_(std::move(simulateSpec)),
      closing_(std::make_shared<std::atomic<bool>>(false)) {}

CommandHandoff::~CommandHandoff() {
    Close();
}

void CommandHandoff::Close() {
    closing_->store(true);
}

std::optional<SingleInstance::CommandReply> CommandHandoff::Run(
    const std::vector<std::string>& arguments, const std::function<void()>& accepted) {
    CliOptions options;
    const std::vector<std::string> rest = ExtractSimulate(arguments, options);
    if (options.simulate != simulating_ || closing_->load()) {
        return std::nullopt;
    }
    // A command that names other virtual keyboards than the program's would be answered for
    // the program's ones; it cannot run alone either (the program holds the keyboards).
    if (!options.simulateSpec.empty() && options.simulateSpec != simulateSpec_) {
        return SingleInstance::CommandReply{
            1, "",
            "zanvorctl: the desktop program is running with other virtual keyboards (--simulate" +
                (simulateSpec_.empty() ? std::string() : "=" + simulateSpec_) +
                "); give the same --simulate, or close the desktop program first\n"};
    }
    for (const std::string& argument : rest) {
        if (argument == "--hid-trace" || argument.rfind("--hid-trace=", 0) == 0) {
            return SingleInstance::CommandReply{
                1, "",
                "zanvorctl: --hid-trace needs the keyboard to itself; close the desktop program "
                "first\n"};
        }
    }
    // Either the UI thread starts the command or this thread gives it up, never both: a
    // command given up is run by the command line instead, so it must not have started.
    enum Phase : int { kQueued, kStarted, kGivenUp };
    auto phase = std::make_shared<std::atomic<int>>(kQueued);
    auto result = std::make_shared<std::promise<SingleInstance::CommandReply>>();
    std::future<SingleInstance::CommandReply> done = result->get_future();
    auto closing = closing_;
    QMetaObject::invokeMethod(
        this,
        [this, result, closing, phase, arguments, accepted] {
            int expected = kQueued;
            if (closing->load() || !phase->compare_exchange_strong(expected, kStarted)) {
                return;
            }
            accepted();
            result->set_value(Execute(arguments));
        },
        Qt::QueuedConnection);
    // The UI thread may have left its event loop for good: then the command never runs.
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        int expected = kQueued;
        if (closing->load() && phase->compare_exchange_strong(expected, kGivenUp)) {
            return std::nullopt;
        }
    }
    return done.get();
}

SingleInstance::CommandReply CommandHandoff::Execute(const std::vector<std::string>& arguments) {
    CapturedOutput output;
    const SessionRunner runner = [this](const CliOptions& options, bool readKeyboard,
                                        const std::function<int(CliSession&)>& command) {
        CliSession session(options, dialog_);
        dialogs_.SetOverride(&session.Dialogs());
        std::string error;
        int status = session.Start(error, readKeyboard);
        if (status != kCliOk) {
            std::cerr << "zanvorctl: " << error << "\n";
        } else {
            status = command(session);
        }
        session.WaitIdle();
        dialogs_.SetOverride(nullptr);
        return status;
    };
    const int status = RunCommandLine(arguments, runner);
    std::cout.flush();
    std::cerr.flush();
    return {status, output.Out(), output.Err()};
}

}  // namespace zanvor
