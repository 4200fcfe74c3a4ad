#include "app/DeviceSession.h"

#include <algorithm>
#include <array>
#include <thread>

#include "app/CThreadBasic.h"
#include "app/DeviceTaskQueue.h"
#include "device/DeviceManager.h"
#include "platform/HotplugMonitor.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "screen/ScreenFormat.h"
#include "store/DataStore.h"
#include "ui/AuroraEffect.h"
#include "ui/CDeviceList.h"
#include "ui/ControlIds.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MainView.h"
#include "ui/Manager.h"
#include "ui/PageRegistry.h"
#include "ui/WindowHost.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

constexpr int kPagePlainKeysFirst = 150;
constexpr int kPagePlainKeysLast = 180;
constexpr int kTabMatrix = 2;
constexpr int kTabMusic = 3;

bool IsKeysOnlyModel(int deviceType) {
    return deviceType >= kPagePlainKeysFirst && deviceType <= kPagePlainKeysLast;
}

bool IsLinkFrame(const uint8_t* buffer) {
    return buffer[0] == 0xAA && buffer[1] == 0xD0;
}

// Pauses between attempts to read a keyboard that is online but does not answer the read.
constexpr uint64_t kFirstReadRetryMs = 500;
constexpr uint64_t kLongestReadRetryMs = 8000;

}  // namespace

DeviceSession::DeviceSession(const Parts& parts) : parts_(parts) {
    const std::string skins = Manager::SkinFolder();
    homePictureDisconnected = skins + "keyboard/home_keyboard_disconnected.png";
    homePictureConnected = skins + "keyboard/home_keyboard_connected.png";
}

DeviceSession::~DeviceSession() {
    StopHotplug();
}

void DeviceSession::StopHotplug() {
    hotplug_.reset();
}

void DeviceSession::Register(PageRegistry& registry) {
    const TaskOptions always{.needsKeyboard = false};
    registry.AddTask(
        kTaskStartup,
        [this] {
            if (startupDone_) {
                return TaskResult();
            }
            startupDone_ = true;
            ScanDevices();
            ApplyDeviceSelection();
            ReadIfUnread();
            return TaskResult();
        },
        always);
    registry.AddTask(
        kTaskDeviceInstall,
        [this] {
            TaskDeviceChange("Trd_DeviceInstall \n");
            return TaskResult();
        },
        always);
    registry.AddTask(
        kTaskDeviceUnInstall,
        [this] {
            TaskDeviceChange("Trd_DeviceUnInstall \n");
            return TaskResult();
        },
        always);
    registry.AddTask(
        kTaskSelectDevice,
        [this] {
            ScanDevices();
            ApplyDeviceSelection();
            if (profileLoad_) {
                profileLoad_();
            }
            return TaskResult();
        },
        always);
    registry.AddControl(parts_.deviceList, [this](int event) {
        if (event == CDeviceList::kEventSelectDevice) {
            OnDeviceListSelection();
        }
    });
    registry.AddWindowMessage(kMsgDeviceChange,
                              [this](uintptr_t, intptr_t) { HandlePendingHotplug(); });
    registry.AddWindowMessage(kMsgLinkNotification, [this](uintptr_t, intptr_t lParam) {
        parts_.poster.PostTask(lParam == 1 ? kTaskDeviceInstall : kTaskDeviceUnInstall);
    });
    registry.AddIdleWork([this] { return ConnectionReadWanted(); },
                         [this] { RetryConnectionRead(); });
}

void DeviceSession::TaskDeviceChange(const char* trace) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    parts_.queue.Clear();
    if (lastEventDeviceType_.load() == parts_.session.currentDeviceType.load()) {
        parts_.mainView.SelectPage(kPageHome);
    }
    Trace("%s", trace);
    ScanDevices();
    ApplyDeviceSelection();
    ReadIfUnread();
}

void DeviceSession::ReadIfUnread() {
    if (parts_.session.devicePresent.load() && parts_.session.deviceOnline.load() &&
        !parts_.session.ConnectionRead() && profileLoad_) {
        profileLoad_();
    }
}

bool DeviceSession::ReadConnectionState() {
    return connectionRead_ ? connectionRead_() : false;
}

bool DeviceSession::ConnectionReadWanted() const {
    const SessionState& session = parts_.session;
    return session.devicePresent.load() && session.deviceOnline.load() && !session.ConnectionRead();
}

