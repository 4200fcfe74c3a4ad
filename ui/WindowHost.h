#pragma once

#include <functional>
#include <string>

namespace zanvor {

// What the main window's logic asks of the window system: showing and hiding the window,
// the tray icon, opening links and ending the process. The desktop program implements it
// with Qt; the command line and the tests with HeadlessHost. Calls may come from the
// worker thread; implementations hand them to the UI thread.
class WindowHost {
  public:
    virtual ~WindowHost() = default;

    virtual void ShowNormal() = 0;
    virtual void ShowMinimized() = 0;
    virtual void Hide() = 0;
    // Restores the window and brings it to the front (a second start, a tray click).
    virtual void BringToFront() = 0;
    virtual bool IsVisible() const = 0;

    // False when the desktop has no system tray.
    virtual bool AddTrayIcon(const std::string& iconPath, const std::string& tooltip) = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual bool TrayIconPresent() const = 0;
    virtual bool TrayAvailable() const = 0;

    // Opens a web address or file with the desktop's default handler. `failed` runs on the
    // UI thread with a one-line reason when nothing opened it: no opener could be started,
    // or the opener reported a failure (no web browser is set up).
    using OpenFailed = std::function<void(const std::string& reason)>;
    virtual void OpenUrl(const std::string& url, OpenFailed failed) = 0;

    // Closes the program's other windows (dialogs) before an exit or a device change.
    virtual void CloseSecondaryWindows() = 0;

    // Ends the program with the exit code once control returns to the event loop.
    virtual void ExitProcess(int code) = 0;

    // A short notice beside the tray icon (or the desktop's notification); nothing where
    // there is no tray.
    virtual void ShowNotice(const std::string& text) { (void)text; }
};

}  // namespace zanvor
