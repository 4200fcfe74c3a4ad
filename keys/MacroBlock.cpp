#include "keys/MacroBlock.h"

#include <algorithm>

#include "keys/KeyCodes.h"
#include "keys/MacroSteps.h"

namespace zanvor {

namespace {

constexpr uint8_t kFlagPress = 0x80;
constexpr uint8_t kFlagKey = 0x01;
constexpr uint8_t kFlagModifier = 0x02;
constexpr uint8_t kFlagMouse = 0x03;

constexpr uint8_t kWheelCode = 0x44;
constexpr uint8_t kWheelPressFlags = 0x07;
constexpr uint8_t kWheelUpRelease = 0x01;
constexpr uint8_t kWheelDownRelease = 0xFF;

constexpr size_t kHeaderBytes = 8;
constexpr size_t kRecordHeaderBytes = 4;
constexpr size_t kStepBytes = 4;

// Modifier keys are sent by their virtual key: left/right Shift, Ctrl, Alt and Windows.
bool IsModifierKey(int virtualKey) {
    return (virtualKey >= 0xA0 && virtualKey <= 0xA5) || virtualKey == 0x5B || virtualKey == 0x5C;
}

void Put16(std::vector<uint8_t>& bytes, size_t at, size_t value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

std::array<uint8_t, 4> EncodeMacroStep(const MacroRecordData& step) {
    std::array<uint8_t, 4> out{};
    uint8_t code = 0;
    uint8_t flags = 0;
    switch (step.type) {
        case kStepKeyDown:
        case kStepKeyUp: {
            const bool modifier = IsModifierKey(step.value);
            code = static_cast<uint8_t>(modifier ? step.value : VirtualKeyToUsage(step.value));
            flags = modifier ? kFlagModifier : kFlagKey;
            if (step.type == kStepKeyDown) {
                flags |= kFlagPress;
            }
            break;
        }
        case kStepMouseDown:
            if (step.desc.find(kScrollUpName) != std::string::npos ||
                step.desc.find(kScrollDownName) != std::string::npos) {
                code = kWheelCode;
                flags = kWheelPressFlags;
            } else {
                code = static_cast<uint8_t>(step.value & 0xFF);
                flags = kFlagMouse | kFlagPress;
            }
            break;
        case kStepMouseUp:
            if (step.desc.find(kScrollUpName) != std::string::npos) {
                code = kWheelCode;
                flags = kWheelUpRelease;
            } else if (step.desc.find(kScrollDownName) != std::string::npos) {
                code = kWheelCode;
                flags = kWheelDownRelease;
            } else {
                code = static_cast<uint8_t>(step.value & 0xFF);
                flags = kFlagMouse;
            }
            break;
        default:
            return out;  // a pause: all zero
    }
    out[0] = static_cast<uint8_t>(step.delay_time & 0xFF);
    out[1] = static_cast<uint8_t>((step.delay_time >> 8) & 0xFF);
    out[2] = code;
    out[3] = flags;
    return out;
}

std::vector<std::array<uint8_t, 4>> EncodeMacroSteps(const std::vector<MacroRecordData>& steps) {
    std::vector<std::array<uint8_t, 4>> entries;
    entries.reserve(steps.size());
    // A pause extends the wait after the entry before it; `folded` marks an entry whose delay
    // grew, which saturates rather than wrapping to a short wait.
    uint32_t leadingWait = 0;
    bool leadingPause = false;
    bool folded = false;
    uint32_t delay = 0;
    const auto putDelay = [&](std::array<uint8_t, 4>& entry) {
        const uint32_t sent = folded ? std::min<uint32_t>(delay, 0xFFFF) : delay & 0xFFFF;
        entry[0] = static_cast<uint8_t>(sent & 0xFF);
        entry[1] = static_cast<uint8_t>(sent >> 8);
    };
    // Pauses before the first key get an entry of their own that only waits.
    const auto putLeadingPause = [&] {
        if (leadingPause && entries.empty()) {
            std::array<uint8_t, 4> entry{};
            delay = leadingWait;
            folded = true;
            putDelay(entry);
            entries.push_back(entry);
        }
    };
    for (const MacroRecordData& step : steps) {
        if (step.type == kStepPause) {
            const uint32_t wait = static_cast<uint32_t>(std::max(0, step.value)) +
                                  static_cast<uint32_t>(std::max(0, step.delay_time));
            if (entries.empty()) {
                leadingWait += wait;
                leadingPause = true;
            } else {
                delay += wait;
                folded = true;
                putDelay(entries.back());
            }
            continue;
        }
        putLeadingPause();
        entries.push_back(EncodeMacroStep(step));
        delay = static_cast<uint32_t>(std::max(0, step.delay_time));
        folded = false;
    }
    putLeadingPause();
    return entries;
}

int MacroStepRoom(const std::vector<int>& stepCounts, size_t position, int maximumBytes) {
    const size_t limit =
        static_cast<size_t>(std::clamp(maximumBytes, 0, int{kMacroBlockBufferSize}));
    size_t used = kHeaderBytes + 2 * stepCounts.size() + kRecordHeaderBytes;
    for (size_t i = 0; i < stepCounts.size(); ++i) {
        if (i != position && stepCounts[i] > 0) {
            used += kRecordHeaderBytes + kStepBytes * static_cast<size_t>(stepCounts[i]);
        }
    }
    return used >= limit ? 0 : static_cast<int>((limit - used) / kStepBytes);
}

MacroBlock BuildMacroBlock(const std::vector<MacroBlockMacro>& macros, int maximumBytes) {
    MacroBlock block;
    if (macros.empty()) {
        return block;
    }
    const size_t limit =
        static_cast<size_t>(std::clamp(maximumBytes, 0, int{kMacroBlockBufferSize}));
    const size_t count = macros.size();
    const size_t tableEnd = kHeaderBytes + 2 * count;
    std::vector<uint8_t> bytes(std::max(limit, tableEnd), 0);
    bytes[0] = 0xAA;
    bytes[1] = 0x55;
    Put16(bytes, 4, count);
    size_t p = tableEnd;
    for (size_t i = 0; i < count; ++i) {
        const std::vector<MacroRecordData>& steps = macros[i].steps;
        if (steps.empty()) {
            continue;
        }
        const std::vector<std::array<uint8_t, 4>> entries = EncodeMacroSteps(steps);
        const size_t recordBytes = kRecordHeaderBytes + kStepBytes * entries.size();
        if (p + recordBytes > limit) {
            block.leftOut.push_back(static_cast<int>(i));
            continue;
        }
        Put16(bytes, kHeaderBytes + 2 * i, p);
        Put16(bytes, p, entries.size());
        size_t at = p + kRecordHeaderBytes;
        for (const std::array<uint8_t, 4>& encoded : entries) {
            std::copy(encoded.begin(), encoded.end(), bytes.begin() + static_cast<long>(at));
            at += kStepBytes;
        }
        p += recordBytes;
    }
    if (p > limit) {
        // Not even the offset table fits the keyboard's memory (every macro with steps was
        // left out above): nothing can be sent.
        return block;
    }
    Put16(bytes, 2, p);
    bytes.resize(p);
    block.bytes = std::move(bytes);
    block.length = static_cast<int>(p);
    return block;
}

}  // namespace zanvor
