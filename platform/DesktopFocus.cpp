#include "platform/DesktopFocus.h"

#include <cstdlib>

#include "platform/KWinFocusSource.h"
#include "platform/X11FocusSource.h"

namespace zanvor {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

}  // namespace

DesktopFocusKind DetectDesktopFocus(const std::map<std::string, std::string>& environment) {
    const auto Value = [&environment](const char* name) {
        const auto found = environment.find(name);
        return found != environment.end() ? found->second : std::string();
    };
    const std::string session = Lower(Value("XDG_SESSION_TYPE"));
    const bool wayland =
        session == "wayland" || (session.empty() && !Value("WAYLAND_DISPLAY").empty());
    if (wayland) {
        // XDG_CURRENT_DESKTOP is a colon-separated list ("KDE", "ubuntu:GNOME").
        const std::string desktops = ":" + Lower(Value("XDG_CURRENT_DESKTOP")) + ":";
        return desktops.find(":kde:") != std::string::npos ? DesktopFocusKind::kKWinWayland
                                                           : DesktopFocusKind::kUnsupported;
    }
    // An X server to talk to (an X11 session, or X forwarded into a terminal session).
    if (!Value("DISPLAY").empty()) {
        return DesktopFocusKind::kX11;
    }
    return DesktopFocusKind::kUnsupported;
}

DesktopFocusKind DetectDesktopFocus() {
    std::map<std::string, std::string> environment;
    for (const char* name :
         {"XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "DISPLAY", "XDG_CURRENT_DESKTOP"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment[name] = value;
        }
    }
    return DetectDesktopFocus(environment);
}

std::unique_ptr<FocusSource> MakeFocusSource(DesktopFocusKind kind) {
    switch (kind) {
        case DesktopFocusKind::kX11:
            return std::make_unique<X11FocusSource>();
        case DesktopFocusKind::kKWinWayland:
            return std::make_unique<KWinFocusSource>();
        case DesktopFocusKind::kUnsupported:
            break;
    }
    return nullptr;
}

}  // namespace zanvor
