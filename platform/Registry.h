#pragma once

#include <string>

namespace zanvor {

// The user's program settings (interface language, last keyboard model, close behaviour,
// autostart switches, background pictures), kept as text values in the settings file of
// platform/SettingsStore.h. The file is created by the first read that finds it missing.
// Failures are silent: a value that cannot be read reads as 0 or empty. Thread-safe.

// Names of the values.
inline constexpr const char* kLcidValue = "LCID";
inline constexpr const char* kDeviceTypeValue = "DeviceType";
inline constexpr const char* kExitModeValue = "exit_mode";
inline constexpr const char* kAutorunMinimizeValue = "autorun_minimize";
inline constexpr const char* kThemeBkgValue = "theme_bkg";
inline constexpr const char* kThemeBkgGifValue = "theme_bkg_gif";
inline constexpr const char* kThemeTypeValue = "theme_type";
inline constexpr const char* kLastFileFolderValue = "last_file_folder";  // of the file dialogs
// The lighting SDK server: on (1) or off, the address and port it listens on, and whether other
// users of this machine may connect over the loopback (1).
inline constexpr const char* kSdkServerValue = "sdk_server";
inline constexpr const char* kSdkAddressValue = "sdk_address";
inline constexpr const char* kSdkPortValue = "sdk_port";
inline constexpr const char* kSdkAllowOtherUsersValue = "sdk_allow_other_users";
// A short notice when the profile follows the window in front (1), or none (0, the default).
inline constexpr const char* kFocusNoticeValue = "focus_notice";

// The value as a decimal number (leading blanks and sign allowed, parsing stops at the first
// non-digit); 0 when missing, not numeric, or the file had to be created or cannot be read.
int ReadRegistryInt(const std::string& name);

// The value as text; empty when missing or the file had to be created or cannot be read.
std::string ReadRegistryText(const std::string& name);

// Stores the value (creating the settings file when needed). False when it was not stored.
bool WriteRegistryText(const std::string& name, const std::string& text);
// Stores a number as "%d".
bool WriteRegistryInt(const std::string& name, int value);

// `LCID` as a number: 0 when it is missing or the settings file has just been created,
// 1033 when the file exists but cannot be read.
int ReadLanguageId();

// `DeviceType` as a number; 0 when missing or unreadable. Never creates the file.
int ReadDeviceTypeHint();

// Decimal parsing as the settings use it: "  42abc" → 42, "abc" → 0, out of range → clamped.
int ParseSettingInt(const std::string& text);

}  // namespace zanvor
