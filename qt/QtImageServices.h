#pragma once

#include <QImage>

#include "screen/FileImageServices.h"

namespace zanvor {

// Picture services of the desktop program: every picture format Qt reads (JPEG, BMP, GIF,
// PNG, ...) through QImageReader, and text lettered with the desktop's fonts. PNG files are
// written by the library's own writer, as without a desktop.
class QtImageServices : public FileImageServices {
  public:
    bool ReadPicture(const std::string& path, ScreenImage& image) override;
    bool DrawText(ScreenImage& image, const std::string& text, int fontSize, uint32_t colour, int x,
                  int y) override;
};

// Conversions between the program's pictures and Qt's.
QImage ToQImage(const ScreenImage& image);
ScreenImage FromQImage(const QImage& image);

}  // namespace zanvor
