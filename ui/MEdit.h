#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// A one-line text box (MEdit): its text. The program sets it without an event; a change by
// the user raises kEventChanged.
class MEdit : public ControlModel {
  public:
    static constexpr int kEventChanged = 1;
    enum Change { kChangeText = 16 };

    explicit MEdit(int controlId = 0) : ControlModel(controlId) {}

    void SetText(const std::string& text) {
        {
            std::lock_guard lock(mutex_);
            if (text_ == text) {
                return;
            }
            text_ = text;
        }
        NotifyChanged(kChangeText);
    }
    std::string GetText() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

    // The user edited the text.
    void Type(const std::string& text) {
        SetText(text);
        RaiseEvent(kEventChanged);
    }

  private:
    mutable std::mutex mutex_;  // guards text_
    std::string text_;
};

}  // namespace zanvor
