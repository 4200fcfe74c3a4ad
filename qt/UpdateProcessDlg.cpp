#include "qt/UpdateProcessDlg.h"

#include <QProgressBar>

#include "ui/LoadText.h"

namespace zanvor {

UpdateProcessDlg::UpdateProcessDlg(QWidget* parent, std::function<void()> onCancel)
    : QProgressDialog(parent), onCancel_(std::move(onCancel)) {
    setObjectName("UpdateProcessDlg");
    setWindowTitle(QString::fromStdString(LoadText("KB.DIALOG", 516)));
    setCancelButtonText(QString::fromStdString(LoadText("KB.DIALOG", 1467)));
    setRange(0, 100);
    setMinimumDuration(0);
    // The worker closes the dialog; reaching 100 % must not close it before that.
    setAutoClose(false);
    setAutoReset(false);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(360);
    connect(this, &QProgressDialog::canceled, this, [this] {
        if (onCancel_) {
            onCancel_();
        }
    });
}

void UpdateProcessDlg::SetCancelHandler(std::function<void()> onCancel) {
    onCancel_ = std::move(onCancel);
}

}  // namespace zanvor
