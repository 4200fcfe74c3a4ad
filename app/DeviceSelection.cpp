// The main window's side of the keyboard devices: the catalogue, the model's layout and
// database, the scan and selection, hotplug events and receiver link notifications.
#include <array>

#include "app/KeyboardDlg.h"
#include "app/WindowMessages.h"
#include "device/DeviceManager.h"
#include "platform/HotplugMonitor.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "store/DataStore.h"

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

}  // namespace

DeviceCatalogue KeyboardDlg::CatalogueCopy() const {
    std::lock_guard lock(catalogueMutex_);
    return catalogue_;
}

void KeyboardDlg::ReadDeviceCatalogue() {
    const int stored = DeviceTypeToSelect(ReadRegistryInt(kDeviceTypeValue));
    DeviceCatalogue catalogue;
    ReadCatalogueFile(ApplicationFolder(), catalogue);

    deviceList.ClearList();
    devices_.ClearCatalogue();
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        deviceList.AddDevice(keyboard.name, keyboard.deviceType, keyboard.imgConnected,
                             keyboard.imgDisconnected);
    }
    for (const ConnectionEntry& connection : catalogue.connections) {
        devices_.AddCatalogueEntry(connection.vendorId, connection.productId,
                                   connection.productName, connection.deviceType, connection.mode);
    }
    {
        std::lock_guard lock(catalogueMutex_);
        catalogue_ = std::move(catalogue);
    }
    deviceList.SetSelectDevice(stored);
    LoadLayout(stored);
    RegisterHidNotification();
}

void KeyboardDlg::LoadLayout(int deviceType) {
    KeyboardEntry keyboard;
    {
        std::lock_guard lock(catalogueMutex_);
        if (const KeyboardEntry* entry = FindKeyboard(catalogue_.keyboards, deviceType)) {
            keyboard = *entry;
        }
    }
    mainView.SetTitle(keyboard.name);
    session.currentDeviceType = deviceType;

    // Opening switches from another model's file in one step under the store lock, and keeps
    // the connection when the model is already open, so a rescan never leaves a moment in
    // which the pages' queries fail. A type without a catalogue entry has no name to give its
    // database: none is opened rather than creating a file named "_data.db".
    if (keyboard.name.empty()) {
        store_.CloseDatabase();
    } else {
        store_.OpenDeviceDatabase(DataFolder(), keyboard.name);
    }

    if (!keyboard.layoutName.empty()) {
        std::lock_guard lock(layoutMutex_);
        const std::string path = LayoutFilePath(ApplicationFolder(), keyboard.layoutName);
        KeyMaps maps = session.KeyMapsCopy();
        if (LoadKeyMaps(path, deviceType, maps, layout_)) {
            session.SetKeyMaps(maps);
            ApplyLayoutToControls(layout_, deviceType, keyboardCtrl, auroraEffect);
        }
    }

    if (IsKeysOnlyModel(deviceType)) {
        for (int tab = 1; tab <= 3; ++tab) {
            mainView.SetTabVisible(tab, false);
        }
    } else {
        mainView.SetTabVisible(1, true);
        mainView.SetTabVisible(kTabMusic, true);
        mainView.SetTabVisible(kTabMatrix, deviceType == 102);
    }
}

void KeyboardDlg::ScanDevices() {
    if (mainView.SettingsPageShown()) {
        mainView.ShowSettingsPage(false);
    }
    deviceOnline = false;

    devices_.ClearCachedHandle();
    devices_.CloseAll();
    devices_.EnumerateDevice();
    devices_.SetActive(true);

    const int hint = ReadDeviceTypeHint();
    devices_.SetSelectedDeviceType(0);
    std::vector<DeviceRecordInfo> records;
    devices_.GetSelectedRecords(records);

    std::vector<DeviceRecordState> states;
    states.reserve(records.size());
    bool receiver = false;
    for (const DeviceRecordInfo& record : records) {
        receiver = receiver || record.mode == kModeReceiver;
        states.push_back(
            {record.device_type, record.mode, record.online, record.battery, record.charging});
    }
    receiverPresent_ = receiver;
    deviceList.ApplyRecordStates(states);
    deviceList.SetSelectDevice(hint);

    {
        std::lock_guard lock(catalogueMutex_);
        for (ConnectionEntry& connection : catalogue_.connections) {
            const int state = devices_.RecordState(connection.vendorId, connection.productId,
                                                   connection.productName, connection.mode);
            connection.present = state >= 0;
            if (state > 0) {
                deviceOnline = true;
            }
        }
    }
    WriteRegistryInt(kDeviceTypeValue, deviceList.GetSelectDevice());
    devicePresent = !records.empty();
}

