#include "ui/KeyboardCtrl.h"

#include <algorithm>

namespace zanvor {

namespace {
bool Intersects(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
}  // namespace

KeyItem* KeyboardCtrl::Find(int code) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [code](const KeyItem& item) { return item.code == code; });
    return it == items_.end() ? nullptr : &*it;
}

const KeyItem* KeyboardCtrl::Find(int code) const {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [code](const KeyItem& item) { return item.code == code; });
    return it == items_.end() ? nullptr : &*it;
}

void KeyboardCtrl::ClearItem() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        selectKey_ = 0;
    }
    NotifyChanged(kChangeItems);
}

void KeyboardCtrl::SetKeyboardColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        keyboardColor_ = color;
    }
    NotifyChanged(kChangePicture);
}

uint32_t KeyboardCtrl::GetKeyboardColor() const {
    std::lock_guard lock(mutex_);
    return keyboardColor_;
}

void KeyboardCtrl::SetKeyboardImage(const std::string& image) {
    {
        std::lock_guard lock(mutex_);
        image_ = image;
    }
    NotifyChanged(kChangePicture);
}

std::string KeyboardCtrl::GetKeyboardImage() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void KeyboardCtrl::SetWidthAndHeight(int width, int height) {
    {
        std::lock_guard lock(mutex_);
        width_ = width;
        height_ = height;
    }
    NotifyChanged(kChangePicture);
}

int KeyboardCtrl::GetWidth() const {
    std::lock_guard lock(mutex_);
    return width_;
}

int KeyboardCtrl::GetHeight() const {
    std::lock_guard lock(mutex_);
    return height_;
}

void KeyboardCtrl::SetLightModeColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        lightModeColor_ = color;
    }
    NotifyChanged(kChangePicture);
}

uint32_t KeyboardCtrl::GetLightModeColor() const {
    std::lock_guard lock(mutex_);
    return lightModeColor_;
}

void KeyboardCtrl::AddKeyItem(const std::string& caption, const std::string& description, int code,
                              const Rect& rect, const std::string& icon, uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        KeyItem item;
        item.code = code;
        item.caption = caption;
        item.description = description;
        item.rect = rect;
        item.icon = icon;
        item.color = color;
        item.drawnAsKnob = code == 0xFF;
        items_.push_back(std::move(item));
    }
    NotifyChanged(kChangeItems);
}

bool KeyboardCtrl::SetKeyRemapped(int code, bool remapped) {
    {
        std::lock_guard lock(mutex_);
        KeyItem* item = Find(code);
        if (!item || item->remapped == remapped) {
            return item != nullptr;
        }
        item->remapped = remapped;
    }
    NotifyChanged(kChangeItems);
    return true;
}

bool KeyboardCtrl::SetKeyItemInfo(int code, const std::string& caption, int functionType,
                                  const std::string& note) {
    {
        std::lock_guard lock(mutex_);
        KeyItem* item = Find(code);
        if (!item) {
            return false;
        }
        item->functionCaption = caption;
        item->functionType = functionType;
        item->note = note;
    }
    NotifyChanged(kChangeItems);
    return true;
}

bool KeyboardCtrl::SetKeyColor(int code, uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        KeyItem* item = Find(code);
        if (!item) {
            return false;
        }
        item->color = color;
    }
    NotifyChanged(kChangeColors);
    return true;
}

void KeyboardCtrl::ResetAllItemsColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        for (KeyItem& item : items_) {
            item.color = color;
        }
    }
    NotifyChanged(kChangeColors);
}

void KeyboardCtrl::SetKeyColors(const std::vector<std::pair<int, uint32_t>>& colors) {
    {
        std::lock_guard lock(mutex_);
        for (const auto& [code, color] : colors) {
            if (KeyItem* item = Find(code)) {
                item->color = color;
            }
        }
    }
    NotifyChanged(kChangeColors);
}

void KeyboardCtrl::SetAllSelectColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        paintColor_ = color;
        for (KeyItem& item : items_) {
            if (item.selected) {
                item.color = color;
            }
        }
    }
    NotifyChanged(kChangeColors);
}

