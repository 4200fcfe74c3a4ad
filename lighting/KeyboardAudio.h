#pragma once

// Audio capture for the music-reactive lighting: polls the sound server's capture every
// 16 ms on its own thread, computes the features and hands them to the effect control, the
// music renderer and the matrix screen. While nothing arrives (no sound server, a suspended
// device) it feeds silence, so the effects calm down instead of freezing.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lighting/AudioFeatures.h"
#include "platform/AudioLoopback.h"

namespace zanvor {

class AuroraEffect;
class Visualizer;

class KeyboardAudio {
  public:
    static constexpr int kPollMs = 16;
    // Polls without packets after which silence is fed (about 100 ms).
    static constexpr int kSilentAfterPolls = 6;

    // With no source given, captures through the sound server (PulseAudio).
    explicit KeyboardAudio(std::unique_ptr<AudioLoopback> source = nullptr);
    ~KeyboardAudio();
    KeyboardAudio(const KeyboardAudio&) = delete;
    KeyboardAudio& operator=(const KeyboardAudio&) = delete;

    // Who needs the capture: it runs while at least one of them does, so nothing is recorded
    // while no music effect runs.
    enum User : int { kUserAurora = 1, kUserMatrix = 2, kUserMonitor = 4 };
    void Use(User user, bool on);
    // The device captured when capture starts ("" follows the default playback device).
    void SetDevice(const std::string& device);

    // Starts capturing `device` ("" follows the default playback device) and the poll thread.
    void StartCapture(const std::string& device = "");
    // Stops the thread and the capture and zeroes the level features.
    void StopCapture();
    bool Capturing() const { return running_.load(); }
    // Captures another device ("" follows the default playback device).
    void SelectDevice(const std::string& device);

    CaptureStatus Status() const;
    bool ListDevices(std::vector<AudioDevice>& devices);

    // The waveform gain (the music layer's amplitude); 270 at start.
    void SetWaveGain(float gain);

    // Consumers, fed after every poll. Set them before StartCapture or while it runs.
    void SetAuroraEffect(AuroraEffect* effect);
    void SetVisualizer(Visualizer* visualizer);
    // The matrix screen's input: the seven bands, the master volume and the waveform.
    using MatrixInput = std::function<void(const float* bands, int bandCount, float masterVolume,
                                           const float* wave, int waveCount)>;
    void SetMatrixScreen(MatrixInput input);

    // A copy of the latest features, from any thread.
    AudioFeatureSnapshot Snapshot() const;

    // One poll of the capture thread: drains the packets waiting, computes and publishes.
    void ReadPackets();

  private:
    void ThreadLoop();
    void Publish();

    std::unique_ptr<AudioLoopback> source_;
    std::mutex useMutex_;  // guards users_, device_ and the start and stop of capture
    int users_ = 0;
    std::string device_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::mutex wakeMutex_;  // guards nothing but the poll thread's waits
    std::condition_variable wake_;

    // Poll thread only (ReadPackets).
    AudioFeatures features_;
    std::vector<float> packet_;
    std::vector<float> silence_;
    int emptyPolls_ = 0;
    std::atomic<float> waveGain_{kDefaultWaveGain};

    mutable std::mutex linkMutex_;  // guards the consumer links and snapshot_
    AuroraEffect* aurora_ = nullptr;
    Visualizer* visualizer_ = nullptr;
    MatrixInput matrix_;
    AudioFeatureSnapshot snapshot_;
};

}  // namespace zanvor
