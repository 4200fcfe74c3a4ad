#pragma once

// The colour fields of the music renderer: images of 64 rows x 256 columns of 0x00BBGGRR
// colours (row 0 at the top) filled by one of the fill types of the music page.

#include <array>
#include <cstdint>

namespace zanvor {

inline constexpr int kImageRows = 64;
inline constexpr int kImageColumns = 256;
using ColourImage = std::array<uint32_t, kImageRows * kImageColumns>;

inline uint32_t& PixelAt(ColourImage& image, int row, int column) {
    return image[row * kImageColumns + column];
}
inline uint32_t PixelAt(const ColourImage& image, int row, int column) {
    return image[row * kImageColumns + column];
}

// Fill types of the music page's lists.
enum FillType : int {
    kFillBlack = 0,
    kFillGreenYellowRed = 1,
    kFillRedToBlue = 2,
    kFillMagentaToRed = 3,
    kFillHueWheel = 4,
    kFillCyclingColour = 5,
    kFillWhite = 6,
    kFillRed = 7,
    kFillOrange = 8,
    kFillYellow = 9,
    kFillGreen = 10,
    kFillBlue = 11,
    kFillRainbow = 17,
    kFillNone = 22,  // nothing drawn; the key colours come from the effect control
};

// Integer HSV to 0x00BBGGRR: hue in degrees (any value, taken modulo 360), saturation and
// value 0..255.
uint32_t HsvColour(int hue, int saturation, int value);
// Each of red, green and blue times s / 256.
uint32_t ScaleColour(uint32_t colour, int s);
// Fills the image with a fill type at a brightness in percent; hue is the renderer's
// current hue (types 4, 5 and 17). Unknown types and type 22 leave the image as it is.
void FillColourField(int type, int brightness, int hue, ColourImage& image);

}  // namespace zanvor
