#include "ui/CDeviceList.h"

#include <algorithm>

namespace zanvor {

DeviceListItem* CDeviceList::Find(int deviceType) {
    auto it = std::find_if(devices_.begin(), devices_.end(), [deviceType](const auto& item) {
        return item.deviceType == deviceType;
    });
    return it == devices_.end() ? nullptr : &*it;
}

const DeviceListItem* CDeviceList::Find(int deviceType) const {
    auto it = std::find_if(devices_.begin(), devices_.end(), [deviceType](const auto& item) {
        return item.deviceType == deviceType;
    });
    return it == devices_.end() ? nullptr : &*it;
}

void CDeviceList::ClearList() {
    {
        std::lock_guard lock(mutex_);
        devices_.clear();
        selected_ = 0;
    }
    NotifyChanged(kChangeItems);
}

void CDeviceList::AddDevice(const std::string& name, int deviceType,
                            const std::string& imgConnected, const std::string& imgDisconnected) {
    {
        std::lock_guard lock(mutex_);
        DeviceListItem item;
        item.name = name;
        item.deviceType = deviceType;
        item.imgConnected = imgConnected;
        item.imgDisconnected = imgDisconnected;
        if (DeviceListItem* existing = Find(deviceType)) {
            *existing = std::move(item);
        } else {
            devices_.push_back(std::move(item));
        }
    }
    NotifyChanged(kChangeItems);
}

std::vector<DeviceListItem> CDeviceList::GetDevices() const {
    std::lock_guard lock(mutex_);
    return devices_;
}

bool CDeviceList::GetDevice(int deviceType, DeviceListItem& item) const {
    std::lock_guard lock(mutex_);
    const DeviceListItem* found = Find(deviceType);
    if (!found) {
        return false;
    }
    item = *found;
    return true;
}

bool CDeviceList::SetSelectDevice(int deviceType) {
    {
        std::lock_guard lock(mutex_);
        if (!Find(deviceType)) {
            return false;
        }
        selected_ = deviceType;
    }
    NotifyChanged(kChangeSelection);
    return true;
}

int CDeviceList::GetSelectDevice() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

void CDeviceList::ResetDeviceStates() {
    {
        std::lock_guard lock(mutex_);
        for (DeviceListItem& item : devices_) {
            for (auto& [mode, state] : item.modes) {
                state.state = 0;
            }
        }
    }
    NotifyChanged(kChangeStates);
}

bool CDeviceList::SetDeviceState(int deviceType, int mode, int state) {
    {
        std::lock_guard lock(mutex_);
        DeviceListItem* item = Find(deviceType);
        if (!item) {
            return false;
        }
        item->modes[mode].state = state;
    }
    NotifyChanged(kChangeStates);
    return true;
}

int CDeviceList::GetDeviceState(int deviceType, int mode) const {
    std::lock_guard lock(mutex_);
    const DeviceListItem* item = Find(deviceType);
    if (!item) {
        return 0;
    }
    auto it = item->modes.find(mode);
    return it == item->modes.end() ? 0 : it->second.state;
}

bool CDeviceList::SetDeviceBattery(int deviceType, int mode, int level, int charging) {
    {
        std::lock_guard lock(mutex_);
        DeviceListItem* item = Find(deviceType);
        if (!item) {
            return false;
        }
        DeviceModeState& state = item->modes[mode];
        state.battery = level;
        state.charging = charging;
    }
    NotifyChanged(kChangeStates);
    return true;
}

bool CDeviceList::GetDeviceBattery(int deviceType, int mode, int& level, int& charging) const {
    std::lock_guard lock(mutex_);
    const DeviceListItem* item = Find(deviceType);
    if (!item) {
        return false;
    }
    auto it = item->modes.find(mode);
    if (it == item->modes.end()) {
        return false;
    }
    level = it->second.battery;
    charging = it->second.charging;
    return true;
}

void CDeviceList::ApplyRecordStates(const std::vector<DeviceRecordState>& records) {
    {
        std::lock_guard lock(mutex_);
        for (DeviceListItem& item : devices_) {
            for (auto& [mode, state] : item.modes) {
                state.state = 0;
            }
        }
        for (const DeviceRecordState& record : records) {
            DeviceListItem* item = Find(record.deviceType);
            if (!item) {
                continue;
            }
            DeviceModeState& state = item->modes[record.mode];
            state.state = record.online;
            state.battery = record.battery;
            state.charging = record.charging;
        }
    }
    NotifyChanged(kChangeStates);
}

void CDeviceList::ClickDevice(int deviceType) {
    if (SetSelectDevice(deviceType)) {
        RaiseEvent(kEventSelectDevice);
    }
}

}  // namespace zanvor
