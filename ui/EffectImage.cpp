#include "ui/EffectImage.h"

#include <algorithm>
#include <cctype>

#include <stb_image.h>

#include "platform/FileRead.h"
#include "ui/GifDecoder.h"

namespace zanvor {

namespace {

constexpr int kDefaultDelayMs = 100;
constexpr size_t kLargestFile = 64u << 20;

bool IsVideoName(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const char* const kVideo[] = {"mp4", "m4v", "mov", "avi", "mkv", "webm", "wmv", "flv"};
    return std::any_of(std::begin(kVideo), std::end(kVideo),
                       [&ext](const char* v) { return ext == v; });
}

std::vector<uint32_t> ToPixels(const unsigned char* rgba, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const unsigned char* p = rgba + 4 * i;
        // Transparent parts show as black, as unlit keys.
        const uint32_t a = p[3];
        pixels[i] = (p[0] * a / 255) | (p[1] * a / 255) << 8 | (p[2] * a / 255) << 16;
    }
    return pixels;
}

}  // namespace

const std::vector<uint32_t>& EffectImage::FrameAt(double ms) const {
    if (frames.size() == 1 || totalMs <= 0) {
        return frames.front();
    }
    double t = ms - totalMs * static_cast<double>(static_cast<long long>(ms / totalMs));
    for (size_t i = 0; i < frames.size(); ++i) {
        t -= delaysMs[i];
        if (t < 0) {
            return frames[i];
        }
    }
    return frames.back();
}

uint32_t EffectImage::Sample(const std::vector<uint32_t>& frame, double u, double v) const {
    const int x = std::clamp(static_cast<int>(u * width), 0, width - 1);
    const int y = std::clamp(static_cast<int>(v * height), 0, height - 1);
    return frame[static_cast<size_t>(y) * width + x];
}

ImageLoadResult LoadEffectImage(const std::string& path, EffectImage& out) {
    if (IsVideoName(path)) {
        return ImageLoadResult::kVideo;
    }
    // Only a regular file, read without waiting and only up to the limit: a FIFO or
    // /dev/zero is refused at once.
    std::vector<uint8_t> data;
    if (ReadRegularFile(path, kLargestFile, data) != FileReadResult::kOk || data.empty()) {
        return ImageLoadResult::kUnreadable;
    }
    EffectImage image;
    const int length = static_cast<int>(data.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (data.size() >= 6 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F') {
        // The program's one GIF decoder, so the picture mode reads what screen import reads.
        const GifError decoded =
            DecodeGif(data, GifLimits(), [&](const ScreenImage& canvas, int delayMs) {
                std::vector<uint32_t> pixels(static_cast<size_t>(canvas.width) * canvas.height);
                for (int y = 0; y < canvas.height; ++y) {
                    for (int x = 0; x < canvas.width; ++x) {
                        pixels[static_cast<size_t>(y) * canvas.width + x] = canvas.Pixel(x, y);
                    }
                }
                image.frames.push_back(std::move(pixels));
                const int delay = delayMs > 0 ? delayMs : kDefaultDelayMs;
                image.delaysMs.push_back(delay);
                image.totalMs += delay;
                width = canvas.width;
                height = canvas.height;
            });
        if (decoded != GifError::kNone) {
            return ImageLoadResult::kUnreadable;
        }
    } else {
        unsigned char* pixels =
            stbi_load_from_memory(data.data(), length, &width, &height, &channels, 4);
        if (pixels == nullptr || width <= 0 || height <= 0) {
            stbi_image_free(pixels);
            return ImageLoadResult::kUnreadable;
        }
        image.frames.push_back(ToPixels(pixels, width, height));
        image.delaysMs.push_back(kDefaultDelayMs);
        image.totalMs = kDefaultDelayMs;
        stbi_image_free(pixels);
    }
    image.width = width;
    image.height = height;
    out = std::move(image);
    return ImageLoadResult::kLoaded;
}

}  // namespace zanvor
