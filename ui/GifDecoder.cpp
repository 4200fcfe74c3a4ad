#include "ui/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zanvor {

namespace {

constexpr uint32_t kBlack = 0;

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kColourTableFlag = 0x80;
constexpr uint8_t kInterlaceFlag = 0x40;

constexpr int kDisposeBackground = 2;
constexpr int kDisposePrevious = 3;

// LZW codes have at most 12 bits; a minimum code size of 11 is the largest that leaves room
// for a dictionary (browsers read up to 11, though the format names 8).
constexpr int kMaxCodeBits = 12;
constexpr int kDictionarySize = 1 << kMaxCodeBits;
constexpr int kMaxMinimumCodeSize = kMaxCodeBits - 1;

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool Byte(uint8_t& out) {
        if (position_ >= bytes_.size()) {
            return false;
        }
        out = bytes_[position_++];
        return true;
    }
    bool Word(int& out) {
        uint8_t low = 0;
        uint8_t high = 0;
        if (!Byte(low) || !Byte(high)) {
            return false;
        }
        out = low | (high << 8);
        return true;
    }
    bool Take(size_t count, std::span<const uint8_t>& out) {
        if (bytes_.size() - position_ < count) {
            return false;
        }
        out = bytes_.subspan(position_, count);
        position_ += count;
        return true;
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

// Reads data sub-blocks up to their terminator, appending their bytes to `out` when given.
// False when the file ends first.
bool ReadSubBlocks(ByteReader& reader, std::vector<uint8_t>* out) {
    for (;;) {
        uint8_t size = 0;
        if (!reader.Byte(size)) {
            return false;
        }
        if (size == 0) {
            return true;
        }
        std::span<const uint8_t> block;
        if (!reader.Take(size, block)) {
            return false;
        }
        if (out != nullptr) {
            out->insert(out->end(), block.begin(), block.end());
        }
    }
}

struct Palette {
    std::array<uint32_t, 256> colours{};  // 0x00BBGGRR
    int count = 0;
};

bool ReadPalette(ByteReader& reader, uint8_t flags, Palette& out) {
    out.count = 2 << (flags & 0x07);
    std::span<const uint8_t> bytes;
    if (!reader.Take(static_cast<size_t>(out.count) * 3, bytes)) {
        return false;
    }
    for (int i = 0; i < out.count; ++i) {
        out.colours[i] = bytes[i * 3] | (bytes[i * 3 + 1] << 8) | (bytes[i * 3 + 2] << 16);
    }
    return true;
}

// What decoders use for an image with no colour table at all: greys from black to white over
// the indexes the code size gives.
Palette GreyPalette(int minimumCodeSize) {
    Palette palette;
    palette.count = 1 << std::min(minimumCodeSize, 8);
    for (int i = 0; i < palette.count; ++i) {
        const uint32_t level = static_cast<uint32_t>(i * 255 / (palette.count - 1));
        palette.colours[i] = level | (level << 8) | (level << 16);
    }
    return palette;
}

// Decodes an image's LZW data into palette indexes, filling `out` from the start as far as
// the data goes (up to the end code, the end of the data, or a full `out`); `produced` says
// how far. False for a code the dictionary cannot hold at that point.
class LzwDecoder {
  public:
    bool Decode(std::span<const uint8_t> data, int minimumCodeSize, std::vector<uint16_t>& out,
                size_t& produced) {
        const int clear = 1 << minimumCodeSize;
        const int end = clear + 1;
        for (int i = 0; i < clear; ++i) {
            suffix_[i] = static_cast<uint16_t>(i);
            first_[i] = static_cast<uint16_t>(i);
            length_[i] = 1;
        }
        int codeSize = minimumCodeSize + 1;
        int next = clear + 2;
        int previous = -1;
        uint32_t bits = 0;
        int bitCount = 0;
        size_t position = 0;
        produced = 0;
        while (produced < out.size()) {
            while (bitCount < codeSize && position < data.size()) {
                bits |= static_cast<uint32_t>(data[position++]) << bitCount;
                bitCount += 8;
            }
            if (bitCount < codeSize) {
                break;
            }
            const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
            bits >>= codeSize;
            bitCount -= codeSize;
            if (code == clear) {
                codeSize = minimumCodeSize + 1;
                next = clear + 2;
                previous = -1;
                continue;
            }
            if (code == end) {
                break;
            }
            if (previous < 0) {
                if (code > clear) {
                    return false;
                }
            } else if (code > next) {
                return false;
            } else if (next < kDictionarySize) {
                // The new entry: the previous string and the first index of this one (of the
                // previous one when the code is the entry being made).
                prefix_[next] = static_cast<uint16_t>(previous);
                suffix_[next] = first_[code == next ? previous : code];
                first_[next] = first_[previous];
                length_[next] = static_cast<uint16_t>(length_[previous] + 1);
                ++next;
                if (next == (1 << codeSize) && codeSize < kMaxCodeBits) {
                    ++codeSize;
                }
            }
            // Written back to front; what does not fit the image is left out.
            const size_t size = length_[code];
            int at = code;
            for (size_t k = size; k-- > 0;) {
                if (produced + k < out.size()) {
                    out[produced + k] = suffix_[at];
                }
                at = prefix_[at];
            }
            produced = std::min(produced + size, out.size());
            previous = code;
        }
        return true;
    }

  private:
    std::array<uint16_t, kDictionarySize> prefix_{};
    std::array<uint16_t, kDictionarySize> suffix_{};
    std::array<uint16_t, kDictionarySize> first_{};
    std::array<uint16_t, kDictionarySize> length_{};
};

// The canvas row of each stored row of an image: in order, or in the four interlace passes.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            rows.push_back(y);
        }
        return rows;
    }
    constexpr int kFirst[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kFirst[pass]; y < height; y += kStep[pass]) {
            rows.push_back(y);
        }
    }
    return rows;
}

