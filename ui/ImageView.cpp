#include "ui/ImageView.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/Paths.h"
#include "ui/ImageServices.h"

namespace zanvor {

namespace {

constexpr uint32_t kBlack = 0;

// Edit files are named uniquely per process and run, so two pictures never share one.
std::string NewEditFileName() {
    static std::atomic<unsigned> counter{0};
    return "edit-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".png";
}

}  // namespace

void ImageView::Configure(ImageServices* services, const std::string& editFolder, int width,
                          int height) {
    std::lock_guard lock(mutex_);
    services_ = services;
    editFolder_ = editFolder;
    width_ = width;
    height_ = height;
}

void ImageView::SetImage(const std::string& file) {
    {
        std::lock_guard lock(mutex_);
        ScreenImage picture;
        if (services_ == nullptr || file.empty() || !services_->ReadPicture(file, picture)) {
            picture = ScreenImage();
        }
        // Stored frames are in the screen's size already; anything else is fitted.
        image_ = picture.width == width_ && picture.height == height_
                     ? std::move(picture)
                     : FitImage(picture, width_, height_);
        hasImage_ = !file.empty();
        editFile_.clear();
        undo_.clear();
        text_.clear();
        pressed_ = false;
    }
    NotifyChanged(kChangeImage);
}

void ImageView::DeleteAllItems() {
    {
        std::lock_guard lock(mutex_);
        image_ = ScreenImage();
        hasImage_ = false;
        editFile_.clear();
        undo_.clear();
        text_.clear();
        pressed_ = false;
        previewFrames_.clear();
    }
    NotifyChanged(kChangeImage);
    NotifyChanged(kChangePreview);
}

void ImageView::AddString(const std::string& file, int delay, int frameId) {
    {
        std::lock_guard lock(mutex_);
        previewFrames_.push_back(PreviewFrame{file, delay, frameId});
    }
    NotifyChanged(kChangePreview);
}

void ImageView::ClearPreviewFrames() {
    {
        std::lock_guard lock(mutex_);
        previewFrames_.clear();
    }
    NotifyChanged(kChangePreview);
}

void ImageView::SetImagePreviewMode(bool on) {
    {
        std::lock_guard lock(mutex_);
        preview_ = on;
        pressed_ = false;
    }
    NotifyChanged(kChangePreview);
}

void ImageView::SetDrawMode(int mode) {
    {
        std::lock_guard lock(mutex_);
        mode_ = mode;
    }
    NotifyChanged(kChangeTools);
}

void ImageView::SetFontSize(int size) {
    {
        std::lock_guard lock(mutex_);
        fontSize_ = std::max(size, 1);
    }
    NotifyChanged(kChangeTools);
}

void ImageView::SetColorValue(uint32_t colour) {
    {
        std::lock_guard lock(mutex_);
        colour_ = colour & 0xFFFFFF;
    }
    NotifyChanged(kChangeTools);
}

void ImageView::SetShowGridLine(bool on) {
    {
        std::lock_guard lock(mutex_);
        grid_ = on;
    }
    NotifyChanged(kChangeTools);
}

void ImageView::BeginEditLocked() {
    undo_.push_back(image_);
    if (undo_.size() > kUndoDepth) {
        undo_.erase(undo_.begin());
    }
}

void ImageView::FinishEdit() {
    NotifyChanged(kChangeImage);
    SaveImageData();
    RaiseEvent(kEventEditFinished);
}

bool ImageView::AddText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!hasImage_ || preview_ || services_ == nullptr || text.empty()) {
            return false;
        }
        ScreenImage lettered = image_;
        if (!services_->DrawText(lettered, text, fontSize_, colour_, width_ / 2, height_ / 2)) {
            return false;
        }
        BeginEditLocked();
        beforeText_ = image_;
        image_ = std::move(lettered);
        text_ = text;
    }
    FinishEdit();
    return true;
}

bool ImageView::RecoverCurEdit() {
    {
        std::lock_guard lock(mutex_);
        if (undo_.empty() || preview_) {
            return false;
        }
        image_ = std::move(undo_.back());
        undo_.pop_back();
        text_.clear();
        pressed_ = false;
    }
    FinishEdit();
    return true;
}

bool ImageView::SaveImageData() {
    std::lock_guard lock(mutex_);
    if (!hasImage_ || services_ == nullptr || (editFile_.empty() && undo_.empty())) {
        return false;
    }
    if (editFile_.empty()) {
        if (!CreateFolders(editFolder_)) {
            return false;
        }
        editFile_ = editFolder_ + NewEditFileName();
    }
    return services_->WritePicture(editFile_, image_);
}

