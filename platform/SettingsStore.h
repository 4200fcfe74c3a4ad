#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zanvor {

// The per-user settings: one text file "$XDG_CONFIG_HOME/<application name>/settings.conf"
// of "name=value" lines. Names match without regard to ASCII case; values are text, a
// backslash escapes '\', a line break ("\n") and a carriage return ("\r"). Every call sees
// the file as it is on disk, so other processes' changes (zanvorctl beside the desktop
// program) are seen at once; it is read again only when it changed since the last read.
// Every change rewrites the whole file atomically (temporary file, fsync, rename), so a
// crash never leaves a half-written file. Thread-safe, and changes from
// several processes are serialised by a lock file beside the settings file.

std::string SettingsFilePath();

enum class SettingsOpen {
    kOpened,   // the file existed and was read
    kCreated,  // the file was missing and has just been created (empty)
    kMissing,  // the file is missing and was not created
    kFailed,   // the file or its folder could not be read or created
};

using SettingsEntries = std::vector<std::pair<std::string, std::string>>;

// Reads every entry. With create set, a missing file is created empty (kCreated).
SettingsOpen ReadSettings(bool create, SettingsEntries& entries);

// Reads one value; found is false when the file or the value is missing.
SettingsOpen ReadSetting(const std::string& name, bool create, std::string& value, bool& found);

// Stores one value, creating the file when it is missing. False when it could not be stored
// (the file on disk is then unchanged).
bool WriteSetting(const std::string& name, const std::string& value);

// Removes one value; true when it is absent afterwards.
bool DeleteSetting(const std::string& name);

// The file format, exposed for tests and tools.
SettingsEntries ParseSettings(const std::string& text);
std::string FormatSettings(const SettingsEntries& entries);

}  // namespace zanvor
