#include "ui/MDialog.h"

namespace zanvor {

void MWindow::PostMessageW(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(Message{id, wParam, lParam});
        wakeup = wakeup_;
    }
    queued_.notify_all();
    if (wakeup) {
        wakeup();
    }
}

int MWindow::PumpMessages() {
    std::deque<Message> batch;
    {
        std::lock_guard lock(queueMutex_);
        batch.swap(queue_);
    }
    for (const Message& message : batch) {
        OnWindowMessage(message.id, message.wParam, message.lParam);
    }
    return static_cast<int>(batch.size());
}

bool MWindow::WaitForMessage(std::chrono::milliseconds timeout) {
    std::unique_lock lock(queueMutex_);
    return queued_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

size_t MWindow::PendingMessages() const {
    std::lock_guard lock(queueMutex_);
    return queue_.size();
}

void MWindow::SetMessageWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(queueMutex_);
    wakeup_ = std::move(wakeup);
}

void MDialog::EndDialog(Result result) {
    Result expected = kNone;
    if (result_.compare_exchange_strong(expected, result) && endHandler_) {
        endHandler_(result);
    }
}

}  // namespace zanvor
