#pragma once

#include <functional>
#include <memory>
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

// Upper-cases ASCII letters, as device paths are compared.
std::string UpperCaseDevicePath(const std::string& path);

}  // namespace zanvor
