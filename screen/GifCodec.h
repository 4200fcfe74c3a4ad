#pragma once

// Animated GIF files in and out: reading files through the program's GIF decoder into whole
// frames with their display times, and encoding frames with per-frame display times into an
// animated GIF that loops forever (through giflib).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ui/GifDecoder.h"
#include "ui/ScreenImage.h"

namespace zanvor {

// Reads the file (refused above the size limit before it is read) and decodes it.
GifError ReadGifFile(const std::string& path, const GifLimits& limits, const GifFrameSink& sink);

// The frames of a GIF file fitted into width × height (FitImage), with their display times
// in milliseconds (0 = none given), and the file's canvas size.
struct GifFrames {
    int canvasWidth = 0;
    int canvasHeight = 0;
    std::vector<ScreenImage> frames;
    std::vector<int> delaysMs;
};
GifError ReadGifFitted(const std::string& path, int width, int height, GifFrames& out,
                       const GifLimits& limits = {});

// Writes the frames as a GIF89a animation that loops forever, each frame with its display
// time (milliseconds, stored to the nearest hundredth of a second). The canvas is the first
// frame's size; other sizes are fitted into it. Frames of at most 256 colours keep them
// exactly; others are reduced to 256. The file is written beside the destination and renamed
// over it, so a failure leaves no half-written file; something other than a regular file at
// the destination (a device, a FIFO, a link, a folder) is refused, not replaced. kNoFrames for
// an empty list, kUnreadable when the file cannot be written (in `problem`, in one line, what is
// wrong with the destination when that is why).
GifError WriteGif(const std::string& path, const std::vector<ScreenImage>& frames,
                  const std::vector<int>& delaysMs, std::string* problem = nullptr);

}  // namespace zanvor
