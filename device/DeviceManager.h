#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "platform/HidBackend.h"

namespace zanvor {

class MWindow;

// One connection entry of a catalogued keyboard model.
struct CatalogueEntry {
    int vendor_id = 0;
    int product_id = 0;
    std::string product_name;  // empty: any product string matches
    int device_type = 0;
    int mode = kModeCable;
};

// A catalogued keyboard interface that the last scan found but could not open because this
// user may not (the device node's permissions: no udev rule gives access).
struct UnreachableInterface {
    int device_type = 0;
    int mode = kModeCable;
    std::string path;
};

// The process-wide owner of the opened keyboard interfaces: catalogue matching, the scan,
// the records, the handle commands go to, receiver polling and the report exchanges.
//
// Threads: the scan, CloseAll, polling and every exchange run on the worker thread, the only
// thread that uses device handles. The selection, the cached handle, the record list and the
// record fields are guarded by one mutex that is never held during device I/O, so the UI
// thread may change the selection or read record states at any time without waiting for an
// exchange.
class DeviceManager {
  public:
    // Sleeps of the scan and of the exchanges; tests shorten them.
    struct Delays {
        std::chrono::milliseconds scan_open{200};  // before opening each supported interface
        std::chrono::milliseconds link_query{10};  // before each link state query
        bool pacing = true;                        // sleep the pacing delay before exchanges
    };

    // The process-wide manager, created on first use; uses the current HID backend.
    static DeviceManager& Instance();

    // A manager that scans the HID backend current at each scan.
    DeviceManager();
    // A manager bound to one backend (tests).
    explicit DeviceManager(std::shared_ptr<HidBackend> backend);
    ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // Main window receiving message 0x6B3 on link notifications; may be null.
    void SetNotifyWindow(MWindow* window) { notifyWindow_.store(window); }
    MWindow* NotifyWindow() const { return notifyWindow_.load(); }

    void SetDelays(const Delays& delays);
    Delays GetDelays() const;

    // ---- catalogue (filled while the device catalogue is read) ----
    void AddCatalogueEntry(int vendorId, int productId, const std::string& productName,
                           int deviceType, int mode);
    void ClearCatalogue();
    std::vector<CatalogueEntry> Catalogue() const;
    // The first entry with these IDs whose product name is empty or equals productString.
    bool IsProduct(int vendorId, int productId, const std::string& productString) const;
    int DeviceTypeOf(int vendorId, int productId, const std::string& productString) const;
    int ConnectionModeOf(int vendorId, int productId, const std::string& productString) const;

    // ---- records (worker thread) ----
    // Opens the vendor interface of every supported keyboard and appends a record for each.
    void EnumerateDevice();
    // Closes and deletes every record (only after a scan made the manager active).
    void CloseAll();
    bool IsActive() const;
    void SetActive(bool active);

    // ---- record states (any thread) ----
    // False without records; else copies of all records (no selection) or of the selected
    // device type's records.
    bool GetSelectedRecords(std::vector<DeviceRecordInfo>& records) const;
    // Copies of every record, whatever the selection.
    std::vector<DeviceRecordInfo> AllRecords() const;
    // Keyboard interfaces of the last scan that this user may not open.
    std::vector<UnreachableInterface> UnreachableInterfaces() const;
    size_t RecordCount() const;
    // For the selected device type: 0, 1 or 2 for the best connection present, else -1.
    int CurrentConnectionMode() const;
    // Online field of the first record of that type and mode, or -1.
    int RecordOnline(int deviceType, int mode) const;
    // Battery and charging of the first cabled record of that type; false when none.
    bool WiredBattery(int deviceType, int& battery, int& charging) const;
    // Online field of the first record with these IDs and mode whose product string equals
    // productName (any when empty), or -1.
    int RecordState(int vendorId, int productId, const std::string& productName, int mode) const;

