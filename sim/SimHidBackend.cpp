#include "sim/SimHidBackend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "platform/HotplugMonitor.h"
#include "platform/Trace.h"

namespace zanvor {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kVendorUsagePage = 0xFF60;
constexpr uint16_t kVendorUsage = 0x61;
constexpr uint16_t kKeyboardUsagePage = 0x01;
constexpr uint16_t kKeyboardUsage = 0x06;

struct Pending {
    std::vector<uint8_t> bytes;
    Clock::time_point ready;
};

// The input reports waiting for one open handle.
struct Channel {
    std::deque<Pending> queue;
    bool dead = false;  // the device went away; the handle only fails from now on
};

struct Interface {
    HidInterfaceInfo info;
    bool vendor = false;
    int device_type = 0;
    int mode = 0;
    int report_length = 65;
    bool plugged = true;
    std::shared_ptr<VirtualKeyboard> keyboard;
    std::shared_ptr<VirtualReceiver> receiver;  // set for receiver connections
    std::vector<std::weak_ptr<Channel>> channels;
};

}  // namespace

struct SimHidBackend::Bus {
    std::mutex mutex;  // guards every member below and the channels of every interface
    std::condition_variable changed;  // a channel received a report or died
    std::vector<std::shared_ptr<Interface>> interfaces;
    std::map<int, std::shared_ptr<VirtualKeyboard>> keyboards;
    std::map<int, std::shared_ptr<VirtualReceiver>> receivers;
    int latency_ms = 0;
    int drop_next = 0;
    int refuse_next = 0;
    std::set<uint8_t> refused_commands;
    std::vector<SimReport> records;
    std::function<void(const SimReport&)> observer;
    std::function<void(const std::string&, bool)> hotplug;
    std::string state_folder;
    int next_port = 1;
    int next_sequence = 1;
    int next_node = 0;

    // Keeps the newest reports only, so a long session cannot grow the record without bound.
    static constexpr size_t kMaxRecords = 200000;
    void RecordLocked(SimReport& report) {
        report.time = std::chrono::steady_clock::now();
        if (records.size() >= kMaxRecords) {
            records.erase(records.begin(), records.begin() + kMaxRecords / 2);
        }
        records.push_back(report);
    }

    // Queues a report for every live handle of the interface.
    void DeliverLocked(Interface& target, std::vector<uint8_t> bytes,
                       const std::shared_ptr<Channel>& only) {
        const Clock::time_point ready = Clock::now() + std::chrono::milliseconds(latency_ms);
        if (only) {
            only->queue.push_back({std::move(bytes), ready});
        } else {
            for (auto& weak : target.channels) {
                if (auto channel = weak.lock()) {
                    channel->queue.push_back({bytes, ready});
                }
            }
        }
        changed.notify_all();
    }

    void KillChannelsLocked(Interface& target) {
        for (auto& weak : target.channels) {
            if (auto channel = weak.lock()) {
                channel->dead = true;
                channel->queue.clear();
            }
        }
        target.channels.clear();
        changed.notify_all();
    }

    std::shared_ptr<Interface> FindLocked(const std::string& path) const {
        for (const auto& candidate : interfaces) {
            if (candidate->info.path == path) {
                return candidate;
            }
        }
        return nullptr;
    }
};

namespace {

class SimHidDevice : public HidDevice {
  public:
    SimHidDevice(std::shared_ptr<SimHidBackend::Bus> bus, std::shared_ptr<Interface> target,
                 std::shared_ptr<Channel> channel)
        : bus_(std::move(bus)), target_(std::move(target)), channel_(std::move(channel)) {}

