#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// A line of text a page shows (a notice); hidden while empty. Thread-safe: the worker may set
// it after a job.
class TextLabel : public ControlModel {
  public:
    enum Change { kChangeText = 16 };

    explicit TextLabel(int controlId = 0) : ControlModel(controlId) {}

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
    std::string Text() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;  // guards text_
    std::string text_;
};

}  // namespace zanvor
