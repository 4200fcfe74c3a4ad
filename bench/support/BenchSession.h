#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/KeyboardDlg.h"
#include "device/DeviceManager.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::bench {

// Changes to a measurement's set-up: the virtual keyboards' models before they are built, and
// a backend put between the device manager and the virtual keyboards (to time the exchanges).
struct BenchOptions {
    std::function<void(VirtualKeyboardModel&)> tweakModel;
    std::function<std::shared_ptr<HidBackend>(std::shared_ptr<HidBackend>)> wrapBackend;
};

// The main window object over virtual keyboards in a throw-away home folder, for measuring.
class BenchSession {
  public:
    // selection as for --simulate ("101:cable"); latencyMs per report of the virtual keyboard.
    BenchSession(const std::string& selection, int latencyMs, const BenchOptions& options = {});
    ~BenchSession();

    bool WaitIdle(int timeoutMs = 60000);
    KeyboardDlg& Dlg() { return *dialog_; }
    SimHidBackend& Sim() { return *sim_; }
    DataStore& Store() { return store_; }
    HeadlessHost& Host() { return host_; }

  private:
    std::string home_;
    HeadlessHost host_;
    ScriptedDialogs dialogs_;
    DataStore store_;
    std::shared_ptr<SimHidBackend> sim_;
    std::unique_ptr<DeviceManager> manager_;
    std::unique_ptr<KeyboardDlg> dialog_;
};

// Process CPU time (user + system) in seconds.
double ProcessCpuSeconds();

// The intervals between frames that completed from `fromUs` on (steady clock, microseconds):
// their 99th percentile and the longest, in milliseconds.
struct FrameIntervals {
    double p99 = 0;
    double longest = 0;
};
FrameIntervals IntervalsSince(const std::vector<int64_t>& timesUs, int64_t fromUs);

}  // namespace zanvor::bench
