#include "support/XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace zanvor::test {

PrivateXServer::~PrivateXServer() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

bool PrivateXServer::Start(std::string& why) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) {
        why = "Xvfb is not installed";
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        why = "no pipe";
        return false;
    }
    // Xvfb picks a free display itself and writes its number to the descriptor.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"/usr/bin/Xvfb", "-displayfd", "3",          "-nolisten", "tcp",
                          "-screen",       "0",          "640x480x24", nullptr};
    const int spawned =
        posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        pid_ = 0;
        close(fds[0]);
        why = "Xvfb did not start";
        return false;
    }
    std::string number;
    pollfd readable{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&readable, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        why = "Xvfb gave no display number";
        return false;
    }
    display_ = ":" + number;
    int screen = 0;
    connection_ = xcb_connect(display_.c_str(), &screen);
    if (xcb_connection_has_error(connection_) != 0) {
        why = "cannot connect to Xvfb on " + display_;
        return false;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    return true;
}

uint32_t PrivateXServer::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
    const uint32_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

uint32_t PrivateXServer::CreateWindow(const std::string& instance, const std::string& windowClass,
                                      const std::string& title, int pid) {
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::string wmClass = instance + '\0' + windowClass + '\0';
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, title.size(), title.data());
    if (pid != 0) {
        const uint32_t value = static_cast<uint32_t>(pid);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &value);
    }
    xcb_map_window(connection_, window);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return window;
}

void PrivateXServer::Activate(uint32_t window) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, Atom("_NET_ACTIVE_WINDOW"),
                        XCB_ATOM_WINDOW, 32, 1, &window);
    // A round trip: the server has applied the change (and sent its events) on return.
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void PrivateXServer::SetClientList(const uint32_t* windows, int count) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, Atom("_NET_CLIENT_LIST"),
                        XCB_ATOM_WINDOW, 32, static_cast<uint32_t>(count), windows);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

}  // namespace zanvor::test
