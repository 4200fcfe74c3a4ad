#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ui/ScreenImage.h"

namespace zanvor {

// Largest picture read, per side: far beyond any screen, small enough that a file claiming
// more is refused before memory is reserved for it.
inline constexpr int kMaxPictureSide = 8192;

// Reads a PNG file as RGBA. False, with `image` emptied, for a missing, damaged or oversized
// file or one that is not a PNG.
bool ReadPng(const std::string& path, ScreenImage& image);
// The same from a PNG file's bytes.
bool DecodePng(std::span<const uint8_t> bytes, ScreenImage& image);

// Writes the picture as an RGB PNG file (the screen shows no transparency). The file is
// written beside its destination and renamed over it, so readers never see half a file and a
// failed write leaves the old one.
bool WritePng(const std::string& path, const ScreenImage& image);

// A file name next to `path` for writing before the rename, unique in this process.
std::string TemporaryNameBeside(const std::string& path);

}  // namespace zanvor
