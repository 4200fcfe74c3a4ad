#pragma once

// The PulseAudio client of AudioLoopback (platform/AudioLoopback.h); private to its two source
// files. Everything that touches the server runs on the threaded main loop's own thread
// (callbacks) or under its lock (calls from other threads).

#include <pulse/pulseaudio.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioLoopback.h"

namespace zanvor::pulse {

inline constexpr int kRate = 48000;
inline constexpr int kChannels = 2;
inline constexpr size_t kMaxQueuedFrames = kRate;  // one second; older packets are dropped
inline constexpr int kFirstRetryMs = 250;
inline constexpr int kLongestRetryMs = 5000;
inline constexpr int kStreamRetryMs = 500;

class PulseLoopback final : public AudioLoopback {
  public:
    explicit PulseLoopback(std::string clientName) : clientName_(std::move(clientName)) {}
    ~PulseLoopback() override { Stop(); }

    void Start(const std::string& device) override;
    void SelectDevice(const std::string& device) override;
    void Stop() override;
    size_t ReadPacket(std::vector<float>& frames) override;
    int SampleRate() const override { return kRate; }
    int Channels() const override { return kChannels; }
    CaptureStatus Status() const override;
    bool ListDevices(std::vector<AudioDevice>& devices) override;

  private:
    // Main loop thread (or under its lock).
    void Connect();
    void TearDownContext();
    void TearDownStream();
    void ScheduleRetry(int delayMs, bool reconnect);
    void Resolve();
    void OnTarget(const std::string& source, const std::string& device,
                  const std::string& description, bool followsDefault);
    void OpenStream(const std::string& source);
    void SetStatus(const std::function<void(CaptureStatus&)>& change);

    static void OnContextState(pa_context* context, void* self);
    static void OnSubscription(pa_context* context, pa_subscription_event_type_t type,
                               uint32_t index, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnStreamRead(pa_stream* stream, size_t bytes, void* self);
    static void OnTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                        void* self);

    const std::string clientName_;
    pa_threaded_mainloop* loop_ = nullptr;

    // Owned by the main loop thread (or whoever holds its lock).
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* timer_ = nullptr;
    bool timerReconnects_ = false;
    int retryMs_ = kFirstRetryMs;
    std::string requested_;     // "" follows the default sink
    std::string streamSource_;  // the source the open stream records
    uint64_t generation_ = 0;   // answers to older questions are ignored
    bool stopping_ = false;

    mutable std::mutex statusMutex_;  // guards status_
    CaptureStatus status_;

    std::mutex dataMutex_;  // guards packets_ and queuedFrames_
    std::deque<std::vector<float>> packets_;
    size_t queuedFrames_ = 0;
};

}  // namespace zanvor::pulse
