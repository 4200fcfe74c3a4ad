#include "platform/Autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/AppIdentity.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Trace.h"

namespace zanvor {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramName = "zanvor-hub";

// Characters that make an Exec argument need quotation marks.
bool NeedsQuoting(const std::string& argument) {
    if (argument.empty()) {
        return true;
    }
    return argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

// One argument of an Exec value: quoted when needed, '"', '`', '$' and '\' escaped inside
// the quotes, '%' doubled (it starts field codes).
std::string ExecArgument(const std::string& argument) {
    std::string out;
    const bool quote = NeedsQuoting(argument);
    if (quote) {
        out += '"';
    }
    for (char c : argument) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out += '\\';
        }
        out += c;
    }
    if (quote) {
        out += '"';
    }
    return out;
}

// Escapes a value of a desktop entry key: backslash, line breaks and tabs.
std::string EntryValue(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string folder = fs::path(path).parent_path().string() + "/";
    if (!CreateFolders(folder)) {
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        Trace("Autostart: cannot create %s: %s\n", temp.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        ok = wrote > 0;
        done += ok ? static_cast<size_t>(wrote) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        Trace("Autostart: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace

std::string AutostartEntryPath() {
    return ConfigHome() + "autostart/" + kProgramName + ".desktop";
}

std::string AutostartProgramPath() {
    const std::string exe = ExecutablePath();
    std::string folder =
        exe.empty() ? ApplicationFolder() : fs::path(exe).parent_path().string() + "/";
    return folder + kProgramName;
}

std::string AutostartExecValue(const std::string& programPath) {
    return ExecArgument(programPath) + " -autorun";
}

std::string AutostartEntryText(const std::string& programPath) {
    std::string name = ApplicationName();
    if (name.empty()) {
        name = kProgramName;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           EntryValue(name) +
           "\n"
           "Exec=" +
           EntryValue(AutostartExecValue(programPath)) +
           "\n"
           "Icon=zanvor-hub\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool IsAutostartOn() {
    // Only a file is an entry the session starts: a folder or a device of that name is not.
    std::error_code ec;
    return fs::is_regular_file(AutostartEntryPath(), ec);
}

AutostartState ReadAutostartState() {
    AutostartState state;
    state.on = IsAutostartOn();
    state.showMinimisedSwitch = state.on;
    state.minimised = state.on && ReadRegistryInt(kAutorunMinimizeValue) == 1;
    return state;
}

AutostartState SetAutostart(bool on) {
    const std::string path = AutostartEntryPath();
    if (on) {
        WriteFileAtomically(path, AutostartEntryText(AutostartProgramPath()));
        return ReadAutostartState();
    }
    WriteRegistryText(kAutorunMinimizeValue, "0");
    // unlink, not remove: a folder of the entry's name is not ours to delete.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        Trace("Autostart: cannot remove %s: %s\n", path.c_str(), std::strerror(errno));
    }
    AutostartState state;
    state.on = IsAutostartOn();
    state.showMinimisedSwitch = state.on;
    return state;
}

bool SetAutostartMinimised(bool on) {
    const bool stored = WriteRegistryText(kAutorunMinimizeValue, on ? "1" : "0");
    // An entry written by an earlier version or for a program that has moved since is made
    // anew, so the start the switch is about runs this program with "-autorun".
    if (!IsAutostartOn()) {
        return stored;
    }
    const std::string path = AutostartEntryPath();
    return WriteFileAtomically(path, AutostartEntryText(AutostartProgramPath())) && stored;
}

bool SetExitMode(bool hideToTray) {
    return WriteRegistryText(kExitModeValue, hideToTray ? "1" : "0");
}

bool ExitHidesToTray() {
    return ReadRegistryInt(kExitModeValue) == 1;
}

}  // namespace zanvor
