#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zanvor {

// What is known of a top-level window: enough to tell which program it belongs to and to show
// it in a list.
struct FocusedWindow {
    uint64_t id = 0;          // the desktop's window id; 0: no window is in front
    int pid = 0;              // 0 when the window does not say
    std::string executable;   // file name of the process's executable ("dota2"), when readable
    std::string instance;     // the two parts of WM_CLASS (or the desktop-file id / resource
    std::string windowClass;  // class on Wayland desktops)
    std::string title;

    // The identities a bound program may match: executable, instance, class (non-empty ones).
    std::vector<std::string> Identities() const;
    bool operator==(const FocusedWindow&) const = default;
};

// Tells which window is in front, as the desktop reports it: no polling, on a thread of its
// own (or the desktop's own notifications).
class FocusSource {
  public:
    // Called on the source's thread with each window that comes to the front (id 0 when none).
    using Callback = std::function<void(const FocusedWindow&)>;

    virtual ~FocusSource() = default;
    // Connects and reports the window in front now, then every change. False with a one-line
    // reason when the desktop cannot be reached.
    virtual bool Start(Callback callback, std::string& error) = 0;
    // Stops reporting; no callback runs after it returns.
    virtual void Stop() = 0;
    // The windows on screen now, for a picker (any thread).
    virtual std::vector<FocusedWindow> ListWindows() = 0;
};

// The process's executable file name for a pid ("" when it cannot be read, e.g. another
// user's process): the link /proc/PID/exe, without the " (deleted)" of a replaced file.
std::string ExecutableOfProcess(int pid);

}  // namespace zanvor
