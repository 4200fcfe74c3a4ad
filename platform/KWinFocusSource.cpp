#include "platform/KWinFocusSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "platform/Paths.h"
#include "platform/Trace.h"

namespace zanvor {

namespace {

constexpr const char* kKWinName = "org.kde.KWin";
constexpr const char* kScriptingPath = "/Scripting";
constexpr const char* kScriptingInterface = "org.kde.kwin.Scripting";
// KWin answers at once; a compositor that does not must not hold up the program's start.
constexpr uint64_t kCallTimeoutUsec = 3'000'000;

// The script; "@HUB@" becomes the bus name to call back. It follows KWin 6's names
// (windowActivated, windowList, ...) and falls back to KWin 5's (clientActivated, ...). Every
// value is passed as a string so both versions send the same signature.
constexpr const char* kScriptTemplate =
    R"js(// Zanvor HUB: tells the program which window is in front, so the keyboard can use the
// profile bound to that window's program. Loaded and unloaded by Zanvor HUB.
(function () {
    var hub = "@HUB@";
    var path = "/org/zanvor/Hub/Focus";
    var iface = "org.zanvor.Hub.Focus";
    var six = typeof workspace.windowList === "function";
    function text(value) {
        return value === undefined || value === null ? "" : String(value);
    }
    function tell(method, window) {
        if (!window) {
            callDBus(hub, path, iface, method, "", "", "", "", "");
            return;
        }
        callDBus(hub, path, iface, method, text(window.internalId), text(window.pid),
                 text(window.resourceClass), text(window.resourceName), text(window.caption));
    }
    function listed(window) {
        return window && window.normalWindow && !window.skipTaskbar;
    }
    var windows = six ? workspace.windowList() : workspace.clientList();
    for (var i = 0; i < windows.length; ++i) {
        if (listed(windows[i])) {
            tell("Added", windows[i]);
        }
    }
    (six ? workspace.windowAdded : workspace.clientAdded).connect(function (window) {
        if (listed(window)) {
            tell("Added", window);
        }
    });
    (six ? workspace.windowRemoved : workspace.clientRemoved).connect(function (window) {
        if (window) {
            callDBus(hub, path, iface, "Removed", text(window.internalId));
        }
    });
    (six ? workspace.windowActivated : workspace.clientActivated).connect(function (window) {
        tell("Activated", window);
    });
    tell("Activated", six ? workspace.activeWindow : workspace.activeClient);
})();
)js";

int OpenBus(const std::string& address, sd_bus** bus) {
    if (address.empty()) {
        return sd_bus_open_user(bus);
    }
    int result = sd_bus_new(bus);
    if (result < 0) {
        return result;
    }
    if ((result = sd_bus_set_address(*bus, address.c_str())) < 0 ||
        (result = sd_bus_set_bus_client(*bus, 1)) < 0 || (result = sd_bus_start(*bus)) < 0) {
        *bus = sd_bus_unref(*bus);
    }
    return result;
}

// The window's number for FocusedWindow::id: KWin names windows by a UUID.
uint64_t WindowNumber(const std::string& id) {
    const uint64_t number = std::hash<std::string>{}(id);
    return number != 0 ? number : 1;
}

int ParsePid(const char* text) {
    int pid = 0;
    const char* end = text + std::char_traits<char>::length(text);
    const auto [at, error] = std::from_chars(text, end, pid);
    return error == std::errc() && at == end && pid > 0 ? pid : 0;
}

}  // namespace

// sd-bus calls plain functions.
struct KWinCallbacks {
    static int Handle(sd_bus_message* message, void* userdata, sd_bus_error*) {
        if (sd_bus_message_is_method_call(message, nullptr, nullptr) <= 0) {
            return 0;
        }
        if (!static_cast<KWinFocusSource*>(userdata)->OnCall(message)) {
            return sd_bus_reply_method_errorf(message, SD_BUS_ERROR_ACCESS_DENIED,
                                              "Only KWin's script reports windows here");
        }
        return sd_bus_reply_method_return(message, nullptr);
    }
};

KWinFocusSource::~KWinFocusSource() {
    Stop();
}

std::string KWinFocusSource::ScriptText(const std::string& service) {
    std::string script = kScriptTemplate;
    script.replace(script.find("@HUB@"), 5, service);
    return script;
}

