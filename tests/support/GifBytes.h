#pragma once

// Small GIF files written byte by byte, for what encoders do not write but files out there
// hold: large LZW code sizes, no colour table at all, frames reaching past the screen.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace zanvor::test {

// The LZW data of `indexes` as literal codes only, with the code widths a decoder expects
// (a clear code first, the end code last).
inline std::vector<uint8_t> LiteralLzw(const std::vector<int>& indexes, int minimumCodeSize) {
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    const auto put = [&](int code, int width) {
        bits |= static_cast<uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            out.push_back(static_cast<uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    const int clear = 1 << minimumCodeSize;
    int width = minimumCodeSize + 1;
    int next = clear + 2;
    put(clear, width);
    for (size_t i = 0; i < indexes.size(); ++i) {
        put(indexes[i], width);
        // From the second code on, the decoder adds an entry and may widen its codes.
        if (i > 0 && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12) {
                ++width;
            }
        }
    }
    put(clear + 1, width);
    if (count > 0) {
        out.push_back(static_cast<uint8_t>(bits & 0xFF));
    }
    return out;
}

struct GifImagePart {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<int> indexes;
    int minimumCodeSize = 2;
    std::optional<int> transparent;  // a graphic control extension with this index
};

inline GifImagePart GifImage(int left, int top, int width, int height, std::vector<int> indexes,
                             int minimumCodeSize = 2,
                             std::optional<int> transparent = std::nullopt) {
    GifImagePart image;
    image.left = left;
    image.top = top;
    image.width = width;
    image.height = height;
    image.indexes = std::move(indexes);
    image.minimumCodeSize = minimumCodeSize;
    image.transparent = transparent;
    return image;
}

inline void PutWord(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// Colour table flag bits for a palette of `count` (a power of two from 2 to 256) colours.
inline uint8_t PaletteBits(size_t count) {
    uint8_t bits = 0;
    while ((2u << bits) < count) {
        ++bits;
    }
    return static_cast<uint8_t>(0x80 | bits);
}

inline void PutPalette(std::vector<uint8_t>& out, const std::vector<uint32_t>& colours) {
    for (const uint32_t colour : colours) {
        out.push_back(static_cast<uint8_t>(colour & 0xFF));
        out.push_back(static_cast<uint8_t>((colour >> 8) & 0xFF));
        out.push_back(static_cast<uint8_t>((colour >> 16) & 0xFF));
    }
}

// A GIF89a file: the logical screen, its global palette (none when empty), the images.
inline std::vector<uint8_t> GifFile(int width, int height, const std::vector<uint32_t>& global,
                                    const std::vector<GifImagePart>& images) {
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(global.empty() ? 0 : PaletteBits(global.size()));
    out.push_back(0);  // background
    out.push_back(0);  // aspect
    PutPalette(out, global);
    for (const GifImagePart& image : images) {
        if (image.transparent) {
            out.insert(out.end(),
                       {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<uint8_t>(*image.transparent), 0});
        }
        out.push_back(0x2C);
        PutWord(out, image.left);
        PutWord(out, image.top);
        PutWord(out, image.width);
        PutWord(out, image.height);
        out.push_back(0);  // no local colour table, not interlaced
        out.push_back(static_cast<uint8_t>(image.minimumCodeSize));
        const std::vector<uint8_t> data = LiteralLzw(image.indexes, image.minimumCodeSize);
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t size = std::min<size_t>(255, data.size() - at);
            out.push_back(static_cast<uint8_t>(size));
            out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                       data.begin() + static_cast<std::ptrdiff_t>(at + size));
        }
        out.push_back(0);
    }
    out.push_back(0x3B);
    return out;
}

}  // namespace zanvor::test
