#include "ui/CombinationKeyPanel.h"

namespace zanvor {

void CombinationKeyPanel::SetModifierCheck(int bit, bool checked) {
    if (bit < 0 || bit >= kModifierCount) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        modifiers_[bit] = checked;
    }
    NotifyChanged(kChangeModifiers);
}

bool CombinationKeyPanel::GetModifierCheck(int bit) const {
    if (bit < 0 || bit >= kModifierCount) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return modifiers_[bit];
}

int CombinationKeyPanel::ModifierMask() const {
    std::lock_guard lock(mutex_);
    int mask = 0;
    for (int bit = 0; bit < kModifierCount; ++bit) {
        if (modifiers_[bit]) {
            mask |= 1 << bit;
        }
    }
    return mask;
}

void CombinationKeyPanel::BeginCapture() {
    {
        std::lock_guard lock(mutex_);
        capturing_ = true;
        capturedKey_ = 0;
        captureText_.clear();
    }
    NotifyChanged(kChangeCapture);
}

void CombinationKeyPanel::EndCapture() {
    {
        std::lock_guard lock(mutex_);
        capturing_ = false;
    }
    NotifyChanged(kChangeCapture);
}

bool CombinationKeyPanel::Capturing() const {
    std::lock_guard lock(mutex_);
    return capturing_;
}

void CombinationKeyPanel::SetCapturedKey(int virtualKey, const std::string& name) {
    {
        std::lock_guard lock(mutex_);
        capturedKey_ = virtualKey;
        captureText_ = name;
    }
    NotifyChanged(kChangeCapture);
}

int CombinationKeyPanel::CapturedKey() const {
    std::lock_guard lock(mutex_);
    return capturedKey_;
}

std::string CombinationKeyPanel::CaptureText() const {
    std::lock_guard lock(mutex_);
    return captureText_;
}

}  // namespace zanvor
