#pragma once

#include <functional>
#include <thread>

typedef struct sd_bus sd_bus;
typedef struct sd_bus_slot sd_bus_slot;

namespace zanvor {

// Tells when the machine is about to sleep and when it has woken up, from logind's
// PrepareForSleep signal on the system bus, on a thread of its own. Without a system bus
// (containers, CI) Start() returns false and the program simply never sees a suspend.
class SleepMonitor {
  public:
    // true: going to sleep; false: resumed.
    using Callback = std::function<void(bool sleeping)>;

    SleepMonitor() = default;
    ~SleepMonitor();
    SleepMonitor(const SleepMonitor&) = delete;
    SleepMonitor& operator=(const SleepMonitor&) = delete;

    bool Start(Callback callback);
    void Stop();
    bool Running() const { return thread_.joinable(); }

  private:
    void Loop();

    Callback callback_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    int stopFd_ = -1;  // eventfd that ends the loop
    std::thread thread_;
};

}  // namespace zanvor
