#include "sim/DeniedAccessBackend.h"

#include "device/DeviceCatalogue.h"
#include "sim/SimHidBackend.h"

namespace zanvor {

DeniedAccessBackend::DeniedAccessBackend(std::shared_ptr<SimHidBackend> keyboards,
                                         std::set<int> deviceTypes)
    : keyboards_(std::move(keyboards)), denied_(std::move(deviceTypes)) {}

void DeniedAccessBackend::Deny(std::set<int> deviceTypes) {
    std::lock_guard lock(mutex_);
    denied_ = std::move(deviceTypes);
}

void DeniedAccessBackend::AllowAll() {
    std::lock_guard lock(mutex_);
    denied_.reset();
}

std::vector<HidInterfaceInfo> DeniedAccessBackend::Enumerate() {
    return keyboards_->Enumerate();
}

std::unique_ptr<HidDevice> DeniedAccessBackend::Open(const std::string& path) {
    return Denied(path) ? nullptr : keyboards_->Open(path);
}

bool DeniedAccessBackend::QueryUsage(const std::string& path, uint16_t& usagePage,
                                     uint16_t& usage) {
    return keyboards_->QueryUsage(path, usagePage, usage);
}

bool DeniedAccessBackend::OpenDenied(const std::string& path) {
    return Denied(path);
}

bool DeniedAccessBackend::Denied(const std::string& path) const {
    std::optional<std::set<int>> denied;
    {
        std::lock_guard lock(mutex_);
        denied = denied_;
    }
    if (!denied) {
        return false;
    }
    if (denied->empty()) {
        return true;
    }
    for (int deviceType : *denied) {
        for (int mode : {kModeCable, kModeReceiver, kModeDirect}) {
            if (keyboards_->PathOf(deviceType, mode) == path) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace zanvor
