#include "update/FirmwareTool.h"

#include <filesystem>

#include "device/DeviceManager.h"
#include "device/SessionState.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Trace.h"
#include "ui/WindowHost.h"

namespace zanvor {

namespace {
// The rescan after the tool ended (the device arrival task).
constexpr int kRescanTask = 2;
}  // namespace

FirmwareTool::FirmwareTool(WindowHost& host, DeviceManager& devices, TaskPoster& poster,
                           std::atomic<int>& toolPid, Hooks hooks)
    : host_(host),
      devices_(devices),
      poster_(poster),
      toolPid_(toolPid),
      hooks_(std::move(hooks)),
      toolPath_(ApplicationFolder() + "firmwares/zanvor_k9_0114") {}

std::string FirmwareTool::ToolPath() const {
    std::lock_guard lock(mutex_);
    return toolPath_;
}

void FirmwareTool::SetToolPath(std::string path) {
    std::lock_guard lock(mutex_);
    toolPath_ = std::move(path);
}

FirmwareTool::StartResult FirmwareTool::Start(std::string& error) {
    toolPid_ = 0;
    const std::string path = ToolPath();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path;
        return StartResult::kMissing;
    }
    const int pid = StartProcess(path, {}, error);
    if (pid <= 0) {
        return StartResult::kFailed;
    }
    toolPid_ = pid;
    host_.Hide();
    if (hooks_.wakeWorker) {
        hooks_.wakeWorker();
    }
    return StartResult::kStarted;
}

void FirmwareTool::WaitForExternalTool() {
    const int pid = toolPid_.load();
    if (pid == 0) {
        return;
    }
    devices_.CloseAll();
    const auto keepWaiting = [this] { return !hooks_.workerRunning || hooks_.workerRunning(); };
    const std::optional<int> status = WaitForProcess(pid, keepWaiting);
    if (!keepWaiting()) {
        return;  // the program is ending
    }
    if (status) {
        Trace("firmware tool %d ended with status %d\n", pid, *status);
    }
    host_.ShowNormal();
    toolPid_ = 0;
    poster_.PostTask(kRescanTask);
}

}  // namespace zanvor
