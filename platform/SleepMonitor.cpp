#include "platform/SleepMonitor.h"

#include <fcntl.h>
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
    TakeSleepDelay();
    return true;
}

bool SleepMonitor::TakeSleepDelay() {
    std::lock_guard lock(inhibitMutex_);
    if (inhibitFd_ >= 0) {
        return true;
    }
    // A connection of its own: the monitor's bus belongs to its thread.
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return false;
    }
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without the C compound literal clang refuses
    sd_bus_message* reply = nullptr;
    int fd = -1;
    if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss",
                           "sleep", "Zanvor HUB", "Finishing a transfer to the keyboard",
                           "delay") >= 0 &&
        sd_bus_message_read(reply, "h", &fd) >= 0 && fd >= 0) {
        // The reply owns its descriptor; the lock lives as long as our copy.
        inhibitFd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    } else {
        Trace("SleepMonitor: no sleep inhibitor: %s\n", error.message ? error.message : "");
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return inhibitFd_ >= 0;
}

void SleepMonitor::ReleaseSleepDelay() {
    std::lock_guard lock(inhibitMutex_);
    if (inhibitFd_ >= 0) {
        close(inhibitFd_);
        inhibitFd_ = -1;
    }
}

bool SleepMonitor::HoldsSleepDelay() const {
    std::lock_guard lock(inhibitMutex_);
    return inhibitFd_ >= 0;
}

void SleepMonitor::Stop() {
    ReleaseSleepDelay();
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
