#include "serve/SdkController.h"

#include <algorithm>

namespace zanvor {

namespace {

uint16_t Count16(size_t n) {
    return static_cast<uint16_t>(std::min<size_t>(n, 0xFFFF));
}

void WriteZone(SdkWriter& out, const SdkZone& zone, uint32_t version) {
    out.Text(zone.name);
    out.I32(zone.type);
    out.U32(zone.ledsCount);  // minimum
    out.U32(zone.ledsCount);  // maximum
    out.U32(zone.ledsCount);
    // A map whose size the 16-bit length cannot say (or that disagrees with its own size) is
    // left out rather than written with a wrong length.
    if (zone.matrix && zone.matrix->cells.size() <= (0xFFFF - 8) / 4 &&
        zone.matrix->cells.size() ==
            static_cast<size_t>(zone.matrix->height) * zone.matrix->width) {
        const SdkMatrixMap& map = *zone.matrix;
        out.U16(Count16(8 + 4 * map.cells.size()));
        out.U32(map.height);
        out.U32(map.width);
        for (const uint32_t cell : map.cells) {
            out.U32(cell);
        }
    } else {
        out.U16(0);
    }
    if (version >= 4) {
        out.U16(0);  // no segments
    }
}

}  // namespace

std::optional<size_t> SdkController::ZoneStart(size_t zone) const {
    if (zone >= zones.size()) {
        return std::nullopt;
    }
    size_t start = 0;
    for (size_t i = 0; i < zone; ++i) {
        start += zones[i].ledsCount;
    }
    return start;
}

void WriteSdkMode(SdkWriter& out, const SdkMode& mode, uint32_t version) {
    out.Text(mode.name);
    out.I32(mode.value);
    out.U32(mode.flags);
    out.U32(mode.speedMin);
    out.U32(mode.speedMax);
    if (version >= 3) {
        out.U32(mode.brightnessMin);
        out.U32(mode.brightnessMax);
    }
    out.U32(mode.colorsMin);
    out.U32(mode.colorsMax);
    out.U32(mode.speed);
    if (version >= 3) {
        out.U32(mode.brightness);
    }
    out.U32(mode.direction);
    out.U32(mode.colorMode);
    out.U16(Count16(mode.colors.size()));
    for (size_t i = 0; i < Count16(mode.colors.size()); ++i) {
        out.U32(mode.colors[i]);
    }
}

bool ReadSdkMode(SdkReader& in, SdkMode& mode, uint32_t version) {
    mode.name = in.Text();
    mode.value = in.I32();
    mode.flags = in.U32();
    mode.speedMin = in.U32();
    mode.speedMax = in.U32();
    if (version >= 3) {
        mode.brightnessMin = in.U32();
        mode.brightnessMax = in.U32();
    }
    mode.colorsMin = in.U32();
    mode.colorsMax = in.U32();
    mode.speed = in.U32();
    if (version >= 3) {
        mode.brightness = in.U32();
    }
    mode.direction = in.U32();
    mode.colorMode = in.U32();
    const uint16_t count = in.U16();
    if (!in.Ok() || in.Left() < 4u * count) {
        return false;
    }
    mode.colors.resize(count);
    for (uint32_t& color : mode.colors) {
        color = in.U32();
    }
    return in.Ok();
}

std::vector<uint8_t> EncodeSdkController(const SdkController& c, uint32_t version) {
    version = std::min(version, kSdkProtocolVersion);
    SdkWriter out;
    out.U32(0);  // data size, patched below
    out.I32(c.type);
    out.Text(c.name);
    if (version >= 1) {
        out.Text(c.vendor);
    }
    out.Text(c.description);
    out.Text(c.version);
    out.Text(c.serial);
    out.Text(c.location);
    out.U16(Count16(c.modes.size()));
    out.I32(c.activeMode);
    for (const SdkMode& mode : c.modes) {
        WriteSdkMode(out, mode, version);
    }
    out.U16(Count16(c.zones.size()));
    for (const SdkZone& zone : c.zones) {
        WriteZone(out, zone, version);
    }
    out.U16(Count16(c.leds.size()));
    for (const SdkLed& led : c.leds) {
        out.Text(led.name);
        out.U32(led.value);
    }
    out.U16(Count16(c.colors.size()));
    for (const uint32_t color : c.colors) {
        out.U32(color);
    }
    out.PatchU32(0, static_cast<uint32_t>(out.Size()));
    return out.Take();
}

}  // namespace zanvor