void DeviceSession::RetryConnectionRead() {
    const uint64_t connection = parts_.session.Connection();
    const uint64_t now = MonotonicMs();
    if (connection != retriedConnection_) {
        // A new connection whose first read failed (or never ran): try again soon.
        retriedConnection_ = connection;
        readRetryDelayMs_ = kFirstReadRetryMs;
        nextReadAttemptMs_ = now + readRetryDelayMs_;
        return;
    }
    if (now < nextReadAttemptMs_ || !parts_.queue.Empty()) {
        return;
    }
    Trace("connection read retried\n");
    if (profileLoad_) {
        profileLoad_();
    }
    readRetryDelayMs_ = std::min(readRetryDelayMs_ * 2, kLongestReadRetryMs);
    nextReadAttemptMs_ = MonotonicMs() + readRetryDelayMs_;
}

DeviceCatalogue DeviceSession::CatalogueCopy() const {
    std::lock_guard lock(catalogueMutex_);
    return catalogue_;
}

KeyLayout DeviceSession::LayoutCopy() const {
    std::lock_guard lock(layoutMutex_);
    return layout_;
}

void DeviceSession::ReadDeviceCatalogue() {
    int stored = DeviceTypeToSelect(ReadRegistryInt(kDeviceTypeValue));
    DeviceCatalogue catalogue;
    ReadCatalogueFile(ApplicationFolder(), catalogue);
    // A remembered type that no keyboard of the catalogue has (an edited or damaged settings
    // file) is as good as none: selecting it would leave the program without a database.
    if (FindKeyboard(catalogue.keyboards, stored) == nullptr) {
        const int fallback = DeviceTypeToSelect(0);
        stored =
            FindKeyboard(catalogue.keyboards, fallback) != nullptr || catalogue.keyboards.empty()
                ? fallback
                : catalogue.keyboards.front().deviceType;
    }

    parts_.deviceList.ClearList();
    parts_.devices.ClearCatalogue();
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        parts_.deviceList.AddDevice(keyboard.name, keyboard.deviceType, keyboard.imgConnected,
                                    keyboard.imgDisconnected);
    }
    for (const ConnectionEntry& connection : catalogue.connections) {
        parts_.devices.AddCatalogueEntry(connection.vendorId, connection.productId,
                                         connection.productName, connection.deviceType,
                                         connection.mode);
    }
    {
        std::lock_guard lock(catalogueMutex_);
        catalogue_ = std::move(catalogue);
    }
    parts_.deviceList.SetSelectDevice(stored);
    LoadLayout(stored);
    RegisterHidNotification();
}

void DeviceSession::LoadLayout(int deviceType) {
    KeyboardEntry keyboard;
    {
        std::lock_guard lock(catalogueMutex_);
        if (const KeyboardEntry* entry = FindKeyboard(catalogue_.keyboards, deviceType)) {
            keyboard = *entry;
        }
    }
    parts_.mainView.SetTitle(keyboard.name);
    // The matrix screen tab follows what the keyboard reported: it stays while the same model
    // is loaded again and waits for the next read of another one.
    const bool sameModel = parts_.session.currentDeviceType.exchange(deviceType) == deviceType;
    const bool matrixScreen = sameModel && parts_.session.Info().matrixPresent;

    // Opening switches from another model's file in one step under the store lock, and keeps
    // the connection when the model is already open, so a rescan never leaves a moment in
    // which the pages' queries fail. A type without a catalogue entry has no name to give its
    // database: none is opened rather than creating a file named "_data.db".
    if (keyboard.name.empty()) {
        parts_.store.CloseDatabase();
    } else if (!parts_.store.OpenDeviceDatabase(DataFolder(), keyboard.name)) {
        // Said at once (the desktop program offers to start afresh); the pages stay empty
        // rather than showing an empty database as if it were the user's.
        parts_.poster.PostWindowMessage(kMsgDatabaseFailure, static_cast<uintptr_t>(deviceType), 0);
    }

    if (!keyboard.layoutName.empty()) {
        std::lock_guard lock(layoutMutex_);
        const std::string path = LayoutFilePath(ApplicationFolder(), keyboard.layoutName);
        KeyMaps maps = parts_.session.KeyMapsCopy();
        if (LoadKeyMaps(path, deviceType, maps, layout_)) {
            parts_.session.SetKeyMaps(maps);
            ApplyLayoutToControls(layout_, deviceType, parts_.keyboardCtrl, parts_.auroraEffect);
        }
    }

    if (IsKeysOnlyModel(deviceType)) {
        for (int tab = 1; tab <= 3; ++tab) {
            parts_.mainView.SetTabVisible(tab, false);
        }
    } else {
        parts_.mainView.SetTabVisible(1, true);
        parts_.mainView.SetTabVisible(kTabMusic, true);
        parts_.mainView.SetTabVisible(kTabMatrix, matrixScreen);
    }
    parts_.mainView.SetTabVisible(kPageScreen, ScreenFormatOf(deviceType).Present());
}

