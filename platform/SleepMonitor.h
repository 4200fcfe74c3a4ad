#pragma once

#include <functional>
#include <mutex>
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

    // A logind "delay" inhibitor: while held, the machine waits (up to logind's delay limit)
    // before sleeping, so a transfer to the keyboard in progress can end. Taken at Start and
    // again after every resume; released once the program is ready to sleep. Any thread.
    bool TakeSleepDelay();
    void ReleaseSleepDelay();
    bool HoldsSleepDelay() const;

  private:
    void Loop();

    Callback callback_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    int stopFd_ = -1;  // eventfd that ends the loop
    std::thread thread_;
    mutable std::mutex inhibitMutex_;  // guards inhibitFd_
    int inhibitFd_ = -1;
};

}  // namespace zanvor
