// What the program decodes from a keyboard's answers: the information block, the parameter
// block with the settings in either layout, factory key tables with their index maps, table
// entries read back as key functions, and link frames. A keyboard (or anything that claims to
// be one) can send any bytes.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/DeviceSettings.h"
#include "device/ReportFraming.h"
#include "device/SessionState.h"
#include "keys/ActionCode.h"
#include "keys/KeyTables.h"

namespace {

bool SameSettings(const zanvor::KeyboardSettings& a, const zanvor::KeyboardSettings& b) {
    return a.gameMode == b.gameMode && a.macMode == b.macMode && a.lockWin == b.lockWin &&
           a.wasdMode == b.wasdMode && a.keyResponse == b.keyResponse &&
           a.sleepSeconds == b.sleepSeconds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);

    const zanvor::DeviceInfo info = zanvor::ParseDeviceInfo(bytes);
    zanvor::VersionLabel("Firmware", info.firmwareText);
    zanvor::DecimalVersion(info.firmwareText);

    // Settings read from a block and written back into it leave the block as it was.
    zanvor::ParameterBlock block{};
    std::copy_n(data, std::min(size, block.size()), block.begin());
    for (const uint8_t version :
         {uint8_t{0}, uint8_t{1}, uint8_t{2}, info.lightingProtocolVersion}) {
        const zanvor::KeyboardSettings settings = zanvor::ReadKeyboardSettings(block, version);
        zanvor::ParameterBlock written = block;
        zanvor::WriteKeyboardSettings(written, version, settings);
        if (written != block ||
            !SameSettings(zanvor::ReadKeyboardSettings(written, version), settings)) {
            __builtin_trap();
        }
    }

    // Index maps stay in range and agree with each other.
    const zanvor::KeyIndexMaps maps = zanvor::BuildIndexMaps(bytes);
    for (int usage = 0; usage < 256; ++usage) {
        const int index = maps.IndexOf(usage);
        if (index >= zanvor::kKeyTableEntries ||
            (index >= 0 && maps.indexToUsage[static_cast<size_t>(index)] != usage)) {
            __builtin_trap();
        }
    }

    // Every entry taken from the keyboard into a profile writes the same entry again, so taking
    // the keyboard's tables and sending the profile changes nothing on the keyboard.
    std::vector<zanvor::MacroData> macros(3);
    for (size_t i = 0; i < macros.size(); ++i) {
        macros[i].macro_id = static_cast<int>(5 + i);
        macros[i].name = "m";
    }
    const std::array<uint8_t, 3> factory = {0x10, 0x00, 0x04};
    for (size_t at = 0; at + 3 <= size; at += 3) {
        const std::span<const uint8_t, 3> entry(data + at, 3);
        zanvor::UsageOfFactoryEntry(entry);
        for (const bool isFactory : {false, true}) {
            zanvor::KeyMacroData row;
            row.key_code = 4;
            row.macro_type = 2;
            row.macro_value = 4;
            if (!zanvor::ReadBackEntry(
                    entry, isFactory ? entry : std::span<const uint8_t, 3>(factory), row, macros)) {
                continue;
            }
            std::array<uint8_t, 3> again =
                isFactory ? std::array<uint8_t, 3>{entry[0], entry[1], entry[2]} : factory;
            zanvor::EncodeAction(row, again, macros);
            if (!std::equal(again.begin(), again.end(), entry.begin())) {
                __builtin_trap();
            }
        }
    }

    if (size >= 14 && zanvor::IsLinkFrame(data, size)) {
        zanvor::ParseLinkFrame(data);
    }
    return 0;
}
