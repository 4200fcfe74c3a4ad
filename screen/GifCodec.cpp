#include "screen/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <unordered_map>

#include "platform/FileRead.h"
#include "platform/FileWrite.h"
#include "screen/PngFile.h"

namespace zanvor {

namespace {

// ---- encoding ----------------------------------------------------------------------------

struct ColourMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapDeleter>;

// One frame as palette indexes and its palette.
struct IndexedFrame {
    std::vector<GifPixelType> indexes;
    ColourMap palette;
};

// A colour map of `count` colours padded to the power of two a GIF palette needs.
ColourMap MakePalette(const std::vector<GifColorType>& colours) {
    int size = 2;
    while (size < static_cast<int>(colours.size())) {
        size *= 2;
    }
    std::vector<GifColorType> padded(static_cast<size_t>(size), GifColorType{0, 0, 0});
    std::copy(colours.begin(), colours.end(), padded.begin());
    return ColourMap(GifMakeMapObject(size, padded.data()));
}

// The frame's own colours when there are at most 256, so pictures drawn with few colours
// come back unchanged; nullopt-like false when there are more.
bool IndexExactly(const ScreenImage& image, IndexedFrame& out) {
    std::unordered_map<uint32_t, GifPixelType> seen;
    std::vector<GifColorType> colours;
    out.indexes.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t colour = image.Pixel(x, y);
            auto found = seen.find(colour);
            if (found == seen.end()) {
                if (colours.size() == 256) {
                    return false;
                }
                found = seen.emplace(colour, static_cast<GifPixelType>(colours.size())).first;
                colours.push_back(GifColorType{static_cast<GifByteType>(colour & 0xFF),
                                               static_cast<GifByteType>((colour >> 8) & 0xFF),
                                               static_cast<GifByteType>((colour >> 16) & 0xFF)});
            }
            out.indexes[static_cast<size_t>(y) * image.width + x] = found->second;
        }
    }
    out.palette = MakePalette(colours);
    return out.palette != nullptr;
}

// More than 256 colours: giflib's median-cut reduction to 256.
bool IndexQuantised(const ScreenImage& image, IndexedFrame& out) {
    const size_t count = static_cast<size_t>(image.width) * image.height;
    std::vector<GifByteType> red(count);
    std::vector<GifByteType> green(count);
    std::vector<GifByteType> blue(count);
    for (size_t i = 0; i < count; ++i) {
        red[i] = image.rgba[i * 4];
        green[i] = image.rgba[i * 4 + 1];
        blue[i] = image.rgba[i * 4 + 2];
    }
    out.indexes.resize(count);
    std::vector<GifColorType> colours(256);
    int size = 256;
    if (GifQuantizeBuffer(static_cast<unsigned>(image.width), static_cast<unsigned>(image.height),
                          &size, red.data(), green.data(), blue.data(), out.indexes.data(),
                          colours.data()) == GIF_ERROR) {
        return false;
    }
    colours.resize(static_cast<size_t>(std::clamp(size, 1, 256)));
    out.palette = MakePalette(colours);
    return out.palette != nullptr;
}

int WriteToMemory(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::string*>(gif->UserData);
    const size_t count = static_cast<size_t>(std::max(length, 0));
    bytes->append(reinterpret_cast<const char*>(data), count);
    return static_cast<int>(count);
}

bool WriteFrames(GifFileType* gif, const std::vector<IndexedFrame>& frames,
                 const std::vector<int>& delaysMs, int width, int height) {
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 8, 0, frames[0].palette.get()) == GIF_ERROR) {
        return false;
    }
    // NETSCAPE2.0 application block: loop forever.
    static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoopForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, sizeof(kNetscape), kNetscape) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, sizeof(kLoopForever), kLoopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif) == GIF_ERROR) {
        return false;
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        const int delayMs = i < delaysMs.size() ? std::max(delaysMs[i], 0) : 0;
        control.DelayTime = std::min((delayMs + 5) / 10, 0xFFFF);
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
            GIF_ERROR) {
            return false;
        }
        // The first frame uses the global palette; the others carry their own.
        const ColorMapObject* local = i == 0 ? nullptr : frames[i].palette.get();
        if (EGifPutImageDesc(gif, 0, 0, width, height, false, local) == GIF_ERROR) {
            return false;
        }
        for (int y = 0; y < height; ++y) {
            auto* row = const_cast<GifPixelType*>(frames[i].indexes.data() +
                                                  static_cast<size_t>(y) * width);
            if (EGifPutLine(gif, row, width) == GIF_ERROR) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

GifError ReadGifFile(const std::string& path, const GifLimits& limits, const GifFrameSink& sink) {
    // Only a regular file, read without waiting and only up to the limit.
    std::vector<uint8_t> bytes;
    switch (ReadRegularFile(path, limits.maxFileBytes, bytes)) {
        case FileReadResult::kOk:
            break;
        case FileReadResult::kTooLarge:
            return GifError::kFileTooLarge;
        default:
            return GifError::kUnreadable;
    }
    return DecodeGif(bytes, limits, sink);
}

GifError ReadGifFitted(const std::string& path, int width, int height, GifFrames& out,
                       const GifLimits& limits) {
    GifFrames read;
    const GifError result = ReadGifFile(path, limits, [&](const ScreenImage& canvas, int delayMs) {
        read.canvasWidth = canvas.width;
        read.canvasHeight = canvas.height;
        read.frames.push_back(FitImage(canvas, width, height));
        read.delaysMs.push_back(delayMs);
    });
    if (result == GifError::kNone) {
        out = std::move(read);
    }
    return result;
}

GifError WriteGif(const std::string& path, const std::vector<ScreenImage>& frames,
                  const std::vector<int>& delaysMs, std::string* problem) {
    if (frames.empty() || frames[0].Empty()) {
        return GifError::kNoFrames;
    }
    const int width = frames[0].width;
    const int height = frames[0].height;
    std::vector<IndexedFrame> indexed(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        const bool sameSize = frames[i].width == width && frames[i].height == height;
        const ScreenImage fitted = sameSize ? ScreenImage() : FitImage(frames[i], width, height);
        const ScreenImage& frame = sameSize ? frames[i] : fitted;
        if (!IndexExactly(frame, indexed[i]) && !IndexQuantised(frame, indexed[i])) {
            return GifError::kUnreadable;
        }
    }

    std::string target;
    if (problem == nullptr) {
        problem = &target;
    }
    *problem = WriteTargetProblem(path);
    if (!problem->empty()) {
        return GifError::kUnreadable;
    }
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteToMemory, &error);
    bool written = gif != nullptr && WriteFrames(gif, indexed, delaysMs, width, height);
    if (gif != nullptr && EGifCloseFile(gif, &error) == GIF_ERROR) {
        written = false;
    }
    if (!written) {
        return GifError::kUnreadable;
    }
    if (!WriteRegularFile(path, bytes, *problem)) {
        // Only what is wrong with the target is worth saying; a plain write failure (a
        // missing folder, a full disk) keeps the caller's own words.
        *problem = WriteTargetProblem(path);
        return GifError::kUnreadable;
    }
    return GifError::kNone;
}

}  // namespace zanvor
