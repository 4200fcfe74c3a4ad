#include "app/KeyboardDlg.h"

#include <thread>

#include "app/ControlIds.h"
#include "app/DevicePages.h"
#include "app/WindowMessages.h"
#include "device/DeviceManager.h"
#include "platform/HotplugMonitor.h"
#include "platform/Registry.h"
#include "platform/SleepMonitor.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"
#include "update/UpdatePage.h"

namespace zanvor {

// The update feature names the main window's task codes and messages it uses.
static_assert(kCheckUpdateTask == kTaskCheckUpdate && kDownloadUpdateTask == kTaskDownloadUpdate &&
              kDownloadFirmwareToolTask == kTaskDownloadFirmwareTool);
static_assert(kUpdateProgressMessage == kMsgUpdateProgress &&
              kUpdateNoticeMessage == kMsgFirmwareOffer && kEndProgramMessage == kMsgExitRequest &&
              kEndProgramCode == kExitRequestCode);

namespace {
void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
}  // namespace

KeyboardDlg::KeyboardDlg(WindowHost& host, Dialogs& dialogs, DeviceManager* devices,
                         DataStore* store)
    : deviceList(kIdDeviceList),
      keyboardCtrl(kIdKeyboardCtrl),
      auroraEffect(kIdAuroraEffect),
      host_(host),
      dialogs_(dialogs),
      devices_(devices != nullptr ? *devices : DeviceManager::Instance()),
      store_(store != nullptr ? *store : DataStore::Instance()) {
    const std::string skins = Manager::SkinFolder();
    homePictureDisconnected = skins + "keyboard/home_keyboard_disconnected.png";
    homePictureConnected = skins + "keyboard/home_keyboard_connected.png";
    const auto sink = [this](int controlId, int event) { OnMessage(controlId, event); };
    deviceList.SetEventSink(sink);
    keyboardCtrl.SetEventSink(sink);
    auroraEffect.SetEventSink(sink);
    pages_ = std::make_unique<DevicePages>(*this);
    ConnectPages();
}

KeyboardDlg::~KeyboardDlg() {
    sleepMonitor_.reset();
    Stop();
    pages_.reset();
    hotplug_.reset();
    devices_.SetNotifyWindow(nullptr);
}

bool KeyboardDlg::OnInitDialog() {
    MDialog::OnInitDialog();
    trayAdded_ =
        host_.AddTrayIcon(Manager::SkinFolder() + "DeviceDriver.png", Manager::GetDeviceName());
    ReadDeviceCatalogue();
    devices_.SetNotifyWindow(this);
    if (useSystemHotplug_) {
        // The machine's sleep and wake arrive as power messages, like the hotplug events.
        sleepMonitor_ = std::make_unique<SleepMonitor>();
        sleepMonitor_->Start([this](bool sleeping) {
            PostMessageW(kMsgPowerBroadcast, sleeping ? kPowerSuspend : kPowerResumeAutomatic);
        });
    }
    SetMTimer(16);
    Start();
    PostTask(kTaskStartup);
    return true;
}

void KeyboardDlg::DestroyWindow() {
    sleepMonitor_.reset();
    // A download in progress stops after its current read instead of holding the exit up.
    pages_->update.CancelDownload();
    Stop();
    hotplug_.reset();
    if (trayAdded_) {
        host_.RemoveTrayIcon();
        trayAdded_ = false;
    }
}

void KeyboardDlg::PostTask(int code) {
    queue_.Post(code);
    Wake();
}

void KeyboardDlg::PostTaskIfIdle(int code) {
    if (queue_.Empty()) {
        PostTask(code);
    }
}

void KeyboardDlg::LogTask(int code, bool reachedDevice) {
    constexpr size_t kKept = 256;
    std::lock_guard lock(taskLogMutex_);
    taskLog_.push_back({code, reachedDevice});
    if (taskLog_.size() > kKept) {
        taskLog_.pop_front();
    }
}

std::vector<KeyboardDlg::TaskRun> KeyboardDlg::TaskLog() const {
    std::lock_guard lock(taskLogMutex_);
    return {taskLog_.begin(), taskLog_.end()};
}

std::vector<int> KeyboardDlg::RanTasks() const {
    std::vector<int> codes;
    for (const TaskRun& run : TaskLog()) {
        if (run.reachedDevice) {
            codes.push_back(run.code);
        }
    }
    return codes;
}

bool KeyboardDlg::PeriodicPassWanted() {
    if (suspended.load()) {
        return false;
    }
    if (!queue_.Empty() || externalToolPid.load() != 0) {
        return true;
    }
    if (!devicePresent.load()) {
        return false;
    }
    return receiverPresent_.load() || liveMirrorOn.load() || liveEffectOn.load() ||
           liveMatrixOn.load();
}

void KeyboardDlg::Run() {
    if (suspended.load()) {
        return;
    }
    if (externalToolPid.load() != 0) {
        WaitForExternalTool();
    }
    // Busy is raised before the code leaves the queue, so Idle() never sees neither.
    passBusy_ = true;
    if (const std::optional<int> code = queue_.TakeFront()) {
        RunAlwaysGroup(*code);
        const bool reachesDevice = devicePresent.load() && deviceOnline.load();
        if (reachesDevice) {
            RunDeviceGroup(*code);
            taskDone = true;
        }
        LogTask(*code, reachesDevice);
        passBusy_ = false;
        return;
    }
    passBusy_ = false;
    if (!devicePresent.load()) {
        return;
    }
    IdlePass();
}

void KeyboardDlg::RunAlwaysGroup(int code) {
    switch (code) {
        case kTaskStartup:
            TaskStartup();
            break;
        case kTaskDeviceInstall:
            TaskDeviceInstall();
            break;
        case kTaskDeviceUnInstall:
            TaskDeviceUnInstall();
            break;
        case kTaskSelectDevice:
            TaskSelectDevice();
            break;
        case kTaskCheckUpdate:
            TaskCheckUpdate();
            break;
        case kTaskDownloadUpdate:
            TaskDownloadUpdate();
            break;
        default:
            break;
    }
}

void KeyboardDlg::RunDeviceGroup(int code) {
    DevicePages& pages = *pages_;
    switch (code) {
        case kTaskReloadProfiles:
            pages.profile.LoadProfileList();
            break;
        case kTaskApplyProfile:
            ApplyProfile();
            break;
        case kTaskReloadKeyLayer:
            pages.keys.TaskReloadKeyLayer();
            break;
        case kTaskWriteKnobAction:
            pages.knob.TaskWriteKnobAction();
            break;
        case kTaskWriteKeyAssignments:
            pages.keys.TaskWriteKeyAssignments();
            break;
        case kTaskDownloadMacros:
            TaskDownloadMacros();
            break;
        case kTaskWriteCustomLightMode:
            TaskWriteCustomLightMode();
            break;
        case kTaskWriteLightMode:
        case kTaskWriteLightModeAlt:
            TaskWriteLightMode();
            break;
        case kTaskWriteMatrixMode:
            TaskWriteMatrixMode();
            break;
        case kTaskReadMatrixColors:
            TaskReadMatrixColors();
            break;
        case kTaskWriteMatrixColors:
            TaskWriteMatrixColors();
            break;
        case kTaskWriteSettings:
            pages.deviceSettings.TaskWriteSettings();
            break;
        case kTaskReadKeyColors:
            TaskReadKeyColors();
            break;
        case kTaskWriteLightLayer:
            TaskWriteLightLayer();
            break;
        case kTaskResetDefaults:
            TaskResetDefaults();
            break;
        case kTaskSetLiveMode:
            TaskSetLiveMode();
            break;
        case kTaskDownloadFirmwareTool:
            TaskDownloadFirmwareTool();
            break;
        default:
            break;
    }
    bool closesWaitDialog = false;
    switch (code) {
        case kTaskApplyProfile:
        case kTaskReloadKeyLayer:
        case kTaskWriteKnobAction:
        case kTaskWriteKeyAssignments:
        case kTaskDownloadMacros:
        case kTaskWriteLightLayer:
        case kTaskResetDefaults:
            closesWaitDialog = true;
            break;
        default:
            break;
    }
    if (closesWaitDialog && dialogs_.BusyShown()) {
        dialogs_.CloseBusy();
        SleepMs(100);
    }
}

void KeyboardDlg::IdlePass() {
    // Live streams join here with the lighting features; receivers are polled on every pass.
    HandleDeviceNotify();
}

void KeyboardDlg::WaitForExternalTool() {
    pages_->update.WaitForExternalTool();
}

void KeyboardDlg::TaskStartup() {
    if (startupDone_) {
        return;
    }
    startupDone_ = true;
    ScanDevices();
    ApplyDeviceSelection();
    // The remembered keyboard's pages open ready: its profiles loaded and its state read,
    // as after picking it in the device list.
    if (deviceOnline.load()) {
        pages_->profile.LoadProfileList();
    }
}

void KeyboardDlg::TaskDeviceInstall() {
    SleepMs(200);
    queue_.Clear();
    if (lastEventDeviceType_.load() == session.currentDeviceType.load()) {
        mainView.SelectPage(kPageHome);
    }
    Trace("Trd_DeviceInstall \n");
    ScanDevices();
    ApplyDeviceSelection();
}

void KeyboardDlg::TaskDeviceUnInstall() {
    SleepMs(200);
    queue_.Clear();
    if (lastEventDeviceType_.load() == session.currentDeviceType.load()) {
        mainView.SelectPage(kPageHome);
    }
    Trace("Trd_DeviceUnInstall \n");
    ScanDevices();
    ApplyDeviceSelection();
}

void KeyboardDlg::TaskSelectDevice() {
    ScanDevices();
    ApplyDeviceSelection();
    pages_->profile.LoadProfileList();
}

void KeyboardDlg::TaskCheckUpdate() {
    pages_->update.TaskCheckUpdate();
}

void KeyboardDlg::TaskDownloadUpdate() {
    pages_->update.TaskDownloadUpdate();
}

void KeyboardDlg::TaskDownloadFirmwareTool() {
    pages_->update.TaskDownloadFirmwareTool();
}

void KeyboardDlg::OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    switch (id) {
        case kMsgLinkNotification:
            PostTask(lParam == 1 ? kTaskDeviceInstall : kTaskDeviceUnInstall);
            break;
        case kMsgTrayIcon:
            OnTrayIcon(lParam);
            break;
        case kMsgExitRequest:
            if (lParam == kExitRequestCode) {
                Exit();
            }
            break;
        case kMsgCommand:
            if (wParam == kTrayExitCommand) {
                Exit();
            }
            break;
        case kMsgPowerBroadcast:
            OnPowerBroadcast(wParam);
            break;
        case kMsgDeviceChange:
            HandlePendingHotplug();
            break;
        case kMsgUpdateProgress:
            pages_->update.OnProgress(lParam);
            break;
        case kMsgFirmwareOffer:
            pages_->update.OnNotice(wParam, lParam);
            break;
        case kMsgKnobChanged:
            pages_->knob.OnKnobChanged(static_cast<int>(wParam), lParam);
            break;
        case kMsgProfileEditDone:
            pages_->profile.FinishRename();
            break;
        case kMsgReapplyTexts:
            pages_->keys.ShowFunctionTab(pages_->keyFunctions.GetCurTab());
            pages_->deviceSettings.ApplyInfoLabels();
            break;
        case kMsgBackgroundMenu:
            OnBackgroundMenu(static_cast<int>(wParam));
            break;
        case kMsgRaiseWindow:
            host_.BringToFront();
            break;
        default:
            break;
    }
}

void KeyboardDlg::OnTrayIcon(intptr_t mouseMessage) {
    if (mouseMessage == kTrayLeftDown || mouseMessage == kTrayLeftDoubleClick) {
        host_.BringToFront();
    }
}

void KeyboardDlg::OnPowerBroadcast(uintptr_t event) {
    if (event == kPowerSuspend) {
        suspended = true;
    } else if (event == kPowerResumeSuspend || event == kPowerResumeAutomatic) {
        suspended = false;
        Wake();
    }
}

void KeyboardDlg::OnCloseButton() {
    // Without a system tray a hidden window could never be brought back: minimise instead.
    if (ReadRegistryInt("exit_mode") == 1) {
        if (trayAdded_ && host_.TrayAvailable()) {
            host_.Hide();
        } else {
            host_.ShowMinimized();
        }
        return;
    }
    Exit();
}

void KeyboardDlg::CloseSecondaryWindows() {
    host_.CloseSecondaryWindows();
}

void KeyboardDlg::Exit() {
    CloseSecondaryWindows();
    if (trayAdded_) {
        host_.RemoveTrayIcon();
        trayAdded_ = false;
    }
    host_.ExitProcess(0);
}

}  // namespace zanvor
