#pragma once

#include <QProgressDialog>
#include <functional>

namespace zanvor {

// The progress dialog of a software download: "Downloading: 55%" above the bar and a cancel
// button. Window modal over the main window; it is closed by the worker when the download
// task ends (or hidden at once when the user cancels).
class UpdateProcessDlg : public QProgressDialog {
    Q_OBJECT
  public:
    UpdateProcessDlg(QWidget* parent, std::function<void()> onCancel);

    // Replaces what the cancel button does (a new download reuses the dialog).
    void SetCancelHandler(std::function<void()> onCancel);

  private:
    std::function<void()> onCancel_;
};

}  // namespace zanvor
