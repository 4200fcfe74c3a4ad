#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

#include "ui/Dialogs.h"

class QWidget;
class QProgressDialog;

namespace zanvor {

// Qt's modal dialogs. Busy and progress dialogs may be driven from the worker thread;
// those calls are queued to the UI thread.
class QtDialogs : public QObject, public Dialogs {
    Q_OBJECT
  public:
    explicit QtDialogs(QWidget* parent);
    ~QtDialogs() override;

    void MessageBox(const std::string& text, const std::string& caption) override;
    bool Question(const std::string& text, const std::string& caption) override;
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::vector<FileFilter>& filters) override;
    std::vector<std::string> OpenFiles(const std::string& title,
                                       const std::vector<FileFilter>& filters) override;
    std::optional<std::string> SaveFile(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& suggestedName) override;
    void ShowBusy(const std::string& text) override;
    void CloseBusy() override;
    bool BusyShown() const override;
    void ShowProgress(const std::string& text) override;
    void SetProgress(int percent) override;
    void CloseProgress() override;

  private:
    void OnUiThread(std::function<void()> action);

    QWidget* parent_;
    QPointer<QProgressDialog> busy_;
    QPointer<QProgressDialog> progress_;
    std::atomic<bool> busyShown_{false};
};

}  // namespace zanvor
