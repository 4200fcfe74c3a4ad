#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zanvor {

// One entry of a file dialog's type list, e.g. {"Pictures", {"*.png", "*.jpg"}}.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// Modal interaction with the user. The desktop program shows Qt dialogs; the command line
// answers from its flags; tests script the answers. Every call may come from the UI thread;
// ShowBusy/CloseBusy and the progress calls may also come from the worker.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // True when the user answers yes/OK.
    virtual bool Question(const std::string& text, const std::string& caption) = 0;
    virtual std::optional<std::string> OpenFile(const std::string& title,
                                                const std::vector<FileFilter>& filters) = 0;
    // Several files chosen at once; empty when the dialog was cancelled. Without its own
    // dialog for it, an implementation offers one file.
    virtual std::vector<std::string> OpenFiles(const std::string& title,
                                               const std::vector<FileFilter>& filters) {
        std::optional<std::string> file = OpenFile(title, filters);
        return file ? std::vector<std::string>{*file} : std::vector<std::string>{};
    }
    virtual std::optional<std::string> SaveFile(const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& suggestedName) = 0;

    // The busy dialog shown while the worker runs a long job.
    virtual void ShowBusy(const std::string& text) = 0;
    virtual void CloseBusy() = 0;
    virtual bool BusyShown() const = 0;

    // A progress dialog (downloads); percent 0..100.
    virtual void ShowProgress(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void CloseProgress() = 0;
};

}  // namespace zanvor
