#include "lighting/Visualizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zanvor {

namespace {

constexpr float kDecay = 0.8f;
constexpr int kSmoothing = 8;
constexpr int kHueStep = 5;
constexpr auto kIdlePause = std::chrono::milliseconds(500);
constexpr auto kFramePause = std::chrono::milliseconds(15);
// The waveform arrives multiplied by the capture's display gain (several hundred); scaled back
// by this the bars span their range for music at ordinary volume instead of all standing at
// full height.
constexpr float kInputScale = 1.0f / 256.0f;

uint64_t Pack(const VisualizerParams& p) {
    auto byte = [](int v) { return static_cast<uint64_t>(static_cast<uint8_t>(v)); };
    return byte(p.foreType) | byte(p.foreBrightness) << 8 | byte(p.backType) << 16 |
           byte(p.backBrightness) << 24;
}

VisualizerParams Unpack(uint64_t v) {
    VisualizerParams p;
    p.foreType = static_cast<int>(v & 0xFF);
    p.foreBrightness = static_cast<int>((v >> 8) & 0xFF);
    p.backType = static_cast<int>((v >> 16) & 0xFF);
    p.backBrightness = static_cast<int>((v >> 24) & 0xFF);
    return p;
}

}  // namespace

Visualizer::Visualizer() : params_(Pack(VisualizerParams{})) {
    for (int i = 0; i < kBarCount; ++i) {
        tilt_[i] = 0.04f + 0.5f * static_cast<float>(i) / 256.0f;
        hann_[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * i / 256.0)));
    }
}

Visualizer::~Visualizer() {
    Stop();
}

void Visualizer::Start() {
    if (running_.exchange(true)) {
        return;
    }
    thread_ = std::thread([this] { ThreadLoop(); });
}

