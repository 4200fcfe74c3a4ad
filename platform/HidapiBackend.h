#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace zanvor {

// HidBackend over hidapi (hidraw). The library is initialised on first use and shut down
// when the last backend and device using it are gone. Report lengths and usages come from
// the hidraw report descriptor, read from sysfs (or with HIDIOCGRDESC on the node).
class HidapiBackend : public HidBackend {
  public:
    // `sysfsRoot` is where the kernel's sysfs is mounted ("/sys"); tests point it elsewhere.
    explicit HidapiBackend(std::string sysfsRoot = "/sys");
    ~HidapiBackend() override;

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    // `path` may be a sysfs path of a hidraw node (in any letter case, as a hotplug event
    // gives it) or the node itself (/dev/hidrawN). For a node with several top-level
    // collections, the vendor collection is reported when there is one.
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override;
    // `path` is the hidraw node hidapi enumerated (/dev/hidrawN).
    bool OpenDenied(const std::string& path) override;

  private:
    struct Library;
    std::shared_ptr<Library> library_;
    std::string sysfsRoot_;
};

std::shared_ptr<HidBackend> CreateHidapiBackend();

// The hidraw node name ("hidraw3") in a device path: the last path component of the form
// hidrawN, matched in any letter case and returned in lower case; empty when there is none.
std::string HidrawNodeName(const std::string& path);

// Reads the report descriptor of the hidraw node named in `path` from
// <sysfsRoot>/class/hidraw/<node>/device/report_descriptor; when that fails and `path` is
// a /dev node, asks the node itself (HIDIOCGRDESC). False when neither works.
bool ReadHidrawReportDescriptor(const std::string& sysfsRoot, const std::string& path,
                                std::vector<uint8_t>& descriptor);

}  // namespace zanvor
