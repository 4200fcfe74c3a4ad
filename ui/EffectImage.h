#pragma once

// Pictures and animated GIFs for the picture mode of the effect control, decoded into frames
// of 0x00BBGGRR pixels with their display times.

#include <cstdint>
#include <string>
#include <vector>

namespace zanvor {

struct EffectImage {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint32_t>> frames;  // width x height each, row by row
    std::vector<int> delaysMs;                  // per frame
    int totalMs = 0;

    bool Empty() const { return frames.empty(); }
    // The frame shown `ms` after the start (the animation loops).
    const std::vector<uint32_t>& FrameAt(double ms) const;
    // The pixel at (u, v) in 0..1 of the frame, nearest sample.
    uint32_t Sample(const std::vector<uint32_t>& frame, double u, double v) const;
};

enum class ImageLoadResult {
    kLoaded,
    kUnreadable,  // missing, unreadable or not a picture
    kVideo,       // a video file: not played
};

// Loads a GIF (every frame), JPEG, PNG or BMP file. Video files (by their name) are refused
// with kVideo. Frames without a delay of their own show for 100 ms.
ImageLoadResult LoadEffectImage(const std::string& path, EffectImage& out);

}  // namespace zanvor
