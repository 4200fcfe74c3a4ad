#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace zanvor {

// The worker thread base: calls Run() about every period until stopped. When the derived
// class says no periodic work is wanted, the thread sleeps until Wake() instead of waking
// every period, so an idle program uses no CPU.
class CThreadBasic {
  public:
    static constexpr int kDefaultPeriodMs = 16;
    static constexpr int kStopWaitMs = 1000;

    CThreadBasic() = default;
    virtual ~CThreadBasic();
    CThreadBasic(const CThreadBasic&) = delete;
    CThreadBasic& operator=(const CThreadBasic&) = delete;

    // False when already running; otherwise starts the thread procedure.
    bool Start(bool looping = true);
    // Clears the running flag and waits for the thread to end. Returns false when it did not
    // end within kStopWaitMs; the thread is joined all the same so that nothing it uses is
    // destroyed under it.
    bool Stop();
    bool IsRunning() const { return running_.load(); }
    // Ends a sleep without periodic work: called after a task is posted or a flag changes.
    void Wake();

    // How many passes have begun since the thread started.
    uint64_t Passes() const { return passes_.load(); }
    // True while the thread sleeps until Wake() with no wake-up pending: every wake-up so far
    // has had its pass and no periodic pass is due.
    bool AsleepUntilWoken();

    int Period() const { return periodMs_; }
    uint64_t StartTick() const { return startTick_; }

  protected:
    // One pass.
    virtual void Run() = 0;
    // True while passes must run every period (queued tasks, live streams, polling).
    virtual bool PeriodicPassWanted() = 0;

  private:
    void ThreadProc();

    std::atomic<bool> running_{false};
    bool looping_ = true;
    int periodMs_ = kDefaultPeriodMs;
    uint64_t startTick_ = 0;
    std::thread thread_;
    std::atomic<uint64_t> passes_{0};
    std::mutex wakeMutex_;  // guards wakeRequested_, exited_ and asleep_
    std::condition_variable wakeCondition_;
    std::condition_variable exitCondition_;
    bool wakeRequested_ = false;
    bool exited_ = false;
    bool asleep_ = false;
};

// Milliseconds of a monotonic clock.
uint64_t MonotonicMs();

}  // namespace zanvor
