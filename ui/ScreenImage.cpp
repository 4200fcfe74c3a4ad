#include "ui/ScreenImage.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace zanvor {

namespace {

size_t Offset(const ScreenImage& image, int x, int y) {
    return (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4;
}

// Source columns (or rows) [first, last) that make up destination pixel `index` of `count`
// when `sourceCount` pixels are scaled to `count`: several when shrinking, one when enlarging.
std::pair<int, int> SourceSpan(int index, int count, int sourceCount) {
    const auto first = static_cast<int>(static_cast<int64_t>(index) * sourceCount / count);
    auto last = static_cast<int>(static_cast<int64_t>(index + 1) * sourceCount / count);
    last = std::clamp(last, first + 1, sourceCount);
    return {first, last};
}

}  // namespace

ScreenImage ScreenImage::Filled(int width, int height, uint32_t colour) {
    ScreenImage image;
    if (width < 1 || height < 1) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        image.rgba[i] = static_cast<uint8_t>(colour & 0xFF);
        image.rgba[i + 1] = static_cast<uint8_t>((colour >> 8) & 0xFF);
        image.rgba[i + 2] = static_cast<uint8_t>((colour >> 16) & 0xFF);
        image.rgba[i + 3] = 0xFF;
    }
    return image;
}

uint32_t ScreenImage::Pixel(int x, int y) const {
    if (!Contains(x, y) || rgba.size() < Offset(*this, x, y) + 4) {
        return 0;
    }
    const size_t at = Offset(*this, x, y);
    return static_cast<uint32_t>(rgba[at]) | (static_cast<uint32_t>(rgba[at + 1]) << 8) |
           (static_cast<uint32_t>(rgba[at + 2]) << 16);
}

void ScreenImage::SetPixel(int x, int y, uint32_t colour) {
    if (!Contains(x, y) || rgba.size() < Offset(*this, x, y) + 4) {
        return;
    }
    const size_t at = Offset(*this, x, y);
    rgba[at] = static_cast<uint8_t>(colour & 0xFF);
    rgba[at + 1] = static_cast<uint8_t>((colour >> 8) & 0xFF);
    rgba[at + 2] = static_cast<uint8_t>((colour >> 16) & 0xFF);
    rgba[at + 3] = 0xFF;
}

ScreenImage FitImage(const ScreenImage& source, int width, int height) {
    ScreenImage target = ScreenImage::Filled(width, height, 0);
    if (target.Empty() || source.Empty() ||
        source.rgba.size() < static_cast<size_t>(source.width) * source.height * 4) {
        return target;
    }
    // One factor for both directions, so nothing is stretched: the limiting side fills.
    int fitWidth = width;
    int fitHeight = height;
    if (static_cast<int64_t>(source.width) * height > static_cast<int64_t>(source.height) * width) {
        fitHeight = static_cast<int>(std::max<int64_t>(
            1, (static_cast<int64_t>(source.height) * width + source.width / 2) / source.width));
    } else {
        fitWidth = static_cast<int>(std::max<int64_t>(
            1, (static_cast<int64_t>(source.width) * height + source.height / 2) / source.height));
    }
    const int left = (width - fitWidth) / 2;
    const int top = (height - fitHeight) / 2;

    for (int y = 0; y < fitHeight; ++y) {
        const auto [rowFirst, rowLast] = SourceSpan(y, fitHeight, source.height);
        for (int x = 0; x < fitWidth; ++x) {
            const auto [columnFirst, columnLast] = SourceSpan(x, fitWidth, source.width);
            uint64_t red = 0;
            uint64_t green = 0;
            uint64_t blue = 0;
            for (int sy = rowFirst; sy < rowLast; ++sy) {
                const uint8_t* pixel = &source.rgba[Offset(source, columnFirst, sy)];
                for (int sx = columnFirst; sx < columnLast; ++sx, pixel += 4) {
                    // Over black: each channel weighted by the pixel's opacity.
                    red += static_cast<uint64_t>(pixel[0]) * pixel[3];
                    green += static_cast<uint64_t>(pixel[1]) * pixel[3];
                    blue += static_cast<uint64_t>(pixel[2]) * pixel[3];
                }
            }
            const uint64_t weight = static_cast<uint64_t>(rowLast - rowFirst) *
                                    static_cast<uint64_t>(columnLast - columnFirst) * 255;
            const auto average = [weight](uint64_t sum) {
                return static_cast<uint32_t>((sum + weight / 2) / weight);
            };
            target.SetPixel(left + x, top + y,
                            average(red) | (average(green) << 8) | (average(blue) << 16));
        }
    }
    return target;
}

void DrawDot(ScreenImage& image, int x, int y, int size, uint32_t colour) {
    size = std::max(size, 1);
    const int first = -(size - 1) / 2;
    for (int dy = first; dy < first + size; ++dy) {
        for (int dx = first; dx < first + size; ++dx) {
            image.SetPixel(x + dx, y + dy, colour);
        }
    }
}

void DrawLine(ScreenImage& image, int x0, int y0, int x1, int y1, int size, uint32_t colour) {
    // Bresenham: every pixel of the line gets a dot, so fast strokes leave no gaps.
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        DrawDot(image, x0, y0, size, colour);
        if (x0 == x1 && y0 == y1) {
            break;
        }
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (doubled <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

void MirrorHorizontally(ScreenImage& image) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width / 2; ++x) {
            const uint32_t left = image.Pixel(x, y);
            image.SetPixel(x, y, image.Pixel(image.width - 1 - x, y));
            image.SetPixel(image.width - 1 - x, y, left);
        }
    }
}

void MirrorVertically(ScreenImage& image) {
    for (int y = 0; y < image.height / 2; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t upper = image.Pixel(x, y);
            image.SetPixel(x, y, image.Pixel(x, image.height - 1 - y));
            image.SetPixel(x, image.height - 1 - y, upper);
        }
    }
}

void InvertColours(ScreenImage& image) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.SetPixel(x, y, ~image.Pixel(x, y) & 0xFFFFFF);
        }
    }
}

}  // namespace zanvor
