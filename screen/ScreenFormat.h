#pragma once

#include <array>

namespace zanvor {

// The small screen some keyboards carry: its size in pixels. Frames of its animations are
// stored in exactly this size.
struct ScreenFormat {
    int width = 0;
    int height = 0;
    bool Present() const { return width > 0 && height > 0; }
    bool operator==(const ScreenFormat&) const = default;
};

// The screen of a keyboard model; an absent format for a model without one.
ScreenFormat ScreenFormatOf(int deviceType);

// The keyboard's screen has this many slots, and the program carries as many factory
// animations per model.
inline constexpr int kScreenSlotCount = 1;
// Frames a slot holds, per slot position 0-4.
inline constexpr std::array<int, 5> kSlotCapacities = {256, 256, 256, 256, 256};
// Capacity of a slot position; 0 for positions beyond the table.
int SlotCapacity(int slot);

// Display time of a frame, in milliseconds: what the user may choose, what frames made from
// pictures start with, and what a single frame that gives none gets.
inline constexpr int kMinFrameDelay = 30;
inline constexpr int kMaxFrameDelay = 500;
inline constexpr int kPictureFrameDelay = 50;
inline constexpr int kUnspecifiedFrameDelay = 100;
int ClampFrameDelay(int delay);

}  // namespace zanvor
