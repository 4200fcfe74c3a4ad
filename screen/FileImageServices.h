#pragma once

#include "ui/ImageServices.h"

namespace zanvor {

// Picture services without a desktop: PNG and GIF files are read (a GIF's first frame), PNG
// files written, and text is lettered with the 8 × 8 pixel font that comes with giflib
// (printable ASCII; other characters show as '?'), scaled to the font size.
class FileImageServices : public ImageServices {
  public:
    bool ReadPicture(const std::string& path, ScreenImage& image) override;
    bool WritePicture(const std::string& path, const ScreenImage& image) override;
    bool DrawText(ScreenImage& image, const std::string& text, int fontSize, uint32_t colour, int x,
                  int y) override;
};

}  // namespace zanvor
