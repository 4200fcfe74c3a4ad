#include "app/CliUpdateCommands.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>

#include "app/CliOutput.h"
#include "app/DevicePages.h"

namespace zanvor {

using nlohmann::json;

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

// Ctrl+C during a download stops it cleanly (its partial file removed) instead of killing the
// program; the previous handler comes back afterwards.
class InterruptGuard {
  public:
    InterruptGuard() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct sigaction previous_ {};
};

// What a command changes on the update page for its run: no notices (the command reads the
// results), whether the installer is started, the progress line. A command handed over to
// the desktop program leaves the program's own settings as they were.
class CommandSettings {
  public:
    CommandSettings(UpdatePage& update, bool startInstaller,
                    std::function<void(int)> progress = nullptr)
        : update_(update), notify_(update.NotifyUser()), start_(update.StartInstaller()) {
        update_.SetNotifyUser(false);
        update_.SetStartInstaller(startInstaller);
        update_.SetProgressObserver(std::move(progress));
    }
    ~CommandSettings() {
        update_.SetNotifyUser(notify_);
        update_.SetStartInstaller(start_);
        update_.SetProgressObserver(nullptr);
    }
    CommandSettings(const CommandSettings&) = delete;
    CommandSettings& operator=(const CommandSettings&) = delete;

  private:
    UpdatePage& update_;
    bool notify_;
    bool start_;
};

// Runs the check (task 30) and reports a failure as the command's status; kCliOk otherwise.
int Check(CliSession& session, UpdateStatus& status) {
    UpdatePage& update = session.Dlg().Pages().update;
    const CommandSettings settings(update, update.StartInstaller());
    update.CheckForUpdates();
    if (!session.WaitIdle(std::chrono::minutes(5))) {
        return Fail(kCliFailed, "the update check did not finish");
    }
    status = update.Status();
    switch (status.check) {
        case UpdateCheck::kOffered:
        case UpdateCheck::kUpToDate:
            return kCliOk;
        case UpdateCheck::kUnreachable:
            return Fail(kCliFailed, "the update service could not be reached: " + status.error);
        default:
            return Fail(kCliFailed,
                        status.error.empty() ? "the update check failed" : status.error);
    }
}

std::string Shown(const std::string& version) {
    return version.empty() ? "-" : version;
}

// Asks on the terminal; false without one.
bool Confirm(const std::string& question) {
    if (isatty(STDIN_FILENO) == 0 || isatty(STDERR_FILENO) == 0) {
        return false;
    }
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int CmdUpdateCheck(CliSession& session) {
    UpdateStatus status;
    if (const int failed = Check(session, status); failed != kCliOk) {
        return failed;
    }
    const bool newer = status.check == UpdateCheck::kOffered;
    if (session.Options().json) {
        PrintJson(json{{"installed", status.installedVersion},
                       {"latest", status.latestVersion},
                       {"update_available", newer}});
    } else {
        std::cout << "installed " << Shown(status.installedVersion) << "\n"
                  << "latest    " << Shown(status.latestVersion) << "\n"
                  << (newer ? "A newer version is available: zanvorctl update download\n"
                            : "Up to date.\n");
    }
    return newer ? kCliUpdateAvailable : kCliOk;
}

int CmdUpdateDownload(CliSession& session, bool install) {
    UpdateStatus status;
    if (const int failed = Check(session, status); failed != kCliOk) {
        return failed;
    }
    const bool asJson = session.Options().json;
    if (status.check != UpdateCheck::kOffered) {
        if (asJson) {
            PrintJson(json::object({{"installed", status.installedVersion},
                                    {"latest", status.latestVersion},
                                    {"installer", nullptr}}));
        } else {
            std::cout << "Zanvor HUB " << status.installedVersion << " is up to date.\n";
        }
        return kCliOk;
    }
    const std::string version = status.latestVersion;
    if (!session.Options().yes && !Confirm("Download Zanvor HUB " + version + "?")) {
        return Fail(kCliFailed, "the download of version " + version +
                                    " was not confirmed: run again with --yes");
    }

    UpdatePage& update = session.Dlg().Pages().update;
    // A progress line on the terminal this command runs in; a command handed over to the
    // desktop program prints only its result (and Ctrl+C stays the program's).
    const bool terminal = !session.HandedOver() && isatty(STDERR_FILENO) != 0;
    std::function<void(int)> progress;
    if (terminal) {
        progress = [version](int percent) {
            std::cerr << "\rDownloading Zanvor HUB " << version << ": " << percent << "%"
                      << std::flush;
        };
    }
    const CommandSettings settings(update, install, progress);
    std::optional<InterruptGuard> guard;
    if (!session.HandedOver()) {
        guard.emplace();
    }
    update.DownloadUpdate();
    // The transfer's own time-outs end a download that stops moving.
    KeyboardDlg& dialog = session.Dlg();
    for (;;) {
        dialog.PumpMessages();
        if (interrupted != 0) {
            update.CancelDownload();
        }
        if (dialog.Idle() && dialog.PendingMessages() == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (terminal) {
        std::cerr << "\n";
    }

    status = update.Status();
    switch (status.download) {
        case UpdateDownload::kReady:
        case UpdateDownload::kHandedOff:
            break;
        case UpdateDownload::kStopped:
            return Fail(kCliFailed, "the download was cancelled");
        default:
            return Fail(kCliFailed, status.error.empty() ? "the download failed" : status.error);
    }
    const bool started = status.download == UpdateDownload::kHandedOff;
    if (asJson) {
        PrintJson(json{{"installed", status.installedVersion},
                       {"latest", version},
                       {"installer", status.installerPath},
                       {"started", started}});
    } else {
        std::cout << status.installerPath << "\n";
        if (started) {
            std::cerr << "The installer was handed to the desktop's package installer.\n";
        }
    }
    return kCliOk;
}

}  // namespace zanvor
