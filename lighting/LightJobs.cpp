// The lighting page's worker side: the light jobs, the live mirror, the connection steps and
// the lighting part of a profile switch.
#include <array>
#include <span>
#include <thread>

#include "device/DeviceManager.h"
#include "device/DeviceSettings.h"
#include "device/ReportFraming.h"
#include "keys/KeyTables.h"
#include "lighting/LightPage.h"
#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"

namespace zanvor {

namespace {

// The picture colours of a colour table (LED p at bytes 3p..3p+2), for the keys at its LEDs.
std::vector<std::pair<int, uint32_t>> TableColors(
    std::span<const uint8_t, kKeyColorTableBytes> table, const LightPositionMap& map,
    uint32_t (*convert)(uint8_t, uint8_t, uint8_t)) {
    std::vector<std::pair<int, uint32_t>> colors;
    for (size_t led = 0; led < kKeyColorTableBytes / 3; ++led) {
        const int code = map.CodeAt(static_cast<int>(led));
        if (code > 0) {
            colors.emplace_back(code,
                                convert(table[3 * led], table[3 * led + 1], table[3 * led + 2]));
        }
    }
    return colors;
}

uint32_t AsStored(uint8_t red, uint8_t green, uint8_t blue) {
    return MakeColor(red, green, blue);
}

// A job's result: a transfer the keyboard did not take is reported with its reason.
TaskResult Sent(bool ok) {
    return ok ? TaskResult() : TransferFailed();
}

}  // namespace

bool LightPage::WriteParameterBlock(const std::function<bool(ParameterBlock&)>& patch) {
    SendBracketCommand(devices_, kCommandBegin);
    bool written = false;
    ParameterBlock block{};
    if (devices_.WriteBlock(kCommandReadParameters, block) && patch(block)) {
        ParameterBlock out = block;
        written = devices_.WriteBlock(kCommandWriteParameters, out);
        if (written) {
            session_.SetParameters(block);
        }
    }
    SendBracketCommand(devices_, kCommandEnd);
    return written;
}

TaskResult LightPage::HoldBackUntilRead() {
    // The keyboard of this connection was not read completely: nothing of the lighting is
    // written to it yet. The change is stored; the profile is written after the read.
    session_.tableWritePending = true;
    return TaskResult::Failed(LoadText("KB.DIALOG", kTextLightingNotRead));
}

TaskResult LightPage::TaskWriteLightMode() {
    const DeviceInfo info = session_.Info();
    if (info.lightingProtocolVersion == 0) {
        return TaskResult(false);  // a keyboard without light modes: nothing to send
    }
    if (!session_.ConnectionRead()) {
        return HoldBackUntilRead();
    }
    std::this_thread::sleep_for(writeDelay_.load());
    // What is written is the state after the wait, so a burst of edits sends its last values.
    const int profile = Profile();
    const int type = Type();
    const int mode = Mode();
    const bool written = WriteParameterBlock([&](ParameterBlock& block) {
        LightData row;  // a missing row is written as an all-zero row
        if (!TakeTriedRow(type, mode, row)) {
            store_.GetLightRow(profile, type, mode, row);
        }
        PatchLightMode(block, type, mode, row, info);
        return true;
    });
    if (!session_.liveMirrorOn.load() && !IsCustomMode(mode)) {
        ShowBuiltInModeColors();
    }
    return Sent(written);
}

TaskResult LightPage::TaskWriteCustomLightMode() {
    const int profile = Profile();
    const int type = Type();
    const int mode = Mode();
    if (!IsCustomSet(mode)) {
        // A built-in mode was chosen while the job waited: its own job writes it, and a set
        // index outside 0..4 must never reach the keyboard.
        return TaskResult();
    }
    if (!session_.ConnectionRead()) {
        return HoldBackUntilRead();
    }
    const DeviceInfo info = session_.Info();
    return Sent(WriteParameterBlock([&](ParameterBlock& block) {
        LightData row;
        store_.GetLightRow(profile, type, mode, row);
        PatchCustomLightMode(block, mode, row, info);
        return true;
    }));
}

TaskResult LightPage::TaskReadKeyColors() {
    const int mode = Mode();
    if (!IsCustomSet(mode)) {
        return TaskResult(false);  // only a custom set has colours to read
    }
    return Sent(ReadKeyColors(mode));
}

bool LightPage::ReadKeyColors(int mode) {
    picture.ResetAllItemsColor(0);
    SendBracketCommand(devices_, kCommandBegin);
    std::array<uint8_t, kKeyColorTableBytes> table{};
    const bool read = IsCustomSet(mode) && devices_.WriteBlock(CustomSetReadCommand(mode), table);
    SendBracketCommand(devices_, kCommandEnd);
    if (read) {
        picture.SetKeyColors(TableColors(table, session_.LightMap(), AsStored));
    }
    colorsKnown_ = read;
    return read;
}

TaskResult LightPage::TaskWriteLightLayer() {
    if (paintRefused_.exchange(false)) {
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextSetColorsUnread));
    }
    const int mode = Mode();
    if (!IsCustomSet(mode)) {
        return TaskResult();  // a built-in mode was chosen meanwhile: no layer to send
    }
    return WriteLightLayer(mode);
}

