#include "lighting/DirectStream.h"

#include <algorithm>
#include <array>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "device/SessionState.h"
#include "keys/KeyTables.h"
#include "ui/DeviceTasks.h"
#include "ui/PageRegistry.h"
#include "ui/WindowMessages.h"

namespace zanvor {

DirectStream::DirectStream(DeviceManager& devices, SessionState& session, TaskPoster& poster)
    : devices_(devices), session_(session), poster_(poster) {}

void DirectStream::Register(PageRegistry& registry) {
    registry.AddIdleWork(
        [this] {
            return session_.liveDirectOn.load() && session_.deviceOnline.load() &&
                   framePending_.load();
        },
        [this] { SendFrame(); });
    registry.AddWindowMessage(kMsgDirectChanged, [this](uintptr_t, intptr_t) { OnChanged(); });
}

void DirectStream::SetLedSource(LedSource source) {
    std::lock_guard lock(mutex_);
    ledSource_ = std::move(source);
}

int DirectStream::AddObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    const int id = nextObserver_++;
    observers_[id] = std::move(observer);
    return id;
}

void DirectStream::RemoveObserver(int id) {
    std::lock_guard lock(mutex_);
    observers_.erase(id);
}

bool DirectStream::Frame(const std::string& client, std::vector<std::pair<int, uint32_t>> colours) {
    bool starting = false;
    {
        std::lock_guard lock(mutex_);
        if (takenBack_) {
            return false;
        }
        starting = !active_;
        active_ = true;
        client_ = client;
        pending_ = std::move(colours);
        startPending_ = startPending_ || starting;
        framePending_ = true;
    }
    session_.liveDirectOn = true;
    if (starting) {
        poster_.PostWindowMessage(kMsgDirectChanged, 0, 0);
    }
    poster_.WakeWorker();
    return true;
}

void DirectStream::End(bool restore) {
    bool wasActive = false;
    bool wasTakenBack = false;
    {
        std::lock_guard lock(mutex_);
        wasActive = active_;
        wasTakenBack = takenBack_;
        active_ = false;
        takenBack_ = false;
        client_.clear();
        pending_.reset();
        framePending_ = false;
    }
    if (!wasActive && !wasTakenBack) {
        return;
    }
    if (wasActive) {
        session_.liveDirectOn = false;
        if (restore) {
            // The keys would keep the last frame: the keyboard shows its own mode again.
            poster_.PostTask(kTaskWriteLightMode);
        }
    }
    poster_.PostWindowMessage(kMsgDirectChanged, 0, 0);
}

bool DirectStream::Active() const {
    std::lock_guard lock(mutex_);
    return active_;
}

std::string DirectStream::Client() const {
    std::lock_guard lock(mutex_);
    return active_ ? client_ : std::string();
}

bool DirectStream::TakenBack() const {
    std::lock_guard lock(mutex_);
    return takenBack_;
}

void DirectStream::TakeBack(bool forStream) {
    {
        std::lock_guard lock(mutex_);
        if (!active_) {
            return;
        }
        active_ = false;
        takenBack_ = true;
        client_.clear();
        pending_.reset();
        framePending_ = false;
    }
    session_.liveDirectOn = false;
    if (!forStream) {
        poster_.PostTask(kTaskWriteLightMode);
    }
    Changed();
}

void DirectStream::OnChanged() {
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        started = startPending_ && active_;
        startPending_ = false;
    }
    if (started && startHandler_) {
        startHandler_();
    }
    Changed();
}

void DirectStream::Changed() {
    std::vector<Observer> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, observer] : observers_) {
            observers.push_back(observer);
        }
    }
    for (const Observer& observer : observers) {
        observer();
    }
}

void DirectStream::SendFrame() {
    std::vector<std::pair<int, uint32_t>> colours;
    {
        std::lock_guard lock(mutex_);
        if (!pending_ || !active_) {
            framePending_ = false;
            return;
        }
        colours = std::move(*pending_);
        pending_.reset();
        framePending_ = false;
        // The LED positions change only with a new connection and its read.
        const uint64_t connection = session_.Connection() * 2 + (session_.ConnectionRead() ? 1 : 0);
        if ((connection != ledConnection_ || !ledOf_) && ledSource_) {
            ledOf_ = ledSource_();
            ledConnection_ = connection;
        }
    }
    std::array<uint8_t, kEffectFrameBuffer> frame;
    size_t length = BuildEffectFrame(colours, ledOf_, frame);
    // The frame reaches the highest LED that was given a colour, wherever the keyboard placed
    // it: LED positions need not follow the number of keys.
    for (const auto& [code, colour] : colours) {
        const int led = ledOf_ ? ledOf_(code) : -1;
        if (led >= 0) {
            length = std::max(length, static_cast<size_t>(3 * led + 3));
        }
    }
    length = std::min(length, frame.size());
    SendBracketCommand(devices_, kCommandBegin);
    const bool ok =
        devices_.WriteBlockChecked(kCommandEffectFrame, std::span<uint8_t>(frame.data(), length));
    SendBracketCommand(devices_, kCommandEnd);
    if (ok) {
        ++framesSent_;
    }
}

}  // namespace zanvor
