#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zanvor {

// One HID interface as the enumeration reports it.
struct HidInterfaceInfo {
    std::string path;  // platform device path, used to open the interface
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string product_string;  // UTF-8
    uint16_t release_number = 0;
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    int interface_number = -1;
};

// One opened interface. Only the worker thread uses an opened device.
class HidDevice {
  public:
    virtual ~HidDevice() = default;
    // Writes one output report; data[0] is the report ID. Bytes written, or -1.
    virtual int Write(const uint8_t* data, size_t length) = 0;
    // Reads one input report (without report ID) waiting at most timeoutMs.
    // Bytes read, 0 on time-out, -1 on error.
    virtual int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) = 0;
    // Report lengths counting the report-ID byte (65 when the descriptor cannot be read).
    virtual int OutputReportLength() const = 0;
    virtual int InputReportLength() const = 0;
};

// The machine's HID interfaces. The default is hidapi over hidraw; the virtual keyboards
// and the tests install their own.
class HidBackend {
  public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
    // Usage page and usage of the interface behind a hotplug path; false when it cannot be
    // opened or its report descriptor cannot be read.
    virtual bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) = 0;
    // After Open failed: true when the interface is there but this user may not open it (the
    // device node's permissions), so the user can be told how to get access.
    virtual bool OpenDenied(const std::string& /*path*/) { return false; }
};

// The process-wide backend. Until one is installed, the hidapi backend is used.
HidBackend& CurrentHidBackend();
std::shared_ptr<HidBackend> CurrentHidBackendShared();
void InstallHidBackend(std::shared_ptr<HidBackend> backend);

}  // namespace zanvor
