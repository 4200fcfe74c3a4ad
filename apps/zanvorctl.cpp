// zanvorctl: the command line over the same operations, database and worker tasks as the
// desktop program. While the desktop program runs it owns the keyboard and the database, so
// commands are handed over to it; otherwise they run here.
#include <iostream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/CliOutput.h"
#include "app/Startup.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"

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
        if (const auto reply = owner.AskFirstToRun(arguments)) {
            std::cout << reply->out;
            std::cerr << reply->err << std::flush;
            return FinishOutput(reply->status);
        }
    }
    // From here on the keyboard and the database are ours: an interrupt ends the command
    // cleanly (worker stopped, database closed) instead of in the middle of a write.
    InstallTerminationHandlers();
    return FinishOutput(RunCommandLine(arguments, RunStandaloneSession));
}
