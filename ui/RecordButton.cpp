#include "ui/RecordButton.h"

namespace zanvor {

void RecordButton::SetCaptionId(int textId) {
    {
        std::lock_guard lock(mutex_);
        captionId_ = textId;
    }
    NotifyChanged(kChangeCaption);
}

int RecordButton::CaptionId() const {
    std::lock_guard lock(mutex_);
    return captionId_;
}

void RecordButton::SetIcon(const std::string& icon) {
    {
        std::lock_guard lock(mutex_);
        icon_ = icon;
    }
    NotifyChanged(kChangeCaption);
}

std::string RecordButton::Icon() const {
    std::lock_guard lock(mutex_);
    return icon_;
}

void RecordButton::SetRecording(bool recording) {
    {
        std::lock_guard lock(mutex_);
        if (recording_ == recording) {
            return;
        }
        recording_ = recording;
    }
    NotifyChanged(kChangeRecording);
}

bool RecordButton::Recording() const {
    std::lock_guard lock(mutex_);
    return recording_;
}

}  // namespace zanvor
