#include "qt/HubApplication.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/DevicePages.h"
#include "app/HidSetup.h"
#include "app/KeyboardDlg.h"
#include "app/Startup.h"
#include "platform/KeyboardLock.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"
#include "qt/CommandHandoff.h"
#include "qt/MainWindow.h"
#include "qt/QtDialogs.h"
#include "qt/QtWindowHost.h"
#include "qt/Theme.h"
#include "serve/KeyboardHub.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "ui/DialogsRouter.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

struct HubOptions {
    std::vector<std::string> arguments;
    std::string screenshotDir;
    HidSetup hid;
};

HubOptions ParseOptions(int argc, char** argv) {
    HubOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--screenshot-dir" && i + 1 < argc) {
            options.screenshotDir = argv[++i];
            continue;
        }
        if (argument == "--simulate" || argument.rfind("--simulate=", 0) == 0) {
            options.hid.simulate = true;
            options.hid.simulateSpec = argument.size() > 10 ? argument.substr(11) : "";
            continue;
        }
        if (argument == "--hid-trace" && i + 1 < argc) {
            options.hid.traceFile = argv[++i];
            continue;
        }
        options.arguments.push_back(argument);
    }
    return options;
}

void SaveScreenshot(QWidget& window, const QString& folder, const QString& name) {
    QDir().mkpath(folder);
    window.grab().save(folder + "/" + name + ".png");
}

}  // namespace

int RunHubApplication(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    std::string error;
    if (!UserFoldersUsable(error)) {
        std::fprintf(stderr, "zanvor-hub: %s\n", error.c_str());
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("zanvor-hub");
    QApplication::setApplicationVersion(ZANVOR_VERSION);
    // Ties the windows to the installed desktop entry (its name and icon on Wayland).
    QGuiApplication::setDesktopFileName("zanvor-hub");
    QApplication::setQuitOnLastWindowClosed(false);
    const HubOptions options = ParseOptions(argc, argv);

    // SIGTERM and SIGINT (logout, a service manager, Ctrl+C) leave the event loop as the tray's
    // exit does: the worker stops, the database closes, the lock and the socket go away.
    InstallTerminationHandlers();
    QSocketNotifier termination(TerminationFd(), QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, [] { QApplication::exit(0); });

    StartupState startup = PrepareStartup(options.arguments);
    if (!startup.proceed) {
        return startup.exitCode;
    }

    std::shared_ptr<SimHidBackend> simulation;
    bool badValue = false;
    if (!InstallHidBackends(options.hid, simulation, error, &badValue)) {
        std::fprintf(stderr, "zanvor-hub: %s\n", error.c_str());
        return badValue ? 2 : 1;
    }

    ApplyTheme(application);
    MainWindow window;
    QtDialogs qtDialogs(&window);
    // Commands handed over by the command line answer their own questions (--yes).
    DialogsRouter dialogs(qtDialogs);
    KeyboardDlg* dialogPointer = nullptr;
    QtWindowHost host(window, [&dialogPointer](int command) {
        if (dialogPointer != nullptr) {
            dialogPointer->PostMessageW(kMsgCommand, static_cast<uintptr_t>(command));
        }
    });
    // The keyboards and their databases are ours while we run: a zanvorctl working alone
    // finishes its command first, and none starts beside us (commands are handed over).
    CreateFolders(DataFolder());
    KeyboardLock keyboardLock;
    if (keyboardLock.Acquire(KeyboardLockPath(), "zanvor-hub", std::chrono::seconds(10)) ==
        KeyboardLock::Result::kBusy) {
        std::fprintf(stderr,
                     "zanvor-hub: another zanvorctl kept the keyboards for 10 s; "
                     "starting beside it\n");
    }
    KeyboardDlg dialog(host, dialogs);
    dialogPointer = &dialog;
    host.SetTrayActivationHandler(
        [&dialog](intptr_t mouseMessage) { dialog.PostMessageW(kMsgTrayIcon, 109, mouseMessage); });
    startup.instance->SetRaiseHandler([&dialog] { dialog.PostMessageW(kMsgRaiseWindow); });
    if (simulation) {
        dialog.Keyboards().UseSystemHotplug(false);
        simulation->SetHotplugHandler([&dialog](const std::string& path, bool arrival) {
            dialog.Keyboards().OnHotplugEvent(arrival, path);
        });
    }
    window.Attach(&dialog);
    // A database that cannot be opened is said at once, with the offer to start afresh.
    dialog.Pages().application.OfferDatabaseRecovery(true);
    dialog.OnInitDialog();
    // Other lighting programs reach the keyboard through the SDK server while the user allows
    // it on the settings page (declared after the window object, so it stops first).
    std::unique_ptr<KeyboardHub> sdkHub;
    dialog.Pages().application.SetSdkServerControl([&dialog, &sdkHub](bool on, std::string* error) {
        if (!on) {
            sdkHub.reset();
            return true;
        }
        if (sdkHub) {
            return true;
        }
        auto hub = std::make_unique<KeyboardHub>(dialog);
        if (!hub->Start(ReadSdkServerSettings(), error)) {
            return false;
        }
        sdkHub = std::move(hub);
        return true;
    });
    dialog.Pages().application.StartSdkServerIfWanted();
    // While this program runs it owns the keyboard and the database: zanvorctl hands its
    // commands over instead of talking to the keyboard between our reports.
    CommandHandoff handoff(dialog, dialogs, options.hid.simulate, options.hid.simulateSpec);
    startup.instance->SetCommandHandler([&handoff](const std::vector<std::string>& arguments,
                                                   const std::function<void()>& accepted) {
        return handoff.Run(arguments, accepted);
    });

    dialog.ShowAtStart(startup.minimized);
    if (!startup.minimized) {
        if (const QScreen* screen = window.screen()) {
            window.move(screen->availableGeometry().center() - window.rect().center());
        }
    }

    if (std::getenv("ZANVOR_HUB_TRACE") != nullptr) {
        // The first pass of the event loop comes after the window's first paint.
        QTimer::singleShot(0, &window, [&sinceStart] {
            std::fprintf(stderr, "zanvor-hub: main window shown after %lld ms\n",
                         static_cast<long long>(sinceStart.elapsed()));
        });
    }
    if (!options.screenshotDir.empty()) {
        // Pictures of the home page, the key-assignment page and the settings page, each
        // once the page has had time to draw; then the program ends.
        const QString folder = QString::fromStdString(options.screenshotDir);
        QTimer::singleShot(1500, &window, [&window, &dialog, folder] {
            SaveScreenshot(window, folder, "main");
            dialog.mainView.SelectPage(kPageKeys);
            QTimer::singleShot(400, &window, [&window, &dialog, folder] {
                SaveScreenshot(window, folder, "key_assignment");
                dialog.mainView.ShowSettingsPage(true);
                QTimer::singleShot(400, &window, [&window, folder] {
                    SaveScreenshot(window, folder, "settings");
                    QApplication::exit(0);
                });
            });
        });
    }

    const int code = QApplication::exec();
    // No handed-over command may start or still wait once the loop has ended; the listener
    // is stopped before what it calls goes away.
    handoff.Close();
    startup.instance->CloseCommands();
    startup.instance.reset();
    window.AllowClose();
    dialog.DestroyWindow();
    dialog.Store().CloseDatabase();
    window.Detach();
    if (simulation) {
        simulation->SetHotplugHandler(nullptr);
    }
    return code;
}

}  // namespace zanvor
