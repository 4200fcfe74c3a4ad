#include "ui/ProfileList.h"

#include <utility>

namespace zanvor {

void ProfileList::ClearList() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        selected_ = -1;
        scroll_ = 0;
        editing_ = -1;
        contextData_ = 0;
    }
    NotifyChanged(kChangeItems);
}

int ProfileList::AddItem(const std::string& text, int data, const std::string& icon) {
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        items_.push_back(ProfileListItem{text, data, icon, {}});
        index = static_cast<int>(items_.size()) - 1;
    }
    NotifyChanged(kChangeItems);
    return index;
}

bool ProfileList::DeleteItem(int index) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        items_.erase(items_.begin() + index);
        if (selected_ == index) {
            selected_ = -1;
        } else if (selected_ > index) {
            --selected_;
        }
        if (editing_ == index) {
            editing_ = -1;
        } else if (editing_ > index) {
            --editing_;
        }
    }
    NotifyChanged(kChangeItems);
    return true;
}

int ProfileList::GetItemCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

int ProfileList::GetItemData(int index) const {
    std::lock_guard lock(mutex_);
    return ValidIndex(index) ? items_[index].data : 0;
}

std::string ProfileList::GetItemText(int index) const {
    std::lock_guard lock(mutex_);
    return ValidIndex(index) ? items_[index].text : std::string();
}

bool ProfileList::SetItemText(int index, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        items_[index].text = text;
    }
    NotifyChanged(kChangeItems);
    return true;
}

bool ProfileList::SetItemNote(int index, const std::string& note) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        if (items_[index].note == note) {
            return true;
        }
        items_[index].note = note;
    }
    NotifyChanged(kChangeItems);
    return true;
}

std::string ProfileList::GetItemNote(int index) const {
    std::lock_guard lock(mutex_);
    return ValidIndex(index) ? items_[index].note : std::string();
}

std::string ProfileList::GetItemIcon(int index) const {
    std::lock_guard lock(mutex_);
    return ValidIndex(index) ? items_[index].icon : std::string();
}

std::vector<ProfileListItem> ProfileList::GetItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

int ProfileList::FindData(int data) const {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].data == data) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ProfileList::SetSelectItem(int index) {
    {
        std::lock_guard lock(mutex_);
        if (index != -1 && !ValidIndex(index)) {
            return false;
        }
        selected_ = index;
    }
    NotifyChanged(kChangeSelection);
    return true;
}

int ProfileList::GetSelectItem() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

bool ProfileList::SetCurData(int data) {
    const int index = FindData(data);
    return index >= 0 && SetSelectItem(index);
}

int ProfileList::GetCurData() const {
    std::lock_guard lock(mutex_);
    return ValidIndex(selected_) ? items_[selected_].data : 0;
}

void ProfileList::SetScrollPos(int position) {
    {
        std::lock_guard lock(mutex_);
        scroll_ = position < 0 ? 0 : position;
    }
    NotifyChanged(kChangeScroll);
}

int ProfileList::GetScrollPos() const {
    std::lock_guard lock(mutex_);
    return scroll_;
}

bool ProfileList::ShowEdit(int index) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        editing_ = index;
    }
    NotifyChanged(kChangeEdit);
    return true;
}

bool ProfileList::Editing() const {
    std::lock_guard lock(mutex_);
    return editing_ >= 0;
}

int ProfileList::EditItem() const {
    std::lock_guard lock(mutex_);
    return editing_;
}

bool ProfileList::ClickItem(int index) {
    EndEditElsewhere(index);
    if (!SetSelectItem(index) || index < 0) {
        return false;
    }
    RaiseEvent(kEventSelectionChanged);
    return true;
}

bool ProfileList::RequestContext(int index) {
    EndEditElsewhere(index);
    if (!SetSelectItem(index) || index < 0) {
        return false;
    }
    SetContextItem(index);
    RaiseEvent(kEventContextRequest);
    return true;
}

bool ProfileList::SetContextItem(int index) {
    std::lock_guard lock(mutex_);
    if (!ValidIndex(index)) {
        return false;
    }
    contextData_ = items_[index].data;
    return true;
}

int ProfileList::TakeContextData() {
    std::lock_guard lock(mutex_);
    return std::exchange(contextData_, 0);
}

bool ProfileList::FinishEdit(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(editing_)) {
            editing_ = -1;
            return false;
        }
        items_[editing_].text = text;
        editing_ = -1;
    }
    NotifyChanged(kChangeEdit);
    NotifyChanged(kChangeItems);
    RaiseEvent(kEventEditFinished);
    return true;
}

void ProfileList::EndEditElsewhere(int index) {
    const int editing = EditItem();
    if (editing >= 0 && editing != index) {
        CancelEdit();
    }
}

void ProfileList::CancelEdit() {
    {
        std::lock_guard lock(mutex_);
        if (editing_ < 0) {
            return;
        }
        editing_ = -1;
    }
    NotifyChanged(kChangeEdit);
}

}  // namespace zanvor
