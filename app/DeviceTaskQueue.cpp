#include "app/DeviceTaskQueue.h"

namespace zanvor {

void DeviceTaskQueue::Post(int code) {
    std::lock_guard lock(mutex_);
    codes_.push_back(code);
}

std::optional<int> DeviceTaskQueue::TakeFront() {
    std::lock_guard lock(mutex_);
    if (codes_.empty()) {
        return std::nullopt;
    }
    const int code = codes_.front();
    codes_.pop_front();
    return code;
}

void DeviceTaskQueue::Clear() {
    std::lock_guard lock(mutex_);
    codes_.clear();
}

bool DeviceTaskQueue::Empty() const {
    std::lock_guard lock(mutex_);
    return codes_.empty();
}

size_t DeviceTaskQueue::Size() const {
    std::lock_guard lock(mutex_);
    return codes_.size();
}

std::vector<int> DeviceTaskQueue::Snapshot() const {
    std::lock_guard lock(mutex_);
    return {codes_.begin(), codes_.end()};
}

}  // namespace zanvor
