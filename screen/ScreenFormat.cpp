#include "screen/ScreenFormat.h"

#include <algorithm>

namespace zanvor {

namespace {

// Device type of the Vista 96, whose 160 × 80 colour screen sits beside the encoder.
constexpr int kVista96 = 103;

}  // namespace

ScreenFormat ScreenFormatOf(int deviceType) {
    if (deviceType == kVista96) {
        return ScreenFormat{160, 80};
    }
    return ScreenFormat{};
}

int SlotCapacity(int slot) {
    return slot >= 0 && slot < static_cast<int>(kSlotCapacities.size())
               ? kSlotCapacities[static_cast<size_t>(slot)]
               : 0;
}

int ClampFrameDelay(int delay) {
    return std::clamp(delay, kMinFrameDelay, kMaxFrameDelay);
}

}  // namespace zanvor
