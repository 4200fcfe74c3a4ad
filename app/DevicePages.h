#pragma once

#include <atomic>

#include "app/ApplicationPage.h"
#include "app/FocusSwitcher.h"
#include "app/ProfilePage.h"
#include "device/DeviceSettings.h"
#include "device/SettingsPage.h"
#include "keys/ExchangePage.h"
#include "keys/KeyAssignmentPage.h"
#include "keys/KeyTest.h"
#include "keys/KnobPage.h"
#include "keys/MacroPage.h"
#include "lighting/AuroraPage.h"
#include "lighting/DirectStream.h"
#include "lighting/LightPage.h"
#include "lighting/MatrixPage.h"
#include "screen/ScreenPage.h"
#include "update/UpdatePage.h"

namespace zanvor {

class DeviceSession;
class KeyboardDlg;
class MainView;
class PageRegistry;

// The pages of the main window. Each owns its control models and registers what it handles
// (controls, worker tasks, connection-read steps, profile steps) with the page registry; the
// main window owns one DevicePages and looks everything up in the registry.
struct DevicePages {
    DevicePages(KeyboardDlg& dialog, DeviceSession& keyboards);
    ~DevicePages();
    DevicePages(const DevicePages&) = delete;
    DevicePages& operator=(const DevicePages&) = delete;

    // Registers every page and joins the few places where one page's control starts another's
    // work (the knob on the key page, the key test during a combination capture, export from
    // the profile list).
    void Register(PageRegistry& registry);

    ProfilePage profile;
    DeviceSettings deviceSettings;
    SettingsPage settings;
    KeyAssignmentPage keys;
    KnobPage knob;
    ExchangePage exchange;
    KeyTest keyTest;
    MacroPage macros;
    // The sound capture the music effects and the matrix screen share.
    KeyboardAudio audio;
    ApplicationPage application;
    ScreenPage screen;
    LightPage lighting;
    AuroraPage aurora;
    MatrixPage matrix;
    UpdatePage update;
    // Another lighting program's per-LED colours (the live-stream slot it shares with music).
    DirectStream direct;
    // Profiles that follow the window in front (last: its source stops before the pages go).
    FocusSwitcher focus;

  private:
    MainView& mainView_;
    int pageObserver_ = 0;
    std::atomic<bool> lightingShown_{false};  // the lighting page was on screen at the last change
};

}  // namespace zanvor
