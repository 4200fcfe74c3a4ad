#pragma once

// A private D-Bus daemon standing in for the system bus, and a fake logind on it: it owns
// org.freedesktop.login1, hands out sleep inhibitors (one end of a pipe, whose closing it can
// see, as logind does) and emits PrepareForSleep on demand. While a PrivateSystemBus lives,
// DBUS_SYSTEM_BUS_ADDRESS points at it. Tests skip when dbus-daemon cannot start.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct sd_bus sd_bus;
typedef struct sd_bus_slot sd_bus_slot;

namespace zanvor::test {

class PrivateSystemBus {
  public:
    PrivateSystemBus() = default;
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Starts dbus-daemon, reads its address and points DBUS_SYSTEM_BUS_ADDRESS at it.
    bool Start(std::string& why);
    const std::string& Address() const { return address_; }

  private:
    pid_t pid_ = 0;
    std::string address_;
    bool hadVariable_ = false;
    std::string oldVariable_;
};

class FakeLogind {
  public:
    FakeLogind() = default;
    ~FakeLogind();
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    // Connects to the bus at `address`, takes logind's name and serves Inhibit on a thread.
    bool Start(const std::string& address, std::string& why);
    void Stop();

    // Emits org.freedesktop.login1.Manager.PrepareForSleep(sleeping).
    bool EmitPrepareForSleep(bool sleeping);
    // Inhibitors handed out so far.
    int InhibitorsTaken() const { return taken_.load(); }
    // How many inhibitors handed out are still held open by their taker.
    int InhibitorsHeld();

  private:
    void Loop();
    // Keeps our end of an inhibitor pipe handed out (bus thread, busMutex_ held).
    void KeepInhibitor(int readEnd);
    friend struct LogindObject;

    std::mutex busMutex_;  // guards bus_, slot_ and readEnds_ (sd-bus objects are not thread-safe)
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    std::vector<int> readEnds_;  // our ends of the handed-out inhibitor pipes
    std::atomic<int> taken_{0};
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace zanvor::test
