#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/ScreenImage.h"

namespace zanvor {

// Reading, writing and lettering the pictures of screen frames. The screen library's own
// implementation reads PNG and GIF files and letters with a small built-in font; the desktop
// program's reads every picture format Qt knows and letters with the desktop's fonts.
// Implementations are safe to call from any thread.
class ImageServices {
  public:
    virtual ~ImageServices() = default;

    // Reads a picture file (the first frame of an animation). False, with `image` emptied,
    // when the file is missing, not a picture this reader knows, damaged or too large.
    virtual bool ReadPicture(const std::string& path, ScreenImage& image) = 0;
    // Writes the picture as a PNG file, replacing the file as a whole (a failed write leaves
    // the old file). False when it could not be written.
    virtual bool WritePicture(const std::string& path, const ScreenImage& image) = 0;
    // Letters `text` (UTF-8) onto the picture, centred on (x, y), `fontSize` pixels high.
    // False when nothing could be drawn.
    virtual bool DrawText(ScreenImage& image, const std::string& text, int fontSize,
                          uint32_t colour, int x, int y) = 0;
};

}  // namespace zanvor
