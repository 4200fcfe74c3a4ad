#include "app/CliSession.h"

#include <cstdlib>
#include <thread>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "app/HidSetup.h"
#include "app/Startup.h"
#include "device/DeviceManager.h"
#include "platform/HidTrace.h"
#include "platform/Paths.h"
#include "platform/Termination.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "ui/DeviceTasks.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"

namespace zanvor {

CliSession::CliSession(CliOptions options) : options_(std::move(options)) {
    dialogs_.SetDefaultAnswer(options_.yes);
}

CliSession::CliSession(CliOptions options, KeyboardDlg& owner)
    : options_(std::move(options)), owner_(&owner) {
    dialogs_.SetDefaultAnswer(options_.yes);
}

CliSession::~CliSession() {
    Close();
}

bool CliSession::Close() {
    if (closed_) {
        return true;
    }
    closed_ = true;
    // Interrupted: the job running now ends, the ones still queued are dropped.
    const bool wait = !TerminationRequested();
    if (owner_ != nullptr) {
        if (wait) {
            WaitIdle(std::chrono::seconds(10));
        }
        return true;
    }
    if (dialog_) {
        if (wait) {
            WaitIdle(std::chrono::seconds(10));
        } else {
            workDropped_ = !dialog_->Idle();
        }
        dialog_->DestroyWindow();
        dialog_->Store().CloseDatabase();
        dialog_.reset();
    }
    DeviceManager::Instance().CloseAll();
    return !simulation_ || simulation_->SaveAll();
}

int CliSession::Finish(int status) {
    const bool saved = Close();
    if (status != kCliOk) {
        return status;
    }
    // A signal that came after the command's work was done changes nothing of its result,
    // which is printed already: it is reported as it happened. Only work left undone is a
    // failure.
    if (workDropped_) {
        return Fail(kCliFailed,
                    "interrupted before the keyboard's work was done; the change may "
                    "not have reached the keyboard");
    }
    if (!saved) {
        return Fail(kCliFailed,
                    "the virtual keyboards' state could not be saved in " + SimStateFolder());
    }
    if (HidTraceWriteFailed()) {
        return Fail(kCliFailed, "the HID trace " + options_.hidTrace + " could not be written");
    }
    return status;
}

void CliSession::KeepOwning() {
    owning_ = true;
}

int CliSession::Start(std::string& error, bool readKeyboard) {
    if (owner_ != nullptr) {
        // The desktop program has its keyboard read already; --device picks another model
        // as a click in its device list does.
        if (options_.deviceType != 0 &&
            options_.deviceType != owner_->deviceList.GetSelectDevice()) {
            if (!owner_->deviceList.SetSelectDevice(options_.deviceType)) {
                error = "unknown device type " + std::to_string(options_.deviceType);
                return kCliUsage;
            }
            owner_->Keyboards().OnDeviceListSelection();
        }
        if (!WaitIdle()) {
            error = TerminationRequested()
                        ? "the desktop program is closing; the command was not run"
                        : "the desktop program's keyboard did not become ready";
            return kCliFailed;
        }
        // Another program (zanvorctl working alone) may have changed the profiles meanwhile.
        owner_->Pages().profile.RefreshList();
        return DatabaseReady(readKeyboard, error);
    }
    PrepareHeadlessStartup();
    if (const int status = LockKeyboards(error); status != kCliOk) {
        return status;
    }
    bool badValue = false;
    if (!InstallHidBackends({options_.simulate, options_.simulateSpec, options_.hidTrace},
                            simulation_, error, &badValue)) {
        return badValue ? kCliUsage : kCliFailed;
    }

    dialog_ = std::make_unique<KeyboardDlg>(host_, router_);
    // No update question or firmware offer is put to a script (--yes must never start the
    // firmware tool); the update commands read the results instead.
    dialog_->Pages().update.SetNotifyUser(false);
    // Virtual keyboards report their own plugging; real ones come through the hotplug monitor.
    dialog_->Keyboards().UseSystemHotplug(owning_ && !options_.simulate);
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
        error = TerminationRequested() ? "interrupted" : "the keyboard scan did not finish";
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
        error = TerminationRequested() ? "interrupted" : "selecting the keyboard did not finish";
        return kCliFailed;
    }
    return DatabaseReady(readKeyboard, error);
}

namespace {

// How long a command waits for another zanvorctl to finish with the keyboards. Commands are
// short; ZANVOR_HUB_LOCK_WAIT_MS shortens the wait for tests.
std::chrono::milliseconds KeyboardLockWait() {
    if (const char* text = std::getenv("ZANVOR_HUB_LOCK_WAIT_MS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value >= 0 && value <= 600000) {
            return std::chrono::milliseconds(value);
        }
    }
    return std::chrono::seconds(30);
}

}  // namespace

