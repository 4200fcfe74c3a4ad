#include "qt/MainWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/KeyboardDlg.h"
#include "qt/Pictures.h"
#include "ui/Manager.h"

namespace zanvor {

MainWindow::MainWindow() {
    setWindowTitle(QString::fromStdString(Manager::GetDeviceName()));
    setWindowIcon(AppIcon());
    resize(1400, 788);
    setMinimumSize(960, 600);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* title = new QLabel(QString::fromStdString(Manager::GetDeviceName()), central);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    setCentralWidget(central);
}

MainWindow::~MainWindow() = default;

void MainWindow::Attach(KeyboardDlg* dialog) {
    dialog_ = dialog;
    // Posting may happen on any thread; the drain always runs here on the UI thread.
    dialog_->SetMessageWakeup([this] {
        QMetaObject::invokeMethod(
            this, [this] { PumpMessages(); }, Qt::QueuedConnection);
    });
    connect(&dialogTimer_, &QTimer::timeout, this, [this] {
        if (dialog_ != nullptr) {
            dialog_->OnTimer();
        }
    });
}

void MainWindow::PumpMessages() {
    if (dialog_ != nullptr) {
        dialog_->PumpMessages();
        const int period = dialog_->TimerPeriod();
        if (period > 0 && !dialogTimer_.isActive()) {
            dialogTimer_.start(period);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_ || dialog_ == nullptr) {
        event->accept();
        return;
    }
    event->ignore();
    dialog_->OnCloseButton();
}

}  // namespace zanvor
