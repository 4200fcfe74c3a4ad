#pragma once

// The one GIF decoder of the program: every place that reads a GIF (screen import, pictures
// of screen frames, the picture mode of the effect control, the desktop program's pictures)
// decodes it here, so a file that one of them reads, all of them read.
//
// It reads what mainstream decoders read: LZW minimum code sizes up to 11, images without any
// colour table (a grey palette stands in), frames reaching outside the logical screen (cut
// at its edges), image data that ends before the last pixel (the rest stays as it was) or
// goes on after it (ignored). It refuses what is broken: a cut or garbled file, a screen of
// zero size, sizes beyond the limits.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "ui/ScreenImage.h"

namespace zanvor {

enum class GifError {
    kNone,
    kUnreadable,       // missing, or cannot be read / written
    kFileTooLarge,     // larger than GifLimits::maxFileBytes
    kNotGif,           // no GIF signature
    kDamaged,          // truncated or corrupt
    kPictureTooLarge,  // canvas or frame beyond GifLimits, or too many pixels in all
    kNoFrames,         // a GIF without a single picture
    kTooManyFrames,    // more than GifLimits::maxFrames
};

// Bounds on what is decoded, so a hostile or broken file is refused quickly and without
// reserving memory for what it claims.
struct GifLimits {
    size_t maxFileBytes = 20u * 1024 * 1024;
    int maxSide = 4096;
    int maxFrames = 3000;
    // Canvas pixels over all frames together (the decoding work).
    uint64_t maxPixels = 400u * 1000 * 1000;
};

// Receives each frame as the whole canvas after the frame was drawn (opaque, black where the
// file shows nothing), with its display time in milliseconds (0 when the file gives none).
using GifFrameSink = std::function<void(const ScreenImage& canvas, int delayMs)>;

// Decodes a whole GIF held in memory, frame by frame. Frames reach the sink as they are
// decoded; an error found later still returns that error, so callers keep nothing until the
// result is kNone.
GifError DecodeGif(std::span<const uint8_t> bytes, const GifLimits& limits,
                   const GifFrameSink& sink);

}  // namespace zanvor
