#include "platform/HidDescriptor.h"

#include <algorithm>
#include <map>

namespace zanvor {

namespace {

// Item types and tags of short items (HID 1.11, section 6.2.2).
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};
enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
enum LocalTag : uint8_t { kUsage = 0x0 };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr size_t kMaxStackDepth = 32;
constexpr size_t kMaxCollectionDepth = 64;
// Bits per report are capped well above any real report so the arithmetic cannot overflow.
constexpr uint64_t kMaxReportBits = 8ull * 0x10000;

struct GlobalState {
    uint32_t usage_page = 0;
    uint32_t report_size = 0;
    uint32_t report_count = 0;
    uint32_t report_id = 0;
};

// Report bits per report ID, for one kind of report.
using ReportBits = std::map<uint32_t, uint64_t>;

int LengthOf(const ReportBits& reports) {
    uint64_t longest = 0;
    for (const auto& [id, bits] : reports) {
        longest = std::max(longest, (bits + 7) / 8);
    }
    return longest == 0 ? 0 : static_cast<int>(longest + 1);
}

}  // namespace

bool ParseHidReportDescriptor(const uint8_t* data, size_t size,
                              std::vector<HidTopLevelCollection>& collections) {
    collections.clear();
    if (data == nullptr) {
        return size == 0;
    }
    GlobalState global;
    std::vector<GlobalState> stack;
    std::vector<uint32_t> usages;  // local usages since the last main item
    size_t depth = 0;
    HidTopLevelCollection current;
    ReportBits input;
    ReportBits output;
    ReportBits feature;

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == kLongItemPrefix) {
            if (size - pos < 3) {
                return false;
            }
            const size_t length = data[pos + 1];
            if (size - pos - 3 < length) {
                return false;
            }
            pos += 3 + length;
            continue;
        }
        const size_t dataSize = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        if (size - pos - 1 < dataSize) {
            return false;
        }
        uint32_t value = 0;
        for (size_t i = 0; i < dataSize; ++i) {
            value |= static_cast<uint32_t>(data[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + dataSize;

        if (type == kGlobal) {
            switch (tag) {
                case kUsagePage:
                    global.usage_page = value;
                    break;
                case kReportSize:
                    global.report_size = value;
                    break;
                case kReportCount:
                    global.report_count = value;
                    break;
                case kReportId:
                    global.report_id = value;
                    break;
                case kPush:
                    if (stack.size() >= kMaxStackDepth) {
                        return false;
                    }
                    stack.push_back(global);
                    break;
                case kPop:
                    if (stack.empty()) {
                        return false;
                    }
                    global = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        } else if (type == kLocal) {
            if (tag == kUsage) {
                // A 4-byte usage carries its own page in the high half.
                usages.push_back(dataSize == 4 ? value : (global.usage_page << 16) | value);
            }
        } else if (type == kMain) {
            switch (tag) {
                case kCollection:
                    if (depth >= kMaxCollectionDepth) {
                        return false;
                    }
                    if (depth == 0) {
                        const uint32_t usage =
                            usages.empty() ? (global.usage_page << 16) : usages.front();
                        current = HidTopLevelCollection{};
                        current.usage_page = static_cast<uint16_t>(usage >> 16);
                        current.usage = static_cast<uint16_t>(usage & 0xFFFF);
                        input.clear();
                        output.clear();
                        feature.clear();
                    }
                    ++depth;
                    break;
                case kEndCollection:
                    if (depth == 0) {
                        return false;
                    }
                    if (--depth == 0) {
                        current.input_report_length = LengthOf(input);
                        current.output_report_length = LengthOf(output);
                        current.feature_report_length = LengthOf(feature);
                        collections.push_back(current);
                    }
                    break;
                case kInput:
                case kOutput:
                case kFeature:
                    if (depth > 0) {
                        ReportBits& reports =
                            tag == kInput ? input : (tag == kOutput ? output : feature);
                        uint64_t& bits = reports[global.report_id];
                        const uint64_t added = static_cast<uint64_t>(global.report_size) *
                                               static_cast<uint64_t>(global.report_count);
                        bits = std::min(kMaxReportBits, bits + std::min(added, kMaxReportBits));
                    }
                    break;
                default:
                    break;
            }
            usages.clear();
        }
    }
    return depth == 0;
}

bool InterfaceCapsFromDescriptor(const uint8_t* data, size_t size, HidInterfaceCaps& caps) {
    caps = HidInterfaceCaps{};
    std::vector<HidTopLevelCollection> collections;
    if (!ParseHidReportDescriptor(data, size, collections) || collections.empty()) {
        return false;
    }
    auto chosen = std::find_if(collections.begin(), collections.end(), [](const auto& c) {
        return c.usage_page == kVendorUsagePage && c.usage == kVendorUsage;
    });
    if (chosen == collections.end()) {
        chosen = collections.begin();
    }
    caps.usage_page = chosen->usage_page;
    caps.usage = chosen->usage;
    if (chosen->input_report_length > 0) {
        caps.input_report_length = chosen->input_report_length;
    }
    if (chosen->output_report_length > 0) {
        caps.output_report_length = chosen->output_report_length;
    }
    return true;
}

}  // namespace zanvor
