#pragma once

#include <cstdint>
#include <vector>

namespace zanvor {

// A picture for the keyboard's screen: width × height pixels, four bytes each (red, green,
// blue, alpha), row by row from the top. Colours passed in and out are the program's 32-bit
// values with red in the low byte (0x00BBGGRR); pixels written through them are opaque.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    // An image of that size filled with one colour (empty for a size below 1).
    static ScreenImage Filled(int width, int height, uint32_t colour);

    bool Empty() const { return width <= 0 || height <= 0; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // 0x00BBGGRR of a pixel; 0 outside the image.
    uint32_t Pixel(int x, int y) const;
    // Sets an opaque pixel; ignored outside the image.
    void SetPixel(int x, int y, uint32_t colour);
    bool operator==(const ScreenImage&) const = default;
};

// The picture fitted into width × height: scaled by one factor so that all of it shows
// (area average when shrinking, nearest pixel when enlarging), centred on black. Transparent
// parts are laid over black as well, so the result is opaque.
ScreenImage FitImage(const ScreenImage& source, int width, int height);

// Pen and eraser strokes: a square dot of `size` pixels centred on (x, y), and a line of
// such dots from (x0, y0) to (x1, y1), both end points included.
void DrawDot(ScreenImage& image, int x, int y, int size, uint32_t colour);
void DrawLine(ScreenImage& image, int x0, int y0, int x1, int y1, int size, uint32_t colour);

// Editing commands of the frame editor's menu.
void MirrorHorizontally(ScreenImage& image);
void MirrorVertically(ScreenImage& image);
void InvertColours(ScreenImage& image);

}  // namespace zanvor
