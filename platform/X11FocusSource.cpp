#include "platform/X11FocusSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace zanvor {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionCloser {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// The atoms a window description needs.
struct Atoms {
    xcb_atom_t active = XCB_ATOM_NONE;
    xcb_atom_t clientList = XCB_ATOM_NONE;
    xcb_atom_t pid = XCB_ATOM_NONE;
    xcb_atom_t name = XCB_ATOM_NONE;
    xcb_atom_t utf8 = XCB_ATOM_NONE;
};

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::string_view(name).size()), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Atoms InternAtoms(xcb_connection_t* c) {
    Atoms atoms;
    atoms.active = Intern(c, "_NET_ACTIVE_WINDOW");
    atoms.clientList = Intern(c, "_NET_CLIENT_LIST");
    atoms.pid = Intern(c, "_NET_WM_PID");
    atoms.name = Intern(c, "_NET_WM_NAME");
    atoms.utf8 = Intern(c, "UTF8_STRING");
    return atoms;
}

XcbReply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window,
                                            xcb_atom_t property, xcb_atom_t type, uint32_t longs) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c, 0, window, property, type, 0, longs);
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(c, cookie, nullptr));
}

// The 32-bit values of a property of that type (window ids, cardinals).
std::vector<uint32_t> Values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                             xcb_atom_t type, uint32_t count) {
    std::vector<uint32_t> values;
    const auto reply = Property(c, window, property, type, count);
    if (reply && reply->format == 32 && reply->type == type) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        values.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    return values;
}

std::string Text(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    const auto reply = Property(c, window, property, type, 1024);
    if (!reply || reply->format != 8) {
        return {};
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
}

std::optional<xcb_window_t> ActiveWindow(xcb_connection_t* c, xcb_window_t root,
                                         const Atoms& atoms) {
    const std::vector<uint32_t> values = Values(c, root, atoms.active, XCB_ATOM_WINDOW, 1);
    if (values.empty()) {
        return std::nullopt;
    }
    return values[0];
}

FocusedWindow Describe(xcb_connection_t* c, xcb_window_t window, const Atoms& atoms) {
    FocusedWindow described;
    described.id = window;
    if (window == XCB_WINDOW_NONE) {
        return described;
    }
    if (const auto pid = Values(c, window, atoms.pid, XCB_ATOM_CARDINAL, 1); !pid.empty()) {
        described.pid = static_cast<int>(pid[0]);
        described.executable = ExecutableOfProcess(described.pid);
    }
    // WM_CLASS: instance and class, each ended by a NUL.
    const std::string wmClass = Text(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    const size_t end = wmClass.find('\0');
    described.instance = wmClass.substr(0, end);
    if (end != std::string::npos) {
        const std::string rest = wmClass.substr(end + 1);
        described.windowClass = rest.substr(0, rest.find('\0'));
    }
    described.title = Text(c, window, atoms.name, atoms.utf8);
    if (described.title.empty()) {
        described.title = Text(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    }
    return described;
}

xcb_window_t RootOf(xcb_connection_t* c, int screen) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    return it.rem > 0 ? it.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

XcbConnection Connect(const std::string& display, xcb_window_t& root) {
    int screen = 0;
    XcbConnection c(xcb_connect(display.empty() ? nullptr : display.c_str(), &screen));
    if (!c || xcb_connection_has_error(c.get()) != 0) {
        return nullptr;
    }
    root = RootOf(c.get(), screen);
    return root != XCB_WINDOW_NONE ? std::move(c) : nullptr;
}

}  // namespace

X11FocusSource::~X11FocusSource() {
    Stop();
}

bool X11FocusSource::Start(Callback callback, std::string& error) {
    Stop();
    xcb_window_t root = XCB_WINDOW_NONE;
    XcbConnection c = Connect(display_, root);
    if (!c) {
        error = "cannot connect to the X server" + (display_.empty() ? "" : " " + display_);
        return false;
    }
    stopFd_ = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopFd_.IsOpen()) {
        error = "cannot create an event descriptor";
        return false;
    }
    // Property changes of the root window only: that is where the window manager publishes
    // the active window.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c.get(), root, XCB_CW_EVENT_MASK, &mask);
    activeAtom_ = Intern(c.get(), "_NET_ACTIVE_WINDOW");
    if (activeAtom_ == XCB_ATOM_NONE) {
        error = "the X server does not answer";
        return false;
    }
    connection_ = c.release();
    root_ = root;
    callback_ = std::move(callback);
    lastReported_ = UINT64_MAX;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void X11FocusSource::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_.Get(), &one, sizeof one);
        thread_.join();
    }
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
    }
    stopFd_.Close();
}

void X11FocusSource::ReportActiveWindow() {
    const Atoms atoms = InternAtoms(connection_);
    const std::optional<xcb_window_t> active = ActiveWindow(connection_, root_, atoms);
    const FocusedWindow window = Describe(connection_, active.value_or(XCB_WINDOW_NONE), atoms);
    if (window.id == lastReported_) {
        return;  // the property was rewritten with the same window
    }
    lastReported_ = window.id;
    callback_(window);
}

void X11FocusSource::Loop() {
    ReportActiveWindow();
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {stopFd_.Get(), POLLIN, 0}};
    while (true) {
        // Events may already sit in xcb's queue (read while a reply was awaited).
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                changed = changed || (notify->window == root_ && notify->atom == activeAtom_);
            }
            std::free(event);
        }
        if (changed) {
            ReportActiveWindow();
            continue;  // the reads may have queued more events
        }
        if (xcb_connection_has_error(connection_) != 0) {
            return;  // the X server went away
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
    }
}

std::vector<FocusedWindow> X11FocusSource::ListWindows() {
    std::vector<FocusedWindow> windows;
    xcb_window_t root = XCB_WINDOW_NONE;
    const XcbConnection c = Connect(display_, root);
    if (!c) {
        return windows;
    }
    const Atoms atoms = InternAtoms(c.get());
    std::vector<uint32_t> ids = Values(c.get(), root, atoms.clientList, XCB_ATOM_WINDOW, 4096);
    if (ids.empty()) {
        // No window manager's list: the mapped children of the root.
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
                XcbReply<xcb_get_window_attributes_reply_t> attributes(
                    xcb_get_window_attributes_reply(
                        c.get(), xcb_get_window_attributes(c.get(), children[i]), nullptr));
                if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
                    ids.push_back(children[i]);
                }
            }
        }
    }
    for (const uint32_t id : ids) {
        FocusedWindow window = Describe(c.get(), id, atoms);
        if (!window.instance.empty() || !window.windowClass.empty() || !window.executable.empty()) {
            windows.push_back(std::move(window));
        }
    }
    return windows;
}

}  // namespace zanvor