void KeyboardDlg::ApplyDeviceSelection() {
    CloseSecondaryWindows();
    if (!devicePresent.load()) {
        mainView.ShowDisconnectedHome();
        session.currentConnectionMode = -1;
        return;
    }
    const int selected = deviceList.GetSelectDevice();
    devices_.SetSelectedDeviceType(selected);
    WriteRegistryInt(kDeviceTypeValue, selected);
    LoadLayout(selected);

    const int mode = devices_.CurrentConnectionMode();
    session.currentConnectionMode = mode;
    bool online = false;
    if (mode == kModeReceiver || mode == kModeDirect) {
        online = devices_.RecordOnline(selected, mode) != 0;
    } else if (mode == kModeCable) {
        online = true;
    }
    deviceOnline = online;
    if (!online) {
        mainView.ShowDisconnectedHome();
        return;
    }

    mainView.ShowDevicePages();
    if (IsKeysOnlyModel(selected)) {
        const int page = mainView.SelectedPage();
        if (page >= 1 && page <= 3) {
            mainView.SelectPage(kPageKeys);
        }
    }
    if (selected == 101) {
        mainView.SetTabVisible(kTabMusic, mode == kModeCable);
    }
    if (!mainView.TabVisible(mainView.SelectedPage())) {
        mainView.SelectPage(kPageLighting);
    }
}

bool KeyboardDlg::IsVendorInterface(const std::string& path) {
    return devices_.IsVendorInterface(path);
}

void KeyboardDlg::UpdateUSBDevice(bool arrival, const std::string& path) {
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
        PostTask(kTaskDeviceInstall);
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
    PostTask(kTaskDeviceUnInstall);
}

void KeyboardDlg::OnHotplugEvent(bool arrival, const std::string& path) {
    {
        std::lock_guard lock(hotplugMutex_);
        pendingHotplug_.emplace_back(arrival, path);
    }
    PostMessageW(kMsgDeviceChange, arrival ? kDeviceArrival : kDeviceRemoveComplete);
}

void KeyboardDlg::HandlePendingHotplug() {
    std::vector<std::pair<bool, std::string>> events;
    {
        std::lock_guard lock(hotplugMutex_);
        events.swap(pendingHotplug_);
    }
    for (const auto& [arrival, path] : events) {
        UpdateUSBDevice(arrival, path);
    }
}

void KeyboardDlg::RegisterHidNotification() {
    if (!useSystemHotplug_ || hotplug_) {
        return;
    }
    hotplug_ = std::make_unique<HotplugMonitor>();
    hotplug_->Start([this](HotplugAction action, const std::string& path) {
        OnHotplugEvent(action == HotplugAction::kArrival, path);
    });
}

void KeyboardDlg::HandleDeviceNotify() {
    std::array<uint8_t, 65> buffer{};
    int deviceType = 0;
    devices_.GetDeviceNotify(buffer, deviceType);
    if (buffer[0] != 0) {
        Trace("device notify data: %02X %02X %02X %02X %02X %02X %d\n", buffer[0], buffer[1],
              buffer[8], buffer[9], buffer[10], buffer[13], deviceType);
    }
    if (!IsLinkFrame(buffer.data())) {
        return;
    }
    const bool connected = buffer[13] == 4;
    deviceList.SetDeviceState(deviceType, kModeReceiver, connected ? 1 : 0);
    if (!connected) {
        deviceList.SetDeviceState(deviceType, kModeCable,
                                  devices_.RecordOnline(deviceType, kModeCable) == 1 ? 1 : 0);
    }

    if (deviceType == devices_.SelectedDeviceType()) {
        if (connected) {
            deviceOnline = true;
            mainView.SelectPage(kPageHome);
            mainView.ShowDevicePages();
            int battery = 0;
            int charging = 0;
            if (devices_.WiredBattery(deviceType, battery, charging) && battery > 0) {
                deviceList.SetDeviceBattery(deviceType, kModeCable, battery, charging);
            }
            if (deviceType == 101) {
                mainView.SetTabVisible(kTabMusic, false);
            }
            return;
        }
        session.currentConnectionMode = devices_.CurrentConnectionMode();
        if (session.currentConnectionMode.load() == kModeReceiver) {
            deviceOnline = false;
            mainView.ShowDisconnectedHome();
        }
        RescanAfterEvent(deviceType);
        return;
    }
    if (mainView.SelectedPage() == kPageHome) {
        RescanAfterEvent(deviceType);
    }
}

void KeyboardDlg::RescanAfterEvent(int deviceType) {
    lastEventDeviceType_ = deviceType;
    ScanDevices();
    ApplyDeviceSelection();
}

void KeyboardDlg::OnDeviceListSelection() {
    queue_.Clear();
    deviceOnline = false;
    liveEffectOn = false;
    liveMatrixOn = false;
    const int selected = deviceList.GetSelectDevice();
    WriteRegistryInt(kDeviceTypeValue, selected);
    devices_.SetSelectedDeviceType(selected);
    mainView.ShowDevicePages();
    LoadLayout(selected);
    PostTask(kTaskSelectDevice);
}

}  // namespace zanvor
