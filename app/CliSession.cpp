#include "app/CliSession.h"

#include <thread>

#include "app/HidSetup.h"
#include "app/Startup.h"
#include "device/DeviceManager.h"
#include "platform/Paths.h"
#include "sim/SimHidBackend.h"

namespace zanvor {

CliSession::CliSession(CliOptions options) : options_(std::move(options)) {
    dialogs_.SetDefaultAnswer(options_.yes);
}

CliSession::~CliSession() {
    if (dialog_) {
        WaitIdle(std::chrono::seconds(10));
        dialog_->DestroyWindow();
        dialog_.reset();
    }
    DeviceManager::Instance().CloseAll();
    if (simulation_) {
        simulation_->SaveAll();
    }
}

int CliSession::Start(std::string& error, bool readKeyboard) {
    PrepareHeadlessStartup();
    if (!InstallHidBackends({options_.simulate, options_.simulateSpec, options_.hidTrace},
                            simulation_, error)) {
        return kCliFailed;
    }

    dialog_ = std::make_unique<KeyboardDlg>(host_, dialogs_);
    // Virtual keyboards report their own plugging; real ones come through the hotplug monitor.
    dialog_->Keyboards().UseSystemHotplug(false);
    if (simulation_) {
        simulation_->SetHotplugHandler([this](const std::string& path, bool arrival) {
            dialog_->Keyboards().OnHotplugEvent(arrival, path);
        });
    }
    DeviceManager::Instance().SetDelays(DeviceManager::Delays{
        std::chrono::milliseconds(options_.simulate ? 0 : 200),
        std::chrono::milliseconds(options_.simulate ? 0 : 10), !options_.simulate});
    dialog_->OnInitDialog();
    if (!WaitIdle()) {
        error = "the keyboard scan did not finish";
        return kCliFailed;
    }
    if (options_.deviceType != 0) {
        if (!dialog_->deviceList.SetSelectDevice(options_.deviceType)) {
            error = "unknown device type " + std::to_string(options_.deviceType);
            return kCliUsage;
        }
        dialog_->Keyboards().OnDeviceListSelection();
    } else if (readKeyboard) {
        dialog_->PostTask(kTaskSelectDevice);
    }
    if (!WaitIdle()) {
        error = "selecting the keyboard did not finish";
        return kCliFailed;
    }
    return kCliOk;
}

bool CliSession::WaitIdle(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        dialog_->PumpMessages();
        if (dialog_->Idle() && dialog_->PendingMessages() == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

bool CliSession::RunTask(int code) {
    dialog_->PostTask(code);
    return WaitIdle();
}

bool CliSession::KeyboardOnline() const {
    return dialog_ && dialog_->session.devicePresent.load() && dialog_->session.deviceOnline.load();
}

}  // namespace zanvor
