// What the lighting SDK server decodes from a client: a byte stream cut into packets, and each
// packet's data read as every request that changes a device. A client can send any bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "serve/SdkController.h"
#include "serve/SdkPacket.h"
#include "serve/SdkRequests.h"

namespace {

zanvor::SdkController Device() {
    zanvor::SdkController c;
    zanvor::SdkMode direct;
    direct.name = "Direct";
    direct.flags = zanvor::kSdkModeHasPerLedColor;
    zanvor::SdkMode breathe;
    breathe.name = "Breathing";
    breathe.colorsMin = 1;
    breathe.colorsMax = 1;
    c.modes = {direct, breathe};
    c.zones = {{"Keys", zanvor::kSdkZoneMatrix, 3, zanvor::SdkMatrixMap{1, 3, {0, 1, 2}}},
               {"Bar", zanvor::kSdkZoneLinear, 2, std::nullopt}};
    c.leds.resize(5);
    c.colors.resize(5);
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const zanvor::SdkController device = Device();
    const std::span<const uint8_t> bytes(data, size);

    // The stream fed in two parts cut at a place the input chooses gives the same packets as
    // fed at once.
    const size_t cut = size > 0 ? data[0] % (size + 1) : 0;
    zanvor::SdkPacketParser whole;
    zanvor::SdkPacketParser split;
    whole.Feed(bytes);
    split.Feed(bytes.first(cut));
    zanvor::SdkPacket a;
    zanvor::SdkPacket b;
    size_t packets = 0;
    split.Feed(bytes.subspan(cut));
    for (;;) {
        const auto status = whole.Next(a);
        if (split.Next(b) != status) {
            __builtin_trap();
        }
        if (status != zanvor::SdkPacketParser::Status::Packet) {
            break;
        }
        if (a.header.id != b.header.id || a.data != b.data || a.data.size() != a.header.length ||
            a.header.length > zanvor::kSdkMaxData) {
            __builtin_trap();
        }
        ++packets;
    }
    (void)packets;

    // Every decoder either refuses the data or gives values that fit the device.
    if (const auto u = zanvor::DecodeUpdateLeds(bytes, device)) {
        if (u->first != 0 || u->colors.size() != device.leds.size()) {
            __builtin_trap();
        }
    }
    if (const auto u = zanvor::DecodeUpdateZoneLeds(bytes, device)) {
        if (u->first + u->colors.size() > device.leds.size()) {
            __builtin_trap();
        }
    }
    if (const auto u = zanvor::DecodeUpdateSingleLed(bytes, device)) {
        if (u->first >= device.leds.size() || u->colors.size() != 1) {
            __builtin_trap();
        }
    }
    for (uint32_t version : {0u, 3u, 4u}) {
        if (const auto m = zanvor::DecodeModeUpdate(bytes, device, version)) {
            if (m->index >= device.modes.size() ||
                m->mode.colors.size() > device.modes[m->index].colorsMax) {
                __builtin_trap();
            }
            // A mode read back in, written out and read again is the same mode.
            zanvor::SdkWriter w;
            w.U32(0);
            w.I32(static_cast<int32_t>(m->index));
            zanvor::WriteSdkMode(w, m->mode, version);
            w.PatchU32(0, static_cast<uint32_t>(w.Size()));
            const auto again = zanvor::DecodeModeUpdate(w.Bytes(), device, version);
            if (!again || !(again->mode == m->mode)) {
                __builtin_trap();
            }
        }
    }
    zanvor::DecodeSdkString(bytes);
    return 0;
}
