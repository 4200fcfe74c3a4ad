#include "app/HidSetup.h"

#include "platform/HidBackend.h"
#include "platform/HidTrace.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"

namespace zanvor {

bool InstallHidBackends(const HidSetup& setup, std::shared_ptr<SimHidBackend>& simulation,
                        std::string& error) {
    if (setup.simulate) {
        simulation = MakeSimBackendFromCatalogue(setup.simulateSpec, error);
        if (!simulation) {
            return false;
        }
        InstallHidBackend(simulation);
    }
    if (!setup.traceFile.empty()) {
        auto traced = MakeHidTraceBackend(CurrentHidBackendShared(), setup.traceFile, &error);
        if (!traced) {
            return false;
        }
        InstallHidBackend(std::move(traced));
    }
    return true;
}

}  // namespace zanvor
