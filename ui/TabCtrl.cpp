#include "ui/TabCtrl.h"

namespace zanvor {

int TabCtrl::AddItem(const std::string& text, int data) {
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        items_.push_back(TabItem{text, data, true});
        index = static_cast<int>(items_.size()) - 1;
    }
    NotifyChanged(kChangeItems);
    return index;
}

std::vector<TabItem> TabCtrl::GetItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

void TabCtrl::SetItemText(int index, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || index >= static_cast<int>(items_.size()) ||
            items_[static_cast<size_t>(index)].text == text) {
            return;
        }
        items_[static_cast<size_t>(index)].text = text;
    }
    NotifyChanged(kChangeItems);
}

void TabCtrl::SetItemVisible(int index, bool visible) {
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || index >= static_cast<int>(items_.size()) ||
            items_[static_cast<size_t>(index)].visible == visible) {
            return;
        }
        items_[static_cast<size_t>(index)].visible = visible;
    }
    NotifyChanged(kChangeItems);
}

bool TabCtrl::IsItemVisible(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < static_cast<int>(items_.size()) &&
           items_[static_cast<size_t>(index)].visible;
}

bool TabCtrl::SetCurSel(int index) {
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

int TabCtrl::GetCurSel() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

int TabCtrl::GetCurData(int fallback) const {
    std::lock_guard lock(mutex_);
    return selected_ >= 0 ? items_[static_cast<size_t>(selected_)].data : fallback;
}

int TabCtrl::IndexOf(int data) const {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].data == data) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool TabCtrl::Choose(int index) {
    if (!IsItemVisible(index) || !SetCurSel(index)) {
        return false;
    }
    RaiseEvent(kEventTabChanged);
    return true;
}

}  // namespace zanvor
