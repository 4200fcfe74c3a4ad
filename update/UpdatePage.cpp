#include "update/UpdatePage.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "device/DeviceSettings.h"
#include "device/SessionState.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "ui/ControlIds.h"
#include "ui/DeviceTasks.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"
#include "ui/MainView.h"
#include "ui/WindowMessages.h"
#include "update/UpdatePackage.h"
#include "update/Versions.h"

namespace zanvor {

namespace {

// The version answer is a few characters; anything longer is cut off here.
constexpr size_t kVersionAnswerLimit = 256;

std::string WithDetail(const std::string& text, const std::string& detail) {
    return detail.empty() ? text : text + "\n" + detail;
}

// Whether the keyboard's firmware version was read: no read, a failed read and a keyboard
// answering version 0 all leave it unknown, and nothing is compared with an unknown version.
bool FirmwareKnown(const DeviceInfo& info) {
    return info.valid && info.firmwareVersion != 0 && !info.firmwareText.empty();
}

}  // namespace

UpdatePage::UpdatePage(Dialogs& dialogs, WindowHost& host, TaskPoster& poster, MainView& mainView,
                       DeviceManager& devices, SessionState& session,
                       DeviceSettings& deviceSettings, std::atomic<int>& externalToolPid,
                       Hooks hooks)
    : dialogs_(dialogs),
      poster_(poster),
      mainView_(mainView),
      session_(session),
      deviceSettings_(deviceSettings),
      hooks_(std::move(hooks)),
      firmware_(host, devices, poster, externalToolPid, hooks_.firmware) {}

void UpdatePage::Register(PageRegistry& registry) {
    registry.AddControl(kIdUpdateButton, [this](int) { CheckForUpdates(); });
    registry.AddControl(kIdFirmwareButton, [this](int) { LaunchFirmwareTool(); });
    // The version check and the download need no keyboard. The download runs once: a
    // failed or cancelled download is not started again behind the user's back.
    const TaskOptions anyTime{.needsKeyboard = false};
    registry.AddTask(
        kTaskCheckUpdate, [this] { return TaskCheckUpdate(); }, anyTime);
    registry.AddTask(
        kTaskDownloadUpdate, [this] { return TaskDownloadUpdate(); }, anyTime);
    registry.AddTask(kTaskDownloadFirmwareTool, [this] { return TaskDownloadFirmwareTool(); });
    registry.AddWindowMessage(kMsgUpdateProgress,
                              [this](uintptr_t, intptr_t lParam) { OnProgress(lParam); });
    registry.AddWindowMessage(
        kMsgFirmwareOffer, [this](uintptr_t wParam, intptr_t lParam) { OnNotice(wParam, lParam); });
}

void UpdatePage::SetProgressObserver(std::function<void(int)> observer) {
    std::lock_guard lock(mutex_);
    progressObserver_ = std::move(observer);
}

void UpdatePage::SetInstallerOpener(std::string opener) {
    std::lock_guard lock(mutex_);
    opener_ = std::move(opener);
}

void UpdatePage::SetFirmwareToolAddress(std::string address) {
    std::lock_guard lock(mutex_);
    firmwareToolAddress_ = std::move(address);
}

void UpdatePage::SetUnpackLimits(const UnpackLimits& limits) {
    std::lock_guard lock(mutex_);
    limits_ = limits;
}

UpdateStatus UpdatePage::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

std::string UpdatePage::ServiceAddress() const {
    if (const char* address = std::getenv(kUpdateAddressVariable);
        address != nullptr && *address != '\0') {
        return address;
    }
    return hooks_.software ? hooks_.software().upgrade : std::string();
}

// ---- window thread ----

void UpdatePage::CheckForUpdates() {
    web_.SetContinue(true);
    poster_.PostTask(kTaskCheckUpdate);
}

void UpdatePage::DownloadUpdate() {
    web_.SetContinue(true);
    // The dialog is up before the worker can close it, however fast the download fails.
    dialogs_.ShowCancellableProgress(LoadText("KB.DIALOG", 539) + ": 0%",
                                     [this] { CancelDownload(); });
    poster_.PostTask(kTaskDownloadUpdate);
}

void UpdatePage::CancelDownload() {
    web_.SetContinue(false);
}

void UpdatePage::OnProgress(intptr_t percent) {
    const int value = static_cast<int>(percent);
    dialogs_.SetProgress(value);
    dialogs_.SetProgressText(LoadText("KB.DIALOG", 539) + ": " + std::to_string(value) + "%");
    std::function<void(int)> observer;
    {
        std::lock_guard lock(mutex_);
        observer = progressObserver_;
    }
    if (observer) {
        observer(value);
    }
}

void UpdatePage::OnNotice(uintptr_t wParam, intptr_t lParam) {
    if (!notifyUser_.load()) {
        return;
    }
    if (wParam == kFirmwareOfferWParam) {
        // The offer is asked once per offered version (the settings page keeps showing it),
        // and only while the keyboard it was made for is still the one read.
        const DeviceInfo info = session_.Info();
        const std::string offered = deviceSettings_.FirmwareToolVersion();
        if (!FirmwareKnown(info) || info.firmwareOffer != 1 || offered.empty() ||
            ReadRegistryText(kFirmwareOfferedValue) == offered) {
            return;
        }
        WriteRegistryText(kFirmwareOfferedValue, offered);
        // "Latest version: v1.15, update now?"
        const std::string text =
            VersionLabel(LoadText("KB.DIALOG", 520), offered) + ", " + LoadText("KB.DIALOG", 521);
        if (dialogs_.Question(text, LoadText("KB.DIALOG", 533))) {
            LaunchFirmwareTool();
        }
        return;
    }
    if (wParam != kSoftwareUpdateNotice) {
        return;
    }
    const UpdateStatus status = Status();
    const std::string caption = LoadText("KB.DIALOG", 516);
    switch (lParam) {
        case kNoticeOffered: {
            const std::string text = LoadText("KB.DIALOG", 520) + ":v" + status.latestVersion +
                                     ", " + LoadText("KB.DIALOG", 521);
            if (dialogs_.Question(text, caption)) {
                DownloadUpdate();
            }
            break;
        }
        case kNoticeUpToDate:
            dialogs_.MessageBox(LoadText("KB.DIALOG", 531), caption);
            break;
        case kNoticeUnreachable:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1540), status.error), caption);
            break;
        case kNoticeNoService:
            dialogs_.MessageBox(LoadText("KB.DIALOG", 1541), caption);
            break;
        case kNoticeNotAVersion:
            dialogs_.MessageBox(LoadText("KB.DIALOG", 1542), caption);
            break;
        case kNoticeDownloadFailed:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1543), status.error), caption);
            break;
        case kNoticeUnpackFailed:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1544), status.error), caption);
            break;
        case kNoticeNoInstaller:
            dialogs_.MessageBox(LoadText("KB.DIALOG", 1545), caption);
            break;
        case kNoticeOpenFailed:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1546), status.installerPath),
                                caption);
            break;
        default:
            break;
    }
}

