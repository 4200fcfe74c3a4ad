#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "device/SessionState.h"
#include "ui/PageRegistry.h"

namespace zanvor {

class CDeviceList;
class DataStore;
class DeviceManager;
class MainView;

// Commands of the connection read and of the keyboard settings.
inline constexpr uint8_t kCommandDeviceInfo = 0x12;
inline constexpr uint8_t kCommandReadParameters = 0x14;
inline constexpr uint8_t kCommandWriteParameters = 0x15;
inline constexpr uint8_t kCommandResetDefaults = 0x31;
inline constexpr size_t kDeviceInfoSize = 56;
inline constexpr size_t kBatteryInfoSize = 24;
inline constexpr uint8_t kResetCommandLength = 56;  // capped to the chunk size on small reports

// Window message posted to the main window when a firmware update is offered (wParam 2).
inline constexpr uint32_t kFirmwareOfferMessage = 0x69E;
inline constexpr uintptr_t kFirmwareOfferWParam = 2;
// Only this model, connected by cable, is offered the firmware the firmware tool brings.
inline constexpr int kFirmwareOfferDeviceType = 102;
inline constexpr const char* kOfferedFirmwareVersion = "115";
// The firmware tool's version before any keyboard was read.
inline constexpr const char* kInitialFirmwareToolVersion = "22";
// Main tab of the matrix screen page, shown when the keyboard reports a matrix screen.
inline constexpr int kMatrixScreenTab = 2;

// The six keyboard settings of the parameter block.
struct KeyboardSettings {
    int gameMode = 0;     // 0 off, 1 on
    int macMode = 0;      // 0 Windows, 1 Mac
    int lockWin = 0;      // Windows-key lock, 0 off, 1 on
    int wasdMode = 0;     // WASD/arrow swap, 0 off, 1 on
    int keyResponse = 0;  // the value itself
    int sleepSeconds = 0;
};

// Byte offsets of the settings in the 64-byte parameter block; they moved with lighting
// protocol version 2.
struct SettingsLayout {
    size_t gameMode;
    size_t macMode;
    size_t lockWin;
    size_t wasdMode;
    size_t keyResponse;
    size_t sleepTime;  // three bytes, seconds, low byte first
};
SettingsLayout SettingsLayoutFor(uint8_t lightingProtocolVersion);
KeyboardSettings ReadKeyboardSettings(const ParameterBlock& block, uint8_t version);
// Patches the settings into the block; every other byte stays. Values are clamped to what
// their bytes hold (0..255, sleep 0..0xFFFFFF seconds).
void WriteKeyboardSettings(ParameterBlock& block, uint8_t version,
                           const KeyboardSettings& settings);

// The fields of an information block; bytes past the end of a short block read as 0. Sets
// valid, the firmware text and leaves the offer and battery fields at 0.
DeviceInfo ParseDeviceInfo(std::span<const uint8_t> block);
// The firmware version as lower-case hex without leading zeros: 0x0114 gives "114".
std::string FirmwareVersionText(uint16_t version);
// "<label>: v<first character>.<last two characters>": ("Firmware", "114") gives
// "Firmware: v1.14", a one-character text "5" gives "v5.5".
std::string VersionLabel(const std::string& label, const std::string& versionText);
// The leading decimal digits of a version text as a number ("114" → 114, "1a0" → 1); 0
// without leading digits.
long DecimalVersion(const std::string& text);

// The connection read sequence, the device information and the keyboard settings commands.
// Everything but WasRead and FirmwareToolVersion runs on the worker thread.
class DeviceSettings {
  public:
    // Other pages' reactions to what was read; each may be left empty.
    struct Hooks {
        // The matrix screen's presence: the audio capture feeds it or stops feeding it.
        std::function<void(bool present)> matrixScreenPresent;
        // The lighting page shows a tab per extra zone present.
        std::function<void(bool zone1, bool zone2)> lightingZones;
        // Adopts the keyboard's active light modes into the current profile (parameter block
        // mirror already updated).
        std::function<void()> adoptDeviceLightModes;
        // The battery display of the settings page (level, charging).
        std::function<void(int level, int charging)> showBattery;
    };
    // One extra step of the connection read (key tables, LED map); false stops the sequence.
    using ReadStep = std::function<bool()>;

    DeviceSettings(DeviceManager& devices, DataStore& store, SessionState& session,
                   TaskPoster& poster, MainView& mainView, CDeviceList& deviceList,
                   Hooks hooks = {});
    DeviceSettings(const DeviceSettings&) = delete;
    DeviceSettings& operator=(const DeviceSettings&) = delete;

    // Replaces the hooks; only before the worker starts.
    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Registers job 17, the settings write of a profile switch and the labels' re-application
    // after a language change.
    void Register(PageRegistry& registry);

    // The connection read: placeholder labels, begin, ReadDeviceInfo, then `steps` in order,
    // end, and the current device type marked as read. Stops at the first failure without
    // the end command. True when every step succeeded.
    bool ReadDeviceState(const std::vector<ReadStep>& steps = {});
    // Device information, parameter block and battery into the mirrors, the labels, the
    // firmware offer and the current profile's configuration values. False when the
    // information or the parameter block could not be read.
    bool ReadDeviceInfo();
    // DeviceTask 17: the six settings of the current profile patched into the keyboard's
    // parameter block. False when the block could not be read or written.
    bool TaskWriteSettings();
    // DeviceTask 22, keyboard side: begin, the reset command, end. The reloads that follow
    // are the caller's.
    bool TaskResetDefaults();

    // True once a complete read sequence ran for that device type. Any thread.
    bool WasRead(int deviceType) const;
    // Sets the three information labels in the active language from what was read, or the
    // placeholders before a complete read (also after a language change).
    void ApplyInfoLabels();
    // The firmware version the firmware tool brings (decimal text). Any thread.
    std::string FirmwareToolVersion() const;

  private:
    bool SendSimpleCommand(uint8_t command, uint8_t length);
    void SetPlaceholderLabels();

    DeviceManager& devices_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    MainView& mainView_;
    CDeviceList& deviceList_;
    Hooks hooks_;

    mutable std::mutex mutex_;  // guards readTypes_ and firmwareToolVersion_
    std::set<int> readTypes_;
    std::string firmwareToolVersion_ = kInitialFirmwareToolVersion;
    std::atomic<bool> labelsFromDevice_{false};  // the labels show a complete read
};

}  // namespace zanvor
