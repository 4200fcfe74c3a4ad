#include "app/HidSetup.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/HidBackend.h"
#include "platform/HidTrace.h"
#include "sim/DeniedAccessBackend.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"

namespace zanvor {

namespace {

// ZANVOR_SIM_FAULTS makes the virtual keyboards misbehave, so scripts and tests can see how the
// program copes: "refuse=1D+1F" refuses those commands, "latency=N" answers after N ms,
// "drop=N" loses the first N answers, "refuse-next=N" refuses the first N requests,
// "link=down" starts every receiver with its keyboard switched off, and "denied=101+102" (or
// "denied" for all) leaves those keyboards plugged in but not accessible, as without the udev
// rule.
bool ApplySimFaults(SimHidBackend& simulation, std::optional<std::set<int>>& denied,
                    std::string& error) {
    const char* faults = std::getenv("ZANVOR_SIM_FAULTS");
    if (faults == nullptr || *faults == '\0') {
        return true;
    }
    std::stringstream words(faults);
    std::string word;
    while (std::getline(words, word, ',')) {
        const size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
        char* end = nullptr;
        if (name == "refuse") {
            std::stringstream commands(value);
            std::string command;
            while (std::getline(commands, command, '+')) {
                const long code = std::strtol(command.c_str(), &end, 16);
                if (command.empty() || *end != '\0' || code < 0 || code > 0xFF) {
                    error = "ZANVOR_SIM_FAULTS: bad command " + command;
                    return false;
                }
                simulation.RefuseCommand(static_cast<uint8_t>(code), true);
            }
        } else if (name == "latency") {
            const long ms = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || ms < 0 || ms > 1000) {
                error = "ZANVOR_SIM_FAULTS: bad latency " + value;
                return false;
            }
            simulation.SetLatency(static_cast<int>(ms));
        } else if (name == "drop" || name == "refuse-next") {
            const long count = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || count < 0 || count > 100000) {
                error = "ZANVOR_SIM_FAULTS: bad count " + value;
                return false;
            }
            if (name == "drop") {
                simulation.DropNextResponses(static_cast<int>(count));
            } else {
                simulation.RefuseNextResponses(static_cast<int>(count));
            }
        } else if (name == "link" && (value == "down" || value == "up")) {
            for (const int type : simulation.DeviceTypes()) {
                simulation.SetReceiverLink(type, value == "up");
            }
        } else if (name == "denied") {
            denied.emplace();
            std::stringstream types(value);
            std::string type;
            while (!value.empty() && std::getline(types, type, '+')) {
                const long deviceType = std::strtol(type.c_str(), &end, 10);
                if (type.empty() || *end != '\0' || deviceType < 100 || deviceType > 0xFFFF) {
                    error = "ZANVOR_SIM_FAULTS: bad device type " + type;
                    return false;
                }
                denied->insert(static_cast<int>(deviceType));
            }
        } else {
            error = "ZANVOR_SIM_FAULTS: unknown fault " + name +
                    " (refuse=HEX+HEX, latency=MS, drop=N, refuse-next=N, link=down, "
                    "denied[=TYPE+TYPE])";
            return false;
        }
    }
    return true;
}

}  // namespace

bool InstallHidBackends(const HidSetup& setup, std::shared_ptr<SimHidBackend>& simulation,
                        std::string& error, bool* badValue) {
    if (setup.simulate) {
        simulation = MakeSimBackendFromCatalogue(setup.simulateSpec, error, badValue);
        std::optional<std::set<int>> denied;
        if (!simulation || !ApplySimFaults(*simulation, denied, error)) {
            return false;
        }
        if (denied) {
            InstallHidBackend(std::make_shared<DeniedAccessBackend>(simulation, *denied));
        } else {
            InstallHidBackend(simulation);
        }
    }
    if (!setup.traceFile.empty()) {
        std::error_code ec;
        const std::filesystem::path trace(setup.traceFile);
        const std::filesystem::path folder =
            trace.has_parent_path() ? trace.parent_path() : std::filesystem::path(".");
        if (std::filesystem::is_directory(trace, ec) ||
            !std::filesystem::is_directory(folder, ec)) {
            error = "--hid-trace " + setup.traceFile + ": not a file in an existing folder";
            if (badValue != nullptr) {
                *badValue = true;
            }
            return false;
        }
        auto traced = MakeHidTraceBackend(CurrentHidBackendShared(), setup.traceFile, &error);
        if (!traced) {
            error = "--hid-trace: " + error;
            return false;
        }
        InstallHidBackend(std::move(traced));
    }
    return true;
}

}  // namespace zanvor
