#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zanvor {

// The keyboard's command interface: vendor-defined usage page and usage.
constexpr uint16_t kVendorUsagePage = 0xFF60;
constexpr uint16_t kVendorUsage = 0x61;
// Report length (report-ID byte included) assumed when a descriptor cannot be read.
constexpr int kDefaultReportLength = 65;

// One top-level (application) collection of a report descriptor. Report lengths count the
// report-ID byte, as the HID capability query reports them: the longest report of that kind
// in the collection plus one; 0 when the collection has no report of that kind.
struct HidTopLevelCollection {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    int input_report_length = 0;
    int output_report_length = 0;
    int feature_report_length = 0;
};

// Parses a HID report descriptor into its top-level collections. False for a malformed
// descriptor (truncated item, unbalanced collections, pop without push, nesting too deep);
// `collections` then holds what was complete before the fault.
bool ParseHidReportDescriptor(const uint8_t* data, size_t size,
                              std::vector<HidTopLevelCollection>& collections);

// Usage and report lengths of an interface from its report descriptor: the vendor
// collection (kVendorUsagePage/kVendorUsage) when there is one, else the first collection.
struct HidInterfaceCaps {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    int input_report_length = kDefaultReportLength;
    int output_report_length = kDefaultReportLength;
};

// False (caps left at their defaults: no usage, 65-byte reports) when the descriptor is
// malformed or has no collection. A collection without input or output reports keeps the
// 65-byte default for that direction.
bool InterfaceCapsFromDescriptor(const uint8_t* data, size_t size, HidInterfaceCaps& caps);

}  // namespace zanvor
