// The PulseAudio client's questions to the server: which source to record, and the lists of
// sinks and sources.

#include <chrono>
#include <thread>

#include "platform/PulseLoopback.h"

namespace zanvor::pulse {

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

bool PulseLoopback::ListDevices(std::vector<AudioDevice>& devices) {
    devices.clear();
    if (loop_ == nullptr) {
        // Not connected yet: give the server a second to answer.
        Start("");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!Status().serverConnected) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } else if (!Status().serverConnected) {
        return false;  // no waiting: the window's thread may be asking
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

}  // namespace zanvor::pulse
