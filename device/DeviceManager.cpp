#include "device/DeviceManager.h"

#include <algorithm>
#include <thread>

#include "device/ReportFraming.h"
#include "platform/HidDescriptor.h"
#include "platform/Trace.h"

namespace zanvor {

DeviceManager& DeviceManager::Instance() {
    static DeviceManager instance;
    return instance;
}

DeviceManager::DeviceManager() = default;

DeviceManager::DeviceManager(std::shared_ptr<HidBackend> backend)
    : fixedBackend_(std::move(backend)) {}

DeviceManager::~DeviceManager() {
    std::vector<std::unique_ptr<DeviceRecord>> records;
    {
        std::lock_guard lock(stateMutex_);
        records.swap(records_);
        cachedHandle_ = nullptr;
    }
    records.clear();  // closes the handles before the backend goes
    scanBackend_.reset();
}

void DeviceManager::SetDelays(const Delays& delays) {
    std::lock_guard lock(delaysMutex_);
    delays_ = delays;
}

DeviceManager::Delays DeviceManager::GetDelays() const {
    std::lock_guard lock(delaysMutex_);
    return delays_;
}

std::shared_ptr<HidBackend> DeviceManager::Backend() const {
    return fixedBackend_ ? fixedBackend_ : CurrentHidBackendShared();
}

// ---- catalogue ----

void DeviceManager::AddCatalogueEntry(int vendorId, int productId, const std::string& productName,
                                      int deviceType, int mode) {
    std::lock_guard lock(catalogueMutex_);
    catalogue_.push_back(CatalogueEntry{vendorId, productId, productName, deviceType, mode});
}

void DeviceManager::ClearCatalogue() {
    std::lock_guard lock(catalogueMutex_);
    catalogue_.clear();
}

std::vector<CatalogueEntry> DeviceManager::Catalogue() const {
    std::lock_guard lock(catalogueMutex_);
    return catalogue_;
}

namespace {

const CatalogueEntry* FindEntry(const std::vector<CatalogueEntry>& catalogue, int vendorId,
                                int productId, const std::string& productString) {
    for (const CatalogueEntry& entry : catalogue) {
        if (entry.vendor_id == vendorId && entry.product_id == productId &&
            (entry.product_name.empty() || entry.product_name == productString)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

bool DeviceManager::IsProduct(int vendorId, int productId, const std::string& productString) const {
    std::lock_guard lock(catalogueMutex_);
    return FindEntry(catalogue_, vendorId, productId, productString) != nullptr;
}

int DeviceManager::DeviceTypeOf(int vendorId, int productId,
                                const std::string& productString) const {
    std::lock_guard lock(catalogueMutex_);
    const CatalogueEntry* entry = FindEntry(catalogue_, vendorId, productId, productString);
    return entry != nullptr ? entry->device_type : 0;
}

int DeviceManager::ConnectionModeOf(int vendorId, int productId,
                                    const std::string& productString) const {
    std::lock_guard lock(catalogueMutex_);
    const CatalogueEntry* entry = FindEntry(catalogue_, vendorId, productId, productString);
    return entry != nullptr ? entry->mode : 0;
}

// ---- records ----

void DeviceManager::EnumerateDevice() {
    if (!scanBackend_) {
        scanBackend_ = Backend();
    }
    const Delays delays = GetDelays();
    const std::vector<HidInterfaceInfo> interfaces = scanBackend_->Enumerate();
    std::vector<UnreachableInterface> unreachable;
    for (const HidInterfaceInfo& info : interfaces) {
        if (!IsProduct(info.vendor_id, info.product_id, info.product_string) ||
            info.usage_page != kVendorUsagePage || info.usage != kVendorUsage) {
            continue;
        }
        std::this_thread::sleep_for(delays.scan_open);
        std::unique_ptr<HidDevice> handle = scanBackend_->Open(info.path);
        if (!handle) {
            Trace("EnumerateDevice: cannot open %s\n", info.path.c_str());
            if (scanBackend_->OpenDenied(info.path)) {
                unreachable.push_back(
                    {DeviceTypeOf(info.vendor_id, info.product_id, std::string()),
                     ConnectionModeOf(info.vendor_id, info.product_id, std::string()), info.path});
            }
            continue;
        }
        auto record = std::make_unique<DeviceRecord>();
        record->vendor_id = info.vendor_id;
        record->product_id = info.product_id;
        record->product_string = info.product_string;
        record->release_number = info.release_number;
        record->device_type = DeviceTypeOf(info.vendor_id, info.product_id, std::string());
        record->mode = ConnectionModeOf(info.vendor_id, info.product_id, std::string());
        record->online = 1;
        record->battery = 100;
        record->charging = 0;
        record->handle = std::move(handle);

        if (record->mode != kModeCable) {
            uint16_t vendorId = 0;
            uint16_t productId = 0;
            QueryLinkState(record->handle.get(), false, vendorId, productId, record->online);
            if (productId == 0 && record->online != 0) {
                QueryLinkState(record->handle.get(), true, vendorId, productId, record->online);
            }
            record->device_type = DeviceTypeOf(vendorId, productId, std::string());
        }
        if (record->online == 1) {
            QueryBattery(record->handle.get(), record->battery, record->charging);
        }
        record->path = info.path;

        std::lock_guard lock(stateMutex_);
        record->index = static_cast<int>(records_.size());
        records_.push_back(std::move(record));
        cachedHandle_ = nullptr;
    }
    std::lock_guard lock(stateMutex_);
    unreachable_ = std::move(unreachable);
    active_ = true;
}

std::vector<UnreachableInterface> DeviceManager::UnreachableInterfaces() const {
    std::lock_guard lock(stateMutex_);
    return unreachable_;
}

void DeviceManager::CloseAll() {
    std::vector<std::unique_ptr<DeviceRecord>> closing;
    {
        std::lock_guard lock(stateMutex_);
        if (!active_) {
            return;
        }
        active_ = false;
        closing.swap(records_);
        cachedHandle_ = nullptr;
    }
    closing.clear();  // closes every handle (outside the lock: closing may block briefly)
    scanBackend_.reset();
}

bool DeviceManager::IsActive() const {
    std::lock_guard lock(stateMutex_);
    return active_;
}

void DeviceManager::SetActive(bool active) {
    std::lock_guard lock(stateMutex_);
    active_ = active;
}

// ---- record states ----

bool DeviceManager::GetSelectedRecords(std::vector<DeviceRecordInfo>& records) const {
    records.clear();
    std::lock_guard lock(stateMutex_);
    if (records_.empty()) {
        return false;
    }
    for (const auto& record : records_) {
        if (selectedType_ == 0 || record->device_type == selectedType_) {
            records.push_back(static_cast<const DeviceRecordInfo&>(*record));
        }
    }
    return true;
}

std::vector<DeviceRecordInfo> DeviceManager::AllRecords() const {
    std::lock_guard lock(stateMutex_);
    std::vector<DeviceRecordInfo> records;
    records.reserve(records_.size());
    for (const auto& record : records_) {
        records.push_back(static_cast<const DeviceRecordInfo&>(*record));
    }
    return records;
}

size_t DeviceManager::RecordCount() const {
    std::lock_guard lock(stateMutex_);
    return records_.size();
}

int DeviceManager::CurrentConnectionMode() const {
    std::lock_guard lock(stateMutex_);
    for (int mode : {kModeCable, kModeReceiver, kModeDirect}) {
        for (const auto& record : records_) {
            if (record->device_type == selectedType_ && record->mode == mode) {
                return mode;
            }
        }
    }
    return -1;
}

int DeviceManager::RecordOnline(int deviceType, int mode) const {
    std::lock_guard lock(stateMutex_);
    for (const auto& record : records_) {
        if (record->device_type == deviceType && record->mode == mode) {
            return record->online;
        }
    }
    return -1;
}

bool DeviceManager::WiredBattery(int deviceType, int& battery, int& charging) const {
    std::lock_guard lock(stateMutex_);
    for (const auto& record : records_) {
        if (record->device_type == deviceType && record->mode == kModeCable) {
            battery = record->battery;
            charging = record->charging;
            return true;
        }
    }
    return false;
}

int DeviceManager::RecordState(int vendorId, int productId, const std::string& productName,
                               int mode) const {
    std::lock_guard lock(stateMutex_);
    for (const auto& record : records_) {
        if (record->vendor_id == vendorId && record->product_id == productId &&
            record->mode == mode &&
            (productName.empty() || record->product_string == productName)) {
            return record->online;
        }
    }
    return -1;
}

// ---- selection and handle ----

void DeviceManager::SetSelectedDeviceType(int deviceType) {
    std::lock_guard lock(stateMutex_);
    selectedType_ = deviceType;
    cachedHandle_ = nullptr;
}

int DeviceManager::SelectedDeviceType() const {
    std::lock_guard lock(stateMutex_);
    return selectedType_;
}

void DeviceManager::ClearCachedHandle() {
    std::lock_guard lock(stateMutex_);
    cachedHandle_ = nullptr;
}

HidDevice* DeviceManager::CurrentHandle() {
    std::lock_guard lock(stateMutex_);
    if (cachedHandle_ != nullptr) {
        return cachedHandle_;
    }
    auto find = [this](int mode, bool needOnline) -> DeviceRecord* {
        for (const auto& record : records_) {
            if (record->device_type == selectedType_ && record->mode == mode &&
                (!needOnline || record->online == 1) && record->handle) {
                return record.get();
            }
        }
        return nullptr;
    };
    DeviceRecord* hit = find(kModeCable, false);
    if (hit == nullptr) {
        hit = find(kModeDirect, false);
    }
    if (hit == nullptr) {
        hit = find(kModeReceiver, true);
    }
    if (hit == nullptr) {
        return nullptr;
    }
    cachedHandle_ = hit->handle.get();
    pacingDelay_.store(hit->mode == kModeReceiver ? 6 : 2);
    return cachedHandle_;
}

int DeviceManager::ChunkSize() {
    HidDevice* handle = CurrentHandle();
    return handle != nullptr ? ChunkSizeFor(handle->OutputReportLength()) : 0;
}

bool DeviceManager::IsVendorInterface(const std::string& path) {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    return Backend()->QueryUsage(path, usagePage, usage) && usagePage == kVendorUsagePage &&
           usage == kVendorUsage;
}

// ---- receiver polling ----

bool DeviceManager::GetDeviceNotify(std::span<uint8_t> buffer, int& deviceType) {
    deviceType = 0;
    if (buffer.size() < kCommandBufferSize) {
        return false;
    }
    struct Receiver {
        DeviceRecord* record;
        HidDevice* handle;
    };
    std::vector<Receiver> receivers;
    {
        std::lock_guard lock(stateMutex_);
        for (const auto& record : records_) {
            if (record->mode == kModeReceiver && record->handle) {
                receivers.push_back({record.get(), record->handle.get()});
            }
        }
    }
    // Records are deleted only by CloseAll on this (the worker) thread, so the pointers stay
    // valid while polling.
    for (const Receiver& receiver : receivers) {
        const int read =
            receiver.handle->ReadTimeout(buffer.data(), kCommandBufferSize, kPollTimeoutMs);
        if (read <= 0) {
            continue;
        }
        if (!IsLinkFrame(buffer.data(), static_cast<size_t>(read))) {
            return true;
        }
        Trace("GetDeviceNotify 11 device notify data: %02X %02X %02X %02X %02X %02X \n", buffer[0],
              buffer[1], buffer[8], buffer[9], buffer[10], buffer[13]);
        const LinkFrame frame = ParseLinkFrame(buffer.data());
        uint16_t vendorId = frame.vendor_id;
        uint16_t productId = frame.product_id;
        int online = frame.connected ? 1 : 0;
        int battery = 0;
        int charging = 0;
        bool batteryRead = false;
        int servedType = 0;
        {
            std::lock_guard lock(stateMutex_);
            servedType = receiver.record->device_type;
            receiver.record->online = online;
            battery = receiver.record->battery;
            charging = receiver.record->charging;
            cachedHandle_ = nullptr;
        }
        if (productId == 0 && frame.connected) {
            QueryLinkState(receiver.handle, true, vendorId, productId, online);
            batteryRead = QueryBattery(receiver.handle, battery, charging);
        }
        deviceType = DeviceTypeOf(vendorId, productId, std::string());
        if (deviceType == 0 && !frame.connected) {
            // A receiver no longer names a keyboard that has gone off the air; the record
            // still knows which one it served, so the link-down reaches that keyboard's
            // session instead of leaving it online.
            deviceType = servedType;
        }
        std::lock_guard lock(stateMutex_);
        if (batteryRead) {
            receiver.record->battery = battery;
            receiver.record->charging = charging;
        }
        receiver.record->device_type = deviceType;
        cachedHandle_ = nullptr;
        return true;
    }
    return false;
}

}  // namespace zanvor
