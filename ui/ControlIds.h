#pragma once

namespace zanvor {

// Control ids of the main window's models and buttons; control events arrive at
// KeyboardDlg::OnMessage with these ids. A button without a model raises event 1.
enum ControlId : int {
    kIdDeviceList = 1001,
    kIdKeyboardCtrl = 1002,
    kIdAuroraEffect = 1003,

    // Profiles.
    kIdProfileList = 1101,
    kIdAddProfile = 1102,
    kIdImportProfile = 1103,

    // Key-assignment page.
    kIdKeyFunctions = 1201,
    kIdKeyLayers = 1202,
    kIdMacroPlay = 1203,
    kIdCombination = 1204,
    kIdKeyTest = 1205,
    kIdRestoreAllKeys = 1206,
    kIdRestoreKey = 1207,

    // Settings page.
    kIdMacSwitch = 1301,
    kIdGameSwitch = 1302,
    kIdWinLockSwitch = 1303,
    kIdWasdSwitch = 1304,
    kIdEncoderSwitch = 1305,
    kIdSleepList = 1306,
    kIdKeyResponseList = 1307,
    kIdLanguageList = 1308,
    kIdAutostartSwitch = 1309,
    kIdAutostartMinimisedSwitch = 1310,
    kIdExitModeList = 1311,
    kIdResetButton = 1312,
    kIdUpdateButton = 1313,
    kIdSettingsButton = 1314,
    kIdSettingsBack = 1315,
    kIdFirmwareButton = 1316,
    kIdSdkServerSwitch = 1317,
    kIdFocusNoticeSwitch = 1318,

    // Lighting page.
    kIdLightZoneTabs = 1401,
    kIdLightSwitch = 1402,
    kIdLightModes = 1403,
    kIdLightCustomSets = 1404,
    kIdLightLiveMirror = 1405,
    kIdLightBrightness = 1406,
    kIdLightSpeed = 1407,
    kIdLightDirectionA = 1408,
    kIdLightDirectionB = 1409,
    kIdLightColorWheel = 1410,
    kIdLightSwatches = 1411,
    kIdLightRed = 1412,
    kIdLightGreen = 1413,
    kIdLightBlue = 1414,
    kIdLightColorButton = 1415,
    kIdLightColorful = 1416,
    kIdLightPicture = 1417,
    kIdLightApply = 1418,
    kIdLightSelectAll = 1419,
    kIdLightDirectStatus = 1420,
    kIdLightTakeBack = 1421,

    // 1500-1549: the music and aurora page (lighting/AuroraPage.h).
    // 1700-1749: the macro page (keys/MacroPage.h).
    // 1750-1799: the matrix screen page (lighting/MatrixPage.h).
};

}  // namespace zanvor