void UpdatePage::LaunchFirmwareTool() {
    const std::string offered = deviceSettings_.FirmwareToolVersion();
    const DeviceInfo info = session_.Info();
    const std::string caption = LoadText("KB.DIALOG", 533);
    if (!session_.deviceOnline.load() || !FirmwareKnown(info)) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", kTextFirmwareUnknown), caption);
        return;
    }
    if (offered.empty() || DecimalVersion(info.firmwareText) >= DecimalVersion(offered)) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 531), caption);
        return;
    }
    std::string error;
    switch (firmware_.Start(error)) {
        case FirmwareTool::StartResult::kStarted:
            break;
        case FirmwareTool::StartResult::kMissing:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1547), error), caption);
            break;
        case FirmwareTool::StartResult::kFailed:
            dialogs_.MessageBox(WithDetail(LoadText("KB.DIALOG", 1548), error), caption);
            break;
    }
}

// ---- worker ----

void UpdatePage::Notify(UpdateNotice notice, bool onlyOnSettingsPage) {
    if (!notifyUser_.load()) {
        return;
    }
    if (onlyOnSettingsPage && !mainView_.SettingsPageShown()) {
        return;
    }
    poster_.PostWindowMessage(kMsgFirmwareOffer, kSoftwareUpdateNotice, notice);
}

