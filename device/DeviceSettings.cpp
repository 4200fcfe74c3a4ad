#include "device/DeviceSettings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/CDeviceList.h"
#include "ui/DeviceTasks.h"
#include "ui/LoadText.h"
#include "ui/MainView.h"
#include "ui/StatusTexts.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

uint8_t ToByte(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 0xFF));
}

// Byte `offset` of a block that may be shorter than the layout expects.
uint8_t At(std::span<const uint8_t> block, size_t offset) {
    return offset < block.size() ? block[offset] : 0;
}

}  // namespace

SettingsLayout SettingsLayoutFor(uint8_t lightingProtocolVersion) {
    if (lightingProtocolVersion >= 2) {
        return SettingsLayout{38, 39, 40, 41, 42, 46};
    }
    return SettingsLayout{29, 30, 31, 32, 33, 35};
}

KeyboardSettings ReadKeyboardSettings(const ParameterBlock& block, uint8_t version) {
    const SettingsLayout layout = SettingsLayoutFor(version);
    KeyboardSettings settings;
    settings.gameMode = block[layout.gameMode];
    settings.macMode = block[layout.macMode];
    settings.lockWin = block[layout.lockWin];
    settings.wasdMode = block[layout.wasdMode];
    settings.keyResponse = block[layout.keyResponse];
    settings.sleepSeconds = block[layout.sleepTime] | (block[layout.sleepTime + 1] << 8) |
                            (block[layout.sleepTime + 2] << 16);
    return settings;
}

void WriteKeyboardSettings(ParameterBlock& block, uint8_t version,
                           const KeyboardSettings& settings) {
    const SettingsLayout layout = SettingsLayoutFor(version);
    block[layout.gameMode] = ToByte(settings.gameMode);
    block[layout.macMode] = ToByte(settings.macMode);
    block[layout.lockWin] = ToByte(settings.lockWin);
    block[layout.wasdMode] = ToByte(settings.wasdMode);
    block[layout.keyResponse] = ToByte(settings.keyResponse);
    const int seconds = std::clamp(settings.sleepSeconds, 0, 0xFFFFFF);
    block[layout.sleepTime] = static_cast<uint8_t>(seconds & 0xFF);
    block[layout.sleepTime + 1] = static_cast<uint8_t>((seconds >> 8) & 0xFF);
    block[layout.sleepTime + 2] = static_cast<uint8_t>((seconds >> 16) & 0xFF);
}

DeviceInfo ParseDeviceInfo(std::span<const uint8_t> block) {
    DeviceInfo info;
    info.valid = true;
    info.firmwareVersion = static_cast<uint16_t>(At(block, 6) | (At(block, 7) << 8));
    info.lightingProtocolVersion = At(block, 8);
    const bool v2 = info.lightingProtocolVersion >= 2;
    info.macroCapacity = At(block, 13) * 256;
    info.mainMaxBrightness = At(block, 16);
    info.mainMaxSpeed = At(block, 17);
    info.zone2Present = At(block, 19) == 1;
    info.zone2MaxBrightness = At(block, v2 ? 22 : 21);
    info.zone2MaxSpeed = At(block, v2 ? 23 : 22);
    info.zone1Present = At(block, 25) == 1;
    info.zone1MaxBrightness = At(block, v2 ? 28 : 27);
    info.zone1MaxSpeed = At(block, v2 ? 29 : 28);
    if (v2) {
        info.matrixPresent = At(block, 31) != 0;
        info.matrixMaxBrightness = At(block, 35);
        info.matrixMaxSpeed = At(block, 36);
        info.knobPresent = At(block, 37) != 0;
    }
    info.firmwareText = FirmwareVersionText(info.firmwareVersion);
    return info;
}

std::string FirmwareVersionText(uint16_t version) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(version));
    return text;
}

std::string VersionLabel(const std::string& label, const std::string& versionText) {
    // Characters here are ASCII digits and letters, so bytes are characters.
    const std::string major = versionText.substr(0, 1);
    const std::string minor =
        versionText.size() > 2 ? versionText.substr(versionText.size() - 2) : versionText;
    return label + ": v" + major + "." + minor;
}

long DecimalVersion(const std::string& text) {
    long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0;
}

DeviceSettings::DeviceSettings(DeviceManager& devices, DataStore& store, SessionState& session,
                               TaskPoster& poster, MainView& mainView, CDeviceList& deviceList,
                               Hooks hooks)
    : devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      mainView_(mainView),
      deviceList_(deviceList),
      hooks_(std::move(hooks)) {}

