#pragma once

// The music renderer: turns the waveform from the audio capture into a 64 x 256 picture of
// spectrum bars over a background, on its own thread about every 15 ms. The worker samples
// the finished picture at the keys' grid cells.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "lighting/AudioFeatures.h"
#include "lighting/ColourFill.h"
#include "lighting/FftPlan.h"

namespace zanvor {

inline constexpr int kBarCount = 256;

// The parameters the music page sets, read by the renderer once per frame as one value.
struct VisualizerParams {
    int foreType = kFillRainbow;
    int foreBrightness = 100;
    int backType = kFillBlack;
    int backBrightness = 100;
};

class Visualizer {
  public:
    static constexpr const char* kInputName = "External Audio Source (KeyboardAudio)";

    Visualizer();
    ~Visualizer();
    Visualizer(const Visualizer&) = delete;
    Visualizer& operator=(const Visualizer&) = delete;

    // The renderer thread: draws while active, idles otherwise, until Stop.
    void Start();
    void Stop();
    bool Running() const { return running_.load(); }
    void SetActive(bool active);
    bool Active() const { return active_.load(); }

    // Any thread. The whole parameter set changes at once, between two frames.
    void SetParams(const VisualizerParams& params);
    VisualizerParams Params() const;
    // Changes some parameters; concurrent changes from several threads each take effect.
    void ChangeParams(const std::function<void(VisualizerParams&)>& change);

    // Capture thread: the 512-float waveform (copied).
    void SetInput(const float* wave, int count);
    void ClearInput();

    // One frame (the renderer thread's loop body; tests and benchmarks call it directly).
    void RenderFrame();
    // The frame drawn last: its composed picture and the background it was drawn over. The
    // callback runs under the output lock; keep it short.
    template <typename Reader>
    void ReadFinished(Reader reader) const {
        std::lock_guard lock(outputMutex_);
        const Output& out = outputs_[finished_];
        reader(out.composed, out.background);
    }
    uint64_t FramesDrawn() const { return frames_.load(); }

    // Renderer state, for tests and benchmarks on the calling thread (no renderer running).
    std::array<float, kBarCount>& Bars() { return bars_; }
    const std::array<float, kBarCount>& Spectrum() const { return spectrum_; }
    int Hue() const { return hue_; }
    // Steps 3-6 of a frame with the current bars: fills, composition, publication.
    void DrawAndPublish();
    void ComputeBars();

  private:
    struct Output {
        ColourImage composed{};
        ColourImage background{};
    };

    void ThreadLoop();

    std::atomic<bool> running_{false};
    std::atomic<bool> active_{false};
    std::atomic<uint64_t> params_;  // packed VisualizerParams
    std::atomic<uint64_t> frames_{0};
    std::thread thread_;
    std::mutex wakeMutex_;  // guards nothing but the waits of the renderer thread
    std::condition_variable wake_;

    mutable std::mutex inputMutex_;  // guards input_ and hasInput_
    std::array<float, kWaveLength> input_{};
    bool hasInput_ = false;

    // Renderer thread only.
    std::array<float, kWaveLength> samples_{};
    std::array<float, kBarCount> spectrum_{};
    std::array<float, kBarCount> bars_{};
    std::array<float, kBarCount> tilt_{};
    std::array<float, kBarCount> hann_{};
    FftPlan fft_{kWaveLength};
    int hue_ = 0;
    ColourImage background_{};
    ColourImage foreground_{};

    mutable std::mutex outputMutex_;  // guards finished_ and the finished output's contents
    std::array<Output, 2> outputs_{};
    int finished_ = 0;
};

}  // namespace zanvor
