#include "app/FocusSwitcher.h"

#include <unistd.h>

#include "device/SessionState.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/DeviceTasks.h"
#include "ui/ProfileList.h"
#include "ui/WindowHost.h"

namespace zanvor {

FocusSwitcher::FocusSwitcher(DataStore& store, SessionState& session, TaskPoster& poster,
                             ProfileList& list, WindowHost& host, Hooks hooks)
    : store_(store),
      session_(session),
      poster_(poster),
      list_(list),
      host_(host),
      hooks_(std::move(hooks)),
      bindings_(store) {}

FocusSwitcher::~FocusSwitcher() {
    Stop();
}

void FocusSwitcher::Register(PageRegistry& registry) {
    // Runs without the keyboard too: a switch is then skipped, not reported as a failure on
    // every alt-tab.
    registry.AddTask(
        kTaskFollowFocus, [this] { return TaskFollowFocus(); },
        TaskOptions{.needsKeyboard = false});
}

bool FocusSwitcher::Start(std::unique_ptr<FocusSource> source, std::string& error) {
    Stop();
    if (!source) {
        error = "no focus source";
        return false;
    }
    if (!source->Start([this](const FocusedWindow& window) { OnFocus(window); }, error)) {
        return false;
    }
    std::lock_guard lock(sourceMutex_);
    source_ = std::move(source);
    return true;
}

void FocusSwitcher::Stop() {
    std::unique_ptr<FocusSource> source;
    {
        std::lock_guard lock(sourceMutex_);
        source = std::move(source_);
    }
    if (source) {
        source->Stop();
    }
}

bool FocusSwitcher::Following() const {
    std::lock_guard lock(sourceMutex_);
    return source_ != nullptr;
}

std::vector<FocusedWindow> FocusSwitcher::ListWindows() {
    std::lock_guard lock(sourceMutex_);
    return source_ ? source_->ListWindows() : std::vector<FocusedWindow>();
}

void FocusSwitcher::OnFocus(const FocusedWindow& window) {
    {
        std::lock_guard lock(focusMutex_);
        newest_ = window;
    }
    if (!taskPosted_.exchange(true)) {
        poster_.PostTask(kTaskFollowFocus);
    }
}

TaskResult FocusSwitcher::TaskFollowFocus() {
    // Cleared before the window is read: a report arriving from here on posts a new task.
    taskPosted_ = false;
    std::optional<FocusedWindow> window;
    {
        std::lock_guard lock(focusMutex_);
        window = newest_;
    }
    if (!window || window->id == 0 || window->pid == getpid()) {
        return {};
    }
    if (hooks_.keyboardOnline && !hooks_.keyboardOnline()) {
        return {};
    }
    const int current = session_.currentProfile.load();
    const std::vector<std::string> identities = window->Identities();
    std::string program;
    const int bound = bindings_.ProfileFor(identities, &program);
    if (bound != 0) {
        if (returnProfile_ == 0) {
            returnProfile_ = current;
        }
        return bound != current ? SwitchTo(bound, program) : TaskResult();
    }
    const int back = std::exchange(returnProfile_, 0);
    if (back == 0 || back == current || list_.FindData(back) < 0) {
        return {};  // no automatic switch to undo (or its profile was deleted since)
    }
    return SwitchTo(back, identities.empty() ? window->title : identities.front());
}

TaskResult FocusSwitcher::SwitchTo(int profile, const std::string& program) {
    Trace("FocusSwitcher: profile %d for %s\n", profile, program.c_str());
    if (!store_.SetActiveProfile(profile)) {
        return TaskResult::Failed(store_.LastFailureText());
    }
    session_.currentProfile = profile;
    list_.SetCurData(profile);
    const TaskResult result = hooks_.applyProfile ? hooks_.applyProfile() : TaskResult();
    if (ReadRegistryInt(kFocusNoticeValue) == 1) {
        const int index = list_.FindData(profile);
        const std::string name = index >= 0 ? list_.GetItemText(index) : std::to_string(profile);
        host_.ShowNotice(BindingText(kTextFocusNotice, name, program));
    }
    return result;
}

}  // namespace zanvor
