#pragma once

#include <cstdint>

namespace zanvor {

// The program's own window messages, posted to the main window.
enum WindowMessage : uint32_t {
    kMsgUpdateProgress = 1684,    // 0x694: download progress in lParam
    kMsgTrayIcon = 1690,          // 0x69A: tray icon callback, mouse message in lParam
    kMsgExitRequest = 1691,       // 0x69B: lParam 610 ends the program
    kMsgMacroKeyEvent = 1692,     // 0x69C: recorder key event
    kMsgMacroMouseEvent = 1693,   // 0x69D: recorder mouse event
    kMsgMacroInsertMenu = 1710,   // 0x6AE: macro insert menu, command in wParam
    kMsgMacroContextMenu = 1711,  // 0x6AF: record list context menu, command in wParam
    kMsgFirmwareOffer = 1694,     // 0x69E: update notices: wParam 1 software, 2 firmware offer
    kMsgBackgroundMenu = 1695,    // 0x69F: background menu command id in wParam
    kMsgLinkNotification = 1715,  // 0x6B3: receiver link state, lParam 1 connected
    kMsgProfileEditDone = 1825,   // 0x721: profile list in-place editor finished
    kMsgKnobChanged = 1826,       // 0x722: knob dialog choice, action index in wParam
    kMsgKeyFunctionList = 1834,   // 0x72A: key function list event
    kMsgMacroPageReload = 1850,   // 0x73A: the macro page fills itself after a profile load
    kMsgReapplyTexts = 2024,      // 0x7E8: re-apply all texts
    kMsgDragKeyboard = 2025,      // 0x7E9: move the keyboard picture
    kMsgToolkitQuery = 2026,      // 0x7EA: answered with 1

    // Linux counterparts of the platform messages.
    kMsgCommand = 0x0111,            // WM_COMMAND: wParam = menu command id
    kMsgPowerBroadcast = 0x0218,     // WM_POWERBROADCAST: wParam 4 suspend, 7/18 resume
    kMsgDeviceChange = 0x0219,       // WM_DEVICECHANGE: wParam 0x8000 arrival / 0x8004 removal
    kMsgRaiseWindow = 0x8001,        // a second start asked this instance to come to the front
    kMsgDatabaseFailure = 0x8010,    // the model's database could not be opened (wParam: type)
    kMsgFactoryTablesRead = 0x8011,  // the keyboard's key tables were back at the factory state
    kMsgResetDone = 0x8012,          // the factory reset ended (wParam 1: the keyboard took it)
    kMsgDirectChanged = 0x8020,      // another program's Direct stream started, ended or was taken
    kMsgLightModeRequest = 0x8021,   // another program chose a light mode
    kMsgProfileRequest = 0x8022,     // another program asked for a profile by name
};

// Mouse messages carried by kMsgTrayIcon.
enum TrayMouseMessage : intptr_t {
    kTrayLeftDown = 0x201,
    kTrayLeftDoubleClick = 0x203,
    kTrayRightUp = 0x205,
};

enum PowerEvent : uintptr_t {
    kPowerSuspend = 4,
    kPowerResumeSuspend = 7,
    kPowerResumeAutomatic = 18,
};

enum DeviceChangeEvent : uintptr_t {
    kDeviceArrival = 0x8000,
    kDeviceRemoveComplete = 0x8004,
};

inline constexpr int kTrayExitCommand = 100;
inline constexpr intptr_t kExitRequestCode = 610;

}  // namespace zanvor