void DeviceSettings::Register(PageRegistry& registry) {
    registry.AddTask(kTaskWriteSettings, [this]() -> TaskResult {
        if (TaskWriteSettings()) {
            return TaskResult();
        }
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextTransferFailed));
    });
    // A profile carries its keyboard settings: after the settings page has loaded them, the
    // keyboard gets them, so page, profile and keyboard agree.
    registry.AddProfileApplyStep([this]() -> TaskResult {
        if (TaskWriteSettings()) {
            return TaskResult();
        }
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextTransferFailed));
    });
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) { ApplyInfoLabels(); });
}

bool DeviceSettings::SendSimpleCommand(uint8_t command, uint8_t length) {
    std::array<uint8_t, kCommandBufferSize> buffer{};
    buffer[0] = kReportHeader;
    buffer[1] = command;
    buffer[4] = length;
    return devices_.SendCommand(buffer);
}

// The information labels: 530 firmware version, 531 and 532 the two notes under it; while a
// firmware update is offered, 520 the offered version and 533 the offer.
void DeviceSettings::ApplyInfoLabels() {
    if (!labelsFromDevice_.load()) {
        SetPlaceholderLabels();
        return;
    }
    const DeviceInfo info = session_.Info();
    mainView_.SetInfoLabel(0, VersionLabel(LoadText("KB.DIALOG", 530), info.firmwareText));
    if (info.firmwareOffer == 1) {
        mainView_.SetInfoLabel(1, VersionLabel(LoadText("KB.DIALOG", 520), FirmwareToolVersion()));
        mainView_.SetInfoLabel(2, LoadText("KB.DIALOG", 533));
    } else {
        mainView_.SetInfoLabel(1, LoadText("KB.DIALOG", 531));
        mainView_.SetInfoLabel(2, LoadText("KB.DIALOG", 532));
    }
}

void DeviceSettings::SetPlaceholderLabels() {
    labelsFromDevice_ = false;
    mainView_.SetInfoLabel(0, LoadText("KB.DIALOG", 530) + ": v1.00");
    mainView_.SetInfoLabel(1, LoadText("KB.DIALOG", 531));
    mainView_.SetInfoLabel(2, LoadText("KB.DIALOG", 532));
}

bool DeviceSettings::ReadDeviceState(const std::vector<ReadStep>& steps) {
    // A read that a rescan or link change overtakes completes for the old connection only.
    const uint64_t connection = session_.Connection();
    SetPlaceholderLabels();
    if (!SendSimpleCommand(kCommandBegin, 0)) {
        return false;
    }
    if (!ReadDeviceInfo()) {
        Trace("ReadDeviceState: device information not read\n");
        return false;
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] && !steps[i]()) {
            Trace("ReadDeviceState: step %zu failed\n", i + 1);
            return false;
        }
    }
    SendSimpleCommand(kCommandEnd, 0);
    session_.MarkConnectionRead(connection);
    std::lock_guard lock(mutex_);
    readTypes_.insert(session_.currentDeviceType.load());
    return true;
}

