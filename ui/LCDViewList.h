#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "ui/ItemListModel.h"

namespace zanvor {

// One animation of the library list: its preview picture, a text (the name the user gave it,
// empty when none), its frame count and id, and whether its folder has gone missing.
struct AnimationItem {
    std::string preview;
    std::string text;
    int frameCount = 0;
    int ledId = 0;
    bool missing = false;
};

// The animation library of the screen page (LCDViewList); the user's choice raises
// kEventSelectionChanged, a name typed for an entry kEventRenameRequested.
class LCDViewList : public ItemListModel<AnimationItem> {
  public:
    static constexpr int kEventRenameRequested = 40;

    explicit LCDViewList(int controlId = 0) : ItemListModel(controlId) {}

    // The user typed a name for an entry: kept for the page, which takes it on the event.
    void RequestRename(int index, const std::string& name) {
        {
            std::lock_guard lock(renameMutex_);
            rename_ = std::make_pair(index, name);
        }
        RaiseEvent(kEventRenameRequested);
    }
    std::optional<std::pair<int, std::string>> TakeRename() {
        std::lock_guard lock(renameMutex_);
        return std::exchange(rename_, std::nullopt);
    }
    bool SetItemText(int index, const std::string& text) {
        return ChangeItem(index, [&](AnimationItem& item) { item.text = text; });
    }

    int AddString(const std::string& preview, const std::string& text, int frameCount, int ledId,
                  bool missing = false) {
        return InsertItem(GetItemCount(), AnimationItem{preview, text, frameCount, ledId, missing});
    }
    int GetItemLEDId(int index) const {
        const auto item = GetItem(index);
        return item ? item->ledId : 0;
    }
    int GetItemFrameSize(int index) const {
        const auto item = GetItem(index);
        return item ? item->frameCount : 0;
    }
    // Selects the entry of that animation (no event); false when none has it.
    bool SetItemLEDIdSelect(int ledId) {
        const int index = ReadItems([ledId](const auto& items, int) {
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i].ledId == ledId) {
                    return static_cast<int>(i);
                }
            }
            return -1;
        });
        return index >= 0 && SetCurSel(index);
    }
    bool SetFrameData(int index, const std::string& preview, int frameCount) {
        return ChangeItem(index, [&](AnimationItem& item) {
            item.preview = preview;
            item.frameCount = frameCount;
        });
    }

  private:
    mutable std::mutex renameMutex_;  // guards rename_
    std::optional<std::pair<int, std::string>> rename_;
};

}  // namespace zanvor
