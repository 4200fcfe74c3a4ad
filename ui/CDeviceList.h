#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// State of one connection of a listed keyboard.
struct DeviceModeState {
    int state = 0;     // 1 = reachable through this connection, 0 = not
    int battery = 0;   // percent
    int charging = 0;  // 0/1
};

// One keyboard model in the device list of the home page.
struct DeviceListItem {
    std::string name;
    int deviceType = 0;
    std::string imgConnected;
    std::string imgDisconnected;
    std::map<int, DeviceModeState> modes;  // by connection mode (0 cable, 1 receiver, 2 direct)

    // True when any connection reaches the keyboard (the connected picture is shown).
    bool Connected() const {
        for (const auto& [mode, state] : modes) {
            if (state.state > 0) {
                return true;
            }
        }
        return false;
    }
};

// What a scan found for one (device type, mode): see ApplyRecordStates.
struct DeviceRecordState {
    int deviceType = 0;
    int mode = 0;
    int online = 0;
    int battery = 0;
    int charging = 0;
};

// The device list of the home page: every catalogue model, which of its connections are up,
// their battery, and the model the user selected.
class CDeviceList : public ControlModel {
  public:
    // Event raised when the user picks a device.
    static constexpr int kEventSelectDevice = 1;

    enum Change {
        kChangeItems = 16,
        kChangeStates = 17,
        kChangeSelection = 18,
    };

    explicit CDeviceList(int controlId = 0) : ControlModel(controlId) {}

    // Removes every device and the selection.
    void ClearList();
    // Appends a model; a type already listed is replaced in place.
    void AddDevice(const std::string& name, int deviceType, const std::string& imgConnected,
                   const std::string& imgDisconnected);
    std::vector<DeviceListItem> GetDevices() const;
    bool GetDevice(int deviceType, DeviceListItem& item) const;

    // Selects a listed model; false (selection unchanged) when the type is not listed.
    bool SetSelectDevice(int deviceType);
    // The selected model's type, or 0 when none is selected.
    int GetSelectDevice() const;

    // Connection states. Types that are not listed are ignored (false).
    void ResetDeviceStates();
    bool SetDeviceState(int deviceType, int mode, int state);
    // The state of (type, mode); 0 when unknown.
    int GetDeviceState(int deviceType, int mode) const;
    bool SetDeviceBattery(int deviceType, int mode, int level, int charging);
    // False when the type is not listed or the mode has no state yet.
    bool GetDeviceBattery(int deviceType, int mode, int& level, int& charging) const;

    // The scan's update in one step: every state to 0, then for each record the state of
    // (type, mode) := online and its battery := (battery, charging).
    void ApplyRecordStates(const std::vector<DeviceRecordState>& records);

    // The user picks a device: it becomes selected and the selection event is raised. Nothing
    // happens for a type that is not listed.
    void ClickDevice(int deviceType);

  private:
    DeviceListItem* Find(int deviceType);
    const DeviceListItem* Find(int deviceType) const;

    mutable std::mutex mutex_;  // guards devices_ and selected_
    std::vector<DeviceListItem> devices_;
    int selected_ = 0;
};

}  // namespace zanvor
