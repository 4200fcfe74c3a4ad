#pragma once

#include <array>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// Pages of the main window.
enum Page : int {
    kPageHome = 0,  // the device list
    kPageLighting = 1,
    kPageMatrix = 2,
    kPageAurora = 3,
    kPageKeys = 4,
    kPageMacros = 5,
    kPageScreen = 6,
};

// The main window's frame: which page is shown, which page tabs are visible, the home
// page's disconnected picture, the settings page, the device page title and the three
// device information labels. Pages: 0 home (device list), 1 lighting, 2 matrix screen,
// 3 music and aurora, 4 key assignment, 5 macros, 6 screen library.
class MainView : public ControlModel {
  public:
    static constexpr int kPageCount = 7;
    enum Change {
        kChangePage = 16,
        kChangeTabs,
        kChangeHome,
        kChangeSettings,
        kChangeTitle,
        kChangeLabels,
        kChangeBackground,
    };

    int SelectedPage() const;
    void SelectPage(int page);
    bool TabVisible(int tab) const;
    void SetTabVisible(int tab, bool visible);

    // The home page with the picture of a disconnected keyboard instead of the device pages.
    void ShowDisconnectedHome();
    // The device pages (the tabs) instead of the disconnected picture.
    void ShowDevicePages();
    bool DevicePagesShown() const;
    bool DisconnectedShown() const;
    // Keyboards are plugged in that this user may not open: the home page says so and names
    // the fix instead of reporting that no keyboard is connected.
    void SetKeyboardsUnreachable(bool unreachable);
    bool KeyboardsUnreachable() const;

    void ShowSettingsPage(bool shown);
    bool SettingsPageShown() const;

    void SetTitle(const std::string& title);
    std::string Title() const;

    // The three information labels of the settings page (firmware version, offer, note).
    void SetInfoLabel(int index, const std::string& text);
    // The user chose another background picture (stored in the settings): views reload it.
    void NotifyBackgroundChanged() { NotifyChanged(kChangeBackground); }
    std::string InfoLabel(int index) const;

  private:
    mutable std::mutex mutex_;  // guards every member below
    int page_ = 0;
    std::array<bool, kPageCount> tabs_{true, true, true, true, true, true, true};
    bool devicePages_ = false;
    bool disconnected_ = true;
    bool unreachable_ = false;
    bool settings_ = false;
    std::string title_;
    std::array<std::string, 3> labels_;
};

}  // namespace zanvor
