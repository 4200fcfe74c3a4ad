#include "ui/ImageViewList.h"

#include <algorithm>

namespace zanvor {

int ImageViewList::AddString(const std::string& imageFile, int delay, int frameId,
                             const std::string& fileName) {
    return InsertItem(GetItemCount(), FrameItem{imageFile, imageFile, delay, frameId, fileName});
}

int ImageViewList::AddString(int position, const std::string& imageFile, int delay, int frameId,
                             const std::string& fileName) {
    return InsertItem(position + 1, FrameItem{imageFile, imageFile, delay, frameId, fileName});
}

std::string ImageViewList::GetItemImageFile(int index) const {
    const auto item = GetItem(index);
    return item ? item->imageFile : std::string();
}

std::string ImageViewList::GetItemEditImageFile(int index) const {
    const auto item = GetItem(index);
    return item ? item->editFile : std::string();
}

bool ImageViewList::UpdateItemImageFile(int index, const std::string& file) {
    return ChangeItem(index, [&](FrameItem& item) { item.editFile = file; });
}

int ImageViewList::GetItemDelayTime(int index) const {
    const auto item = GetItem(index);
    return item ? item->delay : 0;
}

bool ImageViewList::SetItemDelayTime(int index, int delay) {
    return ChangeItem(index, [delay](FrameItem& item) { item.delay = delay; });
}

void ImageViewList::SetDelayTime(int delay) {
    ChangeAll(
        [delay](std::vector<FrameItem>& items, int&) {
            for (FrameItem& item : items) {
                item.delay = delay;
            }
        },
        kChangeItem);
}

std::string ImageViewList::GetFrameItemName(int index) const {
    const auto item = GetItem(index);
    return item ? item->fileName : std::string();
}

bool ImageViewList::MoveItem(int from, int to) {
    const int count = GetItemCount();
    if (from < 0 || from >= count || to < 0 || to >= count) {
        return false;
    }
    if (from == to) {
        return true;
    }
    ChangeAll(
        [from, to](std::vector<FrameItem>& items, int& selected) {
            if (std::max(from, to) >= static_cast<int>(items.size())) {
                return;
            }
            FrameItem moved = std::move(items[static_cast<size_t>(from)]);
            items.erase(items.begin() + from);
            items.insert(items.begin() + to, std::move(moved));
            selected = to;
        },
        kChangeItems);
    RaiseEvent(kEventOrderChanged);
    return true;
}

bool ImageViewList::RequestDelayEdit(int index) {
    // Another frame is chosen first, as a click on it would, so the page switches to it.
    if (index != GetCurSel() && !Select(index)) {
        return false;
    }
    RaiseEvent(kEventDelayRequest);
    return true;
}

}  // namespace zanvor
