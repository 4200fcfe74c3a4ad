#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/ProgramBindings.h"
#include "platform/FocusSource.h"
#include "ui/PageRegistry.h"

namespace zanvor {

class DataStore;
class ProfileList;
class WindowHost;
class SessionState;
class TaskPoster;

// Switches profiles with the window in front. When a bound program's window comes to the
// front its profile becomes current and is sent to the keyboard (the whole profile switch);
// when the focus moves on to a program no profile is bound to, the profile that was current
// before the first automatic switch comes back. A manual switch stays until the focus moves
// again, since only focus changes switch. The program's own windows, and the focus leaving
// every window, change nothing (the user opens the program to edit the game's profile).
//
// Focus reports arrive on the source's thread and only note the newest window; one worker
// task (kTaskFollowFocus) acts on whatever window is newest when it runs, so the switch waits
// for any keyboard write before it and rapid alt-tabbing leaves no queue of stale switches.
class FocusSwitcher {
  public:
    struct Hooks {
        // Worker: sends the current profile to the keyboard (task 6's steps).
        std::function<TaskResult()> applyProfile;
        // Whether the keyboard can take a switch now.
        std::function<bool()> keyboardOnline;
    };

    FocusSwitcher(DataStore& store, SessionState& session, TaskPoster& poster, ProfileList& list,
                  WindowHost& host, Hooks hooks);
    ~FocusSwitcher();
    FocusSwitcher(const FocusSwitcher&) = delete;
    FocusSwitcher& operator=(const FocusSwitcher&) = delete;

    void Register(PageRegistry& registry);

    // Follows the source's reports from now on (replacing an earlier source). False, with the
    // source dropped and a one-line reason, when it cannot start.
    bool Start(std::unique_ptr<FocusSource> source, std::string& error);
    void Stop();
    bool Following() const;
    // The windows on screen now (empty when no source runs).
    std::vector<FocusedWindow> ListWindows();

    // Any thread: a window came to the front (what a source reports).
    void OnFocus(const FocusedWindow& window);

  private:
    TaskResult TaskFollowFocus();
    // Worker: makes the profile current, sends it, and tells the user when asked to (naming
    // `program`).
    TaskResult SwitchTo(int profile, const std::string& program);

    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    ProfileList& list_;
    WindowHost& host_;
    Hooks hooks_;
    ProgramBindings bindings_;

    mutable std::mutex sourceMutex_;  // guards source_
    std::unique_ptr<FocusSource> source_;
    std::mutex focusMutex_;  // guards newest_
    std::optional<FocusedWindow> newest_;
    std::atomic<bool> taskPosted_{false};  // a kTaskFollowFocus waits in the queue
    int returnProfile_ = 0;  // worker: current before the first automatic switch; 0: none made
};

}  // namespace zanvor
