#pragma once

#include <memory>
#include <string>

namespace zanvor {

class SimHidBackend;

// The HID backend a run uses: the machine's keyboards, or virtual ones (--simulate[=SELECTION]),
// optionally behind a trace of every report (--hid-trace FILE).
struct HidSetup {
    bool simulate = false;
    std::string simulateSpec;
    std::string traceFile;
};

// Installs the process-wide backend. With simulation, `simulation` receives the virtual
// keyboards (their state is kept between runs). False with a one-line reason; `badValue`,
// when given, is set when the reason is a value the user gave (a --simulate selection the
// catalogue does not have, a trace file that is a folder or lies in no folder).
bool InstallHidBackends(const HidSetup& setup, std::shared_ptr<SimHidBackend>& simulation,
                        std::string& error, bool* badValue = nullptr);

}  // namespace zanvor
