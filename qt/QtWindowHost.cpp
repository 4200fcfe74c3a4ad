#include "qt/QtWindowHost.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <chrono>

#include "platform/Process.h"
#include "qt/Pictures.h"
#include "ui/LoadText.h"
#include "ui/WindowMessages.h"

namespace zanvor {

QtWindowHost::QtWindowHost(QMainWindow& window, std::function<void(int)> trayCommand)
    : window_(window), trayCommand_(std::move(trayCommand)) {}

QtWindowHost::~QtWindowHost() {
    delete trayMenu_;
}

void QtWindowHost::OnUiThread(std::function<void()> action) {
    if (QThread::currentThread() == thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

void QtWindowHost::ShowNormal() {
    visible_ = true;
    OnUiThread([this] { window_.showNormal(); });
}

void QtWindowHost::ShowMinimized() {
    visible_ = true;
    OnUiThread([this] { window_.showMinimized(); });
}

void QtWindowHost::Hide() {
    visible_ = false;
    OnUiThread([this] { window_.hide(); });
}

void QtWindowHost::BringToFront() {
    visible_ = true;
    OnUiThread([this] {
        window_.showNormal();
        window_.raise();
        window_.activateWindow();
    });
}

bool QtWindowHost::IsVisible() const {
    return visible_;
}

bool QtWindowHost::AddTrayIcon(const std::string& iconPath, const std::string& tooltip) {
    // Created even when no tray exists yet: a panel that starts later (autostart at login)
    // picks the icon up by itself. Whether closing may hide the window is decided at close
    // time by TrayAvailable().
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(this);
        trayMenu_ = new QMenu();
        QAction* exitAction = trayMenu_->addAction(QString());
        connect(trayMenu_, &QMenu::aboutToShow, this, [exitAction] {
            exitAction->setText(QString::fromStdString(LoadText("KB.DIALOG", 11)));
        });
        connect(exitAction, &QAction::triggered, this, [this] { trayCommand_(kTrayExitCommand); });
        tray_->setContextMenu(trayMenu_);
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (!trayActivation_) {
                        return;
                    }
                    if (reason == QSystemTrayIcon::Trigger) {
                        trayActivation_(kTrayLeftDown);
                    } else if (reason == QSystemTrayIcon::DoubleClick) {
                        trayActivation_(kTrayLeftDoubleClick);
                    }
                });
    }
    tray_->setIcon(LoadPicture(QString::fromStdString(iconPath), AppIcon()));
    tray_->setToolTip(QString::fromStdString(tooltip));
    tray_->show();
    return true;
}

void QtWindowHost::RemoveTrayIcon() {
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void QtWindowHost::ShowNotice(const std::string& text) {
    OnUiThread([this, text] {
        if (tray_ != nullptr && tray_->isVisible()) {
            tray_->showMessage(window_.windowTitle(), QString::fromStdString(text),
                               QSystemTrayIcon::Information, 3000);
        }
    });
}

bool QtWindowHost::TrayIconPresent() const {
    return tray_ != nullptr && tray_->isVisible();
}

bool QtWindowHost::TrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtWindowHost::OpenUrl(const std::string& url, OpenFailed failed) {
    OnUiThread([this, url, failed = std::move(failed)] {
        // xdg-open is asked directly: its exit status tells when no browser took the link,
        // which Qt's own opening does not report.
        std::string error;
        const int pid = StartProcess("xdg-open", {url}, error);
        if (pid > 0) {
            WatchOpener(pid, failed);
            return;
        }
        // Without xdg-open Qt looks for a browser itself ($BROWSER, the desktop's opener).
        if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(url))) && failed) {
            failed(error);
        }
    });
}

void QtWindowHost::WatchOpener(int pid, OpenFailed failed) {
    // An opener still at work after this long has handed the link over.
    const auto verdict = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [timer, verdict, pid, failed] {
        const std::optional<int> status = WaitForProcessFor(pid, std::chrono::milliseconds(0));
        if (!status && std::chrono::steady_clock::now() < verdict) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (status && *status != 0 && failed) {
            failed("xdg-open ended with exit status " + std::to_string(*status));
        }
    });
    timer->start(100);
}

void QtWindowHost::CloseSecondaryWindows() {
    OnUiThread([this] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(widget);
            // The busy dialog belongs to the job that is running; the worker closes it.
            if (dialog != nullptr && dialog->isVisible() &&
                qobject_cast<QProgressDialog*>(dialog) == nullptr) {
                dialog->reject();
            }
        }
        if (trayMenu_ != nullptr) {
            trayMenu_->hide();
        }
    });
}

void QtWindowHost::ExitProcess(int code) {
    OnUiThread([code] { QApplication::exit(code); });
}

void QtWindowHost::SetTrayActivationHandler(std::function<void(intptr_t)> handler) {
    trayActivation_ = std::move(handler);
}

}  // namespace zanvor