    int Write(const uint8_t* data, size_t length) override {
        // As hidraw does: a report longer than the interface's output report is refused whole.
        if (data == nullptr || length == 0 ||
            length > static_cast<size_t>(target_->report_length)) {
            return -1;
        }
        SimReport record{target_->info.path, true, std::vector<uint8_t>(data, data + length)};
        std::function<void(const SimReport&)> observer;
        std::string savePath;
        {
            std::lock_guard lock(bus_->mutex);
            if (channel_->dead) {
                return -1;
            }
            bus_->RecordLocked(record);
            observer = bus_->observer;
            // Report ID 0 is the only one the keyboard knows; other reports are ignored.
            if (data[0] == 0x00) {
                const uint8_t* payload = data + 1;
                const size_t payloadLength = length - 1;
                Exchange(payload, payloadLength);
                if (payloadLength >= 2 && payload[0] == 0xAA && payload[1] == 0x11 &&
                    !bus_->state_folder.empty()) {
                    savePath = SimHidBackend::StatePath(bus_->state_folder, target_->device_type);
                }
            }
        }
        if (!savePath.empty() && !target_->keyboard->SaveStateIfDirty(savePath)) {
            Trace("sim: could not save %s\n", savePath.c_str());
        }
        if (observer) {
            observer(record);
        }
        return static_cast<int>(length);
    }

    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        if (data == nullptr) {
            return -1;
        }
        SimReport record;
        std::function<void(const SimReport&)> observer;
        int result = 0;
        {
            std::unique_lock lock(bus_->mutex);
            const bool forever = timeoutMs < 0;
            const Clock::time_point deadline =
                Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
            for (;;) {
                if (channel_->dead) {
                    return -1;
                }
                const Clock::time_point now = Clock::now();
                if (!channel_->queue.empty() && channel_->queue.front().ready <= now) {
                    Pending report = std::move(channel_->queue.front());
                    channel_->queue.pop_front();
                    const size_t n = std::min(length, report.bytes.size());
                    std::copy(report.bytes.begin(), report.bytes.begin() + n, data);
                    record = {target_->info.path, false, std::move(report.bytes)};
                    bus_->RecordLocked(record);
                    observer = bus_->observer;
                    result = static_cast<int>(n);
                    break;
                }
                if (!forever && now >= deadline) {
                    return 0;
                }
                if (channel_->queue.empty()) {
                    if (forever) {
                        bus_->changed.wait(lock);
                    } else {
                        bus_->changed.wait_until(lock, deadline);
                    }
                } else {
                    const Clock::time_point ready = channel_->queue.front().ready;
                    bus_->changed.wait_until(lock, forever ? ready : std::min(ready, deadline));
                }
            }
        }
        if (observer) {
            observer(record);
        }
        return result;
    }

    int OutputReportLength() const override { return target_->report_length; }
    int InputReportLength() const override { return target_->report_length; }

  private:
    // Runs one request through the injected faults and the keyboard (or receiver); bus locked.
    void Exchange(const uint8_t* payload, size_t length) {
        const size_t responseLength = static_cast<size_t>(target_->report_length - 1);
        std::vector<uint8_t> response;
        bool answered = false;
        const bool wellFormed = length >= 8 && payload[0] == 0xAA;
        if (wellFormed &&
            (bus_->refuse_next > 0 || bus_->refused_commands.count(payload[1]) != 0)) {
            if (bus_->refuse_next > 0) {
                --bus_->refuse_next;
            }
            response = MakeRefusal(payload, length, responseLength);
            answered = true;
        } else if (target_->receiver) {
            answered = target_->receiver->Process(payload, length, response);
        } else {
            answered = target_->keyboard->Process(payload, length, response);
        }
        if (!answered) {
            return;
        }
        if (bus_->drop_next > 0) {
            --bus_->drop_next;
            return;
        }
        response.resize(responseLength, 0);
        bus_->DeliverLocked(*target_, std::move(response), channel_);
    }

    std::shared_ptr<SimHidBackend::Bus> bus_;
    std::shared_ptr<Interface> target_;
    std::shared_ptr<Channel> channel_;
};

std::string HexWord(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

}  // namespace

SimHidBackend::SimHidBackend() : bus_(std::make_shared<Bus>()) {}

SimHidBackend::~SimHidBackend() {
    SaveAll();
}

std::string SimHidBackend::StatePath(const std::string& folder, int deviceType) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + "sim-" + std::to_string(deviceType) + ".json";
}

