#include "ui/KeyFuncValue.h"

#include <algorithm>

namespace zanvor {

void KeyFuncValue::ClearList() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        selected_ = -1;
    }
    NotifyChanged(kChangeItems);
}

void KeyFuncValue::AddItem(const std::string& caption, int code, const std::string& note) {
    {
        std::lock_guard lock(mutex_);
        items_.push_back(KeyFuncItem{caption, code, note});
    }
    NotifyChanged(kChangeItems);
}

std::vector<KeyFuncItem> KeyFuncValue::Items() const {
    std::lock_guard lock(mutex_);
    return items_;
}

size_t KeyFuncValue::ItemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void KeyFuncValue::SetAllHeight(int pixels) {
    {
        std::lock_guard lock(mutex_);
        allHeight_ = std::max(0, pixels);
    }
    NotifyChanged(kChangeListHeight);
}

int KeyFuncValue::AllHeight() const {
    std::lock_guard lock(mutex_);
    return allHeight_;
}

bool KeyFuncValue::SetCurData(int code) {
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        selected_ = -1;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].code == code) {
                selected_ = static_cast<int>(i);
                found = true;
                break;
            }
        }
    }
    NotifyChanged(kChangeSelection);
    return found;
}

void KeyFuncValue::SetCurSel(int index) {
    {
        std::lock_guard lock(mutex_);
        const bool inside = index >= 0 && static_cast<size_t>(index) < items_.size();
        selected_ = inside ? index : -1;
    }
    NotifyChanged(kChangeSelection);
}

int KeyFuncValue::GetCurSel() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

bool KeyFuncValue::GetCurValue(int& code, std::string& caption) const {
    std::lock_guard lock(mutex_);
    code = 0;
    caption.clear();
    if (selected_ < 0 || static_cast<size_t>(selected_) >= items_.size()) {
        return false;
    }
    code = items_[selected_].code;
    caption = items_[selected_].caption;
    return true;
}

void KeyFuncValue::SetListVisible(bool visible) {
    {
        std::lock_guard lock(mutex_);
        if (listVisible_ == visible) {
            return;
        }
        listVisible_ = visible;
    }
    NotifyChanged(kChangeListVisibility);
}

bool KeyFuncValue::ListVisible() const {
    std::lock_guard lock(mutex_);
    return listVisible_;
}

void KeyFuncValue::SetTabs(const std::vector<int>& tabs) {
    {
        std::lock_guard lock(mutex_);
        tabs_ = tabs;
        if (!tabs_.empty() && std::find(tabs_.begin(), tabs_.end(), currentTab_) == tabs_.end()) {
            currentTab_ = tabs_.front();
        }
    }
    NotifyChanged(kChangeTabs);
}

std::vector<int> KeyFuncValue::Tabs() const {
    std::lock_guard lock(mutex_);
    return tabs_;
}

void KeyFuncValue::SetCurTab(int tab) {
    {
        std::lock_guard lock(mutex_);
        currentTab_ = tab;
    }
    NotifyChanged(kChangeTabs);
}

int KeyFuncValue::GetCurTab() const {
    std::lock_guard lock(mutex_);
    return currentTab_;
}

void KeyFuncValue::ClickItem(int index) {
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || static_cast<size_t>(index) >= items_.size()) {
            return;
        }
        selected_ = index;
    }
    NotifyChanged(kChangeSelection);
    RaiseEvent(kEventItemClicked);
}

void KeyFuncValue::ClickTab(int tab) {
    SetCurTab(tab);
    RaiseEvent(kEventTabChanged);
}

}  // namespace zanvor
