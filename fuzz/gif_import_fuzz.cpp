// GIF decoding over arbitrary bytes, as an import meets it: the decoder must neither crash nor
// run away, every frame it hands out has the canvas's size, and an accepted file's frames fit
// into the screen's format.

#include <cstddef>
#include <cstdint>
#include <span>

#include "screen/GifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limits keep each run short; the checks are the same as an import's.
    zanvor::GifLimits limits;
    limits.maxSide = 512;
    limits.maxFrames = 64;
    limits.maxPixels = 4u * 1000 * 1000;
    int width = -1;
    int height = -1;
    const zanvor::GifError result = zanvor::DecodeGif(
        std::span<const uint8_t>(data, size), limits,
        [&](const zanvor::ScreenImage& canvas, int delayMs) {
            if (width < 0) {
                width = canvas.width;
                height = canvas.height;
            }
            if (canvas.width != width || canvas.height != height || canvas.width > 512 ||
                canvas.rgba.size() != static_cast<size_t>(width) * height * 4 || delayMs < 0) {
                __builtin_trap();
            }
            const zanvor::ScreenImage fitted = zanvor::FitImage(canvas, 160, 80);
            if (fitted.width != 160 || fitted.height != 80) {
                __builtin_trap();
            }
        });
    if (result == zanvor::GifError::kNone && width < 0) {
        __builtin_trap();
    }
    return 0;
}
