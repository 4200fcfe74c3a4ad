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
typedef struct sd_bus_message sd_bus_message;

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

// KWin's scripting interface (org.kde.KWin /Scripting: loadScript, start, unloadScript) on a
// private bus. It cannot run a script; the test plays the loaded script instead with Call, which
// calls back the bus name that loaded it, as the script would.
class FakeKWin {
  public:
    FakeKWin() = default;
    ~FakeKWin();
    FakeKWin(const FakeKWin&) = delete;
    FakeKWin& operator=(const FakeKWin&) = delete;

    // Connects to the bus at `address`, takes KWin's name and serves /Scripting on a thread.
    // `refuseScripts`: loadScript answers -1, as KWin does for a script it cannot load.
    bool Start(const std::string& address, std::string& why, bool refuseScripts = false);
    void Stop();

    struct Script {
        std::string path;
        std::string plugin;
        std::string text;    // the file's content when it was loaded
        std::string loader;  // the bus name that loaded it
        bool started = false;
    };
    // The scripts loaded now (unloaded ones are gone).
    std::vector<Script> Loaded();
    int StartCalls();
    int UnloadCalls();
    // Calls `method` of the script's callback object on the name that loaded the script, with
    // string arguments; without waiting for an answer, as KWin's callDBus.
    bool Call(const std::string& service, const std::string& path, const std::string& interface,
              const std::string& method, const std::vector<std::string>& arguments);

  private:
    void Loop();
    int Handle(sd_bus_message* message);
    friend struct KWinObject;

    std::mutex busMutex_;  // guards bus_, slot_ and the records below
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    bool refuse_ = false;
    std::vector<Script> scripts_;
    int startCalls_ = 0;
    int unloadCalls_ = 0;
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace zanvor::test
