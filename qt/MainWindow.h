#pragma once

#include <QMainWindow>
#include <QTimer>

namespace zanvor {

class KeyboardDlg;

// The top-level window hosting the main window object: it drains the posted messages on the
// UI thread, drives the dialog timer and turns the close button into its handler.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow();
    ~MainWindow() override;

    void Attach(KeyboardDlg* dialog);
    // Ends the program for real: the next close is not intercepted.
    void AllowClose() { closing_ = true; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void PumpMessages();

    KeyboardDlg* dialog_ = nullptr;
    QTimer dialogTimer_;
    bool pumpScheduled_ = false;
    bool closing_ = false;
};

}  // namespace zanvor
