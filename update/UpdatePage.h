#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "device/DeviceCatalogue.h"
#include "ui/PageRegistry.h"
#include "update/ArchiveUnpack.h"
#include "update/FirmwareTool.h"
#include "update/UpdatePackage.h"
#include "update/WebClient.h"

namespace zanvor {

class DeviceManager;
class DeviceSettings;
class Dialogs;
class MainView;
class SessionState;
class TaskPoster;
class WindowHost;

// Software update notices: message kMsgFirmwareOffer with this wParam and an UpdateNotice in
// lParam (wParam 2 is the firmware offer).
inline constexpr uintptr_t kSoftwareUpdateNotice = 1;

// Settings value holding the firmware version last offered: each version is offered once.
inline constexpr const char* kFirmwareOfferedValue = "firmware_offered";
// "The keyboard's firmware version is not known yet. ..."
inline constexpr int kTextFirmwareUnknown = 1550;

// Environment variable that replaces the catalogue's update service address (a mirror, a
// staging service).
inline constexpr const char* kUpdateAddressVariable = "ZANVOR_HUB_UPDATE_URL";

// What a software update notice tells the user.
enum UpdateNotice : intptr_t {
    kNoticeOffered = 1,         // a newer version: the question
    kNoticeUpToDate = 2,        // the software is current
    kNoticeUnreachable = 3,     // the service could not be reached
    kNoticeNoService = 4,       // no service address is installed
    kNoticeNotAVersion = 5,     // the service answered something else than a version
    kNoticeDownloadFailed = 6,  // the download failed (detail in the status)
    kNoticeUnpackFailed = 7,    // the archive was damaged or unsafe
    kNoticeNoInstaller = 8,     // the archive held no installer
    kNoticeOpenFailed = 9,      // the desktop could not open the installer
};

enum class UpdateCheck { kNotRun, kOffered, kUpToDate, kUnreachable, kNotAVersion, kNoService };
enum class UpdateDownload { kNotRun, kReady, kHandedOff, kStopped, kFailed };

// What the last check and download found (for the command line and the tests).
struct UpdateStatus {
    std::string installedVersion;
    std::string latestVersion;  // empty until a check found a version to consider
    int updateState = 0;        // 0 not yet known, 1 newer version available, 2 up to date
    UpdateCheck check = UpdateCheck::kNotRun;
    UpdateDownload download = UpdateDownload::kNotRun;
    std::string error;          // one line about the last failure
    std::string installerPath;  // the unpacked installer of the last download
};

// The software update (check, question, download with progress, unpacking, hand-off to the
// desktop's package installer) and the firmware tool (offer, start, wait). The window thread
// asks and shows; the worker runs the network jobs and waits for the tool.
class UpdatePage {
  public:
    struct Hooks {
        // The catalogue's installed version and update service address.
        std::function<SoftwareInfo()> software;
        FirmwareTool::Hooks firmware;
    };

    UpdatePage(Dialogs& dialogs, WindowHost& host, TaskPoster& poster, MainView& mainView,
               DeviceManager& devices, SessionState& session, DeviceSettings& deviceSettings,
               std::atomic<int>& externalToolPid, Hooks hooks);
    UpdatePage(const UpdatePage&) = delete;
    UpdatePage& operator=(const UpdatePage&) = delete;

    // The update and firmware buttons, the update tasks (30, 31, 32) and the progress and
    // notice messages.
    void Register(PageRegistry& registry);

    // ---- window thread ----
    // The settings page's update button: asks the service (task 30).
    void CheckForUpdates();
    // Downloads the offered version: the progress dialog with its cancel button, task 31.
    void DownloadUpdate();
    // Stops a running download after its current read (any thread).
    void CancelDownload();
    // The settings page's firmware button and the accepted firmware offer: starts the
    // firmware tool when the keyboard's firmware is older than the tool's, else says the
    // firmware is current; says the version is not known while no keyboard's version was
    // read (nothing is started then).
    void LaunchFirmwareTool();
    void OnNotice(uintptr_t wParam, intptr_t lParam);
    void OnProgress(intptr_t percent);

    // ---- worker ----
    // Each fails (without a reason: the user hears of it through the notices) when it did
    // not get what it went for.
    TaskResult TaskCheckUpdate();
    TaskResult TaskDownloadUpdate();
    TaskResult TaskDownloadFirmwareTool();
    void WaitForExternalTool() { firmware_.WaitForExternalTool(); }

    // ---- configuration (before use) ----
    // Notices for the user (the update question, the answers, failures) and the firmware
    // offer; the command line turns them off and reads Status() instead.
    void SetNotifyUser(bool notify) { notifyUser_ = notify; }
    bool NotifyUser() const { return notifyUser_.load(); }
    // Whether a downloaded installer is handed to the desktop and the program ended.
    void SetStartInstaller(bool start) { startInstaller_ = start; }
    bool StartInstaller() const { return startInstaller_.load(); }
    // Called with each progress value on the window thread (the command line's progress).
    void SetProgressObserver(std::function<void(int)> observer);
    // The program that opens the installer ("xdg-open").
    void SetInstallerOpener(std::string opener);
    // Address the firmware tool archive is served from; nothing sets it by default, and
    // task 32 does nothing without it.
    void SetFirmwareToolAddress(std::string address);
    void SetUnpackLimits(const UnpackLimits& limits);

    WebClient& Web() { return web_; }
    FirmwareTool& Firmware() { return firmware_; }
    UpdateStatus Status() const;
    // The update service address: the environment's override, else the catalogue's.
    std::string ServiceAddress() const;

  private:
    void Notify(UpdateNotice notice, bool onlyOnSettingsPage);
    // Task 31 and 32's common part: download into the download folder's `folderName`,
    // unpack, hand-off.
    bool DownloadAndStart(const std::string& address, const std::string& folderName,
                          const PackageNames& names);
    void PostProgress(int percent);

    Dialogs& dialogs_;
    TaskPoster& poster_;
    MainView& mainView_;
    SessionState& session_;
    DeviceSettings& deviceSettings_;
    Hooks hooks_;
    WebClient web_;
    FirmwareTool firmware_;
    std::atomic<bool> notifyUser_{true};
    std::atomic<bool> startInstaller_{true};

    mutable std::mutex mutex_;  // guards status_ and the settings below it
    UpdateStatus status_;
    std::function<void(int)> progressObserver_;
    std::string opener_ = "xdg-open";
    std::string firmwareToolAddress_;
    UnpackLimits limits_;
};

}  // namespace zanvor
