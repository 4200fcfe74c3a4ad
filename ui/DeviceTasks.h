#pragma once

namespace zanvor {

// Codes of the worker's jobs.
enum DeviceTask : int {
    kTaskStartup = 1,
    kTaskDeviceInstall = 2,
    kTaskDeviceUnInstall = 3,
    kTaskSelectDevice = 4,
    kTaskReloadProfiles = 5,
    kTaskApplyProfile = 6,
    kTaskReloadKeyLayer = 7,
    kTaskWriteKnobAction = 8,
    kTaskWriteKeyAssignments = 9,
    kTaskDownloadMacros = 11,
    kTaskWriteCustomLightMode = 12,
    kTaskWriteLightMode = 13,
    kTaskWriteMatrixMode = 14,
    kTaskReadMatrixColors = 15,
    kTaskWriteMatrixColors = 16,
    kTaskWriteSettings = 17,
    kTaskReadKeyColors = 18,
    kTaskWriteLightLayer = 19,
    kTaskWriteLightModeAlt = 20,
    kTaskResetDefaults = 22,
    kTaskSetLiveMode = 23,
    kTaskCheckUpdate = 30,
    kTaskDownloadUpdate = 31,
    kTaskDownloadFirmwareTool = 32,
    // The window in front changed: switch to its program's profile, or back.
    kTaskFollowFocus = 40,
};

}  // namespace zanvor
