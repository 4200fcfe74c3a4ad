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
#include <QUrl>

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

void QtWindowHost::OpenUrl(const std::string& url) {
    OnUiThread([url] { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); });
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
