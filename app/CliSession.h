#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "app/HeadlessHost.h"
#include "app/KeyboardDlg.h"
#include "platform/KeyboardLock.h"
#include "ui/DialogsRouter.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor {

class SimHidBackend;

// Global options of the command line.
struct CliOptions {
    bool simulate = false;
    std::string simulateSpec;  // "", or "102", "101:receiver,103", ...
    int deviceType = 0;        // 0: the remembered model
    bool json = false;
    bool yes = false;
    std::string hidTrace;
};

// Exit statuses of zanvorctl.
enum CliStatus : int {
    kCliOk = 0,
    kCliFailed = 1,
    kCliUsage = 2,
    kCliNoKeyboard = 3,
};

// A headless run of the main window object for one command: the same start-up, catalogue,
// worker and tasks as the desktop program, without a window.
class CliSession {
  public:
    explicit CliSession(CliOptions options);
    // A session over the desktop program's own main window object (a command the command
    // line handed over): no start-up, the window's worker, database and keyboard.
    CliSession(CliOptions options, KeyboardDlg& owner);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Before Start: the session owns the keyboard for a long run (zanvorctl serve) rather than
    // one command: the lock says so to whoever finds it taken, real keyboards plugged in later
    // are seen through the system's hotplug events, and the owner's dialogs can be routed to a
    // handed-over command's own (OwnerDialogs).
    void KeepOwning();
    DialogsRouter& OwnerDialogs() { return router_; }
    // After a failed Start: another process kept the keyboards for the whole wait.
    bool KeyboardsBusy() const { return keyboardsBusy_; }

    // Start-up, catalogue, the startup scan and, with --device, the model's selection. With
    // readKeyboard, the model is then selected as the device list does (profiles loaded, the
    // keyboard's state read). A CliStatus: kCliOk, or kCliUsage / kCliFailed with a one-line
    // reason in `error`.
    int Start(std::string& error, bool readKeyboard = true);

    // Ends the session: waits for the worker (not when the run was interrupted), stops it and
    // saves the virtual keyboards' state. A command that succeeded fails (kCliFailed, with the
    // reason printed) when an interruption dropped jobs of the worker, or when that state or
    // the HID trace could not be written; returns `status` otherwise (also when a signal came
    // after the command's work was done). The destructor does the same without a status.
    int Finish(int status);

    // Pumps window messages until the worker's queue is empty and no job runs. False on time-out
    // or when a termination signal arrived.
    bool WaitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Posts a task and waits until the worker has run it (and whatever it caused).
    bool RunTask(int code);

    // A command that changes the keyboard: BeginChange before it posts its tasks, FinishChange
    // after. FinishChange waits for the worker and returns kCliOk, or kCliFailed with the
    // one-line reason of the first task that did not reach the keyboard or that it refused.
    void BeginChange() { changeMark_ = Dlg().TasksTaken(); }
    int FinishChange();

    KeyboardDlg& Dlg() { return owner_ != nullptr ? *owner_ : *dialog_; }
    // True for a command the desktop program runs for zanvorctl.
    bool HandedOver() const { return owner_ != nullptr; }
    ScriptedDialogs& Dialogs() { return dialogs_; }
    const CliOptions& Options() const { return options_; }
    bool KeyboardOnline() const;

  private:
    // Stops the worker and releases the keyboards; false when the virtual keyboards' state
    // could not be saved.
    bool Close();
    // kCliOk, or kCliFailed with the reason when a command on profiles has no database.
    int DatabaseReady(bool readKeyboard, std::string& error);
    // kCliOk once this process may work with the keyboards alone (or the lock file cannot be
    // made at all); kCliFailed with the reason when another process keeps them.
    int LockKeyboards(std::string& error);

    KeyboardLock keyboardLock_;  // released last, after the keyboards and the database

    CliOptions options_;
    HeadlessHost host_;
    ScriptedDialogs dialogs_;
    DialogsRouter router_{dialogs_};
    bool owning_ = false;  // KeepOwning
    std::shared_ptr<SimHidBackend> simulation_;
    std::unique_ptr<KeyboardDlg> dialog_;
    KeyboardDlg* owner_ = nullptr;  // the desktop program's, when the command was handed over
    uint64_t changeMark_ = 0;
    bool closed_ = false;
    bool workDropped_ = false;  // interrupted while the worker still had jobs
    bool keyboardsBusy_ = false;
};

}  // namespace zanvor
