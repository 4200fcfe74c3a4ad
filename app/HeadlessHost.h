#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ui/WindowHost.h"

namespace zanvor {

// The window host of the command line and the tests: no window, no tray; it records what
// was asked so callers can check it.
class HeadlessHost : public WindowHost {
  public:
    enum class Shown { kHidden, kNormal, kMinimized };

    void ShowNormal() override { shown_ = Shown::kNormal; }
    void ShowMinimized() override { shown_ = Shown::kMinimized; }
    void Hide() override { shown_ = Shown::kHidden; }
    void BringToFront() override {
        shown_ = Shown::kNormal;
        ++raised_;
    }
    bool IsVisible() const override { return shown_ != Shown::kHidden; }

    bool AddTrayIcon(const std::string&, const std::string& tooltip) override;
    void RemoveTrayIcon() override { tray_ = false; }
    bool TrayIconPresent() const override { return tray_; }
    bool TrayAvailable() const override { return trayAvailable_; }
    void SetTrayAvailable(bool available) { trayAvailable_ = available; }

    // Records the address; with SetOpenerMissing(true) nothing opens it and `failed` runs.
    void OpenUrl(const std::string& url, OpenFailed failed) override;
    void SetOpenerMissing(bool missing) { openerMissing_ = missing; }
    void CloseSecondaryWindows() override { ++secondaryClosed_; }
    void ExitProcess(int code) override { exitCode_ = code; }
    void ShowNotice(const std::string& text) override;
    std::vector<std::string> notices() const;
    int secondaryClosed() const { return secondaryClosed_; }

    Shown shown() const { return shown_; }
    int raised() const { return raised_; }
    int exitCode() const { return exitCode_; }
    std::string trayTooltip() const;
    std::vector<std::string> openedUrls() const;

  private:
    std::atomic<Shown> shown_{Shown::kHidden};
    std::atomic<int> raised_{0};
    std::atomic<bool> tray_{false};
    std::atomic<bool> trayAvailable_{true};
    std::atomic<bool> openerMissing_{false};
    std::atomic<int> exitCode_{-1};
    std::atomic<int> secondaryClosed_{0};
    mutable std::mutex mutex_;  // guards tooltip_, urls_ and notices_
    std::string tooltip_;
    std::vector<std::string> urls_;
    std::vector<std::string> notices_;
};

}  // namespace zanvor
