#include "app/HandedOverCommand.h"

#include <iostream>
#include <sstream>

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

HandoverFit CheckHandedOverCommand(const std::vector<std::string>& arguments, bool simulating,
                                   const std::string& simulateSpec,
                                   SingleInstance::CommandReply& refusal) {
    CliOptions options;
    const std::vector<std::string> rest = ExtractSimulate(arguments, options);
    if (options.simulate != simulating) {
        return HandoverFit::kDecline;
    }
    // A command that names other virtual keyboards than the owner's would be answered for the
    // owner's ones; it cannot run alone either (the owner holds the keyboards).
    if (!options.simulateSpec.empty() && options.simulateSpec != simulateSpec) {
        refusal = {kCliFailed, "",
                   "zanvorctl: the program that owns the keyboards runs other virtual keyboards "
                   "(--simulate" +
                       (simulateSpec.empty() ? std::string() : "=" + simulateSpec) +
                       "); give the same --simulate, or close it first\n"};
        return HandoverFit::kRefuse;
    }
    for (const std::string& argument : rest) {
        if (argument == "--hid-trace" || argument.rfind("--hid-trace=", 0) == 0) {
            refusal = {kCliFailed, "",
                       "zanvorctl: --hid-trace needs the keyboard to itself; close the desktop "
                       "program or stop zanvorctl serve first\n"};
            return HandoverFit::kRefuse;
        }
    }
    return HandoverFit::kRun;
}

SingleInstance::CommandReply RunHandedOverCommand(KeyboardDlg& owner, DialogsRouter& dialogs,
                                                  const std::vector<std::string>& arguments) {
    CapturedOutput output;
    const SessionRunner runner = [&owner, &dialogs](
                                     const CliOptions& options, bool readKeyboard,
                                     const std::function<int(CliSession&)>& command) {
        CliSession session(options, owner);
        dialogs.SetOverride(&session.Dialogs());
        std::string error;
        int status = session.Start(error, readKeyboard);
        if (status != kCliOk) {
            std::cerr << "zanvorctl: " << error << "\n";
        } else {
            status = command(session);
        }
        session.WaitIdle();
        dialogs.SetOverride(nullptr);
        return status;
    };
    const int status = RunCommandLine(arguments, runner);
    std::cout.flush();
    std::cerr.flush();
    return {status, output.Out(), output.Err()};
}

}  // namespace zanvor
