// The PulseAudio client of AudioLoopback. Everything that touches the server runs on the
// threaded main loop's own thread (callbacks) or under its lock (calls from other threads).

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/AudioLoopback.h"
#include "platform/Trace.h"

namespace zanvor {

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr size_t kMaxQueuedFrames = kRate;  // one second; older packets are dropped
constexpr int kFirstRetryMs = 250;
constexpr int kLongestRetryMs = 5000;
constexpr int kStreamRetryMs = 500;

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

void PulseLoopback::Start(const std::string& device) {
    if (loop_ != nullptr) {
        SelectDevice(device);
        return;
    }
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        SetStatus([](CaptureStatus& s) { s.error = "no PulseAudio main loop"; });
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    requested_ = device;
    stopping_ = false;
    Connect();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_start(loop_);
}

void PulseLoopback::SelectDevice(const std::string& device) {
    if (loop_ == nullptr) {
        Start(device);
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    requested_ = device;
    if (context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY) {
        Resolve();
    }
    pa_threaded_mainloop_unlock(loop_);
}

void PulseLoopback::Stop() {
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    stopping_ = true;
    TearDownStream();
    TearDownContext();
    if (timer_ != nullptr) {
        pa_threaded_mainloop_get_api(loop_)->time_free(timer_);
        timer_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    SetStatus([](CaptureStatus& s) { s = CaptureStatus{}; });
    std::lock_guard lock(dataMutex_);
    packets_.clear();
    queuedFrames_ = 0;
}

void PulseLoopback::Connect() {
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName_.c_str());
    if (context_ == nullptr) {
        ScheduleRetry(retryMs_, true);
        return;
    }
    pa_context_set_state_callback(context_, &PulseLoopback::OnContextState, this);
    pa_context_set_subscribe_callback(context_, &PulseLoopback::OnSubscription, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        TearDownContext();
        ScheduleRetry(retryMs_, true);
    }
}

void PulseLoopback::TearDownContext() {
    if (context_ == nullptr) {
        return;
    }
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
    ++generation_;
}

void PulseLoopback::TearDownStream() {
    if (stream_ != nullptr) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    streamSource_.clear();
    SetStatus([](CaptureStatus& s) { s.capturing = false; });
}

void PulseLoopback::ScheduleRetry(int delayMs, bool reconnect) {
    if (stopping_) {
        return;
    }
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    struct timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(delayMs) * 1000);
    // A reconnection outranks a pending stream retry: it resolves the device anew anyway.
    timerReconnects_ = timerReconnects_ || reconnect;
    if (timer_ != nullptr) {
        api->time_restart(timer_, &when);
    } else {
        timer_ = api->time_new(api, &when, &PulseLoopback::OnTimer, this);
    }
}

void PulseLoopback::OnTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                            void* self) {
    auto* me = static_cast<PulseLoopback*>(self);
    api->time_free(event);
    me->timer_ = nullptr;
    const bool reconnect = me->timerReconnects_;
    me->timerReconnects_ = false;
    if (me->stopping_) {
        return;
    }
    if (reconnect || me->context_ == nullptr) {
        me->Connect();
    } else if (pa_context_get_state(me->context_) == PA_CONTEXT_READY) {
        me->Resolve();
    }
}

void PulseLoopback::OnContextState(pa_context* context, void* self) {
    auto* me = static_cast<PulseLoopback*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            me->retryMs_ = kFirstRetryMs;
            me->SetStatus([](CaptureStatus& s) {
                s.serverConnected = true;
                s.error.clear();
            });
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER |
                                                                  PA_SUBSCRIPTION_MASK_SINK |
                                                                  PA_SUBSCRIPTION_MASK_SOURCE);
            if (pa_operation* op = pa_context_subscribe(context, mask, nullptr, nullptr)) {
                pa_operation_unref(op);
            }
            me->Resolve();
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: {
            // The server went away (or never was there): capture nothing and try again later,
            // waiting longer each time so an absent server costs nothing.
            Trace("audio: sound server lost, retrying in %d ms\n", me->retryMs_);
            me->TearDownStream();
            me->TearDownContext();
            me->SetStatus([](CaptureStatus& s) {
                s.serverConnected = false;
                s.capturing = false;
                s.error = "sound server not reachable";
            });
            me->ScheduleRetry(me->retryMs_, true);
            me->retryMs_ = std::min(kLongestRetryMs, me->retryMs_ * 2);
            break;
        }
        default:
            break;
    }
    pa_threaded_mainloop_signal(me->loop_, 0);
}

void PulseLoopback::OnSubscription(pa_context*, pa_subscription_event_type_t type, uint32_t,
                                   void* self) {
    auto* me = static_cast<PulseLoopback*>(self);
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    // A new default sink, or a device coming or going: capture what is wanted now.
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER ||
        ((facility == PA_SUBSCRIPTION_EVENT_SINK || facility == PA_SUBSCRIPTION_EVENT_SOURCE) &&
         kind != PA_SUBSCRIPTION_EVENT_CHANGE)) {
        me->Resolve();
    }
}

