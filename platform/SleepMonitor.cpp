#include "platform/SleepMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>

#include "platform/Trace.h"

namespace zanvor {

namespace {

int OnPrepareForSleep(sd_bus_message* message, void* userdata, sd_bus_error*) {
    int sleeping = 0;
    if (sd_bus_message_read(message, "b", &sleeping) < 0) {
        return 0;
    }
    const auto* callback = static_cast<const SleepMonitor::Callback*>(userdata);
    if (*callback) {
        (*callback)(sleeping != 0);
    }
    return 0;
}

}  // namespace

SleepMonitor::~SleepMonitor() {
    Stop();
}

bool SleepMonitor::Start(Callback callback) {
    if (Running()) {
        return false;
    }
    callback_ = std::move(callback);
    if (sd_bus_open_system(&bus_) < 0) {
        Trace("SleepMonitor: no system bus\n");
        bus_ = nullptr;
        return false;
    }
    if (sd_bus_match_signal(bus_, &slot_, "org.freedesktop.login1", "/org/freedesktop/login1",
                            "org.freedesktop.login1.Manager", "PrepareForSleep", OnPrepareForSleep,
                            &callback_) < 0) {
        Stop();
        return false;
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        Stop();
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void SleepMonitor::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) {
        close(stopFd_);
        stopFd_ = -1;
    }
    slot_ = sd_bus_slot_unref(slot_);
    bus_ = sd_bus_flush_close_unref(bus_);
}

void SleepMonitor::Loop() {
    for (;;) {
        // Handle everything already received before waiting again.
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                         {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            return;
        }
    }
}

}  // namespace zanvor
