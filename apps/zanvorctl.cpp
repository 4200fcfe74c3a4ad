// zanvorctl: the command line over the same operations, database and worker tasks as the
// desktop program. While the desktop program (or zanvorctl serve) runs it owns the keyboard and
// the database, so commands are handed over to it; otherwise they run here.
#include <iostream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/CliOutput.h"
#include "app/Startup.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"
#include "serve/HeadlessServe.h"

using namespace zanvor;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    if (!UserFoldersUsable(error)) {
        std::cerr << "zanvorctl: " << error << "\n";
        return 1;
    }
    if (!RunsWithoutOwner(arguments)) {
        PrepareHeadlessStartup();  // the application name names the desktop program's socket
        SingleInstance owner;
        const SingleInstance::Handoff handoff = owner.AskFirstToRun(arguments);
        if (!owner.Problem().empty()) {
            std::cerr << "zanvorctl: " << owner.Problem() << "\n";
        }
        switch (handoff.outcome) {
            case SingleInstance::Handoff::Outcome::kDone:
                std::cout << handoff.reply.out;
                std::cerr << handoff.reply.err << std::flush;
                return FinishOutput(handoff.reply.status);
            case SingleInstance::Handoff::Outcome::kOwnerEnded:
                // The program had started the command: running it here as well could make
                // the change twice.
                std::cerr << "zanvorctl: the desktop program ended while it ran the command; "
                             "the change may or may not have been made\n";
                return FinishOutput(kCliFailed);
            case SingleInstance::Handoff::Outcome::kNotHandedOver:
                break;
        }
    }
    // From here on the keyboard and the database are ours: an interrupt ends the command
    // cleanly (worker stopped, database closed) instead of in the middle of a write.
    InstallTerminationHandlers();
    return FinishOutput(RunCommandLine(arguments, RunStandaloneSession, RunServe));
}
