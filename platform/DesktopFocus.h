#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/FocusSource.h"

namespace zanvor {

// Which way, if any, this desktop tells a program which window is in front.
enum class DesktopFocusKind {
    kX11,          // an X11 session: the root window's _NET_ACTIVE_WINDOW
    kKWinWayland,  // KDE Plasma on Wayland: KWin's scripting interface over D-Bus
    kUnsupported,  // other Wayland desktops (GNOME, ...), or no graphical session
};

// The session's kind from its environment (XDG_SESSION_TYPE, WAYLAND_DISPLAY, DISPLAY,
// XDG_CURRENT_DESKTOP). A Wayland session counts as Wayland even with XWayland's DISPLAY set:
// the X server there only sees the X programs' windows.
DesktopFocusKind DetectDesktopFocus(const std::map<std::string, std::string>& environment);
// The same from the process's environment.
DesktopFocusKind DetectDesktopFocus();

// The plain reason given where the feature is not available.
inline constexpr const char* kNoFocusSourceReason =
    "This desktop does not tell programs which window is in front";

// A source for the kind, or nullptr where none exists (kUnsupported, or a kind this build
// cannot follow).
std::unique_ptr<FocusSource> MakeFocusSource(DesktopFocusKind kind);

}  // namespace zanvor