// Finds the source to record: the monitor of the default sink, or the picked sink's monitor,
// or the picked source. A picked device that does not exist falls back to the default sink.
void PulseLoopback::Resolve() {
    if (context_ == nullptr) {
        return;
    }
    struct Query {
        PulseLoopback* me;
        uint64_t generation;
        std::string name;
        bool followsDefault;
        bool found = false;
    };
    const uint64_t generation = ++generation_;

    auto askSink = [this](Query* query) {
        pa_operation* op = pa_context_get_sink_info_by_name(
            context_, query->name.c_str(),
            [](pa_context* context, const pa_sink_info* info, int eol, void* data) {
                auto* q = static_cast<Query*>(data);
                PulseLoopback* me = q->me;
                if (info != nullptr && q->generation == me->generation_) {
                    q->found = true;
                    me->OnTarget(info->monitor_source_name, info->name,
                                 info->description != nullptr ? info->description : info->name,
                                 q->followsDefault);
                }
                if (eol == 0) {
                    return;
                }
                if (q->found || q->generation != me->generation_) {
                    delete q;
                    return;
                }
                // Not a sink: perhaps a source the user picked.
                pa_operation* next = pa_context_get_source_info_by_name(
                    context, q->name.c_str(),
                    [](pa_context*, const pa_source_info* source, int end, void* d) {
                        auto* q2 = static_cast<Query*>(d);
                        PulseLoopback* me2 = q2->me;
                        if (source != nullptr && q2->generation == me2->generation_) {
                            q2->found = true;
                            me2->OnTarget(
                                source->name, source->name,
                                source->description != nullptr ? source->description : source->name,
                                false);
                        }
                        if (end == 0) {
                            return;
                        }
                        if (!q2->found && q2->generation == me2->generation_) {
                            me2->OnTarget("", q2->name, "", q2->followsDefault);
                        }
                        delete q2;
                    },
                    q);
                if (next != nullptr) {
                    pa_operation_unref(next);
                } else {
                    delete q;
                }
            },
            query);
        if (op != nullptr) {
            pa_operation_unref(op);
        } else {
            delete query;
        }
    };

    if (!requested_.empty()) {
        askSink(new Query{this, generation, requested_, false});
        return;
    }
    struct ServerQuery {
        PulseLoopback* me;
        uint64_t generation;
        std::function<void(Query*)> askSink;
    };
    auto* serverQuery = new ServerQuery{this, generation, askSink};
    pa_operation* op = pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* info, void* data) {
            auto* sq = static_cast<ServerQuery*>(data);
            PulseLoopback* me = sq->me;
            if (sq->generation == me->generation_) {
                const char* sink = info != nullptr ? info->default_sink_name : nullptr;
                if (sink != nullptr && *sink != '\0') {
                    sq->askSink(new Query{me, sq->generation, sink, true});
                } else {
                    me->OnTarget("", "", "", true);
                }
            }
            delete sq;
        },
        serverQuery);
    if (op != nullptr) {
        pa_operation_unref(op);
    } else {
        delete serverQuery;
    }
}

void PulseLoopback::OnTarget(const std::string& source, const std::string& device,
                             const std::string& description, bool followsDefault) {
    if (source.empty()) {
        if (!requested_.empty()) {
            // The picked device is not there (unplugged?): follow the default meanwhile.
            const std::string wanted = requested_;
            requested_.clear();
            Resolve();
            requested_ = wanted;
            return;
        }
        TearDownStream();
        SetStatus([](CaptureStatus& s) {
            s.device.clear();
            s.description.clear();
            s.error = "no playback device";
        });
        return;
    }
    SetStatus([&](CaptureStatus& s) {
        s.device = device;
        s.description = description;
        s.followsDefault = followsDefault;
        s.error =
            requested_.empty() || requested_ == device ? "" : "device not found: " + requested_;
    });
    if (stream_ != nullptr && source == streamSource_) {
        return;  // already recording it
    }
    OpenStream(source);
}

void PulseLoopback::OpenStream(const std::string& source) {
    TearDownStream();
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = kRate;
    spec.channels = kChannels;
    stream_ = pa_stream_new(context_, "Keyboard lighting", &spec, nullptr);
    if (stream_ == nullptr) {
        ScheduleRetry(kStreamRetryMs, false);
        return;
    }
    pa_stream_set_state_callback(stream_, &PulseLoopback::OnStreamState, this);
    pa_stream_set_read_callback(stream_, &PulseLoopback::OnStreamRead, this);
    pa_buffer_attr attr;
    std::memset(&attr, 0xFF, sizeof attr);  // (uint32_t)-1: the server's choice
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(10000, &spec));  // 10 ms packets
    // Listening must not keep an idle sound card awake; while it sleeps nothing arrives and
    // the effects fall silent.
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
    if (pa_stream_connect_record(stream_, source.c_str(), &attr, flags) < 0) {
        TearDownStream();
        ScheduleRetry(kStreamRetryMs, false);
        return;
    }
    streamSource_ = source;
}

