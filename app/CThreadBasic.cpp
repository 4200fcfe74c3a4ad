#include "app/CThreadBasic.h"

#include "platform/Trace.h"

namespace zanvor {

uint64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

CThreadBasic::~CThreadBasic() {
    // A derived class must stop the thread in its own destructor, while Run() is still
    // callable; this is the last safety net.
    if (thread_.joinable()) {
        running_ = false;
        Wake();
        thread_.join();
    }
}

bool CThreadBasic::Start(bool looping) {
    if (running_.load() || thread_.joinable()) {
        return false;
    }
    periodMs_ = kDefaultPeriodMs;
    looping_ = looping;
    startTick_ = MonotonicMs();
    {
        std::lock_guard lock(wakeMutex_);
        exited_ = false;
        wakeRequested_ = false;
        asleep_ = false;
    }
    passes_ = 0;
    running_ = true;
    thread_ = std::thread([this] { ThreadProc(); });
    return true;
}

bool CThreadBasic::Stop() {
    if (!thread_.joinable()) {
        return true;
    }
    running_ = false;
    Wake();
    bool endedInTime;
    {
        std::unique_lock lock(wakeMutex_);
        endedInTime = exitCondition_.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                              [this] { return exited_; });
    }
    if (!endedInTime) {
        Trace("worker did not stop within %d ms; waiting for its job to end\n", kStopWaitMs);
    }
    thread_.join();
    return endedInTime;
}

void CThreadBasic::Wake() {
    {
        std::lock_guard lock(wakeMutex_);
        wakeRequested_ = true;
    }
    wakeCondition_.notify_all();
}

bool CThreadBasic::AsleepUntilWoken() {
    std::lock_guard lock(wakeMutex_);
    return asleep_ && !wakeRequested_;
}

void CThreadBasic::ThreadProc() {
    if (looping_) {
        using Clock = std::chrono::steady_clock;
        const auto period = std::chrono::milliseconds(periodMs_);
        auto next = Clock::now();
        while (running_.load()) {
            // Each pass begins one period after the previous one began, so a late wake-up does
            // not slow a stream down; after a pause (an idle sleep, a long job) the pace begins
            // anew instead of catching up in a burst.
            const auto start = Clock::now();
            if (start - next > period) {
                next = start;
            }
            next += period;
            passes_.fetch_add(1);
            Run();
            std::unique_lock lock(wakeMutex_);
            if (!running_.load()) {
                break;
            }
            if (PeriodicPassWanted()) {
                // Only a stop ends the pause early, so streams keep their pace.
                wakeCondition_.wait_until(lock, next, [this] { return !running_.load(); });
            } else {
                asleep_ = true;
                wakeCondition_.wait(lock, [this] { return wakeRequested_ || !running_.load(); });
                asleep_ = false;
            }
            wakeRequested_ = false;
        }
    } else {
        passes_.fetch_add(1);
        Run();
    }
    {
        std::lock_guard lock(wakeMutex_);
        exited_ = true;
    }
    exitCondition_.notify_all();
}

}  // namespace zanvor
