#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "ui/DeviceTasks.h"

namespace zanvor {

// The worker's queue of task codes: appended at the back by any thread, taken from the
// front by the worker. Unbounded; no operation waits for a running job.
class DeviceTaskQueue {
  public:
    void Post(int code);
    std::optional<int> TakeFront();
    void Clear();
    bool Empty() const;
    size_t Size() const;
    std::vector<int> Snapshot() const;

  private:
    mutable std::mutex mutex_;  // guards codes_
    std::deque<int> codes_;
};

}  // namespace zanvor
