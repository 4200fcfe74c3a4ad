#pragma once

// Recording a macro: key and mouse events of the program's own window become steps of the record
// list, with delays measured, fixed or none. Events come with the time they happened (ms on a
// steady clock), so the algorithm is the same whoever delivers them.
//
// Used on the UI thread only.

#include <cstdint>
#include <string>

namespace zanvor {

class CRecordList;
class HeldKeySet;

class MacroRecorder {
  public:
    enum class Outcome {
        kContinue,
        kStop,  // the step budget is reached: the recording must stop
    };
    // Event kinds.
    static constexpr int kKindIgnored = 0;  // an auto-repeat
    static constexpr int kKindMouse = 1;
    static constexpr int kKindKey = 2;

    MacroRecorder(CRecordList& list, HeldKeySet& held);

    // Starts a recording that may add `budget` steps. The first event has no delay before it;
    // the list's event count and the held keys start empty (a key held before the recording
    // started is recorded from its next press).
    void Start(int delayMode, int fixedDelay, int budget);
    void Stop();
    bool Active() const { return active_; }
    int Budget() const { return budget_; }

    // A key event in the keyboard hook's form (message, virtual key, scan code, flags).
    Outcome OnHookKey(int message, int virtualKey, int scanCode, int flags, int64_t nowMs);
    // A mouse event in the mouse hook's form; insideRecordButton when the pointer is on the
    // record button (that click is not part of the macro).
    Outcome OnHookMouse(int message, int mouseData, bool insideRecordButton, int64_t nowMs);

    // Adds one event: kind, press or release, code (virtual key or button bit) and name.
    Outcome RecordEvent(int kind, bool pressed, int code, const std::string& name,
                        bool insideRecordButton, int64_t nowMs);

  private:
    CRecordList& list_;
    HeldKeySet& held_;
    bool active_ = false;
    int delayMode_ = 0;
    int fixedDelay_ = 0;
    int budget_ = 0;
    bool havePrevious_ = false;
    int64_t previousMs_ = 0;
};

}  // namespace zanvor
