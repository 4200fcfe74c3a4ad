#include "ui/AuroraEffect.h"

namespace zanvor {

void AuroraEffect::ClearItem() {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
    }
    NotifyChanged(kChangeItems);
}

void AuroraEffect::SetKeyboardImage(const std::string& image) {
    {
        std::lock_guard lock(mutex_);
        image_ = image;
    }
    NotifyChanged(kChangePicture);
}

std::string AuroraEffect::GetKeyboardImage() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void AuroraEffect::SetWidthAndHeight(int width, int height) {
    {
        std::lock_guard lock(mutex_);
        width_ = width;
        height_ = height;
    }
    NotifyChanged(kChangePicture);
}

int AuroraEffect::GetWidth() const {
    std::lock_guard lock(mutex_);
    return width_;
}

int AuroraEffect::GetHeight() const {
    std::lock_guard lock(mutex_);
    return height_;
}

void AuroraEffect::AddKeyItem(const std::string& caption, int code, const Rect& rect, int row,
                              int column, AuroraItemKind kind) {
    {
        std::lock_guard lock(mutex_);
        AuroraItem item;
        item.code = code;
        item.caption = caption;
        item.rect = rect;
        item.row = row;
        item.column = column;
        item.kind = kind;
        items_.push_back(std::move(item));
    }
    NotifyChanged(kChangeItems);
}

std::vector<AuroraItem> AuroraEffect::GetKeyItems() const {
    std::lock_guard lock(mutex_);
    return items_;
}

size_t AuroraEffect::ItemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

bool AuroraEffect::SetItemColor(int code, uint32_t color) {
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        for (AuroraItem& item : items_) {
            if (item.code == code) {
                item.color = color;
                found = true;
            }
        }
    }
    if (found) {
        NotifyChanged(kChangeColors);
    }
    return found;
}

}  // namespace zanvor