void DeviceSession::ScanDevices() {
    if (parts_.mainView.SettingsPageShown()) {
        parts_.mainView.ShowSettingsPage(false);
    }
    parts_.session.deviceOnline = false;
    // Whatever keyboard answers after the scan is read anew before its tables are trusted.
    parts_.session.BeginConnection();

    parts_.devices.ClearCachedHandle();
    parts_.devices.CloseAll();
    parts_.devices.EnumerateDevice();
    parts_.devices.SetActive(true);
    parts_.mainView.SetKeyboardsUnreachable(!parts_.devices.UnreachableInterfaces().empty());

    const int hint = ReadDeviceTypeHint();
    parts_.devices.SetSelectedDeviceType(0);
    std::vector<DeviceRecordInfo> records;
    parts_.devices.GetSelectedRecords(records);

    std::vector<DeviceRecordState> states;
    states.reserve(records.size());
    bool receiver = false;
    for (const DeviceRecordInfo& record : records) {
        receiver = receiver || record.mode == kModeReceiver;
        states.push_back(
            {record.device_type, record.mode, record.online, record.battery, record.charging});
    }
    receiverPresent_ = receiver;
    parts_.deviceList.ApplyRecordStates(states);
    parts_.deviceList.SetSelectDevice(hint);

    {
        std::lock_guard lock(catalogueMutex_);
        for (ConnectionEntry& connection : catalogue_.connections) {
            const int state = parts_.devices.RecordState(connection.vendorId, connection.productId,
                                                         connection.productName, connection.mode);
            connection.present = state >= 0;
            if (state > 0) {
                parts_.session.deviceOnline = true;
            }
        }
    }
    WriteRegistryInt(kDeviceTypeValue, parts_.deviceList.GetSelectDevice());
    parts_.session.devicePresent = !records.empty();
}

void DeviceSession::ApplyDeviceSelection() {
    parts_.host.CloseSecondaryWindows();
    if (!parts_.session.devicePresent.load()) {
        parts_.mainView.ShowDisconnectedHome();
        parts_.session.currentConnectionMode = -1;
        return;
    }
    const int selected = parts_.deviceList.GetSelectDevice();
    parts_.devices.SetSelectedDeviceType(selected);
    WriteRegistryInt(kDeviceTypeValue, selected);
    LoadLayout(selected);

    const int mode = parts_.devices.CurrentConnectionMode();
    parts_.session.currentConnectionMode = mode;
    bool online = false;
    if (mode == kModeReceiver || mode == kModeDirect) {
        online = parts_.devices.RecordOnline(selected, mode) != 0;
    } else if (mode == kModeCable) {
        online = true;
    }
    parts_.session.deviceOnline = online;
    if (!online) {
        parts_.mainView.ShowDisconnectedHome();
        return;
    }

    parts_.mainView.ShowDevicePages();
    if (IsKeysOnlyModel(selected)) {
        const int page = parts_.mainView.SelectedPage();
        if (page >= 1 && page <= 3) {
            parts_.mainView.SelectPage(kPageKeys);
        }
    }
    if (selected == 101) {
        parts_.mainView.SetTabVisible(kTabMusic, mode == kModeCable);
    }
    if (!parts_.mainView.TabVisible(parts_.mainView.SelectedPage())) {
        parts_.mainView.SelectPage(kPageLighting);
    }
}

bool DeviceSession::IsVendorInterface(const std::string& path) {
    return parts_.devices.IsVendorInterface(path);
}

void DeviceSession::UpdateUSBDevice(bool arrival, const std::string& path) {
    Trace("UpdateUSBDevice \n");
    const std::string upper = UpperCasePath(path);
    int deviceType = 0;
    if (arrival) {
        {
            std::lock_guard lock(catalogueMutex_);
            const int index = FindConnectionByPath(catalogue_.connections, upper, false);
            if (index < 0) {
                return;
            }
            deviceType = catalogue_.connections[index].deviceType;
        }
        if (!IsVendorInterface(path)) {
            return;
        }
        lastEventDeviceType_ = deviceType;
        lastEventKind_ = 1;
        parts_.poster.PostTask(kTaskDeviceInstall);
        return;
    }
    {
        std::lock_guard lock(catalogueMutex_);
        const int index = FindConnectionByPath(catalogue_.connections, upper, true);
        if (index < 0) {
            return;
        }
        catalogue_.connections[index].present = false;
        deviceType = catalogue_.connections[index].deviceType;
    }
    lastEventDeviceType_ = deviceType;
    lastEventKind_ = 2;
    parts_.poster.PostTask(kTaskDeviceUnInstall);
}