void PulseLoopback::OnStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseLoopback*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            me->SetStatus([](CaptureStatus& s) { s.capturing = true; });
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            // The device went away under the stream: look again shortly.
            if (stream == me->stream_) {
                me->TearDownStream();
                me->ScheduleRetry(kStreamRetryMs, false);
            }
            break;
        default:
            break;
    }
}

void PulseLoopback::OnStreamRead(pa_stream* stream, size_t, void* self) {
    auto* me = static_cast<PulseLoopback*>(self);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        if (data != nullptr) {
            const size_t frames = bytes / (sizeof(float) * kChannels);
            const auto* samples = static_cast<const float*>(data);
            std::vector<float> packet(samples, samples + frames * kChannels);
            std::lock_guard lock(me->dataMutex_);
            me->queuedFrames_ += frames;
            me->packets_.push_back(std::move(packet));
            while (me->queuedFrames_ > kMaxQueuedFrames && !me->packets_.empty()) {
                me->queuedFrames_ -= me->packets_.front().size() / kChannels;
                me->packets_.pop_front();
            }
        }
        pa_stream_drop(stream);
    }
}

size_t PulseLoopback::ReadPacket(std::vector<float>& frames) {
    std::lock_guard lock(dataMutex_);
    if (packets_.empty()) {
        return 0;
    }
    frames.swap(packets_.front());
    packets_.pop_front();
    const size_t count = frames.size() / kChannels;
    queuedFrames_ -= count;
    return count;
}

void PulseLoopback::SetStatus(const std::function<void(CaptureStatus&)>& change) {
    std::lock_guard lock(statusMutex_);
    change(status_);
}

CaptureStatus PulseLoopback::Status() const {
    std::lock_guard lock(statusMutex_);
    return status_;
}

bool PulseLoopback::ListDevices(std::vector<AudioDevice>& devices) {
    devices.clear();
    if (loop_ == nullptr) {
        Start("");
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!Status().serverConnected) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    struct Collect {
        pa_threaded_mainloop* loop;
        std::vector<AudioDevice>* devices;
        std::string defaultSink;
        std::string defaultSource;
    };
    Collect collect{loop_, &devices, {}, {}};
    auto wait = [this](pa_operation* op) {
        if (op == nullptr) {
            return false;
        }
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
            pa_threaded_mainloop_wait(loop_);
        }
        const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
        return done;
    };
    // The context can go while an answer is awaited (the lock is released while waiting).
    auto ready = [this] {
        return context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY;
    };
    pa_threaded_mainloop_lock(loop_);
    bool ok = ready() && wait(pa_context_get_server_info(
                             context_,
                             [](pa_context*, const pa_server_info* info, void* data) {
                                 auto* c = static_cast<Collect*>(data);
                                 if (info != nullptr) {
                                     c->defaultSink =
                                         info->default_sink_name ? info->default_sink_name : "";
                                     c->defaultSource =
                                         info->default_source_name ? info->default_source_name : "";
                                 }
                                 pa_threaded_mainloop_signal(c->loop, 0);
                             },
                             &collect));
    ok = ok && ready() &&
         wait(pa_context_get_sink_info_list(
             context_,
             [](pa_context*, const pa_sink_info* info, int, void* data) {
                 auto* c = static_cast<Collect*>(data);
                 if (info != nullptr) {
                     AudioDevice d;
                     d.name = info->name;
                     d.description = info->description ? info->description : info->name;
                     d.sink = true;
                     d.isDefault = d.name == c->defaultSink;
                     c->devices->push_back(d);
                 }
                 pa_threaded_mainloop_signal(c->loop, 0);
             },
             &collect));
    ok = ok && ready() &&
         wait(pa_context_get_source_info_list(
             context_,
             [](pa_context*, const pa_source_info* info, int, void* data) {
                 auto* c = static_cast<Collect*>(data);
                 if (info != nullptr) {
                     AudioDevice d;
                     d.name = info->name;
                     d.description = info->description ? info->description : info->name;
                     d.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
                     d.isDefault = d.name == c->defaultSource;
                     c->devices->push_back(d);
                 }
                 pa_threaded_mainloop_signal(c->loop, 0);
             },
             &collect));
    pa_threaded_mainloop_unlock(loop_);
    return ok;
}

}  // namespace

std::unique_ptr<AudioLoopback> CreatePulseLoopback(const std::string& clientName) {
    return std::make_unique<PulseLoopback>(clientName);
}

}  // namespace zanvor
