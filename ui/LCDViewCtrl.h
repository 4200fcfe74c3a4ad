#pragma once

#include <string>

#include "ui/ItemListModel.h"

namespace zanvor {

// One slot of the keyboard's screen: the picture of what it holds and two lines of text
// (its frame count and its capacity).
struct ScreenSlotItem {
    std::string image;
    std::string firstText;
    std::string secondText;
};

// The slot view of the screen page (LCDViewCtrl): the keyboard's screen slots; the user's
// choice raises kEventSelectionChanged.
class LCDViewCtrl : public ItemListModel<ScreenSlotItem> {
  public:
    explicit LCDViewCtrl(int controlId = 0) : ItemListModel(controlId) {}

    int AddItem(const std::string& image, const std::string& firstText,
                const std::string& secondText) {
        return InsertItem(GetItemCount(), ScreenSlotItem{image, firstText, secondText});
    }
    bool SetItemInfo(int index, const std::string& image, const std::string& firstText,
                     const std::string& secondText) {
        return ChangeItem(index, [&](ScreenSlotItem& item) {
            item = ScreenSlotItem{image, firstText, secondText};
        });
    }
};

}  // namespace zanvor
