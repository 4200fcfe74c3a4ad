#include "keys/MacroSteps.h"

#include <algorithm>
#include <cctype>

namespace zanvor {

namespace {

constexpr const char* kPressArrow = "\u2193  ";
constexpr const char* kReleaseArrow = "\u2191  ";
constexpr size_t kArrowBytes = 5;  // the arrow (3 bytes of UTF-8) and two spaces

// Bytes the block needs besides the steps, as the step capacity counts them.
constexpr int kCapacityOverhead = 40;
constexpr int kStepBytes = 4;

}  // namespace

bool IsPressStep(int type) {
    return type == kStepKeyDown || type == kStepMouseDown;
}

bool IsKeyStep(int type) {
    return type == kStepKeyDown || type == kStepKeyUp;
}

bool IsMouseStep(int type) {
    return type == kStepMouseDown || type == kStepMouseUp;
}

std::string StepText(int type, const std::string& name) {
    return (IsPressStep(type) ? kPressArrow : kReleaseArrow) + name;
}

std::string StepName(const std::string& text) {
    if (text.rfind(kPressArrow, 0) == 0 || text.rfind(kReleaseArrow, 0) == 0) {
        return text.substr(kArrowBytes);
    }
    return text;
}

std::string PauseText(int milliseconds) {
    return std::to_string(milliseconds) + " ms";
}

std::string MouseButtonName(int bit) {
    switch (bit) {
        case kMouseLeft:
            return "MouseL";
        case kMouseRight:
            return "MouseR";
        case kMouseMiddle:
            return "MouseM";
        case kMouseBack:
            return "Backward";
        case kMouseForward:
            return "Forward";
        default:
            return {};
    }
}

int MacroStepCapacity(int capacityBytes) {
    return std::max(0, (capacityBytes - kCapacityOverhead) / kStepBytes);
}

int ClampPause(int milliseconds) {
    return std::clamp(milliseconds, kMinPause, kMaxPause);
}

int ClampStepDelay(int milliseconds) {
    return std::clamp(milliseconds, 0, kMaxStepDelay);
}

int LeadingNumber(const std::string& text, int fallback) {
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) {
        return fallback;
    }
    long value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = std::min<long>(value * 10 + (text[pos] - '0'), 1000000000L);
        ++pos;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace zanvor
