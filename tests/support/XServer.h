#pragma once

// A private X server (Xvfb) with no window manager, and a stand-in for the part of a window
// manager that matters to focus tests: windows carrying WM_CLASS and _NET_WM_PID, and the
// root window's _NET_ACTIVE_WINDOW set as a window manager sets it. Tests skip when Xvfb is
// not installed.

#include <sys/types.h>

#include <cstdint>
#include <string>

typedef struct xcb_connection_t xcb_connection_t;

namespace zanvor::test {

class PrivateXServer {
  public:
    PrivateXServer() = default;
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Starts Xvfb on a free display and connects to it; false with `why` when it cannot.
    bool Start(std::string& why);
    // ":N"
    const std::string& Display() const { return display_; }

    // A mapped top-level window with WM_CLASS "instance\0windowClass\0", WM_NAME `title` and,
    // unless pid is 0, _NET_WM_PID.
    uint32_t CreateWindow(const std::string& instance, const std::string& windowClass,
                          const std::string& title, int pid);
    // Sets the root window's _NET_ACTIVE_WINDOW (0: none) and waits until the server has it.
    void Activate(uint32_t window);
    // The root window's _NET_CLIENT_LIST.
    void SetClientList(const uint32_t* windows, int count);

  private:
    uint32_t Atom(const char* name);

    pid_t pid_ = 0;
    std::string display_;
    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
};

}  // namespace zanvor::test
