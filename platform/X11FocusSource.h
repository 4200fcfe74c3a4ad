#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/FocusSource.h"
#include "platform/UniqueFd.h"

typedef struct xcb_connection_t xcb_connection_t;

namespace zanvor {

// The window in front on an X server, as the window manager publishes it: the root window's
// _NET_ACTIVE_WINDOW, followed through PropertyNotify events on a thread blocked in poll()
// (no polling of the property). A window's program comes from its _NET_WM_PID (the
// executable's file name under /proc) and its WM_CLASS.
class X11FocusSource : public FocusSource {
  public:
    // `display`: the X display to use ("" for $DISPLAY).
    explicit X11FocusSource(std::string display = {}) : display_(std::move(display)) {}
    ~X11FocusSource() override;

    bool Start(Callback callback, std::string& error) override;
    void Stop() override;
    // The window manager's client list (_NET_CLIENT_LIST), or, without one, the mapped
    // top-level windows that carry a WM_CLASS.
    std::vector<FocusedWindow> ListWindows() override;

  private:
    void Loop();
    void ReportActiveWindow();

    std::string display_;
    Callback callback_;
    xcb_connection_t* connection_ = nullptr;  // the event thread's, opened by Start
    uint32_t root_ = 0;
    uint32_t activeAtom_ = 0;
    uint64_t lastReported_ = UINT64_MAX;  // event thread only: the last window reported
    UniqueFd stopFd_;                     // eventfd that ends the loop
    std::thread thread_;
};

}  // namespace zanvor
