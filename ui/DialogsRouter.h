#pragma once

#include <atomic>

#include "ui/Dialogs.h"

namespace zanvor {

// The desktop program's dialogs, which a command handed over by the command line replaces
// while it runs: its questions are answered by its own flags (--yes) and nothing pops up in
// the window for a command typed in a terminal.
class DialogsRouter : public Dialogs {
  public:
    explicit DialogsRouter(Dialogs& base) : base_(base) {}

    // Any thread; null goes back to the desktop program's dialogs.
    void SetOverride(Dialogs* dialogs) { override_.store(dialogs); }

    void MessageBox(const std::string& text, const std::string& caption) override {
        Current().MessageBox(text, caption);
    }
    bool Question(const std::string& text, const std::string& caption) override {
        return Current().Question(text, caption);
    }
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::vector<FileFilter>& filters) override {
        return Current().OpenFile(title, filters);
    }
    std::optional<std::string> SaveFile(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& suggestedName) override {
        return Current().SaveFile(title, filters, suggestedName);
    }
    void ShowBusy(const std::string& text) override { Current().ShowBusy(text); }
    void CloseBusy() override { Current().CloseBusy(); }
    bool BusyShown() const override { return Current().BusyShown(); }
    void ShowProgress(const std::string& text) override { Current().ShowProgress(text); }
    void SetProgress(int percent) override { Current().SetProgress(percent); }
    void CloseProgress() override { Current().CloseProgress(); }

  private:
    Dialogs& Current() const {
        Dialogs* routed = override_.load();
        return routed != nullptr ? *routed : base_;
    }

    Dialogs& base_;
    std::atomic<Dialogs*> override_{nullptr};
};

}  // namespace zanvor
