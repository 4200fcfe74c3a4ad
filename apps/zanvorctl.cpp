// zanvorctl: the command line over the same operations, database and worker tasks as the
// desktop program. While the desktop program runs it owns the keyboard and the database, so
// commands are handed over to it; otherwise they run here.
#include <iostream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/Startup.h"
#include "platform/SingleInstance.h"

using namespace zanvor;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!RunsWithoutOwner(arguments)) {
        PrepareHeadlessStartup();  // the application name names the desktop program's socket
        SingleInstance owner;
        if (const auto reply = owner.AskFirstToRun(arguments)) {
            std::cout << reply->out << std::flush;
            std::cerr << reply->err << std::flush;
            return reply->status;
        }
    }
    return RunCommandLine(arguments, RunStandaloneSession);
}
