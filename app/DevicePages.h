#pragma once

#include "app/ProfilePage.h"
#include "device/DeviceSettings.h"
#include "device/SettingsPage.h"
#include "keys/ExchangePage.h"
#include "keys/KeyAssignmentPage.h"
#include "keys/KeyTest.h"
#include "keys/KnobPage.h"
#include "ui/CKeyTestCtrl.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/ComboBox.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ProfileList.h"
#include "ui/SwitchButton.h"
#include "update/UpdatePage.h"

namespace zanvor {

class KeyboardDlg;

// The pages of the main window: their control models and the feature objects that handle
// them. The main window owns one and routes control events and worker tasks to it.
struct DevicePages {
    explicit DevicePages(KeyboardDlg& dialog);
    DevicePages(const DevicePages&) = delete;
    DevicePages& operator=(const DevicePages&) = delete;

    // Models.
    ProfileList profileList;
    KeyFuncValue keyFunctions;
    KeyLayerCtrl keyLayers;
    MacroPlayPanel macroPlay;
    CombinationKeyPanel combination;
    CKeyTestCtrl keyTestCtrl;
    ComboBox languageList;
    SwitchButton autostartSwitch;
    SwitchButton autostartMinimisedSwitch;
    ComboBox exitModeList;  // data 1: closing hides to the tray; 0: closing exits
    HeldKeySet heldKeys;

    // Feature objects.
    ProfilePage profile;
    DeviceSettings deviceSettings;
    SettingsPage settings;
    KeyAssignmentPage keys;
    KnobPage knob;
    ExchangePage exchange;
    KeyTest keyTest;
    UpdatePage update;
};

}  // namespace zanvor
