#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace zanvor {

class DeviceManager;
class TaskPoster;
class WindowHost;

// The firmware update tool installed beside the program. The program does not flash
// firmware itself: it starts the tool, hides its window and gives up the keyboard while the
// tool runs, and takes the keyboard up again when the tool has ended.
class FirmwareTool {
  public:
    struct Hooks {
        // Wakes the worker so that it sees the started tool at once.
        std::function<void()> wakeWorker;
        // False once the worker is being stopped: the wait for the tool gives up.
        std::function<bool()> workerRunning;
    };
    enum class StartResult { kStarted, kMissing, kFailed };

    // `toolPid` is the main window's external tool process id (0 = no tool running), which
    // the worker checks at the start of every pass.
    FirmwareTool(WindowHost& host, DeviceManager& devices, TaskPoster& poster,
                 std::atomic<int>& toolPid, Hooks hooks);
    FirmwareTool(const FirmwareTool&) = delete;
    FirmwareTool& operator=(const FirmwareTool&) = delete;

    // "<application folder>firmwares/zanvor_k9_0114" unless replaced.
    std::string ToolPath() const;
    void SetToolPath(std::string path);

    // UI thread: starts the tool without arguments and without any of this process's open
    // descriptors, stores its process id, hides the main window and wakes the worker.
    // kMissing when the file is not there, kFailed (with `error`) when it cannot be started.
    StartResult Start(std::string& error);

    // Worker, start of a pass while a tool is running: closes every keyboard handle so the
    // tool can open the keyboard, waits for the tool to end, shows the main window again,
    // clears the process id and posts the rescan (task 2). Gives up when the worker is
    // being stopped.
    void WaitForExternalTool();

  private:
    WindowHost& host_;
    DeviceManager& devices_;
    TaskPoster& poster_;
    std::atomic<int>& toolPid_;
    Hooks hooks_;
    mutable std::mutex mutex_;  // guards toolPath_
    std::string toolPath_;
};

}  // namespace zanvor
