#include "ui/MacroStepEditor.h"

namespace zanvor {

void MacroStepEditor::SetKind(Kind kind) {
    {
        std::lock_guard lock(mutex_);
        kind_ = kind;
        if (kind != kKindKey) {
            capturing_ = false;
        }
    }
    NotifyChanged(kChangeKind);
}

MacroStepEditor::Kind MacroStepEditor::GetKind() const {
    std::lock_guard lock(mutex_);
    return kind_;
}

void MacroStepEditor::SetValueText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        valueText_ = text;
    }
    NotifyChanged(kChangeValue);
}

std::string MacroStepEditor::ValueText() const {
    std::lock_guard lock(mutex_);
    return valueText_;
}

void MacroStepEditor::SetMouseButton(int bit) {
    {
        std::lock_guard lock(mutex_);
        mouseButton_ = bit;
    }
    NotifyChanged(kChangeValue);
}

int MacroStepEditor::MouseButton() const {
    std::lock_guard lock(mutex_);
    return mouseButton_;
}

void MacroStepEditor::SetCapturing(bool capturing) {
    {
        std::lock_guard lock(mutex_);
        if (capturing_ == capturing) {
            return;
        }
        capturing_ = capturing;
    }
    NotifyChanged(kChangeCapture);
}

bool MacroStepEditor::Capturing() const {
    std::lock_guard lock(mutex_);
    return capturing_;
}

}  // namespace zanvor
