#include "ui/MatrixScreen.h"

#include <algorithm>
#include <chrono>

namespace zanvor {

namespace {

// The speed slider's value at which the animations run at their own pace.
constexpr double kNaturalSpeed = 3.0;
constexpr double kSlowestSpeed = 0.25;
// The amplitude slider's value that shows the sound as it is.
constexpr float kNaturalAmplitude = 50.0f;
// A pause longer than this (the picture was not shown) does not jump the animation ahead.
constexpr double kLongestStepMs = 250.0;

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

MatrixScreen::MatrixScreen(int controlId) : ControlModel(controlId) {
    DrawLocked();
}

void MatrixScreen::SetPresetMode(int preset) {
    {
        std::lock_guard lock(mutex_);
        if (preset_ == preset) {
            return;
        }
        preset_ = preset;
        state_ = MatrixPresetState{};
        state_.lastSeconds = input_.seconds;
        DrawLocked();
    }
    NotifyChanged(kChangeSettings);
    NotifyChanged(kChangeColors);
}

int MatrixScreen::GetPresetMode() const {
    std::lock_guard lock(mutex_);
    return preset_;
}

void MatrixScreen::SetBrightness(float fraction) {
    {
        std::lock_guard lock(mutex_);
        input_.brightness = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
        DrawLocked();
    }
    NotifyChanged(kChangeColors);
}

void MatrixScreen::SetAnimationSpeed(int speed) {
    std::lock_guard lock(mutex_);
    speed_ = speed;
}

void MatrixScreen::SetAudioAmplitude(float amplitude) {
    std::lock_guard lock(mutex_);
    amplitude_ = std::clamp(amplitude, 0.0f, 100.0f);
    input_.gain = amplitude_ / kNaturalAmplitude;
}

void MatrixScreen::SetMatrixScreenColor(uint32_t color) {
    {
        std::lock_guard lock(mutex_);
        input_.color = color & 0xFFFFFF;
        DrawLocked();
    }
    NotifyChanged(kChangeColors);
}

void MatrixScreen::SetMatrixScreenColorful(bool colorful) {
    {
        std::lock_guard lock(mutex_);
        input_.colorful = colorful;
        DrawLocked();
    }
    NotifyChanged(kChangeColors);
}

void MatrixScreen::SetAudioData(const float* bands, int count) {
    std::lock_guard lock(mutex_);
    input_.bands.fill(0);
    const int n = std::clamp(count, 0, kMatrixBandCount);
    std::copy(bands, bands + n, input_.bands.begin());
}

void MatrixScreen::SetMasterVolume(float volume) {
    std::lock_guard lock(mutex_);
    input_.volume = std::max(0.0f, volume);
}

void MatrixScreen::SetInputWave(const float* wave, int count) {
    std::lock_guard lock(mutex_);
    input_.wave.fill(0);
    // The newest values are at the end: a shorter wave fills the end of ours.
    const int n = std::clamp(count, 0, kMatrixWaveLength);
    std::copy(wave + (count - n), wave + count, input_.wave.end() - n);
}

std::vector<MatrixItem> MatrixScreen::GetKeyItems() const {
    std::lock_guard lock(mutex_);
    std::vector<MatrixItem> items(kMatrixLedCount);
    for (int i = 0; i < kMatrixLedCount; ++i) {
        items[i] = {i, colors_[i]};
    }
    return items;
}

MatrixFrame MatrixScreen::Colors() const {
    std::lock_guard lock(mutex_);
    return colors_;
}

void MatrixScreen::SetColors(const MatrixFrame& colors) {
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < kMatrixLedCount; ++i) {
            colors_[i] = colors[i] & 0xFFFFFF;
        }
        painted_.reset();
    }
    NotifyChanged(kChangeColors);
}

MatrixFrame MatrixScreen::MergeUnpainted(const MatrixFrame& keyboard) {
    MatrixFrame shown;
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < kMatrixLedCount; ++i) {
            if (!painted_[i]) {
                colors_[i] = keyboard[i] & 0xFFFFFF;
            }
        }
        painted_.reset();
        shown = colors_;
    }
    NotifyChanged(kChangeColors);
    return shown;
}

bool MatrixScreen::PaintLed(int index) {
    if (index < 0 || index >= kMatrixLedCount) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        colors_[index] = input_.color;
        painted_.set(index);
    }
    NotifyChanged(kChangeColors);
    return true;
}

void MatrixScreen::OnTimer() {
    {
        std::lock_guard lock(mutex_);
        const double now = NowMs();
        const double elapsed = lastTickMs_ < 0 ? 0 : now - lastTickMs_;
        lastTickMs_ = now;
        if (!IsMatrixLivePreset(preset_)) {
            return;
        }
        StepLocked(std::min(elapsed, kLongestStepMs));
    }
    NotifyChanged(kChangeColors);
}

void MatrixScreen::Advance(double ms) {
    {
        std::lock_guard lock(mutex_);
        if (!IsMatrixLivePreset(preset_)) {
            return;
        }
        StepLocked(ms);
    }
    NotifyChanged(kChangeColors);
}

void MatrixScreen::StepLocked(double ms) {
    const double speed = std::max(kSlowestSpeed, speed_ / kNaturalSpeed);
    input_.seconds += std::max(0.0, ms) / 1000.0 * speed;
    DrawLocked();
}

void MatrixScreen::DrawLocked() {
    // The painted colours are the user's: nothing is drawn over them.
    if (preset_ != kMatrixPresetPainted) {
        DrawMatrixPreset(preset_, input_, state_, colors_);
    }
}

}  // namespace zanvor
