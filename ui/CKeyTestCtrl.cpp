#include "ui/CKeyTestCtrl.h"

namespace zanvor {

void CKeyTestCtrl::AddKey(const std::string& caption, int code) {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({caption, code});
    }
    NotifyChanged(kChangeEntries);
}

bool CKeyTestCtrl::RemoveKey(int code) {
    {
        std::lock_guard lock(mutex_);
        if (std::erase_if(entries_, [code](const KeyTestEntry& e) { return e.code == code; }) ==
            0) {
            return false;
        }
    }
    NotifyChanged(kChangeEntries);
    return true;
}

void CKeyTestCtrl::ClearList() {
    {
        std::lock_guard lock(mutex_);
        if (entries_.empty()) {
            return;
        }
        entries_.clear();
    }
    NotifyChanged(kChangeEntries);
}

std::vector<KeyTestEntry> CKeyTestCtrl::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

}  // namespace zanvor