    // ---- selection (any thread) ----
    // 0 = none. Changing it drops the cached handle; the worker resolves the new one when it
    // next needs it.
    void SetSelectedDeviceType(int deviceType);
    int SelectedDeviceType() const;
    void ClearCachedHandle();

    // ---- handle (worker thread) ----
    // The interface commands go to for the selected device type: cable, then direct, then
    // a receiver whose keyboard is online. Null when there is none.
    HidDevice* CurrentHandle();
    // Milliseconds slept before SendCommand and WriteBlock: 2 (cable, direct) or 6 (receiver).
    int PacingDelay() const { return pacingDelay_.load(); }
    // Largest payload of one report on the current handle (56 or 24); 0 without a handle.
    int ChunkSize();

    // True when the interface behind a hotplug path is the keyboard's command interface.
    bool IsVendorInterface(const std::string& path);

    // Polls every receiver once (5 ms each). True when one gave a report; `buffer` (at least
    // 65 bytes) then holds it. For a link frame the record is updated and deviceType is the
    // keyboard behind the receiver; otherwise deviceType is 0.
    bool GetDeviceNotify(std::span<uint8_t> buffer, int& deviceType);

    // ---- report exchanges (worker thread; implemented in ReportFraming.cpp) ----
    // One read; a link frame read here is posted to the notify window as 0x6B3.
    int HIDReadTimeout(HidDevice* handle, uint8_t* buffer, size_t length, int timeoutMs);
    // `buffer`: at least 65 bytes, request payload without report ID (0xAA, command, offset
    // low, offset high, length, 0, 0, 0, data...). On return it holds 64 bytes of what was
    // read. False only without a current handle (or a buffer shorter than 65 bytes).
    bool SendCommand(std::span<uint8_t> buffer);
    // As SendCommand with fixed 65-byte reports, no length capping, no pacing, 2 ms reply.
    bool SendCommandRaw(std::span<uint8_t> buffer);
    // Sends `data` in chunks; on success `data` holds what the device returned per chunk.
    // On failure `data` is unchanged.
    bool WriteBlock(uint8_t command, std::span<uint8_t> data);
    // As WriteBlock for live streams: no pacing, 36 ms reply, echo of command and offset
    // checked.
    bool WriteBlockChecked(uint8_t command, std::span<uint8_t> data);

    // Link state of a receiver: with askKeyboardFirst, the begin command is tried first and a
    // keyboard answering with vendor 0x36B0 counts as connected. `online` is set only when an
    // answer said something (1 connected, 0 not). False without a handle or when the link
    // query cannot be written.
    bool QueryLinkState(HidDevice* handle, bool askKeyboardFirst, uint16_t& vendorId,
                        uint16_t& productId, int& online);
    // Battery level and charging flag; a level of 0 or less reads as 100 and not charging.
    // False without a handle.
    bool QueryBattery(HidDevice* handle, int& battery, int& charging);

  private:
    bool TransferBlock(uint8_t command, std::span<uint8_t> data, bool checked);
    void Pace();
    std::shared_ptr<HidBackend> Backend() const;

    const std::shared_ptr<HidBackend> fixedBackend_;  // null: the current backend per scan
    std::shared_ptr<HidBackend> scanBackend_;         // backend of the open records (worker only)
    std::atomic<MWindow*> notifyWindow_{nullptr};
    std::atomic<int> pacingDelay_{6};

    mutable std::mutex catalogueMutex_;  // guards catalogue_
    std::vector<CatalogueEntry> catalogue_;

    mutable std::mutex delaysMutex_;  // guards delays_
    Delays delays_;

    // Guards records_ (list and fields; handles are used outside it, by the worker only),
    // unreachable_, active_, selectedType_ and cachedHandle_.
    mutable std::mutex stateMutex_;
    std::vector<std::unique_ptr<DeviceRecord>> records_;
    std::vector<UnreachableInterface> unreachable_;
    bool active_ = false;
    int selectedType_ = 0;
    HidDevice* cachedHandle_ = nullptr;
};

}  // namespace zanvor