int CliSession::LockKeyboards(std::string& error) {
    // Two processes working with one keyboard interleave their exchanges, and a connection read
    // in one can take the tables the other is writing into the wrong profile.
    CreateFolders(DataFolder());
    const std::string path = KeyboardLockPath();
    const std::string holder = owning_ ? kServeLockHolder : "zanvorctl";
    KeyboardLock::Result result = keyboardLock_.Acquire(path, holder, std::chrono::milliseconds(0));
    if (result == KeyboardLock::Result::kBusy) {
        const std::string current = KeyboardLock::HolderOf(path);
        const bool window = current.starts_with("zanvor-hub");
        if (!owning_ && (window || current.starts_with(kServeLockHolder))) {
            // It declined the command: it works with other keyboards (--simulate differs).
            const std::string owner = window ? "the desktop program" : "zanvorctl serve";
            const std::string end = window ? "close the desktop program" : "stop zanvorctl serve";
            error = owner +
                    (options_.simulate ? " is running with the real keyboards; run this "
                                         "command without --simulate, or "
                                       : " is running with virtual keyboards; run this "
                                         "command with --simulate, or ") +
                    end;
            return kCliFailed;
        }
        result = keyboardLock_.Acquire(path, holder, KeyboardLockWait());
    }
    if (result == KeyboardLock::Result::kBusy) {
        keyboardsBusy_ = true;
        error = TerminationRequested()
                    ? "interrupted"
                    : "the keyboards are busy: another zanvorctl is still using them; try "
                      "again when it has finished";
        return kCliFailed;
    }
    return kCliOk;
}

int CliSession::DatabaseReady(bool readKeyboard, std::string& error) {
    // A command that works on profiles never acts on a database that is not there: the user
    // learns why (damaged, read-only, locked, ...) instead of seeing no profiles.
    DataStore& store = Dlg().Store();
    if (!readKeyboard || store.IsOpen()) {
        return kCliOk;
    }
    const StoreFailure failure = store.OpenFailure();
    error = StoreFailureText(failure == StoreFailure::kNone ? StoreFailure::kNotOpen : failure,
                             store.Path());
    return kCliFailed;
}

bool CliSession::WaitIdle(std::chrono::milliseconds timeout) {
    KeyboardDlg& dialog = Dlg();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline && !TerminationRequested()) {
        dialog.PumpMessages();
        if (dialog.Idle() && dialog.PendingMessages() == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

bool CliSession::RunTask(int code) {
    Dlg().PostTask(code);
    return WaitIdle();
}

int CliSession::FinishChange() {
    // Work that is done counts as done even when a termination signal came meanwhile: the
    // command then reports what it did instead of "interrupted".
    const auto settled = [this] {
        Dlg().PumpMessages();
        return Dlg().Idle() && Dlg().PendingMessages() == 0;
    };
    if (!WaitIdle() && !(TerminationRequested() && settled())) {
        if (!TerminationRequested()) {
            return Fail(kCliFailed, "the keyboard did not finish");
        }
        return Fail(kCliFailed, owner_ != nullptr
                                    ? "the desktop program was closed before the keyboard's "
                                      "work was done; the change may not have reached the "
                                      "keyboard"
                                    : "interrupted");
    }
    const std::vector<KeyboardDlg::TaskRun> log = Dlg().TaskLog();
    const uint64_t taken = Dlg().TasksTaken();
    const uint64_t first = taken - log.size();
    for (size_t i = 0; i < log.size(); ++i) {
        if (first + i < changeMark_ || log[i].ok) {
            continue;
        }
        if (log[i].reason == LoadText("KB.DIALOG", kTextTablesNotRead)) {
            // Any part of the connection read may be missing, the LED positions as well.
            return Fail(kCliFailed,
                        "the keyboard was not read completely (key tables and lighting layout); "
                        "nothing was written to it");
        }
        if (log[i].reason == LoadText("KB.DIALOG", kTextLightingNotRead)) {
            return Fail(kCliFailed,
                        "the keyboard has not reported its lighting layout; no "
                        "colours were written to it");
        }
        if (!log[i].reachedDevice) {
            return Fail(kCliNoKeyboard, "the keyboard went away before the change was sent");
        }
        if (log[i].code == kTaskReadKeyColors) {
            // A set is painted over the colours read from the keyboard; without them nothing is.
            return Fail(kCliFailed,
                        "the colours of the set could not be read from the keyboard; nothing was "
                        "changed");
        }
        return Fail(kCliFailed, "the keyboard did not accept the change (task " +
                                    std::to_string(log[i].code) + ")");
    }
    return kCliOk;
}

bool CliSession::KeyboardOnline() const {
    const KeyboardDlg* dialog = owner_ != nullptr ? owner_ : dialog_.get();
    return dialog != nullptr && dialog->session.devicePresent.load() &&
           dialog->session.deviceOnline.load();
}

}  // namespace zanvor
