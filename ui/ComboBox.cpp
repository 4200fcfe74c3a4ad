#include "ui/ComboBox.h"

namespace zanvor {

void ComboBox::Clear() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        selected_ = -1;
    }
    NotifyChanged(kChangeItems);
}

int ComboBox::AddItem(const std::string& text, int data) {
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        items_.push_back(ComboItem{text, data});
        index = static_cast<int>(items_.size()) - 1;
    }
    NotifyChanged(kChangeItems);
    return index;
}

std::vector<ComboItem> ComboBox::GetItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

int ComboBox::GetCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

bool ComboBox::SelectData(int data) {
    {
        std::lock_guard lock(mutex_);
        int found = -1;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].data == data) {
                found = static_cast<int>(i);
                break;
            }
        }
        if (found < 0) {
            return false;
        }
        selected_ = found;
    }
    NotifyChanged(kChangeSelection);
    return true;
}

bool ComboBox::SetCurSel(int index) {
    {
        std::lock_guard lock(mutex_);
        if (index < -1 || index >= static_cast<int>(items_.size())) {
            return false;
        }
        selected_ = index;
    }
    NotifyChanged(kChangeSelection);
    return true;
}

int ComboBox::GetCurSel() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

int ComboBox::GetCurData(int fallback) const {
    std::lock_guard lock(mutex_);
    return selected_ >= 0 ? items_[selected_].data : fallback;
}

std::string ComboBox::GetCurText() const {
    std::lock_guard lock(mutex_);
    return selected_ >= 0 ? items_[selected_].text : std::string();
}

bool ComboBox::Choose(int index) {
    if (index < 0 || !SetCurSel(index)) {
        return false;
    }
    RaiseEvent(kEventSelectionChanged);
    return true;
}

bool ComboBox::ChooseData(int data) {
    int index = -1;
    {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < items_.size() && index < 0; ++i) {
            if (items_[i].data == data) {
                index = static_cast<int>(i);
            }
        }
    }
    return Choose(index);
}

}  // namespace zanvor
