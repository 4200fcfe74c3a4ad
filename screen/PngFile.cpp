#include "screen/PngFile.h"

#include <png.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/FileRead.h"
#include "platform/FileWrite.h"

namespace zanvor {

namespace {

// png_image owns libpng's state until png_image_free; this frees it on every path.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

}  // namespace

std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

bool ReadPng(const std::string& path, ScreenImage& image) {
    image = ScreenImage();
    // Only a regular file, read without waiting and only up to the limit.
    std::vector<uint8_t> bytes;
    return ReadRegularFile(path, kMaxUserFileBytes, bytes) == FileReadResult::kOk &&
           DecodePng(bytes, image);
}

bool DecodePng(std::span<const uint8_t> bytes, ScreenImage& image) {
    image = ScreenImage();
    PngImage png;
    if (png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size()) == 0) {
        return false;
    }
    if (png.image.width < 1 || png.image.height < 1 ||
        png.image.width > static_cast<png_uint_32>(kMaxPictureSide) ||
        png.image.height > static_cast<png_uint_32>(kMaxPictureSide)) {
        return false;
    }
    png.image.format = PNG_FORMAT_RGBA;
    ScreenImage read;
    read.width = static_cast<int>(png.image.width);
    read.height = static_cast<int>(png.image.height);
    read.rgba.resize(PNG_IMAGE_SIZE(png.image));
    if (png_image_finish_read(&png.image, nullptr, read.rgba.data(), 0, nullptr) == 0) {
        return false;
    }
    image = std::move(read);
    return true;
}

bool WritePng(const std::string& path, const ScreenImage& image) {
    if (image.Empty() || image.rgba.size() < static_cast<size_t>(image.width) * image.height * 4) {
        return false;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t pixel = 0; pixel < rgb.size() / 3; ++pixel) {
        rgb[pixel * 3] = image.rgba[pixel * 4];
        rgb[pixel * 3 + 1] = image.rgba[pixel * 4 + 1];
        rgb[pixel * 3 + 2] = image.rgba[pixel * 4 + 2];
    }
    PngImage png;
    png.image.width = static_cast<png_uint_32>(image.width);
    png.image.height = static_cast<png_uint_32>(image.height);
    png.image.format = PNG_FORMAT_RGB;

    png_alloc_size_t size = 0;
    if (png_image_write_get_memory_size(png.image, size, 0, rgb.data(), 0, nullptr) == 0) {
        return false;
    }
    std::string bytes(size, '\0');
    if (png_image_write_to_memory(&png.image, bytes.data(), &size, 0, rgb.data(), 0, nullptr) ==
        0) {
        return false;
    }
    bytes.resize(size);
    std::string error;
    return WriteRegularFile(path, bytes, error);
}

}  // namespace zanvor
