#pragma once

namespace zanvor {

// The desktop program's entry: start-up, main window, modal loop. Returns the exit code.
int RunHubApplication(int argc, char** argv);

}  // namespace zanvor
