#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace zanvor {

using WindowHandle = const void*;

// A window that receives posted messages. Messages may be posted from any thread; they are
// handled in order on the UI thread when the host (Qt's event loop, or a headless loop)
// calls PumpMessages().
class MWindow {
  public:
    struct Message {
        uint32_t id = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
    };

    virtual ~MWindow() = default;

    void PostMessageW(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Handles every message queued so far on the calling thread; returns how many ran.
    int PumpMessages();
    // Blocks until a message is queued or the time-out passes; true when one is queued.
    bool WaitForMessage(std::chrono::milliseconds timeout);
    size_t PendingMessages() const;

    // Called after each post, on the posting thread: the host schedules PumpMessages().
    void SetMessageWakeup(std::function<void()> wakeup);

    WindowHandle GetSafeHwnd() const { return this; }

    virtual void OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) = 0;

  private:
    mutable std::mutex queueMutex_;  // guards queue_ and wakeup_
    std::condition_variable queued_;
    std::deque<Message> queue_;
    std::function<void()> wakeup_;
};

// A dialog: initialisation, control events, the dialog timer and its end.
class MDialog : public MWindow {
  public:
    enum Result { kNone = 0, kOK = 1, kCancel = 2 };

    virtual bool OnInitDialog() { return true; }
    // A control event: the control id and the notification code.
    virtual void OnMessage(int controlId, int event) {
        (void)controlId;
        (void)event;
    }
    virtual void DestroyWindow() {}
    virtual void OnTimer() {}

    // The period the host calls OnTimer with; 0 = no timer.
    void SetMTimer(int periodMs) { timerPeriodMs_ = periodMs; }
    int TimerPeriod() const { return timerPeriodMs_; }

    // Ends the dialog; thread-safe. The host closes the window when it sees the result.
    void DoOK() { EndDialog(kOK); }
    void DoCancel() { EndDialog(kCancel); }
    void EndDialog(Result result);
    Result DialogResult() const { return result_; }
    bool Ended() const { return result_ != kNone; }
    // Called when the dialog ends, on the thread that ended it.
    void SetEndHandler(std::function<void(Result)> handler) { endHandler_ = std::move(handler); }

  private:
    std::atomic<int> timerPeriodMs_{0};
    std::atomic<Result> result_{kNone};
    std::function<void(Result)> endHandler_;
};

}  // namespace zanvor
