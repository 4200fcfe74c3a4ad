#include "serve/SdkRequests.h"

#include <algorithm>

namespace zanvor {

namespace {

// The leading data size must be the packet's own length.
bool SizeMatches(SdkReader& in, std::span<const uint8_t> data) {
    return in.U32() == data.size() && in.Ok();
}

// Reads `count` colours that must be exactly what is left.
bool ReadColors(SdkReader& in, size_t count, std::vector<uint32_t>& colors) {
    if (!in.Ok() || in.Left() != 4 * count) {
        return false;
    }
    colors.resize(count);
    for (uint32_t& color : colors) {
        color = in.U32();
    }
    return in.Done();
}

}  // namespace

std::optional<SdkColorUpdate> DecodeUpdateLeds(std::span<const uint8_t> data,
                                               const SdkController& device) {
    SdkReader in(data);
    if (!SizeMatches(in, data)) {
        return std::nullopt;
    }
    const uint16_t count = in.U16();
    SdkColorUpdate update;
    if (count == 0 || count > device.leds.size() || !ReadColors(in, count, update.colors)) {
        return std::nullopt;
    }
    return update;
}

std::optional<SdkColorUpdate> DecodeUpdateZoneLeds(std::span<const uint8_t> data,
                                                   const SdkController& device) {
    SdkReader in(data);
    if (!SizeMatches(in, data)) {
        return std::nullopt;
    }
    const uint32_t zone = in.U32();
    const uint16_t count = in.U16();
    const std::optional<size_t> start = device.ZoneStart(zone);
    SdkColorUpdate update;
    if (!start || count != device.zones[zone].ledsCount || !ReadColors(in, count, update.colors)) {
        return std::nullopt;
    }
    update.first = *start;
    return update;
}

std::optional<SdkColorUpdate> DecodeUpdateSingleLed(std::span<const uint8_t> data,
                                                    const SdkController& device) {
    SdkReader in(data);
    const int32_t led = in.I32();
    const uint32_t color = in.U32();
    if (!in.Done() || led < 0 || static_cast<size_t>(led) >= device.leds.size()) {
        return std::nullopt;
    }
    return SdkColorUpdate{static_cast<size_t>(led), {color}};
}

std::optional<SdkModeUpdate> DecodeModeUpdate(std::span<const uint8_t> data,
                                              const SdkController& device, uint32_t version) {
    SdkReader in(data);
    if (!SizeMatches(in, data)) {
        return std::nullopt;
    }
    const int32_t index = in.I32();
    SdkModeUpdate update;
    if (!ReadSdkMode(in, update.mode, version) || !in.Done() || index < 0 ||
        static_cast<size_t>(index) >= device.modes.size()) {
        return std::nullopt;
    }
    const SdkMode& known = device.modes[static_cast<size_t>(index)];
    if (update.mode.colors.size() > known.colorsMax) {
        return std::nullopt;
    }
    // What the mode is and can do stays the device's (its value names the keyboard's own mode);
    // the client chooses only the settings, kept within the mode's ranges.
    SdkMode& mode = update.mode;
    const SdkMode chosen = mode;
    mode = known;
    mode.colors = chosen.colors;
    mode.colorMode = chosen.colorMode;
    if (known.flags & kSdkModeHasSpeed) {
        mode.speed = std::clamp(chosen.speed, std::min(known.speedMin, known.speedMax),
                                std::max(known.speedMin, known.speedMax));
    }
    if (known.flags & kSdkModeHasBrightness) {
        mode.brightness =
            std::clamp(chosen.brightness, std::min(known.brightnessMin, known.brightnessMax),
                       std::max(known.brightnessMin, known.brightnessMax));
    }
    const bool leftRight =
        (known.flags & kSdkModeHasDirectionLR) &&
        (chosen.direction == kSdkDirectionLeft || chosen.direction == kSdkDirectionRight);
    const bool upDown =
        (known.flags & kSdkModeHasDirectionUD) &&
        (chosen.direction == kSdkDirectionUp || chosen.direction == kSdkDirectionDown);
    if (leftRight || upDown) {
        mode.direction = chosen.direction;
    }
    update.index = static_cast<size_t>(index);
    return update;
}

}  // namespace zanvor
