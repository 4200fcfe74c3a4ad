#include "ui/AuroraEffect.h"

#include <algorithm>
#include <chrono>

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

void AuroraEffect::GetItemColors(std::vector<std::pair<int, uint32_t>>& out) const {
    std::lock_guard lock(mutex_);
    out.resize(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        out[i] = {items_[i].code, items_[i].color};
    }
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

void AuroraEffect::Initialize() {
    {
        std::lock_guard lock(mutex_);
        mode_ = kAuroraModeMusic;
        musicColor_ = 0x0000FF;
        colorful_ = true;
        layers_.fill(false);
        layers_[kLayerBase] = true;
        colorMap_.fill(0);
        for (auto& bar : barMap_) {
            bar.fill(0);
        }
        imagePath_.clear();
        picture_.reset();
        audio_ = AuroraAudio{};
        ripples_.clear();
        clockMs_ = 0;
        lastTickMs_ = -1;
    }
    NotifyChanged(kChangeSettings);
}

void AuroraEffect::SetAuroraMode(int mode) {
    {
        std::lock_guard lock(mutex_);
        if (mode_ == mode) {
            return;
        }
        mode_ = mode;
        ripples_.clear();
        sweepPhase_ = 0;
    }
    NotifyChanged(kChangeSettings);
}

int AuroraEffect::GetAuroraMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

void AuroraEffect::SetMusicColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        musicColor_ = color & 0xFFFFFF;
    }
    NotifyChanged(kChangeSettings);
}

uint32_t AuroraEffect::GetMusicColor() const {
    std::lock_guard lock(mutex_);
    return musicColor_;
}

void AuroraEffect::SetMusicColorful(bool colorful) {
    {
        std::lock_guard lock(mutex_);
        colorful_ = colorful;
    }
    NotifyChanged(kChangeSettings);
}

bool AuroraEffect::GetMusicColorful() const {
    std::lock_guard lock(mutex_);
    return colorful_;
}

ImageLoadResult AuroraEffect::SetGIFImage(const std::string& path) {
    auto picture = std::make_shared<EffectImage>();
    const ImageLoadResult result = LoadEffectImage(path, *picture);
    if (result != ImageLoadResult::kLoaded) {
        return result;
    }
    {
        std::lock_guard lock(mutex_);
        picture_ = std::move(picture);
        imagePath_ = path;
    }
    NotifyChanged(kChangeSettings);
    return result;
}

std::string AuroraEffect::GetImagePath() const {
    std::lock_guard lock(mutex_);
    return imagePath_;
}

void AuroraEffect::AddLightLayer(int layer, int, int, int, int) {
    if (layer < 1 || layer > kLightLayerCount) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        layers_[layer] = true;
    }
    NotifyChanged(kChangeSettings);
}

void AuroraEffect::DeleteLightLayer(int layer) {
    if (layer < 1 || layer > kLightLayerCount) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        layers_[layer] = false;
    }
    NotifyChanged(kChangeSettings);
}

bool AuroraEffect::HasLightLayer(int layer) const {
    std::lock_guard lock(mutex_);
    return layer >= 1 && layer <= kLightLayerCount && layers_[layer];
}

void AuroraEffect::SetColorMap(int column, int row, uint32_t color) {
    if (column < 0 || column >= kColorMapColumns || row < 0 || row >= kColorMapRows) {
        return;
    }
    std::lock_guard lock(mutex_);
    colorMap_[row * kColorMapColumns + column] = color;
}

uint32_t AuroraEffect::GetColorMap(int column, int row) const {
    if (column < 0 || column >= kColorMapColumns || row < 0 || row >= kColorMapRows) {
        return 0;
    }
    std::lock_guard lock(mutex_);
    return colorMap_[row * kColorMapColumns + column];
}

void AuroraEffect::SetBarColor(AuroraItemKind bar, int position, uint32_t color) {
    if (bar == AuroraItemKind::Key || position < 0 || position >= 32) {
        return;
    }
    std::lock_guard lock(mutex_);
    barMap_[static_cast<int>(bar) - 1][position] = color;
}

void AuroraEffect::SetExternalAudioData(float level, float peak, float average, int percent,
                                        float rms) {
    std::lock_guard lock(mutex_);
    audio_.level = level;
    audio_.peak = peak;
    audio_.average = average;
    audio_.percent = percent;
    audio_.rms = rms;
}

void AuroraEffect::SetFFTSpectrum(const float* bands32, const float* bands64) {
    std::lock_guard lock(mutex_);
    std::copy_n(bands32, audio_.bands32.size(), audio_.bands32.begin());
    std::copy_n(bands64, audio_.bands64.size(), audio_.bands64.begin());
}

void AuroraEffect::SetBeatData(bool beat, float strength, float tempo, float low, float mid,
                               float high) {
    std::lock_guard lock(mutex_);
    audio_.beat = beat;
    audio_.strength = strength;
    audio_.tempo = tempo;
    audio_.low = low;
    audio_.mid = mid;
    audio_.high = high;
}

AuroraAudio AuroraEffect::Audio() const {
    std::lock_guard lock(mutex_);
    return audio_;
}

namespace {

// Milliseconds since the previous call of the effect's wall clock (0 the first time; long
// pauses count as 250 ms so an effect does not jump).
double WallStep(double& lastTickMs) {
    using namespace std::chrono;
    const double now = duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
    const double step = lastTickMs < 0 ? 0 : std::min(now - lastTickMs, 250.0);
    lastTickMs = now;
    return step;
}

}  // namespace

void AuroraEffect::OnTimer() {
    double step;
    {
        std::lock_guard lock(mutex_);
        step = WallStep(lastTickMs_);
    }
    Step(step, true);
}

void AuroraEffect::DrawHideControl() {
    double step;
    {
        std::lock_guard lock(mutex_);
        step = WallStep(lastTickMs_);
    }
    Step(step, false);
}

void AuroraEffect::Advance(double ms) {
    Step(ms, true);
}

void AuroraEffect::Step(double ms, bool notify) {
    {
        std::lock_guard lock(mutex_);
        clockMs_ += ms;
        ComputeLocked(clockMs_);
    }
    if (notify) {
        NotifyChanged(kChangeColors);
    }
}

void AuroraEffect::UpdateControl() {
    NotifyChanged(kChangeColors);
}

}  // namespace zanvor