std::string SimHidBackend::AddDevice(const VirtualKeyboardModel& model, int mode) {
    const SimConnection* connection = model.Connection(mode);
    if (connection == nullptr) {
        return "";
    }
    std::lock_guard lock(bus_->mutex);
    for (const auto& existing : bus_->interfaces) {
        if (existing->device_type == model.device_type && existing->mode == mode) {
            return "";
        }
    }
    auto& keyboard = bus_->keyboards[model.device_type];
    if (!keyboard) {
        keyboard = std::make_shared<VirtualKeyboard>(model);
        if (!bus_->state_folder.empty()) {
            keyboard->LoadState(StatePath(bus_->state_folder, model.device_type));
        }
    }
    std::shared_ptr<VirtualReceiver> receiver;
    if (mode == 1) {
        receiver = std::make_shared<VirtualReceiver>(keyboard);
        bus_->receivers[model.device_type] = receiver;
    }
    const int port = bus_->next_port++;
    std::string vendorPath;
    for (int number : {0, 1}) {
        auto target = std::make_shared<Interface>();
        const bool vendor = number == 1;
        const std::string ids = HexWord(connection->vendor_id) + ":" +
                                HexWord(connection->product_id) + "." +
                                HexWord(static_cast<uint16_t>(bus_->next_sequence++));
        target->info.path = "/sys/devices/virtual/zanvor-sim/usb1/1-" + std::to_string(port) +
                            "/1-" + std::to_string(port) + ":1." + std::to_string(number) +
                            "/0003:" + ids + "/hidraw/hidraw" + std::to_string(bus_->next_node++);
        target->info.vendor_id = connection->vendor_id;
        target->info.product_id = connection->product_id;
        target->info.product_string =
            connection->product_string.empty() ? model.name : connection->product_string;
        target->info.release_number = model.firmware_version;
        target->info.usage_page = vendor ? kVendorUsagePage : kKeyboardUsagePage;
        target->info.usage = vendor ? kVendorUsage : kKeyboardUsage;
        target->info.interface_number = number;
        target->vendor = vendor;
        target->device_type = model.device_type;
        target->mode = mode;
        target->report_length = model.report_length >= 64 ? 65 : 33;
        target->keyboard = keyboard;
        target->receiver = receiver;
        if (vendor) {
            vendorPath = target->info.path;
        }
        bus_->interfaces.push_back(std::move(target));
    }
    return vendorPath;
}

std::shared_ptr<VirtualKeyboard> SimHidBackend::Keyboard(int deviceType) const {
    std::lock_guard lock(bus_->mutex);
    auto it = bus_->keyboards.find(deviceType);
    return it == bus_->keyboards.end() ? nullptr : it->second;
}

std::shared_ptr<VirtualReceiver> SimHidBackend::Receiver(int deviceType) const {
    std::lock_guard lock(bus_->mutex);
    auto it = bus_->receivers.find(deviceType);
    return it == bus_->receivers.end() ? nullptr : it->second;
}

std::string SimHidBackend::PathOf(int deviceType, int mode) const {
    std::lock_guard lock(bus_->mutex);
    for (const auto& target : bus_->interfaces) {
        if (target->vendor && target->device_type == deviceType && target->mode == mode) {
            return target->info.path;
        }
    }
    return "";
}

std::vector<HidInterfaceInfo> SimHidBackend::Enumerate() {
    std::lock_guard lock(bus_->mutex);
    std::vector<HidInterfaceInfo> result;
    for (const auto& target : bus_->interfaces) {
        if (target->plugged) {
            result.push_back(target->info);
        }
    }
    return result;
}

std::unique_ptr<HidDevice> SimHidBackend::Open(const std::string& path) {
    std::lock_guard lock(bus_->mutex);
    std::shared_ptr<Interface> target = bus_->FindLocked(path);
    // The plain keyboard interface belongs to the system's input layer and cannot be opened.
    if (!target || !target->plugged || !target->vendor) {
        return nullptr;
    }
    auto channel = std::make_shared<Channel>();
    auto& channels = target->channels;
    channels.erase(std::remove_if(channels.begin(), channels.end(),
                                  [](const std::weak_ptr<Channel>& c) { return c.expired(); }),
                   channels.end());
    channels.push_back(channel);
    return std::make_unique<SimHidDevice>(bus_, target, channel);
}

bool SimHidBackend::QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) {
    std::lock_guard lock(bus_->mutex);
    // Hotplug events give the path in upper case; like hidraw's sysfs lookup, any case matches.
    std::shared_ptr<Interface> target;
    for (const auto& candidate : bus_->interfaces) {
        if (UpperCaseDevicePath(candidate->info.path) == UpperCaseDevicePath(path)) {
            target = candidate;
            break;
        }
    }
    if (!target || !target->plugged) {
        return false;
    }
    usagePage = target->info.usage_page;
    usage = target->info.usage;
    return true;
}

void SimHidBackend::SetLatency(int milliseconds) {
    std::lock_guard lock(bus_->mutex);
    bus_->latency_ms = std::max(0, milliseconds);
}

void SimHidBackend::DropNextResponses(int count) {
    std::lock_guard lock(bus_->mutex);
    bus_->drop_next = std::max(0, count);
}

void SimHidBackend::RefuseNextResponses(int count) {
    std::lock_guard lock(bus_->mutex);
    bus_->refuse_next = std::max(0, count);
}

void SimHidBackend::RefuseCommand(uint8_t command, bool refuse) {
    std::lock_guard lock(bus_->mutex);
    if (refuse) {
        bus_->refused_commands.insert(command);
    } else {
        bus_->refused_commands.erase(command);
    }
}