bool LightPage::AdoptKeyboardSet(int profile, int mode) {
    SendBracketCommand(devices_, kCommandBegin);
    std::array<uint8_t, kKeyColorTableBytes> table{};
    const bool read = devices_.WriteBlock(CustomSetReadCommand(mode), table);
    SendBracketCommand(devices_, kCommandEnd);
    if (!read) {
        return false;
    }
    std::vector<UserLightRgbData> rows;
    for (const auto& [code, color] : TableColors(table, session_.LightMap(), AsStored)) {
        UserLightRgbData row;
        row.profile = profile;
        row.userlight_id = mode;
        row.key_code = code;
        row.key_rgb = static_cast<int>(color & 0xFFFFFF);
        rows.push_back(row);
    }
    const size_t count = rows.size();
    DataStore::Transaction transaction(store_);
    return transaction.IsActive() && store_.DeleteUserLightColors(profile, mode) &&
           store_.InsertUserLightColors(std::move(rows)) == static_cast<int>(count) &&
           transaction.Commit();
}

TaskResult LightPage::WriteLightLayer(int mode) {
    if (!session_.ConnectionRead()) {
        // Without the keyboard's LED positions the table would put colours on the wrong LEDs
        // or none.
        return HoldBackUntilRead();
    }
    const int profile = Profile();
    std::vector<UserLightRgbData> rows;
    store_.ListUserLightColors(profile, mode, rows);
    if (rows.empty()) {
        // The profile never painted this set: its colours exist only on the keyboard, and a
        // table built from no rows would blank them. The profile takes them over instead.
        if (!AdoptKeyboardSet(profile, mode)) {
            return TransferFailed();
        }
        return TaskResult();
    }
    SendBracketCommand(devices_, kCommandBegin);
    std::array<uint8_t, kLightLayerBufferBytes> table{};
    const LightPositionMap map = session_.LightMap();
    for (const UserLightRgbData& row : rows) {
        const int led = map.LedOf(row.key_code);
        // LEDs the table cannot hold are dropped; LEDs from 128 up are never sent.
        if (led < 0 || static_cast<size_t>(3 * led + 2) >= table.size()) {
            continue;
        }
        const auto color = static_cast<uint32_t>(row.key_rgb);
        table[3 * static_cast<size_t>(led)] = RedOf(color);
        table[3 * static_cast<size_t>(led) + 1] = GreenOf(color);
        table[3 * static_cast<size_t>(led) + 2] = BlueOf(color);
    }
    bool written = false;
    if (IsCustomSet(mode)) {
        written = devices_.WriteBlock(CustomSetWriteCommand(mode),
                                      std::span<uint8_t>(table.data(), kKeyColorTableBytes));
    }
    SendBracketCommand(devices_, kCommandEnd);
    return Sent(written);
}

bool LightPage::MirrorLiveKeyColors() {
    if (IsCustomMode(Mode())) {
        return true;
    }
    const uint8_t command =
        session_.Info().lightingProtocolVersion < 2 ? kCommandLiveColorsV1 : kCommandLiveColors;
    SendBracketCommand(devices_, kCommandBegin);
    std::array<uint8_t, kKeyColorTableBytes> table{};
    const bool read = devices_.WriteBlockChecked(command, table);
    if (read) {
        picture.SetKeyColors(TableColors(table, session_.LightMap(), MirroredColor));
    }
    SendBracketCommand(devices_, kCommandEnd);
    return read;
}

