#include "platform/HidBackend.h"

#include <mutex>

#include "platform/HidapiBackend.h"

namespace zanvor {

namespace {

std::mutex backendMutex;  // guards installedBackend
std::shared_ptr<HidBackend> installedBackend;

}  // namespace

std::shared_ptr<HidBackend> CurrentHidBackendShared() {
    std::lock_guard lock(backendMutex);
    if (!installedBackend) {
        installedBackend = CreateHidapiBackend();
    }
    return installedBackend;
}

// The reference stays valid until another backend is installed; callers that keep the
// backend across an installation hold CurrentHidBackendShared() instead.
HidBackend& CurrentHidBackend() {
    return *CurrentHidBackendShared();
}

void InstallHidBackend(std::shared_ptr<HidBackend> backend) {
    std::shared_ptr<HidBackend> previous;
    {
        std::lock_guard lock(backendMutex);
        previous = std::move(installedBackend);
        installedBackend = std::move(backend);  // empty: back to the hidapi backend on next use
    }
    // `previous` is released outside the lock: its destructor may shut hidapi down.
}

}  // namespace zanvor
