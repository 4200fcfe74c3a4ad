#pragma once

#include <string>

namespace zanvor {

// Starting the program with the desktop session: an XDG autostart entry
// "$XDG_CONFIG_HOME/autostart/zanvor-hub.desktop" running "<program folder>/zanvor-hub
// -autorun". The entry being there is what the settings page shows as "autostart on".

// What the settings page shows for the autostart option and the close button.
struct AutostartState {
    bool on = false;                   // the autostart switch
    bool showMinimisedSwitch = false;  // the start-minimised switch and its label are visible
    bool minimised = false;            // the start-minimised switch
};

std::string AutostartEntryPath();

// The program the entry starts: "zanvor-hub" beside the running executable (zanvorctl and
// zanvor-hub are installed side by side), or in the application folder when the running
// executable is unknown.
std::string AutostartProgramPath();

// The Exec value for a program path, quoted and escaped as desktop entries require when the
// path holds blanks or other reserved characters: "<program> -autorun".
std::string AutostartExecValue(const std::string& programPath);

// The whole desktop entry file for a program path.
std::string AutostartEntryText(const std::string& programPath);

// True when the entry is a file (or a link to one).
bool IsAutostartOn();

// The settings page's state at construction: autostart on when the entry exists, then the
// start-minimised switch from `autorun_minimize` = 1.
AutostartState ReadAutostartState();

// The autostart switch. On: writes the entry; the start-minimised switch becomes visible.
// Off: removes the entry, writes `autorun_minimize` "0", the start-minimised switch is turned
// off and hidden. Returns what the page must show now; `on` reports whether the entry
// really exists afterwards, so a failed write shows the switch off.
AutostartState SetAutostart(bool on);

// Writes `autorun_minimize` "1" or "0" and writes an existing autostart entry again (it may
// be an earlier version's or name a program that has moved). False when either failed.
bool SetAutostartMinimised(bool on);

// Writes `exit_mode`: "1" the close button hides the window to the tray, "0" it ends the
// program. False when it was not stored.
bool SetExitMode(bool hideToTray);

// `exit_mode` = 1.
bool ExitHidesToTray();

}  // namespace zanvor
