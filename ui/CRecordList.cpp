#include "ui/CRecordList.h"

#include <algorithm>

namespace zanvor {

namespace {

// Step types whose entries pair up: a press (2 key, 4 mouse) and the release after it.
bool IsRelease(int type) {
    return type == 3 || type == 5;
}

}  // namespace

int CRecordList::AddString(const std::string& text, int type, int value, int delay) {
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        int stamp = 0;
        if (IsRelease(type)) {
            // The latest press of this value without a release of its own.
            for (auto it = items_.rbegin(); it != items_.rend() && stamp == 0; ++it) {
                if (it->type == type - 1 && it->value == value) {
                    const bool released =
                        std::any_of(items_.begin(), items_.end(), [&](const RecordItem& other) {
                            return other.type == type && other.timeStamp == it->timeStamp;
                        });
                    if (!released) {
                        stamp = it->timeStamp;
                    }
                }
            }
        }
        if (stamp == 0) {
            stamp = ++lastStamp_;
        }
        items_.push_back(RecordItem{text, type, value, delay, stamp});
        index = static_cast<int>(items_.size()) - 1;
        ++events_;
    }
    NotifyChanged(kChangeItems);
    return index;
}

int CRecordList::InsertString(int index, const std::string& text, int type, int value, int delay,
                              int timeStamp) {
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || static_cast<size_t>(index) > items_.size()) {
            return -1;
        }
        if (timeStamp <= 0) {
            timeStamp = ++lastStamp_;
        }
        lastStamp_ = std::max(lastStamp_, timeStamp);
        items_.insert(items_.begin() + index, RecordItem{text, type, value, delay, timeStamp});
        if (selected_ >= index) {
            ++selected_;
        }
    }
    NotifyChanged(kChangeItems);
    return index;
}

int CRecordList::NewTimeStamp() {
    std::lock_guard lock(mutex_);
    return ++lastStamp_;
}

void CRecordList::DeleteAllItems() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        selected_ = -1;
    }
    NotifyChanged(kChangeItems);
}

bool CRecordList::DeleteItem(int index) {
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
    }
    NotifyChanged(kChangeItems);
    return true;
}

int CRecordList::GetItemCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

int CRecordList::GetCurSel() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

bool CRecordList::SetCurSel(int index) {
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

int CRecordList::GetEventCount() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void CRecordList::ResetEventCount() {
    std::lock_guard lock(mutex_);
    events_ = 0;
}

bool CRecordList::UpdateDelayTime(int delay) {
    {
        std::lock_guard lock(mutex_);
        if (items_.empty()) {
            return false;
        }
        items_.back().delay = delay;
    }
    NotifyChanged(kChangeItems);
    return true;
}

std::vector<RecordItem> CRecordList::GetRecordItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

bool CRecordList::GetRecordInfo(int index, RecordItem& item) const {
    std::lock_guard lock(mutex_);
    if (!ValidIndex(index)) {
        return false;
    }
    item = items_[static_cast<size_t>(index)];
    return true;
}

bool CRecordList::SetRecordInfo(int index, const std::string& text, int type, int value,
                                int delay) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        RecordItem& item = items_[static_cast<size_t>(index)];
        item.text = text;
        item.type = type;
        item.value = value;
        item.delay = delay;
    }
    NotifyChanged(kChangeItems);
    return true;
}

bool CRecordList::SetRecordInfo(int timeStamp, int type, const std::string& text, int value) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(items_.begin(), items_.end(), [&](const RecordItem& item) {
            return item.timeStamp == timeStamp && item.type == type;
        });
        if (it == items_.end()) {
            return false;
        }
        it->text = text;
        it->value = value;
    }
    NotifyChanged(kChangeItems);
    return true;
}

int CRecordList::GetRecrodTimeStamp(int index) const {
    std::lock_guard lock(mutex_);
    return ValidIndex(index) ? items_[static_cast<size_t>(index)].timeStamp : 0;
}

bool CRecordList::SwapItem(int a, int b) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(a) || !ValidIndex(b)) {
            return false;
        }
        std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
    }
    NotifyChanged(kChangeItems);
    return true;
}

bool CRecordList::ClickItem(int index) {
    if (index < 0 || !SetCurSel(index)) {
        return false;
    }
    RaiseEvent(kEventSelectionChanged);
    return true;
}

void CRecordList::RequestContext(int index) {
    if (!SetCurSel(index)) {
        SetCurSel(-1);
    }
    RaiseEvent(kEventContextRequest);
}

bool CRecordList::EditDelay(int index, int delay) {
    {
        std::lock_guard lock(mutex_);
        if (!ValidIndex(index)) {
            return false;
        }
        items_[static_cast<size_t>(index)].delay = delay;
        selected_ = index;
    }
    NotifyChanged(kChangeItems);
    NotifyChanged(kChangeSelection);
    RaiseEvent(kEventDelayEdited);
    return true;
}

}  // namespace zanvor
