#pragma once

#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// What the screen page's editing controls show: whether they are enabled (an animation of
// the library is selected) and whether the editor plays the animation (preview mode)
// instead of editing a frame.
class ScreenEditState : public ControlModel {
  public:
    enum Change { kChangeState = 16 };

    void SetEditingEnabled(bool enabled) { Set(enabled_, enabled); }
    bool EditingEnabled() const {
        std::lock_guard lock(mutex_);
        return enabled_;
    }
    void SetPreviewMode(bool preview) { Set(preview_, preview); }
    bool PreviewMode() const {
        std::lock_guard lock(mutex_);
        return preview_;
    }

  private:
    void Set(bool& field, bool value) {
        {
            std::lock_guard lock(mutex_);
            if (field == value) {
                return;
            }
            field = value;
        }
        NotifyChanged(kChangeState);
    }

    mutable std::mutex mutex_;  // guards enabled_ and preview_
    bool enabled_ = false;
    bool preview_ = false;
};

}  // namespace zanvor
