#include "platform/HotplugMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/Trace.h"

namespace zanvor {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using MonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

class EventFd {
  public:
    EventFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~EventFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;
    int get() const { return fd_; }
    void Signal() const {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
    }

  private:
    int fd_;
};

}  // namespace

std::string UpperCaseDevicePath(const std::string& path) {
    std::string upper = path;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

std::optional<HotplugEvent> HotplugEventOf(const UdevProperties& properties) {
    const auto value = [&properties](const char* name) {
        const auto it = properties.find(name);
        return it != properties.end() ? it->second : std::string();
    };
    const std::string devpath = value("DEVPATH");
    if (value("SUBSYSTEM") != "hidraw" || devpath.empty() || devpath.front() != '/') {
        return std::nullopt;
    }
    HotplugEvent event;
    const std::string action = value("ACTION");
    if (action == "add") {
        event.action = HotplugAction::kArrival;
    } else if (action == "remove") {
        event.action = HotplugAction::kRemoval;
    } else {
        return std::nullopt;
    }
    // udev's sysfs path of a device is the sysfs mount followed by its DEVPATH.
    event.devicePath = UpperCaseDevicePath("/sys" + devpath);
    return event;
}

struct HotplugMonitor::State {
    UdevPtr context;
    MonitorPtr monitor;
    EventFd stop;
    std::thread thread;

    void Run(const Callback& callback) {
        const int monitorFd = udev_monitor_get_fd(monitor.get());
        pollfd fds[2] = {{monitorFd, POLLIN, 0}, {stop.get(), POLLIN, 0}};
        for (;;) {
            fds[0].revents = 0;
            fds[1].revents = 0;
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                Trace("HotplugMonitor: poll failed: %s\n", std::strerror(errno));
                return;
            }
            if (fds[1].revents != 0) {
                return;
            }
            if ((fds[0].revents & POLLIN) == 0) {
                continue;
            }
            DevicePtr device(udev_monitor_receive_device(monitor.get()));
            if (!device) {
                continue;
            }
            UdevProperties properties;
            for (udev_list_entry* entry = udev_device_get_properties_list_entry(device.get());
                 entry != nullptr; entry = udev_list_entry_get_next(entry)) {
                const char* value = udev_list_entry_get_value(entry);
                properties[udev_list_entry_get_name(entry)] = value != nullptr ? value : "";
            }
            if (const std::optional<HotplugEvent> event = HotplugEventOf(properties)) {
                callback(event->action, event->devicePath);
            }
        }
    }
};

HotplugMonitor::HotplugMonitor() = default;

HotplugMonitor::~HotplugMonitor() {
    Stop();
}

bool HotplugMonitor::Start(Callback callback) {
    if (state_) {
        return false;
    }
    auto state = std::make_unique<State>();
    state->context.reset(udev_new());
    if (!state->context || state->stop.get() < 0) {
        return false;
    }
    state->monitor.reset(udev_monitor_new_from_netlink(state->context.get(), "udev"));
    if (!state->monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(state->monitor.get(), "hidraw", nullptr) <
            0 ||
        udev_monitor_enable_receiving(state->monitor.get()) < 0) {
        Trace("HotplugMonitor: cannot listen to udev\n");
        return false;
    }
    State* raw = state.get();
    state->thread = std::thread([raw, callback = std::move(callback)] { raw->Run(callback); });
    state_ = std::move(state);
    return true;
}

void HotplugMonitor::Stop() {
    if (!state_) {
        return;
    }
    state_->stop.Signal();
    if (state_->thread.joinable()) {
        state_->thread.join();
    }
    state_.reset();
}

bool HotplugMonitor::Running() const {
    return state_ != nullptr;
}

}  // namespace zanvor
