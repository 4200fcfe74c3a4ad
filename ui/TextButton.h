#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// A button whose caption the page changes (a chosen file's path, a device's name). A click
// raises kEventClicked.
class TextButton : public ControlModel {
  public:
    static constexpr int kEventClicked = 1;
    enum Change { kChangeCaption = 16 };

    explicit TextButton(int controlId = 0) : ControlModel(controlId) {}

    void SetCaption(const std::string& caption) {
        {
            std::lock_guard lock(mutex_);
            if (caption_ == caption) {
                return;
            }
            caption_ = caption;
        }
        NotifyChanged(kChangeCaption);
    }
    std::string GetCaption() const {
        std::lock_guard lock(mutex_);
        return caption_;
    }
    void Click() { RaiseEvent(kEventClicked); }

  private:
    mutable std::mutex mutex_;  // guards caption_
    std::string caption_;
};

}  // namespace zanvor