void DeviceSession::OnHotplugEvent(bool arrival, const std::string& path) {
    {
        std::lock_guard lock(hotplugMutex_);
        pendingHotplug_.emplace_back(arrival, path);
    }
    parts_.poster.PostWindowMessage(kMsgDeviceChange,
                                    arrival ? kDeviceArrival : kDeviceRemoveComplete, 0);
}

void DeviceSession::HandlePendingHotplug() {
    std::vector<std::pair<bool, std::string>> events;
    {
        std::lock_guard lock(hotplugMutex_);
        events.swap(pendingHotplug_);
    }
    for (const auto& [arrival, path] : events) {
        UpdateUSBDevice(arrival, path);
    }
}

void DeviceSession::RegisterHidNotification() {
    if (!useSystemHotplug_ || hotplug_) {
        return;
    }
    hotplug_ = std::make_unique<HotplugMonitor>();
    hotplug_->Start([this](HotplugAction action, const std::string& path) {
        OnHotplugEvent(action == HotplugAction::kArrival, path);
    });
}

void DeviceSession::HandleDeviceNotify() {
    std::array<uint8_t, 65> buffer{};
    int deviceType = 0;
    parts_.devices.GetDeviceNotify(buffer, deviceType);
    if (buffer[0] != 0) {
        Trace("device notify data: %02X %02X %02X %02X %02X %02X %d\n", buffer[0], buffer[1],
              buffer[8], buffer[9], buffer[10], buffer[13], deviceType);
    }
    if (!IsLinkFrame(buffer.data())) {
        return;
    }
    const bool connected = buffer[13] == 4;
    parts_.deviceList.SetDeviceState(deviceType, kModeReceiver, connected ? 1 : 0);
    if (!connected) {
        parts_.deviceList.SetDeviceState(
            deviceType, kModeCable,
            parts_.devices.RecordOnline(deviceType, kModeCable) == 1 ? 1 : 0);
    }

    if (deviceType == parts_.devices.SelectedDeviceType()) {
        if (connected) {
            // The keyboard behind the receiver may have been reset or replaced while away.
            parts_.session.BeginConnection();
            parts_.mainView.SelectPage(kPageHome);
            parts_.mainView.ShowDevicePages();
            int battery = 0;
            int charging = 0;
            if (parts_.devices.WiredBattery(deviceType, battery, charging) && battery > 0) {
                parts_.deviceList.SetDeviceBattery(deviceType, kModeCable, battery, charging);
            }
            if (deviceType == 101) {
                parts_.mainView.SetTabVisible(kTabMusic, false);
            }
            // Online last: whoever watches the flag sees the pages already set for this link.
            parts_.session.deviceOnline = true;
            ReadIfUnread();
            return;
        }
        parts_.session.currentConnectionMode = parts_.devices.CurrentConnectionMode();
        if (parts_.session.currentConnectionMode.load() == kModeReceiver) {
            parts_.session.deviceOnline = false;
            parts_.mainView.ShowDisconnectedHome();
        }
        RescanAfterEvent(deviceType);
        return;
    }
    if (parts_.mainView.SelectedPage() == kPageHome) {
        RescanAfterEvent(deviceType);
    }
}

void DeviceSession::RescanAfterEvent(int deviceType) {
    lastEventDeviceType_ = deviceType;
    ScanDevices();
    ApplyDeviceSelection();
}

void DeviceSession::OnDeviceListSelection() {
    parts_.queue.Clear();
    parts_.session.deviceOnline = false;
    parts_.session.BeginConnection();
    parts_.session.liveEffectOn = false;
    parts_.session.liveMatrixOn = false;
    const int selected = parts_.deviceList.GetSelectDevice();
    WriteRegistryInt(kDeviceTypeValue, selected);
    parts_.devices.SetSelectedDeviceType(selected);
    parts_.mainView.ShowDevicePages();
    LoadLayout(selected);
    parts_.poster.PostTask(kTaskSelectDevice);
}

}  // namespace zanvor