bool ImageView::SaveCurrentImage(const std::string& file) {
    std::lock_guard lock(mutex_);
    return hasImage_ && services_ != nullptr && services_->WritePicture(file, image_);
}

std::string ImageView::GetEditImageFile() const {
    std::lock_guard lock(mutex_);
    return editFile_;
}

ScreenImage ImageView::Image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

bool ImageView::HasImage() const {
    std::lock_guard lock(mutex_);
    return hasImage_;
}

int ImageView::GetDrawMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

uint32_t ImageView::GetColorValue() const {
    std::lock_guard lock(mutex_);
    return colour_;
}

int ImageView::GetFontSize() const {
    std::lock_guard lock(mutex_);
    return fontSize_;
}

bool ImageView::ShowGridLine() const {
    std::lock_guard lock(mutex_);
    return grid_;
}

bool ImageView::PreviewMode() const {
    std::lock_guard lock(mutex_);
    return preview_;
}

std::vector<ImageView::PreviewFrame> ImageView::PreviewFrames() const {
    std::lock_guard lock(mutex_);
    return previewFrames_;
}

bool ImageView::CanUndo() const {
    std::lock_guard lock(mutex_);
    return !undo_.empty();
}

int ImageView::Width() const {
    std::lock_guard lock(mutex_);
    return width_;
}

int ImageView::Height() const {
    std::lock_guard lock(mutex_);
    return height_;
}

void ImageView::PressAt(int x, int y) {
    {
        std::lock_guard lock(mutex_);
        if (!hasImage_ || preview_) {
            return;
        }
        if (mode_ == kModeText) {
            if (text_.empty() || services_ == nullptr) {
                return;
            }
            ScreenImage moved = beforeText_;
            services_->DrawText(moved, text_, fontSize_, colour_, x, y);
            image_ = std::move(moved);
        } else {
            BeginEditLocked();
            // Pen and eraser strokes fix a text in place.
            text_.clear();
            const bool eraser = mode_ == kModeEraser;
            DrawDot(image_, x, y, eraser ? kEraserSize : kPenSize, eraser ? kBlack : colour_);
        }
        pressed_ = true;
        lastX_ = x;
        lastY_ = y;
    }
    NotifyChanged(kChangeImage);
}

void ImageView::DragTo(int x, int y) {
    {
        std::lock_guard lock(mutex_);
        if (!pressed_ || (x == lastX_ && y == lastY_)) {
            return;
        }
        if (mode_ == kModeText) {
            ScreenImage moved = beforeText_;
            services_->DrawText(moved, text_, fontSize_, colour_, x, y);
            image_ = std::move(moved);
        } else {
            const bool eraser = mode_ == kModeEraser;
            DrawLine(image_, lastX_, lastY_, x, y, eraser ? kEraserSize : kPenSize,
                     eraser ? kBlack : colour_);
        }
        lastX_ = x;
        lastY_ = y;
    }
    NotifyChanged(kChangeImage);
}

void ImageView::Release() {
    {
        std::lock_guard lock(mutex_);
        if (!pressed_) {
            return;
        }
        pressed_ = false;
    }
    FinishEdit();
}

template <typename Edit>
void ImageView::ApplyEdit(Edit edit) {
    {
        std::lock_guard lock(mutex_);
        if (!hasImage_ || preview_) {
            return;
        }
        BeginEditLocked();
        text_.clear();
        edit(image_);
    }
    FinishEdit();
}

void ImageView::ClearImage() {
    ApplyEdit(
        [](ScreenImage& image) { image = ScreenImage::Filled(image.width, image.height, kBlack); });
}

void ImageView::FillImage() {
    const uint32_t colour = GetColorValue();
    ApplyEdit([colour](ScreenImage& image) {
        image = ScreenImage::Filled(image.width, image.height, colour);
    });
}

void ImageView::MirrorImage(bool leftToRight) {
    ApplyEdit([leftToRight](ScreenImage& image) {
        leftToRight ? MirrorHorizontally(image) : MirrorVertically(image);
    });
}

void ImageView::InvertImage() {
    ApplyEdit([](ScreenImage& image) { InvertColours(image); });
}

void ImageView::PasteImage(const ScreenImage& picture) {
    ApplyEdit(
        [&picture](ScreenImage& image) { image = FitImage(picture, image.width, image.height); });
}

}  // namespace zanvor
