#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/VirtualKeyboard.h"
#include "sim/VirtualKeyboardModel.h"
#include "sim/VirtualReceiver.h"

namespace zanvor {

// One report that crossed a virtual interface.
struct SimReport {
    std::string path;        // the interface
    bool to_device = false;  // true: written by the host, byte 0 = report ID; false: read by it
    std::vector<uint8_t> bytes;
    std::chrono::steady_clock::time_point time{};  // when it was written or read
};

// An HID backend made of virtual keyboards. Each (model, connection mode) is one USB device
// with two interfaces: a plain keyboard interface (usage page 0x01, usage 0x06) that the host
// must skip, and the vendor interface (usage page 0xFF60, usage 0x61) that speaks the protocol.
// Cable and direct connections talk to the keyboard itself, a receiver connection to a
// VirtualReceiver in front of it; all connections of one device type share one keyboard.
//
// Opened devices answer each written report with one input report, which ReadTimeout hands out
// after the configured latency. Faults (latency, dropped or refused responses, unplugging,
// receiver link changes, battery) may be changed from any thread while the host exchanges.
class SimHidBackend : public HidBackend {
  public:
    SimHidBackend();
    // Saves the state of changed keyboards when a state folder is set.
    ~SimHidBackend() override;
    SimHidBackend(const SimHidBackend&) = delete;
    SimHidBackend& operator=(const SimHidBackend&) = delete;

    // Adds the device of `model` in connection `mode` (0 cable, 1 receiver, 2 direct) and
    // returns its vendor interface path; "" when the model has no such connection or the pair
    // was already added.
    std::string AddDevice(const VirtualKeyboardModel& model, int mode);

    std::shared_ptr<VirtualKeyboard> Keyboard(int deviceType) const;
    std::shared_ptr<VirtualReceiver> Receiver(int deviceType) const;
    // Vendor interface path of a device, "" when absent. Its upper-cased form contains the
    // segment "0003:<VID>:<PID>" and the interface segment ":1.1".
    std::string PathOf(int deviceType, int mode) const;

    // HidBackend
    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override;

    // Delay between a written report and its response becoming readable.
    void SetLatency(int milliseconds);
    // The next n responses are lost (the keyboard still acts on the requests).
    void DropNextResponses(int count);
    // The next n requests are refused with status 0x0F and not acted on.
    void RefuseNextResponses(int count);
    // Every request with this command byte is refused with 0x0F until cleared.
    void RefuseCommand(uint8_t command, bool refuse);

    // Removes or brings back a device (both interfaces). Open handles of a removed device fail
    // from then on; the hotplug handler hears one event per interface. False when the device is
    // unknown or already in that state.
    bool Unplug(int deviceType, int mode);
    bool Replug(int deviceType, int mode);
    // Called (outside the backend's lock) for every interface that arrives or goes away.
    void SetHotplugHandler(std::function<void(const std::string& path, bool arrival)> handler);

    // Turns the link between a receiver and its keyboard on or off. When it changes, every open
    // handle of the receiver receives an unsolicited link frame. False without such receiver.
    bool SetReceiverLink(int deviceType, bool linked);
    // The device types of the keyboards added, ascending.
    std::vector<int> DeviceTypes() const;
    void SetBattery(int deviceType, int level, bool charging);

    // Handles the host holds open on any interface right now.
    size_t OpenHandles() const;

    // Every report both ways, in order (the newest 100000 at least).
    std::vector<SimReport> Reports() const;
    void ClearReports();
    // Called (outside the backend's lock) for every report as it is recorded.
    void SetReportObserver(std::function<void(const SimReport&)> observer);

    // Keeps keyboard state in `folder` (one file per device type, StatePath): loads it now for
    // the keyboards already added and later for new ones (a missing or corrupt file gives
    // factory state), and saves a changed keyboard after each end command (0x11) and when the
    // backend goes away. "" turns persistence off.
    void SetStateFolder(const std::string& folder);
    // Saves every changed keyboard now; false when a file could not be written.
    bool SaveAll();
    static std::string StatePath(const std::string& folder, int deviceType);

    struct Bus;

  private:
    std::shared_ptr<Bus> bus_;
};

}  // namespace zanvor
