// Report descriptors come from the device: any byte string must parse without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/HidDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<zanvor::HidTopLevelCollection> collections;
    const bool valid = zanvor::ParseHidReportDescriptor(data, size, collections);
    for (const auto& collection : collections) {
        // Lengths stay within what one report can hold (plus the report-ID byte).
        if (collection.input_report_length < 0 || collection.input_report_length > 0x10001 ||
            collection.output_report_length < 0 || collection.output_report_length > 0x10001 ||
            collection.feature_report_length < 0 || collection.feature_report_length > 0x10001) {
            std::abort();
        }
    }
    zanvor::HidInterfaceCaps caps;
    if (zanvor::InterfaceCapsFromDescriptor(data, size, caps) != (valid && !collections.empty())) {
        std::abort();
    }
    if (caps.input_report_length <= 0 || caps.output_report_length <= 0) {
        std::abort();
    }
    return 0;
}
