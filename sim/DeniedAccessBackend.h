#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace zanvor {

class SimHidBackend;

// Virtual keyboards that are plugged in but whose device nodes this user may not open, as on a
// machine without the program's udev rule: opening their interfaces fails and OpenDenied says
// why. Everything else reaches the virtual keyboards unchanged.
class DeniedAccessBackend : public HidBackend {
  public:
    // `deviceTypes`: the models denied; empty denies every keyboard.
    DeniedAccessBackend(std::shared_ptr<SimHidBackend> keyboards, std::set<int> deviceTypes);

    // Changes what is denied from the next open on, as installing or removing the udev rule
    // does (the next scan or replug picks it up). Deny({}) denies every keyboard.
    void Deny(std::set<int> deviceTypes);
    void AllowAll();

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override;
    bool OpenDenied(const std::string& path) override;

  private:
    bool Denied(const std::string& path) const;

    const std::shared_ptr<SimHidBackend> keyboards_;
    mutable std::mutex mutex_;             // guards denied_
    std::optional<std::set<int>> denied_;  // none: nothing denied; empty: every keyboard
};

}  // namespace zanvor
