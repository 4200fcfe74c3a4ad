#include "ui/ScriptedDialogs.h"

namespace zanvor {

void ScriptedDialogs::SetDefaultAnswer(bool yes) {
    std::lock_guard lock(mutex_);
    defaultAnswer_ = yes;
}

void ScriptedDialogs::QueueAnswer(bool yes) {
    std::lock_guard lock(mutex_);
    answers_.push_back(yes);
}

void ScriptedDialogs::QueueFile(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    files_.push_back(std::move(path));
}

void ScriptedDialogs::QueueFiles(std::vector<std::string> paths) {
    std::lock_guard lock(mutex_);
    fileLists_.push_back(std::move(paths));
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::History() const {
    std::lock_guard lock(mutex_);
    return history_;
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::HistoryOf(const std::string& kind) const {
    std::vector<Shown> shown;
    for (const Shown& entry : History()) {
        if (entry.kind == kind) {
            shown.push_back(entry);
        }
    }
    return shown;
}

void ScriptedDialogs::ClearHistory() {
    std::lock_guard lock(mutex_);
    history_.clear();
}

int ScriptedDialogs::LastProgress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

void ScriptedDialogs::MessageBox(const std::string& text, const std::string& caption) {
    std::lock_guard lock(mutex_);
    history_.push_back({"message", text, caption});
}

bool ScriptedDialogs::Question(const std::string& text, const std::string& caption) {
    std::lock_guard lock(mutex_);
    history_.push_back({"question", text, caption});
    if (answers_.empty()) {
        return defaultAnswer_;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::NextFile() {
    if (files_.empty()) {
        return std::nullopt;
    }
    auto file = files_.front();
    files_.pop_front();
    return file;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const std::string& title,
                                                     const std::vector<FileFilter>& filters) {
    std::lock_guard lock(mutex_);
    history_.push_back({"open", title, {}});
    lastFilters_ = filters;
    return NextFile();
}

std::vector<FileFilter> ScriptedDialogs::LastFilters() const {
    std::lock_guard lock(mutex_);
    return lastFilters_;
}

std::vector<std::string> ScriptedDialogs::OpenFiles(const std::string& title,
                                                    const std::vector<FileFilter>&) {
    std::lock_guard lock(mutex_);
    history_.push_back({"open", title, {}});
    if (!fileLists_.empty()) {
        std::vector<std::string> paths = std::move(fileLists_.front());
        fileLists_.pop_front();
        return paths;
    }
    std::optional<std::string> file = NextFile();
    return file ? std::vector<std::string>{*file} : std::vector<std::string>{};
}

std::optional<std::string> ScriptedDialogs::SaveFile(const std::string& title,
                                                     const std::vector<FileFilter>&,
                                                     const std::string& suggestedName) {
    std::lock_guard lock(mutex_);
    history_.push_back({"save", title, suggestedName});
    return NextFile();
}

void ScriptedDialogs::ShowBusy(const std::string& text) {
    std::lock_guard lock(mutex_);
    history_.push_back({"busy", text, {}});
    busy_ = true;
}

void ScriptedDialogs::CloseBusy() {
    std::lock_guard lock(mutex_);
    busy_ = false;
}

bool ScriptedDialogs::BusyShown() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void ScriptedDialogs::ShowProgress(const std::string& text) {
    std::lock_guard lock(mutex_);
    history_.push_back({"progress", text, {}});
    progress_ = 0;
    progressText_ = text;
    onCancel_ = nullptr;
}

void ScriptedDialogs::ShowCancellableProgress(const std::string& text,
                                              std::function<void()> onCancel) {
    ShowProgress(text);
    std::lock_guard lock(mutex_);
    onCancel_ = std::move(onCancel);
}

void ScriptedDialogs::SetProgressText(const std::string& text) {
    std::lock_guard lock(mutex_);
    progressText_ = text;
}

std::string ScriptedDialogs::ProgressText() const {
    std::lock_guard lock(mutex_);
    return progressText_;
}

bool ScriptedDialogs::CancelProgress() {
    std::function<void()> onCancel;
    {
        std::lock_guard lock(mutex_);
        if (progress_ < 0 || !onCancel_) {
            return false;
        }
        onCancel = onCancel_;
    }
    onCancel();
    return true;
}

void ScriptedDialogs::SetProgress(int percent) {
    std::lock_guard lock(mutex_);
    progress_ = percent;
}

void ScriptedDialogs::CloseProgress() {
    std::lock_guard lock(mutex_);
    progress_ = -1;
    onCancel_ = nullptr;
}

}  // namespace zanvor
