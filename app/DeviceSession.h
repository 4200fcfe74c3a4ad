#pragma once

// The keyboards of the session: the catalogue, the selected model's layout and database, the
// scan and selection that keep the device flags, hotplug events, receiver link notifications
// and the connection read that brings a keyboard's state into the program.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "device/DeviceCatalogue.h"
#include "device/KeyLayout.h"
#include "device/SessionState.h"

namespace zanvor {

class AuroraEffect;
class CDeviceList;
class DataStore;
class DeviceManager;
class DeviceTaskQueue;
class HotplugMonitor;
class KeyboardCtrl;
class MainView;
class PageRegistry;
class WindowHost;

class DeviceSession {
  public:
    // What the session works with; every reference outlives it.
    struct Parts {
        DeviceManager& devices;
        DataStore& store;
        SessionState& session;
        TaskPoster& poster;
        DeviceTaskQueue& queue;
        WindowHost& host;
        CDeviceList& deviceList;
        MainView& mainView;
        KeyboardCtrl& keyboardCtrl;
        AuroraEffect& auroraEffect;
    };
    // The connection read itself (device information, then the registered steps), given by the
    // main window; true when it completed.
    using ConnectionRead = std::function<bool()>;

    explicit DeviceSession(const Parts& parts);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Registers the device tasks (startup scan, arrival, removal, selection), the device
    // list's selection, the device-change and link messages and the connection read's retry.
    void Register(PageRegistry& registry);
    void SetConnectionRead(ConnectionRead read) { connectionRead_ = std::move(read); }
    // Loading the profile list, which runs the connection read and refreshes the pages (the
    // profile page's; given by the main window).
    void SetProfileLoad(std::function<void()> load) { profileLoad_ = std::move(load); }

    // ---- UI thread ----
    // Reads the catalogue: device list, the manager's catalogue entries, version and links;
    // selects and loads the stored model.
    void ReadDeviceCatalogue();
    // Makes a model current: its keyboard entry, its database, its layout and page tabs.
    void LoadLayout(int deviceType);
    // A hidraw node arrived or went away (upper-casing is done here).
    void UpdateUSBDevice(bool arrival, const std::string& path);
    bool IsVendorInterface(const std::string& path);
    // Starts the system's hotplug monitor (not used with virtual keyboards).
    void RegisterHidNotification();
    // Any thread: a hotplug event; handled on the UI thread as a device-change message.
    void OnHotplugEvent(bool arrival, const std::string& path);
    // The user picked a keyboard in the device list.
    void OnDeviceListSelection();
    // Use the system hotplug monitor (false with virtual keyboards, which report their own).
    void UseSystemHotplug(bool use) { useSystemHotplug_ = use; }
    bool SystemHotplug() const { return useSystemHotplug_; }
    // Stops the hotplug monitor (before the window goes away).
    void StopHotplug();

    // ---- worker ----
    // Rescans the HID interfaces and updates the device list and the flags.
    void ScanDevices();
    // Resolves the selected keyboard and shows its pages or the disconnected page.
    void ApplyDeviceSelection();
    // Last step of an idle pass: receiver link notifications.
    void HandleDeviceNotify();
    // The connection read of the selected keyboard (as the profile list load runs it).
    bool ReadConnectionState();
    // True while a receiver is present (the idle pass polls it).
    bool ReceiverPresent() const { return receiverPresent_.load(); }

    DeviceCatalogue CatalogueCopy() const;
    // Any thread: the selected model's layout (empty before one was loaded).
    KeyLayout LayoutCopy() const;

    // Home pictures of a disconnected and a connected keyboard.
    std::string homePictureDisconnected;
    std::string homePictureConnected;

  private:
    void TaskDeviceChange(const char* trace);
    // A keyboard that came online without being read is read now (profile list loaded).
    void ReadIfUnread();
    void RescanAfterEvent(int deviceType);
    void HandlePendingHotplug();
    // Idle work: a keyboard that is online but was never read completely is read, with a
    // growing pause between attempts while it does not answer.
    bool ConnectionReadWanted() const;
    void RetryConnectionRead();

    Parts parts_;
    ConnectionRead connectionRead_;
    std::function<void()> profileLoad_;
    bool startupDone_ = false;  // worker only

    mutable std::mutex catalogueMutex_;  // guards catalogue_ (present flags change on both threads)
    DeviceCatalogue catalogue_;
    mutable std::mutex layoutMutex_;  // guards layout_ while a model's layout is loaded
    KeyLayout layout_;
    std::atomic<int> lastEventDeviceType_{0};
    std::atomic<int> lastEventKind_{0};  // 1 arrival, 2 removal

    std::atomic<bool> receiverPresent_{false};  // a receiver record exists: poll it when idle
    bool useSystemHotplug_ = true;
    std::unique_ptr<HotplugMonitor> hotplug_;
    std::mutex hotplugMutex_;  // guards pendingHotplug_
    std::vector<std::pair<bool, std::string>> pendingHotplug_;

    // Worker only: when the connection read of an unread keyboard is tried next.
    uint64_t nextReadAttemptMs_ = 0;
    uint64_t readRetryDelayMs_ = 0;
    uint64_t retriedConnection_ = 0;
};

}  // namespace zanvor
