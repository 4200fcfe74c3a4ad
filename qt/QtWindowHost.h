#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

#include "ui/WindowHost.h"

class QMainWindow;
class QSystemTrayIcon;
class QMenu;

namespace zanvor {

// The window host of the desktop program: the main window and the tray icon. Calls from
// the worker thread are queued to the UI thread.
class QtWindowHost : public QObject, public WindowHost {
    Q_OBJECT
  public:
    QtWindowHost(QMainWindow& window, std::function<void(int)> trayCommand);
    ~QtWindowHost() override;

    void ShowNormal() override;
    void ShowMinimized() override;
    void Hide() override;
    void BringToFront() override;
    bool IsVisible() const override;

    bool AddTrayIcon(const std::string& iconPath, const std::string& tooltip) override;
    void RemoveTrayIcon() override;
    void ShowNotice(const std::string& text) override;
    bool TrayIconPresent() const override;
    bool TrayAvailable() const override;

    void OpenUrl(const std::string& url, OpenFailed failed) override;
    void CloseSecondaryWindows() override;
    void ExitProcess(int code) override;

    // Set by the tray icon's activation: the mouse message the main window is told about.
    void SetTrayActivationHandler(std::function<void(intptr_t)> handler);

  private:
    void OnUiThread(std::function<void()> action);
    // Looks at a started opener until it ends or the verdict time is over; a non-zero exit
    // status within that time is a failure.
    void WatchOpener(int pid, OpenFailed failed);

    QMainWindow& window_;
    std::function<void(int)> trayCommand_;
    std::function<void(intptr_t)> trayActivation_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    std::atomic<bool> visible_{false};
};

}  // namespace zanvor