TaskResult UpdatePage::TaskCheckUpdate() {
    const std::string installed = hooks_.software ? hooks_.software().version : std::string();
    const std::string base = ServiceAddress();
    {
        std::lock_guard lock(mutex_);
        status_.installedVersion = installed;
        status_.latestVersion.clear();
        status_.error.clear();
    }
    const auto finish = [this](UpdateCheck check, std::string error) {
        std::lock_guard lock(mutex_);
        status_.check = check;
        status_.error = std::move(error);
    };
    if (base.empty()) {
        finish(UpdateCheck::kNoService, "no update service is set up for this installation");
        Notify(kNoticeNoService, true);
        return false;
    }
    std::string answer;
    if (web_.GetText(ServiceFileAddress(base, "version"), answer, kVersionAnswerLimit) !=
        WebClient::kOk) {
        finish(UpdateCheck::kUnreachable, web_.LastError());
        Notify(kNoticeUnreachable, true);
        return false;
    }
    const std::optional<std::string> latest = ParseVersionAnswer(answer);
    if (!latest) {
        finish(UpdateCheck::kNotAVersion, "the update service did not answer with a version");
        Notify(kNoticeNotAVersion, true);
        return false;
    }
    if (*latest == kNeverOfferedVersion) {
        finish(UpdateCheck::kUpToDate, {});
        Notify(kNoticeUpToDate, true);
        return true;
    }
    // Only a version above the installed one is offered, never an older or an equal one.
    const bool newer = CompareVersions(installed, *latest) == 1;
    {
        std::lock_guard lock(mutex_);
        status_.latestVersion = *latest;
        status_.updateState = newer ? 1 : 2;
    }
    finish(newer ? UpdateCheck::kOffered : UpdateCheck::kUpToDate, {});
    if (newer) {
        Notify(kNoticeOffered, false);
    } else {
        Notify(kNoticeUpToDate, true);
    }
    return true;
}

TaskResult UpdatePage::TaskDownloadUpdate() {
    const std::string latest = Status().latestVersion;
    const std::string base = ServiceAddress();
    if (latest.empty() || base.empty()) {
        {
            std::lock_guard lock(mutex_);
            status_.download = UpdateDownload::kFailed;
            status_.error = "no newer version has been found";
        }
        dialogs_.CloseProgress();
        return false;
    }
    const std::string stem = "Zanvor-HUB-" + latest;
    return DownloadAndStart(ServiceFileAddress(base, stem + ".zip"), stem,
                            {stem + ".zip", stem + ".deb"});
}

TaskResult UpdatePage::TaskDownloadFirmwareTool() {
    std::string base;
    {
        std::lock_guard lock(mutex_);
        base = firmwareToolAddress_;
    }
    if (base.empty()) {
        return false;
    }
    return DownloadAndStart(ServiceFileAddress(base, "FirmwareUpdateTool.zip"),
                            "FirmwareUpdateTool",
                            {"FirmwareUpdateTool.zip", "FirmwareUpdateTool.deb"});
}

void UpdatePage::PostProgress(int percent) {
    poster_.PostWindowMessage(kMsgUpdateProgress, 0, percent);
}

bool UpdatePage::DownloadAndStart(const std::string& address, const std::string& folderName,
                                  const PackageNames& names) {
    UnpackLimits limits;
    std::string opener;
    {
        std::lock_guard lock(mutex_);
        limits = limits_;
        opener = opener_;
        status_.download = UpdateDownload::kNotRun;
        status_.error.clear();
        status_.installerPath.clear();
    }
    // Each download has a folder of its own below the download folder, emptied first.
    const PackageOutcome outcome = DownloadPackage(
        web_, address, DataFolder() + "temp/" + folderName + "/", names,
        [this](int percent) { PostProgress(percent); }, limits);

    UpdateDownload result = UpdateDownload::kReady;
    std::string error = outcome.error;
    UpdateNotice notice = kNoticeDownloadFailed;
    if (outcome.stopped) {
        result = UpdateDownload::kStopped;
    } else if (!outcome.ok) {
        result = UpdateDownload::kFailed;
        if (outcome.failure == PackageOutcome::Failure::kUnpack) {
            notice = kNoticeUnpackFailed;
        } else if (outcome.failure == PackageOutcome::Failure::kNoInstaller) {
            notice = kNoticeNoInstaller;
        }
    } else if (startInstaller_.load()) {
        if (OpenWithDesktop(opener, outcome.installerPath, error)) {
            result = UpdateDownload::kHandedOff;
        } else {
            result = UpdateDownload::kFailed;
            notice = kNoticeOpenFailed;
        }
    }
    {
        std::lock_guard lock(mutex_);
        status_.download = result;
        status_.error = result == UpdateDownload::kReady || result == UpdateDownload::kHandedOff
                            ? std::string()
                            : error;
        status_.installerPath = outcome.installerPath;
    }

    // The dialog shows the end of the download a moment before it closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dialogs_.CloseProgress();
    if (result == UpdateDownload::kHandedOff) {
        // The desktop's installer takes over; the program ends as after the tray's exit.
        poster_.PostWindowMessage(kMsgExitRequest, 0, kExitRequestCode);
    } else if (result == UpdateDownload::kFailed) {
        Notify(notice, false);
    }
    return result == UpdateDownload::kReady || result == UpdateDownload::kHandedOff;
}

}  // namespace zanvor
