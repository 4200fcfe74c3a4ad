#include "screen/FileImageServices.h"

#include <gif_lib.h>

#include <algorithm>
#include <vector>

#include "platform/FileRead.h"
#include "screen/GifCodec.h"
#include "screen/PngFile.h"

namespace zanvor {

namespace {

bool StartsWith(const std::vector<uint8_t>& bytes, std::string_view signature) {
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin(),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace

bool FileImageServices::ReadPicture(const std::string& path, ScreenImage& image) {
    image = ScreenImage();
    // Only a regular file, read without waiting and only up to the limit.
    std::vector<uint8_t> bytes;
    if (ReadRegularFile(path, kMaxUserFileBytes, bytes) != FileReadResult::kOk) {
        return false;
    }
    if (StartsWith(bytes, "GIF8")) {
        GifLimits limits;
        limits.maxFrames = 1;
        if (bytes.size() > limits.maxFileBytes) {
            return false;
        }
        bool first = true;
        ScreenImage read;
        // Only the first frame is wanted: the second one ends the decoding with an error
        // that is of no interest here.
        const GifError result = DecodeGif(bytes, limits, [&](const ScreenImage& canvas, int) {
            if (first) {
                read = canvas;
                first = false;
            }
        });
        if (read.Empty() || (result != GifError::kNone && result != GifError::kTooManyFrames)) {
            return false;
        }
        image = std::move(read);
        return true;
    }
    return DecodePng(bytes, image);
}

bool FileImageServices::WritePicture(const std::string& path, const ScreenImage& image) {
    return WritePng(path, image);
}

bool FileImageServices::DrawText(ScreenImage& image, const std::string& text, int fontSize,
                                 uint32_t colour, int x, int y) {
    if (text.empty() || image.Empty()) {
        return false;
    }
    // The font's cells are 8 × 8; each font pixel becomes a square of `scale` pixels.
    const int scale = std::max(1, (fontSize + GIF_FONT_HEIGHT / 2) / GIF_FONT_HEIGHT);
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // One '?' per UTF-8 sequence: skip its continuation bytes.
            while (i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            shown.push_back('?');
        } else {
            shown.push_back(c < 0x20 ? ' ' : static_cast<char>(c));
        }
    }
    const int width = static_cast<int>(shown.size()) * GIF_FONT_WIDTH * scale;
    const int left = x - width / 2;
    const int top = y - GIF_FONT_HEIGHT * scale / 2;
    for (size_t n = 0; n < shown.size(); ++n) {
        const unsigned char* glyph = GifAsciiTable8x8[static_cast<unsigned char>(shown[n])];
        for (int row = 0; row < GIF_FONT_HEIGHT; ++row) {
            for (int column = 0; column < GIF_FONT_WIDTH; ++column) {
                // giflib's own drawing reads column j from bit (8 - j) of the row.
                if ((glyph[row] & (1u << (GIF_FONT_WIDTH - column))) == 0) {
                    continue;
                }
                const int px = left + (static_cast<int>(n) * GIF_FONT_WIDTH + column) * scale;
                const int py = top + row * scale;
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        image.SetPixel(px + dx, py + dy, colour);
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace zanvor