namespace {

bool SetPlugged(SimHidBackend::Bus& bus, int deviceType, int mode, bool plugged,
                std::vector<std::string>& paths,
                std::function<void(const std::string&, bool)>& handler) {
    std::lock_guard lock(bus.mutex);
    for (const auto& target : bus.interfaces) {
        if (target->device_type != deviceType || target->mode != mode ||
            target->plugged == plugged) {
            continue;
        }
        target->plugged = plugged;
        if (!plugged) {
            bus.KillChannelsLocked(*target);
        }
        paths.push_back(target->info.path);
    }
    handler = bus.hotplug;
    return !paths.empty();
}

}  // namespace

bool SimHidBackend::Unplug(int deviceType, int mode) {
    std::vector<std::string> paths;
    std::function<void(const std::string&, bool)> handler;
    if (!SetPlugged(*bus_, deviceType, mode, false, paths, handler)) {
        return false;
    }
    for (const std::string& path : paths) {
        if (handler) {
            handler(path, false);
        }
    }
    return true;
}

bool SimHidBackend::Replug(int deviceType, int mode) {
    std::vector<std::string> paths;
    std::function<void(const std::string&, bool)> handler;
    if (!SetPlugged(*bus_, deviceType, mode, true, paths, handler)) {
        return false;
    }
    for (const std::string& path : paths) {
        if (handler) {
            handler(path, true);
        }
    }
    return true;
}

void SimHidBackend::SetHotplugHandler(
    std::function<void(const std::string& path, bool arrival)> handler) {
    std::lock_guard lock(bus_->mutex);
    bus_->hotplug = std::move(handler);
}

std::vector<int> SimHidBackend::DeviceTypes() const {
    std::lock_guard lock(bus_->mutex);
    std::vector<int> types;
    for (const auto& [type, keyboard] : bus_->keyboards) {
        types.push_back(type);
    }
    return types;
}

bool SimHidBackend::SetReceiverLink(int deviceType, bool linked) {
    std::lock_guard lock(bus_->mutex);
    auto it = bus_->receivers.find(deviceType);
    if (it == bus_->receivers.end()) {
        return false;
    }
    if (!it->second->SetLinked(linked)) {
        return true;
    }
    for (const auto& target : bus_->interfaces) {
        if (target->vendor && target->receiver == it->second && target->plugged) {
            bus_->DeliverLocked(*target, it->second->LinkFrame(), nullptr);
        }
    }
    return true;
}

void SimHidBackend::SetBattery(int deviceType, int level, bool charging) {
    if (auto keyboard = Keyboard(deviceType)) {
        keyboard->SetBattery(level, charging);
    }
}

size_t SimHidBackend::OpenHandles() const {
    std::lock_guard lock(bus_->mutex);
    size_t open = 0;
    for (const auto& target : bus_->interfaces) {
        for (const auto& channel : target->channels) {
            open += channel.expired() ? 0 : 1;
        }
    }
    return open;
}

std::vector<SimReport> SimHidBackend::Reports() const {
    std::lock_guard lock(bus_->mutex);
    return bus_->records;
}

void SimHidBackend::ClearReports() {
    std::lock_guard lock(bus_->mutex);
    bus_->records.clear();
}

void SimHidBackend::SetReportObserver(std::function<void(const SimReport&)> observer) {
    std::lock_guard lock(bus_->mutex);
    bus_->observer = std::move(observer);
}

void SimHidBackend::SetStateFolder(const std::string& folder) {
    std::vector<std::pair<int, std::shared_ptr<VirtualKeyboard>>> keyboards;
    {
        std::lock_guard lock(bus_->mutex);
        bus_->state_folder = folder;
        keyboards.assign(bus_->keyboards.begin(), bus_->keyboards.end());
    }
    if (folder.empty()) {
        return;
    }
    for (const auto& [type, keyboard] : keyboards) {
        keyboard->LoadState(StatePath(folder, type));
    }
}

bool SimHidBackend::SaveAll() {
    std::string folder;
    std::vector<std::pair<int, std::shared_ptr<VirtualKeyboard>>> keyboards;
    {
        std::lock_guard lock(bus_->mutex);
        folder = bus_->state_folder;
        keyboards.assign(bus_->keyboards.begin(), bus_->keyboards.end());
    }
    if (folder.empty()) {
        return true;
    }
    bool ok = true;
    for (const auto& [type, keyboard] : keyboards) {
        ok = keyboard->SaveStateIfDirty(StatePath(folder, type)) && ok;
    }
    return ok;
}

}  // namespace zanvor