bool DeviceSettings::ReadDeviceInfo() {
    std::array<uint8_t, kDeviceInfoSize> block{};
    const DeviceInfo previous = session_.Info();
    if (!devices_.WriteBlock(kCommandDeviceInfo, block)) {
        // What the keyboard is remains unknown; a mirror of an earlier read (perhaps of
        // another model) must not be taken for it. The battery display stays.
        DeviceInfo unknown;
        unknown.battery = previous.battery;
        unknown.charging = previous.charging;
        session_.SetInfo(unknown);
        return false;
    }

    DeviceInfo info = ParseDeviceInfo(block);
    // The battery display changes only when the keyboard reports a level.
    info.battery = previous.battery;
    info.charging = previous.charging;

    mainView_.SetTabVisible(kMatrixScreenTab, info.matrixPresent);
    if (hooks_.matrixScreenPresent) {
        hooks_.matrixScreenPresent(info.matrixPresent);
    }
    if (hooks_.lightingZones) {
        hooks_.lightingZones(info.zone1Present, info.zone2Present);
    }

    const int mode = devices_.CurrentConnectionMode();
    session_.currentConnectionMode = mode;
    std::string offered;
    if (session_.currentDeviceType.load() == kFirmwareOfferDeviceType && mode == kModeCable) {
        offered = kOfferedFirmwareVersion;
        std::lock_guard lock(mutex_);
        firmwareToolVersion_ = offered;
    }
    info.firmwareOffer = 0;
    // A keyboard answering version 0 has not told its version: nothing is offered for it.
    if (!offered.empty() && info.firmwareVersion != 0) {
        info.firmwareOffer = DecimalVersion(info.firmwareText) < DecimalVersion(offered) ? 1 : 2;
    }
    session_.SetInfo(info);

    ParameterBlock parameters{};
    if (!devices_.WriteBlock(kCommandReadParameters, parameters)) {
        // The labels keep their placeholders and no offer is made from a half-read keyboard.
        return false;
    }
    session_.SetParameters(parameters);

    labelsFromDevice_ = true;
    ApplyInfoLabels();
    if (info.firmwareOffer == 1) {
        poster_.PostWindowMessage(kFirmwareOfferMessage, kFirmwareOfferWParam, 0);
    }

    const KeyboardSettings settings =
        ReadKeyboardSettings(parameters, info.lightingProtocolVersion);
    const int profile = session_.currentProfile.load();
    // A profile that waits to be written to the keyboard keeps its own values: the keyboard
    // gets them right after this read.
    const bool profileWins = session_.tableWritePending.load();
    if (!profileWins) {
        // One transaction: the settings are taken together, and a database another program
        // keeps locked costs one wait, not one per value.
        DataStore::Transaction transaction(store_);
        const bool adopted =
            transaction.IsActive() &&
            store_.UpdateConfigInt(profile, "mac_mode", settings.macMode) &&
            store_.UpdateConfigInt(profile, "game_mode", settings.gameMode) &&
            store_.UpdateConfigInt(profile, "lock_win", settings.lockWin) &&
            store_.UpdateConfigInt(profile, "wasd_mode", settings.wasdMode) &&
            store_.UpdateConfigInt(profile, "sleep_time", settings.sleepSeconds / 60) &&
            store_.UpdateConfigInt(profile, "key_keyresponse", settings.keyResponse) &&
            transaction.Commit();
        if (!adopted) {
            Trace("DeviceSettings: the keyboard's settings were not stored: %s\n",
                  StoreFailureName(store_.LastFailure()));
        }
    }

    if (hooks_.adoptDeviceLightModes && !profileWins) {
        hooks_.adoptDeviceLightModes();
    }

    std::array<uint8_t, kBatteryInfoSize> battery{};
    if (devices_.WriteBlock(kCommandBattery, battery) && battery[0] != 0) {
        info = session_.Info();
        info.battery = battery[0];
        info.charging = battery[1];
        session_.SetInfo(info);
        if (hooks_.showBattery) {
            hooks_.showBattery(battery[0], battery[1]);
        }
        deviceList_.SetDeviceBattery(session_.currentDeviceType.load(), kModeCable, battery[0],
                                     battery[1]);
    }
    return true;
}

bool DeviceSettings::TaskWriteSettings() {
    SendSimpleCommand(kCommandBegin, 0);
    bool written = false;
    ParameterBlock block{};
    DeviceInfo info = session_.Info();
    if (!info.valid) {
        // Without the lighting protocol version the settings' offsets are unknown; patching a
        // guess would overwrite light bytes of the other layout.
        std::array<uint8_t, kDeviceInfoSize> infoBlock{};
        if (devices_.WriteBlock(kCommandDeviceInfo, infoBlock)) {
            info = ParseDeviceInfo(infoBlock);
        }
    }
    if (info.valid && devices_.WriteBlock(kCommandReadParameters, block)) {
        const int profile = session_.currentProfile.load();
        KeyboardSettings settings;
        settings.gameMode = store_.GetConfigInt(profile, "game_mode");
        settings.macMode = store_.GetConfigInt(profile, "mac_mode");
        settings.lockWin = store_.GetConfigInt(profile, "lock_win");
        settings.wasdMode = store_.GetConfigInt(profile, "wasd_mode");
        settings.keyResponse = store_.GetConfigInt(profile, "key_keyresponse");
        const long long minutes = store_.GetConfigInt(profile, "sleep_time");
        settings.sleepSeconds = static_cast<int>(std::clamp(minutes * 60, 0LL, 0xFFFFFFLL));
        WriteKeyboardSettings(block, info.lightingProtocolVersion, settings);
        ParameterBlock out = block;
        written = devices_.WriteBlock(kCommandWriteParameters, out);
        if (written) {
            session_.SetParameters(block);
        }
    }
    SendSimpleCommand(kCommandEnd, 0);
    return written;
}

bool DeviceSettings::TaskResetDefaults() {
    // The keyboard's answers are not examined: the reset has no result to report.
    const bool begun = SendSimpleCommand(kCommandBegin, 0);
    SendSimpleCommand(kCommandResetDefaults, kResetCommandLength);
    SendSimpleCommand(kCommandEnd, 0);
    return begun;
}

bool DeviceSettings::WasRead(int deviceType) const {
    std::lock_guard lock(mutex_);
    return readTypes_.count(deviceType) != 0;
}

std::string DeviceSettings::FirmwareToolVersion() const {
    std::lock_guard lock(mutex_);
    return firmwareToolVersion_;
}

}  // namespace zanvor
