#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/DeviceCatalogue.h"
#include "platform/HidBackend.h"

namespace zanvor {

// What the manager knows about one opened keyboard interface; a plain copy that any thread
// may hold.
struct DeviceRecordInfo {
    int index = 0;  // number of records that existed when this one was created
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string path;
    std::string product_string;
    int release_number = 0;
    int device_type = 0;  // keyboard model; for a receiver, of the keyboard behind it
    int mode = kModeCable;
    int online = 1;  // keyboard reachable (receivers: their link state)
    int battery = 100;
    int charging = 0;
};

// One opened interface, owned by the DeviceManager from one scan to the next. Only the
// worker thread uses the handle.
struct DeviceRecord : DeviceRecordInfo {
    std::unique_ptr<HidDevice> handle;
};

}  // namespace zanvor
