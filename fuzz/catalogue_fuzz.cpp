// config.xml is read at every start and can be edited by anyone who can write the installation
// folder: any bytes must parse without fault, and what parses must be usable as the catalogue.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/DeviceCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    zanvor::DeviceCatalogue catalogue;
    if (zanvor::ParseCatalogue(xml, "/app/", catalogue)) {
        for (const zanvor::KeyboardEntry& keyboard : catalogue.keyboards) {
            if (zanvor::FindKeyboard(catalogue.keyboards, keyboard.deviceType) == nullptr) {
                __builtin_trap();
            }
        }
        for (const zanvor::ConnectionEntry& connection : catalogue.connections) {
            zanvor::UpperCasePath(connection.hidInterface);
        }
    } else if (!catalogue.keyboards.empty() || !catalogue.connections.empty()) {
        __builtin_trap();  // a refused document leaves the catalogue empty
    }
    zanvor::ParseHexText(xml);
    zanvor::ParseDecimalText(xml);
    zanvor::DeviceTypeToSelect(zanvor::ParseDecimalText(xml));
    return 0;
}