void KeyboardCtrl::SetPaintColor(uint32_t color) {
    std::lock_guard lock(mutex_);
    paintColor_ = color;
}

uint32_t KeyboardCtrl::GetPaintColor() const {
    std::lock_guard lock(mutex_);
    return paintColor_;
}

std::vector<KeyItem> KeyboardCtrl::GetKeyItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

bool KeyboardCtrl::GetKeyItem(int code, KeyItem& item) const {
    std::lock_guard lock(mutex_);
    const KeyItem* found = Find(code);
    if (!found) {
        return false;
    }
    item = *found;
    return true;
}

size_t KeyboardCtrl::ItemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void KeyboardCtrl::SetKeyboardCtrlMode(int mode) {
    {
        std::lock_guard lock(mutex_);
        mode_ = mode;
    }
    NotifyChanged(kChangePicture);
}

int KeyboardCtrl::GetKeyboardCtrlMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

void KeyboardCtrl::SetKeyEncoder(int position, int code) {
    {
        std::lock_guard lock(mutex_);
        if (position < 0 || static_cast<size_t>(position) >= items_.size()) {
            return;
        }
        KeyItem& item = items_[static_cast<size_t>(position)];
        item.drawnAsKnob = code == 0xFF || item.code == 0xFF;
    }
    NotifyChanged(kChangeItems);
}

int KeyboardCtrl::GetSelectKey() const {
    std::lock_guard lock(mutex_);
    return selectKey_;
}

void KeyboardCtrl::SetSelectKey(int code) {
    {
        std::lock_guard lock(mutex_);
        selectKey_ = code;
    }
    NotifyChanged(kChangeSelection);
}

void KeyboardCtrl::ResetAllItemCheck(int check) {
    {
        std::lock_guard lock(mutex_);
        for (KeyItem& item : items_) {
            item.selected = check != 0;
        }
        if (check == 0) {
            selectKey_ = 0;
        }
    }
    NotifyChanged(kChangeSelection);
}

void KeyboardCtrl::ResetTipKey() {
    NotifyChanged(kChangeSelection);
}

std::vector<int> KeyboardCtrl::GetSelectedKeys() const {
    std::lock_guard lock(mutex_);
    std::vector<int> codes;
    for (const KeyItem& item : items_) {
        if (item.selected) {
            codes.push_back(item.code);
        }
    }
    return codes;
}

void KeyboardCtrl::ClickKey(int code, bool add) {
    {
        std::lock_guard lock(mutex_);
        KeyItem* clicked = Find(code);
        if (!clicked) {
            return;
        }
        if (!add) {
            for (KeyItem& item : items_) {
                item.selected = false;
            }
        }
        clicked->selected = true;
        if (mode_ == kModePerKeyColor) {
            clicked->color = paintColor_;
        }
        // A key drawn as the knob answers as the knob.
        selectKey_ = clicked->drawnAsKnob ? 0xFF : clicked->code;
    }
    NotifyChanged(kChangeSelection);
    RaiseEvent(kEventKeyClicked);
}

void KeyboardCtrl::SelectArea(const Rect& area, bool add) {
    {
        std::lock_guard lock(mutex_);
        int first = 0;
        for (KeyItem& item : items_) {
            bool inside = Intersects(item.rect, area);
            if (inside) {
                if (first == 0) {
                    first = item.drawnAsKnob ? 0xFF : item.code;
                }
                item.selected = true;
                if (mode_ == kModePerKeyColor) {
                    item.color = paintColor_;
                }
            } else if (!add) {
                item.selected = false;
            }
        }
        // The first key of the area becomes the current key; an empty area clears it unless
        // the selection is being extended.
        if (first != 0 || !add) {
            selectKey_ = first;
        }
    }
    NotifyChanged(kChangeSelection);
    RaiseEvent(kEventAreaSelected);
}

int KeyboardCtrl::KeyAt(int x, int y) const {
    std::lock_guard lock(mutex_);
    for (const KeyItem& item : items_) {
        if (item.rect.Contains(x, y)) {
            return item.drawnAsKnob ? 0xFF : item.code;
        }
    }
    return 0;
}

}  // namespace zanvor
