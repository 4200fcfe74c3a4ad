#pragma once

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// A list control of items with one selected entry (or none): what the screen page's slot
// view, animation library and frame strip have in common. Indexes are positions from 0;
// operations given an index outside the list do nothing and report false.
//
// Thread-safe; observers hear kChangeItems when entries come or go, kChangeItem when one
// entry changed and kChangeSelection when another entry was selected.
template <typename Item>
class ItemListModel : public ControlModel {
  public:
    static constexpr int kEventSelectionChanged = 2;
    enum Change { kChangeItems = 16, kChangeSelection, kChangeItem };

    explicit ItemListModel(int controlId = 0) : ControlModel(controlId) {}

    void DeleteAllItems() {
        {
            std::lock_guard lock(mutex_);
            items_.clear();
            selected_ = -1;
        }
        NotifyChanged(kChangeItems);
    }

    int GetItemCount() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(items_.size());
    }
    std::vector<Item> GetItems() const {
        std::lock_guard lock(mutex_);
        return items_;
    }
    std::optional<Item> GetItem(int index) const {
        std::lock_guard lock(mutex_);
        if (!Valid(index)) {
            return std::nullopt;
        }
        return items_[static_cast<size_t>(index)];
    }

    // Removes an entry; the selection follows its entry, and is cleared when it was this one.
    bool DeleteItem(int index) {
        {
            std::lock_guard lock(mutex_);
            if (!Valid(index)) {
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

    // Selects an entry without an event; -1 clears the selection.
    bool SetCurSel(int index) {
        {
            std::lock_guard lock(mutex_);
            if (index != -1 && !Valid(index)) {
                return false;
            }
            selected_ = index;
        }
        NotifyChanged(kChangeSelection);
        return true;
    }
    int GetCurSel() const {
        std::lock_guard lock(mutex_);
        return selected_;
    }

    // The user picks an entry: it is selected and kEventSelectionChanged is raised.
    bool Select(int index) {
        if (!SetCurSel(index)) {
            return false;
        }
        RaiseEvent(kEventSelectionChanged);
        return true;
    }

  protected:
    // Inserts before `index` (index = count appends); returns the new entry's index. The
    // selection stays on its entry.
    int InsertItem(int index, Item item) {
        {
            std::lock_guard lock(mutex_);
            index = std::clamp(index, 0, static_cast<int>(items_.size()));
            items_.insert(items_.begin() + index, std::move(item));
            if (selected_ >= index) {
                ++selected_;
            }
        }
        NotifyChanged(kChangeItems);
        return index;
    }

    // Changes one entry under the lock; false for an index outside the list.
    template <typename Change>
    bool ChangeItem(int index, Change change) {
        {
            std::lock_guard lock(mutex_);
            if (!Valid(index)) {
                return false;
            }
            change(items_[static_cast<size_t>(index)]);
        }
        NotifyChanged(kChangeItem);
        return true;
    }

    // Reads under the lock: fn(items, selected).
    template <typename Read>
    auto ReadItems(Read read) const {
        std::lock_guard lock(mutex_);
        return read(items_, selected_);
    }

    // Changes every entry (and the selection) under the lock, then tells the observers.
    template <typename Change>
    void ChangeAll(Change change, int what) {
        {
            std::lock_guard lock(mutex_);
            change(items_, selected_);
        }
        NotifyChanged(what);
    }

  private:
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(items_.size()); }

    mutable std::mutex mutex_;  // guards items_ and selected_
    std::vector<Item> items_;
    int selected_ = -1;
};

}  // namespace zanvor
