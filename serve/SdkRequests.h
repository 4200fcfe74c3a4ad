#pragma once

// The data of the requests a client sends to change a device: colour updates and mode
// updates. Each decoder checks every length and count against the data it was given and
// against the device it is meant for; anything that does not add up is refused whole.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "serve/SdkController.h"

namespace zanvor {

// Colours for all LEDs of a device, or for one zone of it.
struct SdkColorUpdate {
    size_t first = 0;  // index of the first LED the colours are for
    std::vector<uint32_t> colors;
};

// UPDATELEDS: data size, count, colours for the device's first `count` LEDs (the others keep
// theirs, as clients that send a fixed-length list expect); more than the device has is refused.
std::optional<SdkColorUpdate> DecodeUpdateLeds(std::span<const uint8_t> data,
                                               const SdkController& device);
// UPDATEZONELEDS: data size, zone index, count, colours; the count must be the zone's.
std::optional<SdkColorUpdate> DecodeUpdateZoneLeds(std::span<const uint8_t> data,
                                                   const SdkController& device);
// UPDATESINGLELED: LED index and colour; the index must be one of the device's LEDs.
std::optional<SdkColorUpdate> DecodeUpdateSingleLed(std::span<const uint8_t> data,
                                                    const SdkController& device);

struct SdkModeUpdate {
    size_t index = 0;
    SdkMode mode;
};

// UPDATEMODE and SAVEMODE: data size, mode index, the mode as the negotiated version writes it.
// The index must be one of the device's modes and the colour count within the mode's range.
std::optional<SdkModeUpdate> DecodeModeUpdate(std::span<const uint8_t> data,
                                              const SdkController& device, uint32_t version);

}  // namespace zanvor
