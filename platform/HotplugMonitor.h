#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace zanvor {

enum class HotplugAction { kArrival = 1, kRemoval = 2 };

// Watches hidraw nodes come and go (udev, subsystem "hidraw") on a thread of its own.
// The callback runs on that thread with the node's sysfs path in upper case, the form the
// device table's interface patterns are matched against. Stop() (also run by the destructor)
// wakes the thread at once and waits for it; after it returns no callback runs.
class HotplugMonitor {
  public:
    using Callback = std::function<void(HotplugAction action, const std::string& devicePath)>;

    HotplugMonitor();
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    // False when udev cannot be reached or the monitor already runs.
    bool Start(Callback callback);
    void Stop();
    bool Running() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The properties of one udev event, as the kernel and udev give them (ACTION, SUBSYSTEM,
// DEVPATH, DEVNAME, SEQNUM, ...).
using UdevProperties = std::map<std::string, std::string>;

struct HotplugEvent {
    HotplugAction action = HotplugAction::kArrival;
    std::string devicePath;  // the node's sysfs path in upper case
};

// The arrival or removal a udev event stands for: "add" and "remove" of a hidraw node. Other
// actions (bind, change, ...), other subsystems and events without a device path give none.
std::optional<HotplugEvent> HotplugEventOf(const UdevProperties& properties);

// Upper-cases ASCII letters, as device paths are compared.
std::string UpperCaseDevicePath(const std::string& path);

}  // namespace zanvor