void LightPage::AdoptDeviceLightModes() {
    const int profile = Profile();
    // A profile the lighting page has not shown yet gets its rows now, so the keyboard's modes
    // have rows to be marked on.
    EnsureDefaultLightRows(store_, profile, session_.currentDeviceType.load());
    zanvor::AdoptDeviceLightModes(store_, profile, session_.Parameters());
    const DeviceInfo info = session_.Info();
    ShowZones(info.zone1Present, info.zone2Present);
}

void LightPage::PaintStoredColors(int profile, int mode) {
    picture.ResetAllItemsColor(0);
    std::vector<UserLightRgbData> rows;
    colorsKnown_ = store_.ListUserLightColors(profile, mode, rows) > 0;
    std::vector<std::pair<int, uint32_t>> colors;
    for (const UserLightRgbData& row : rows) {
        colors.emplace_back(row.key_code, static_cast<uint32_t>(row.key_rgb) & 0xFFFFFF);
    }
    picture.SetKeyColors(colors);
}

TaskResult LightPage::ApplyProfileLighting() {
    LoadLightZone();
    picture.ResetAllItemCheck();
    liveMirrorSwitch.SetCheck(false);
    session_.liveMirrorOn = false;
    if (!session_.ConnectionRead()) {
        return HoldBackUntilRead();
    }

    const int profile = Profile();
    const int type = Type();
    const bool enabled = session_.light.enabled.load();
    const DeviceInfo info = session_.Info();
    // Every zone the keyboard has gets the profile's mode: the zone on screen its current mode,
    // the others their active modes (mode 0 while the profile's lighting is off).
    std::vector<std::pair<int, int>> zones;  // (type, mode)
    for (const int zone : {kLightMain, kLightZone1, kLightZone2}) {
        if ((zone == kLightZone1 && !info.zone1Present) ||
            (zone == kLightZone2 && !info.zone2Present)) {
            continue;
        }
        const int mode = zone == type ? Mode()
                         : enabled    ? store_.GetActiveLightMode(profile, zone)
                                      : 0;
        zones.emplace_back(zone, mode);
    }
    const int mainMode = zones.front().second;
    const bool customMain = IsCustomSet(mainMode);
    SetPictureMode(type == kLightMain && customMain);
    if (!customMain) {
        if (info.lightingProtocolVersion == 0) {
            return TaskResult();  // a keyboard without light modes: nothing to send
        }
        std::this_thread::sleep_for(writeDelay_.load());
    }
    bool written = WriteParameterBlock([&](ParameterBlock& block) {
        for (const auto& [zone, mode] : zones) {
            LightData row;
            store_.GetLightRow(profile, zone, mode, row);
            if (zone == kLightMain && customMain) {
                PatchCustomLightMode(block, mode, row, info);
            } else {
                PatchLightMode(block, zone, mode, row, info);
            }
        }
        return true;
    });
    TaskResult result = Sent(written);
    if (customMain) {
        TaskResult layer = WriteLightLayer(mainMode);
        if (!layer.ok) {
            result = std::move(layer);
        }
        if (type == kLightMain) {
            PaintStoredColors(profile, mainMode);
        }
    } else if (!session_.liveMirrorOn.load()) {
        ShowBuiltInModeColors();
    }
    return result;
}

void LightPage::RefreshAfterProfileLoad() {
    LoadLightZone();
    const bool custom = Type() == kLightMain && IsCustomMode(Mode());
    SetPictureMode(custom || session_.liveMirrorOn.load());
    if (custom) {
        ReadKeyColors(Mode());
    }
}

void LightPage::ShowZones(bool zone1, bool zone2) {
    zoneTabs.SetItemVisible(1, zone1);
    zoneTabs.SetItemVisible(2, zone2);
    const int type = Type();
    if ((type == kLightZone1 && !zone1) || (type == kLightZone2 && !zone2)) {
        zoneTabs.SetCurSel(0);
        session_.light.type = kLightMain;
        customSets.SetVisible(true);
        liveMirrorSwitch.SetVisible(true);
    }
}

}  // namespace zanvor