void Visualizer::Stop() {
    {
        std::lock_guard lock(wakeMutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void Visualizer::SetActive(bool active) {
    {
        std::lock_guard lock(wakeMutex_);
        active_ = active;
    }
    wake_.notify_all();
}

void Visualizer::SetParams(const VisualizerParams& params) {
    params_ = Pack(params);
}

void Visualizer::ChangeParams(const std::function<void(VisualizerParams&)>& change) {
    uint64_t before = params_.load();
    uint64_t after;
    do {
        VisualizerParams params = Unpack(before);
        change(params);
        after = Pack(params);
    } while (!params_.compare_exchange_weak(before, after));
}

VisualizerParams Visualizer::Params() const {
    return Unpack(params_.load());
}

void Visualizer::SetInput(const float* wave, int count) {
    std::lock_guard lock(inputMutex_);
    const int n = std::clamp(count, 0, kWaveLength);
    std::copy(wave, wave + n, input_.begin());
    std::fill(input_.begin() + n, input_.end(), 0.0f);
    hasInput_ = true;
}

void Visualizer::ClearInput() {
    std::lock_guard lock(inputMutex_);
    input_.fill(0);
    hasInput_ = false;
}

void Visualizer::ThreadLoop() {
    std::unique_lock lock(wakeMutex_);
    while (running_.load()) {
        if (!active_.load()) {
            wake_.wait_for(lock, kIdlePause, [this] { return !running_.load() || active_.load(); });
            continue;
        }
        lock.unlock();
        RenderFrame();
        lock.lock();
        wake_.wait_for(lock, kFramePause, [this] { return !running_.load(); });
    }
}

void Visualizer::RenderFrame() {
    ComputeBars();
    DrawAndPublish();
}

void Visualizer::ComputeBars() {
    for (float& v : spectrum_) {
        v *= kDecay;
    }
    {
        std::lock_guard lock(inputMutex_);
        if (hasInput_) {
            samples_ = input_;
        } else {
            samples_.fill(0);
        }
    }
    for (float& sample : samples_) {
        sample *= kInputScale;
    }
    for (int i = 0; i < kBarCount; ++i) {
        samples_[i] *= hann_[i];
    }
    // Real FFT of 512 samples, packed as floats: [0] the DC term, [1] the Nyquist term, then
    // (re, im) of bins 1..255. Element 0 then takes element 2's value.
    const auto& bins = fft_.Forward(samples_.data());
    std::array<float, kBarCount> packed;
    packed[0] = bins[1].real();
    packed[1] = bins[kBarCount].real();
    for (int k = 1; k < kBarCount / 2; ++k) {
        packed[2 * k] = bins[k].real();
        packed[2 * k + 1] = bins[k].imag();
    }
    for (int i = 0; i < kBarCount; ++i) {
        packed[i] *= tilt_[i];
    }
    for (int k = 0; k < 64; ++k) {
        const float mag =
            std::sqrt(packed[2 * k] * packed[2 * k] + packed[2 * k + 1] * packed[2 * k + 1]);
        const float m = std::min(1.0f, 0.5f * std::log10(1.1f * mag) + 0.9f * mag);
        float& s = spectrum_[4 * k];
        s = std::max(s, m);
        if (s < 0) {
            s = 0;
        }
        spectrum_[4 * k + 1] = spectrum_[4 * k + 2] = spectrum_[4 * k + 3] = s;
    }
    // Smoothing in place: the edges average what lies inside, the middle runs a moving mean
    // that already sees the values written before it.
    constexpr int g = kSmoothing;
    for (int j = 0; j < g; ++j) {
        float sum = 0;
        for (int k = 0; k <= g + j; ++k) {
            sum += spectrum_[k];
        }
        spectrum_[j] = sum / static_cast<float>(g + j + 1);
        sum = 0;
        for (int k = kBarCount - 1 - g - j; k < kBarCount; ++k) {
            sum += spectrum_[k];
        }
        spectrum_[kBarCount - 1 - j] = sum / static_cast<float>(g + j + 1);
    }
    for (int j = g; j <= kBarCount - 1 - g; ++j) {
        float sum = spectrum_[j];
        for (int k = 1; k <= g; ++k) {
            sum += spectrum_[j - k] + spectrum_[j + k];
        }
        spectrum_[j] = sum / (2 * g + 1);
    }
    for (int i = 0; i < kBarCount; ++i) {
        bars_[i] += (spectrum_[i] - bars_[i]) * 1.0f;
    }
}

void Visualizer::DrawAndPublish() {
    if (hue_ >= 360) {
        hue_ = 0;
    } else if (hue_ < 0) {
        hue_ = 360;
    }
    const VisualizerParams params = Params();
    FillColourField(params.backType, params.backBrightness, hue_, background_);
    foreground_.fill(0);
    FillColourField(params.foreType, params.foreBrightness, hue_, foreground_);

    Output& back = outputs_[1 - finished_];  // never read: readers only see the finished one
    for (int y = 1; y < kImageRows; ++y) {
        const float height = static_cast<float>(64 - y) / 64.0f;
        for (int x = 0; x < kImageColumns; ++x) {
            PixelAt(back.composed, y, x) =
                height < bars_[x] ? PixelAt(foreground_, y, x) : PixelAt(background_, y, x);
        }
    }
    // The top row is a level meter growing from the middle with bar 5.
    const float v = bars_[5] - 0.05f;
    for (int x = 0; x < kImageColumns; ++x) {
        const bool lit = x >= 128 ? v > static_cast<float>(x - 128) / 128.0f
                                  : static_cast<float>(127 - x) / 128.0f < v;
        PixelAt(back.composed, 0, x) =
            lit ? PixelAt(foreground_, 0, x) : PixelAt(background_, 0, x);
    }
    back.background = background_;
    {
        std::lock_guard lock(outputMutex_);
        finished_ = 1 - finished_;
    }
    hue_ += kHueStep;
    ++frames_;
}

}  // namespace zanvor
