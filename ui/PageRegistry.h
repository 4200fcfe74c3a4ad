#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zanvor {

class ControlModel;

// How a worker task is run.
struct TaskOptions {
    // Runs only while the selected keyboard is present and online (dropped otherwise).
    bool needsKeyboard = true;
    // When the task has run, a busy dialog waiting for it is closed.
    bool closesBusyDialog = false;
};

// What a worker task achieved. A task that talks to the keyboard reports whether the keyboard
// took what was sent; a reason says why not (one line, for the command line and messages).
struct TaskResult {
    TaskResult(bool succeeded = true) : ok(succeeded) {}  // NOLINT: a plain bool is a result
    static TaskResult Failed(std::string why) {
        TaskResult result(false);
        result.reason = std::move(why);
        return result;
    }
    bool ok = true;
    std::string reason;
};

// Where the pages plug into the main window. Each page registers, once and before the
// worker starts, the control ids it handles, the worker tasks it owns, its idle-pass work,
// its steps of the connection read and of profile changes, and its window messages. The
// main window and the worker look things up here instead of knowing every page.
//
// Registration happens on one thread before the worker and the event loop start; after that
// the registry is only read, from any thread, so it needs no lock.
class PageRegistry {
  public:
    using ControlHandler = std::function<void(int event)>;
    using MessageHandler = std::function<void(uintptr_t wParam, intptr_t lParam)>;
    using Step = std::function<void()>;
    // A worker task; its result is kept in the worker's task log.
    using TaskRun = std::function<TaskResult()>;
    // A step that can fail; false stops the sequence it belongs to.
    using CheckedStep = std::function<bool()>;
    using ProfileStep = std::function<bool(int profileId)>;

    // Order of the connection read's steps (lower first). The read always begins with the
    // device information, the parameter block (the settings adopted into the profile) and the
    // battery; the steps registered here follow, by order.
    enum ConnectionOrder : int {
        // What the parameter block says beyond the settings (the active light modes).
        kAdoptDeviceState = 200,
        // The factory key tables and the usage/index maps built from them.
        kReadDefaultKeyTables = 300,
        // The LED position of every key.
        kReadLightMap = 400,
        // Knob indices and the current key tables, brought into the current profile.
        kReadKeyTables = 500,
    };

    struct Task {
        TaskRun run;
        TaskOptions options;
    };
    struct IdleWork {
        // Whether the worker must keep passing for this work (a live stream is on).
        std::function<bool()> wanted;
        Step run;
    };

    // A handler for every page; controls shared by pages (the keyboard picture) register one
    // handler per page instead.
    static constexpr int kAnyPage = -1;

    // ---- UI thread ----
    // One handler per control id and page; a second registration replaces the first.
    void AddControl(int controlId, ControlHandler handler, int page = kAnyPage);
    // Registers the model's control id and routes the model's events to the registry's sink.
    void AddControl(ControlModel& model, ControlHandler handler, int page = kAnyPage);
    // Calls the handler of controlId for the page on screen (or for any page); false when no
    // page handles it.
    bool DispatchControl(int controlId, int event, int page = kAnyPage) const;
    bool HandlesControl(int controlId, int page = kAnyPage) const;
    // Control ids registered twice for the same page: two pages claiming one id is a mistake
    // (one of them would never see its events). Empty when all is well.
    const std::vector<int>& DuplicateControls() const { return duplicates_; }
    // Where models registered with AddControl(model, ...) send their events (the main window).
    void SetEventSink(std::function<void(int controlId, int event)> sink);

    // Every handler of a message is called, in registration order (several pages re-apply their
    // texts after a language change).
    void AddWindowMessage(uint32_t id, MessageHandler handler);
    bool DispatchWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) const;

    // ---- worker ----
    void AddTask(int code, TaskRun run, TaskOptions options = {});
    const Task* FindTask(int code) const;

    void AddIdleWork(std::function<bool()> wanted, Step run);
    // True when some idle work wants the worker to keep passing.
    bool IdleWorkWanted() const;
    // Runs the idle work that is wanted, in registration order.
    void RunIdleWork() const;

    // A step of the connection read; steps run in ascending order, equal orders in
    // registration order, and the read stops at the first step that fails.
    void AddConnectionStep(int order, CheckedStep step);
    bool RunConnectionSteps() const;

    // Rows a new profile needs (key rows, light rows, music rows, ...), created inside the
    // profile's transaction; a failure undoes the whole profile.
    void AddProfileRows(ProfileStep step);
    bool CreateProfileRows(int profileId) const;

    // Worker, task 6: sending the current profile to the keyboard, in registration order (the
    // key tables first). Every step runs; the result is the first failure, if any.
    void AddProfileApplyStep(TaskRun step);
    TaskResult RunProfileApplySteps() const;

    // After the profile list was loaded or the current profile changed: pages reload what
    // they show from the current profile.
    void AddPagesRefresh(Step step);
    void RefreshPages() const;

    // The factory reset, after the database was created again (task 22).
    void AddResetStep(Step step);
    void RunResetSteps() const;

  private:
    std::map<std::pair<int, int>, ControlHandler> controls_;  // (control id, page)
    std::vector<int> duplicates_;
    std::multimap<uint32_t, MessageHandler> messages_;
    std::map<int, Task> tasks_;
    std::vector<IdleWork> idleWork_;
    std::multimap<int, CheckedStep> connectionSteps_;
    std::vector<ProfileStep> profileRows_;
    std::vector<TaskRun> profileApplySteps_;
    std::vector<Step> pagesRefresh_;
    std::vector<Step> resetSteps_;
    std::function<void(int controlId, int event)> sink_;
};

}  // namespace zanvor