// Fills a rectangle of the canvas (clipped to it) with black: disposal to the background.
void ClearRect(ScreenImage& canvas, int left, int top, int width, int height) {
    for (int y = std::max(top, 0); y < std::min(top + height, canvas.height); ++y) {
        for (int x = std::max(left, 0); x < std::min(left + width, canvas.width); ++x) {
            canvas.SetPixel(x, y, kBlack);
        }
    }
}

// The graphic control extension that applies to the next image.
struct FrameControl {
    int disposal = 0;
    int transparent = -1;  // no transparent index
    int delayCs = 0;
};

}  // namespace

GifError DecodeGif(std::span<const uint8_t> bytes, const GifLimits& limits,
                   const GifFrameSink& sink) {
    if (bytes.size() < 6 || std::memcmp(bytes.data(), "GIF8", 4) != 0) {
        return GifError::kNotGif;
    }
    ByteReader reader(bytes.subspan(6));
    int canvasWidth = 0;
    int canvasHeight = 0;
    uint8_t screenFlags = 0;
    uint8_t ignored = 0;
    if (!reader.Word(canvasWidth) || !reader.Word(canvasHeight) || !reader.Byte(screenFlags) ||
        !reader.Byte(ignored) || !reader.Byte(ignored)) {
        return GifError::kDamaged;
    }
    if (canvasWidth < 1 || canvasHeight < 1) {
        return GifError::kDamaged;
    }
    if (canvasWidth > limits.maxSide || canvasHeight > limits.maxSide) {
        return GifError::kPictureTooLarge;
    }
    Palette global;
    const bool hasGlobal = (screenFlags & kColourTableFlag) != 0;
    if (hasGlobal && !ReadPalette(reader, screenFlags, global)) {
        return GifError::kDamaged;
    }

    ScreenImage canvas = ScreenImage::Filled(canvasWidth, canvasHeight, kBlack);
    FrameControl control;
    int frameCount = 0;
    uint64_t pixels = 0;
    std::vector<uint8_t> data;
    std::vector<uint16_t> indexes;
    LzwDecoder lzw;

    for (;;) {
        uint8_t introducer = 0;
        if (!reader.Byte(introducer)) {
            return GifError::kDamaged;  // cut before the trailer
        }
        if (introducer == kTrailer) {
            break;
        }
        if (introducer == kExtensionIntroducer) {
            uint8_t label = 0;
            if (!reader.Byte(label)) {
                return GifError::kDamaged;
            }
            data.clear();
            if (!ReadSubBlocks(reader, label == kGraphicControlLabel ? &data : nullptr)) {
                return GifError::kDamaged;
            }
            if (label == kGraphicControlLabel && data.size() >= 4) {
                control.disposal = (data[0] >> 2) & 0x07;
                control.transparent = (data[0] & 0x01) != 0 ? data[3] : -1;
                control.delayCs = data[1] | (data[2] << 8);
            }
            continue;
        }
        if (introducer != kImageSeparator) {
            return GifError::kDamaged;
        }

        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        uint8_t imageFlags = 0;
        if (!reader.Word(left) || !reader.Word(top) || !reader.Word(width) ||
            !reader.Word(height) || !reader.Byte(imageFlags)) {
            return GifError::kDamaged;
        }
        if (width > limits.maxSide || height > limits.maxSide) {
            return GifError::kPictureTooLarge;
        }
        Palette local;
        const bool hasLocal = (imageFlags & kColourTableFlag) != 0;
        if (hasLocal && !ReadPalette(reader, imageFlags, local)) {
            return GifError::kDamaged;
        }
        uint8_t minimumCodeSize = 0;
        if (!reader.Byte(minimumCodeSize)) {
            return GifError::kDamaged;
        }
        if (minimumCodeSize < 1 || minimumCodeSize > kMaxMinimumCodeSize) {
            return GifError::kDamaged;
        }
        data.clear();
        if (!ReadSubBlocks(reader, &data)) {
            return GifError::kDamaged;
        }
        const FrameControl frame = control;
        control = FrameControl();
        if (width == 0 || height == 0) {
            continue;  // draws nothing
        }
        if (++frameCount > limits.maxFrames) {
            return GifError::kTooManyFrames;
        }
        pixels += static_cast<uint64_t>(canvasWidth) * canvasHeight +
                  static_cast<uint64_t>(width) * height;
        if (pixels > limits.maxPixels) {
            return GifError::kPictureTooLarge;
        }

        indexes.assign(static_cast<size_t>(width) * height, 0);
        size_t produced = 0;
        if (!lzw.Decode(data, minimumCodeSize, indexes, produced)) {
            return GifError::kDamaged;
        }
        const Palette palette = hasLocal    ? local
                                : hasGlobal ? global
                                            : GreyPalette(minimumCodeSize);
        ScreenImage before;
        if (frame.disposal == kDisposePrevious) {
            before = canvas;
        }
        // Pixels the data did not reach keep what was there; parts outside the canvas are
        // cut off by SetPixel.
        const std::vector<int> rows = RowOrder(height, (imageFlags & kInterlaceFlag) != 0);
        for (size_t i = 0; i < produced; ++i) {
            const int index = indexes[i];
            if (index == frame.transparent || index >= palette.count) {
                continue;
            }
            const int x = static_cast<int>(i % static_cast<size_t>(width));
            const int y = rows[i / static_cast<size_t>(width)];
            canvas.SetPixel(left + x, top + y, palette.colours[index]);
        }
        if (sink) {
            sink(canvas, frame.delayCs * 10);
        }
        if (frame.disposal == kDisposeBackground) {
            ClearRect(canvas, left, top, width, height);
        } else if (frame.disposal == kDisposePrevious) {
            canvas = std::move(before);
        }
    }
    return frameCount == 0 ? GifError::kNoFrames : GifError::kNone;
}

}  // namespace zanvor
