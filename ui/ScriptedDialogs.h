#pragma once

#include <deque>
#include <mutex>

#include "ui/Dialogs.h"

namespace zanvor {

// Dialogs without a user: answers come from a script (tests) or a fixed choice (the
// command line's --yes). Everything shown is recorded.
class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        std::string kind;  // "message", "question", "open", "save", "busy", "progress"
        std::string text;
        std::string caption;
    };

    // Answer given to questions when no scripted answer is queued.
    void SetDefaultAnswer(bool yes);
    void QueueAnswer(bool yes);
    void QueueFile(std::optional<std::string> path);
    // The answer of the next several-files dialog (empty: cancelled).
    void QueueFiles(std::vector<std::string> paths);

    std::vector<Shown> History() const;
    // What was shown of one kind ("message", "question", ...), in order.
    std::vector<Shown> HistoryOf(const std::string& kind) const;
    void ClearHistory();
    // The filters the last open-file dialog offered.
    std::vector<FileFilter> LastFilters() const;
    int LastProgress() const;
    std::string ProgressText() const;
    // Presses the progress dialog's cancel button; false when it has none.
    bool CancelProgress();

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
    void ShowCancellableProgress(const std::string& text, std::function<void()> onCancel) override;
    void SetProgressText(const std::string& text) override;

  private:
    std::optional<std::string> NextFile();

    mutable std::mutex mutex_;  // guards every member below
    bool defaultAnswer_ = false;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> files_;
    std::deque<std::vector<std::string>> fileLists_;
    std::vector<Shown> history_;
    std::vector<FileFilter> lastFilters_;
    bool busy_ = false;
    int progress_ = -1;
    std::string progressText_;
    std::function<void()> onCancel_;
};

}  // namespace zanvor