bool KWinFocusSource::Start(Callback callback, std::string& error) {
    if (thread_.joinable()) {
        error = "already following KWin";
        return false;
    }
    callback_ = std::move(callback);
    if (OpenBus(address_, &bus_) < 0) {
        bus_ = nullptr;
        error = "no session bus";
        return false;
    }
    sd_bus_set_method_call_timeout(bus_, kCallTimeoutUsec);
    const auto fail = [this, &error](std::string why) {
        error = std::move(why);
        Release();
        return false;
    };

    // Only KWin's calls are listened to: remember who KWin is on the bus.
    sd_bus_error busError{};  // SD_BUS_ERROR_NULL, without the C compound literal
    sd_bus_message* reply = nullptr;
    const char* owner = nullptr;
    const bool found = sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus", "GetNameOwner", &busError, &reply,
                                          "s", kKWinName) >= 0 &&
                       sd_bus_message_read(reply, "s", &owner) >= 0 && owner != nullptr;
    if (found) {
        kwinName_ = owner;
    }
    reply = sd_bus_message_unref(reply);
    sd_bus_error_free(&busError);
    const char* unique = nullptr;
    if (!found) {
        return fail("KWin is not on the session bus");
    }
    if (sd_bus_get_unique_name(bus_, &unique) < 0 ||
        sd_bus_add_object(bus_, &slot_, kObjectPath, &KWinCallbacks::Handle, this) < 0) {
        return fail("cannot take calls on the session bus");
    }

    // KWin reads the script from a file, in a folder that is the user's alone: the session's
    // runtime folder, or the user's own folder in the shared temporary folder when there is
    // none (and only when nobody else could have made or opened it).
    std::string why;
    const std::string folder = RuntimeFolder();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        CreateFolders(folder);
    } else if (!PrivateFolder(folder, why)) {
        return fail(why);
    }
    scriptPath_ = folder + kPluginName + std::string("-") + std::to_string(getpid()) + ".js";
    {
        std::ofstream file(scriptPath_, std::ios::binary | std::ios::trunc);
        file << ScriptText(unique);
        if (!file.flush()) {
            return fail("cannot write " + scriptPath_);
        }
    }

    // A script of ours still loaded (a run that ended without Stop) would be refused again.
    sd_bus_call_method(bus_, kKWinName, kScriptingPath, kScriptingInterface, "unloadScript",
                       nullptr, nullptr, "s", kPluginName);
    int scriptId = -1;
    const bool loaded =
        sd_bus_call_method(bus_, kKWinName, kScriptingPath, kScriptingInterface, "loadScript",
                           &busError, &reply, "ss", scriptPath_.c_str(), kPluginName) >= 0 &&
        sd_bus_message_read(reply, "i", &scriptId) >= 0 && scriptId >= 0;
    reply = sd_bus_message_unref(reply);
    std::string refusal = busError.message != nullptr ? busError.message : "";
    sd_bus_error_free(&busError);
    if (!loaded) {
        return fail("KWin did not load the focus script" +
                    (refusal.empty() ? std::string() : ": " + refusal));
    }
    loaded_ = true;
    // Calls the script makes while this waits for start's answer are queued on the bus and
    // answered by the loop.
    if (sd_bus_call_method(bus_, kKWinName, kScriptingPath, kScriptingInterface, "start", &busError,
                           nullptr, "") < 0) {
        refusal = busError.message != nullptr ? busError.message : "";
        sd_bus_error_free(&busError);
        return fail("KWin did not start the focus script: " + refusal);
    }
    stopFd_ = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopFd_.IsOpen()) {
        return fail("no eventfd");
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void KWinFocusSource::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_.Get(), &one, sizeof one);
        thread_.join();
    }
    Release();
}

void KWinFocusSource::Release() {
    if (bus_ != nullptr && loaded_) {
        sd_bus_call_method(bus_, kKWinName, kScriptingPath, kScriptingInterface, "unloadScript",
                           nullptr, nullptr, "s", kPluginName);
    }
    loaded_ = false;
    if (!scriptPath_.empty()) {
        unlink(scriptPath_.c_str());
        scriptPath_.clear();
    }
    slot_ = sd_bus_slot_unref(slot_);
    bus_ = sd_bus_flush_close_unref(bus_);
    stopFd_.Close();
    kwinName_.clear();
    callback_ = nullptr;
    std::lock_guard lock(windowsMutex_);
    windows_.clear();
}

std::vector<FocusedWindow> KWinFocusSource::ListWindows() {
    std::lock_guard lock(windowsMutex_);
    std::vector<FocusedWindow> windows;
    windows.reserve(windows_.size());
    for (const auto& [id, window] : windows_) {
        windows.push_back(window);
    }
    return windows;
}

bool KWinFocusSource::OnCall(sd_bus_message* message) {
    const char* sender = sd_bus_message_get_sender(message);
    if (sender == nullptr || kwinName_ != sender) {
        Trace("KWinFocusSource: a call from %s ignored\n", sender != nullptr ? sender : "?");
        return false;
    }
    if (sd_bus_message_is_method_call(message, kInterface, "Removed")) {
        const char* id = nullptr;
        if (sd_bus_message_read(message, "s", &id) < 0) {
            return false;
        }
        std::lock_guard lock(windowsMutex_);
        windows_.erase(id);
        return true;
    }
    const bool added = sd_bus_message_is_method_call(message, kInterface, "Added") > 0;
    if (!added && sd_bus_message_is_method_call(message, kInterface, "Activated") <= 0) {
        return false;
    }
    const char* id = nullptr;
    const char* pid = nullptr;
    const char* resourceClass = nullptr;
    const char* resourceName = nullptr;
    const char* caption = nullptr;
    if (sd_bus_message_read(message, "sssss", &id, &pid, &resourceClass, &resourceName, &caption) <
        0) {
        return false;
    }
    FocusedWindow window;
    if (id[0] != '\0') {
        window.id = WindowNumber(id);
        window.pid = ParsePid(pid);
        window.executable = ExecutableOfProcess(window.pid);
        window.instance = resourceName;
        window.windowClass = resourceClass;
        window.title = caption;
    }
    {
        std::lock_guard lock(windowsMutex_);
        if (added && window.id != 0) {
            windows_[id] = window;
        } else if (const auto known = windows_.find(id); known != windows_.end()) {
            known->second = window;  // the caption may have changed since it opened
        }
    }
    if (!added && callback_) {
        callback_(window);
    }
    return true;
}

void KWinFocusSource::Loop() {
    for (;;) {
        // Handle everything already received before waiting again.
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                         {stopFd_.Get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            return;
        }
    }
}

}  // namespace zanvor
