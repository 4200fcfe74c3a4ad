#include "keys/MacroRecorder.h"

#include <algorithm>

#include "keys/KeyEvents.h"
#include "keys/KeyTest.h"
#include "keys/MacroSteps.h"
#include "ui/CRecordList.h"

namespace zanvor {

MacroRecorder::MacroRecorder(CRecordList& list, HeldKeySet& held) : list_(list), held_(held) {}

void MacroRecorder::Start(int delayMode, int fixedDelay, int budget) {
    active_ = true;
    delayMode_ = delayMode;
    fixedDelay_ = fixedDelay;
    budget_ = budget;
    havePrevious_ = false;
    previousMs_ = 0;
    list_.ResetEventCount();
    held_.Clear();
}

void MacroRecorder::Stop() {
    active_ = false;
}

MacroRecorder::Outcome MacroRecorder::OnHookKey(int message, int virtualKey, int scanCode,
                                                int flags, int64_t nowMs) {
    const KeyEventInfo event =
        KeyEventName(message, virtualKey, scanCode, flags, KeyEventPurpose::Recording);
    if (!event.named || event.virtualKey == 0) {
        return Outcome::kContinue;
    }
    int kind = kKindKey;
    if (event.pressed) {
        if (!held_.Add(event.virtualKey)) {
            kind = kKindIgnored;  // auto-repeat of a held key
        }
    } else {
        held_.Remove(event.virtualKey);
    }
    return RecordEvent(kind, event.pressed, event.virtualKey, event.name, false, nowMs);
}

MacroRecorder::Outcome MacroRecorder::OnHookMouse(int message, int mouseData,
                                                  bool insideRecordButton, int64_t nowMs) {
    const MouseEventInfo event = MouseEventName(message, mouseData);
    if (!event.named) {
        return Outcome::kContinue;
    }
    return RecordEvent(kKindMouse, event.pressed, event.code, event.name, insideRecordButton,
                       nowMs);
}

MacroRecorder::Outcome MacroRecorder::RecordEvent(int kind, bool pressed, int code,
                                                  const std::string& name, bool insideRecordButton,
                                                  int64_t nowMs) {
    if (!active_ || kind == kKindIgnored) {
        return Outcome::kContinue;
    }
    int delay = 0;
    if (delayMode_ == kDelayMeasured) {
        if (havePrevious_) {
            delay = static_cast<int>(
                std::clamp<int64_t>(nowMs - previousMs_, 0, int64_t{kMaxStepDelay}));
        }
        havePrevious_ = true;
        previousMs_ = nowMs;
    } else if (delayMode_ == kDelayFixed) {
        delay = fixedDelay_;
    }
    if (kind == kKindMouse && insideRecordButton) {
        return Outcome::kContinue;
    }
    const int type = kind == kKindMouse ? (pressed ? kStepMouseDown : kStepMouseUp)
                                        : (pressed ? kStepKeyDown : kStepKeyUp);
    if (delay != 0) {
        list_.UpdateDelayTime(delay);
    }
    if ((delayMode_ == kDelayMeasured || delayMode_ == kDelayFixed) && delay != 0 &&
        list_.GetItemCount() > 0 && list_.GetEventCount() >= budget_) {
        return Outcome::kStop;
    }
    list_.AddString(StepText(type, name), type, code, kDefaultStepDelay);
    return list_.GetEventCount() >= budget_ ? Outcome::kStop : Outcome::kContinue;
}

}  // namespace zanvor
