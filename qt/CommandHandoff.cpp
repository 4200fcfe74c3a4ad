#include "qt/CommandHandoff.h"

#include <QMetaObject>
#include <chrono>
#include <future>
#include <utility>

#include "app/HandedOverCommand.h"

namespace zanvor {

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
    if (closing_->load()) {
        return std::nullopt;
    }
    SingleInstance::CommandReply refusal;
    switch (CheckHandedOverCommand(arguments, simulating_, simulateSpec_, refusal)) {
        case HandoverFit::kDecline:
            return std::nullopt;
        case HandoverFit::kRefuse:
            return refusal;
        case HandoverFit::kRun:
            break;
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
    return RunHandedOverCommand(dialog_, dialogs_, arguments);
}

}  // namespace zanvor
