#include "platform/PulseLoopback.h"

#include <algorithm>
#include <cstring>

#include "platform/Trace.h"

namespace zanvor {
namespace pulse {

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

}  // namespace pulse

std::unique_ptr<AudioLoopback> CreatePulseLoopback(const std::string& clientName) {
    return std::make_unique<pulse::PulseLoopback>(clientName);
}

}  // namespace zanvor
