#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zanvor {

// Starting other programs (the firmware tool, the desktop's opener) and waiting for them.

// Starts `program` with `arguments` (not counting the program itself). A program without a
// '/' is looked up on PATH. The child gets only standard input, output and error of this
// process (no other descriptor is inherited) and default signal handling. Returns its
// process id, or 0 with a one-line reason in `error`.
int StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                 std::string& error);

// Waits for a started process to end and returns its exit status (128 + signal number when
// a signal ended it). `keepWaiting` is asked about every 100 ms; when it says false the wait
// gives up and nullopt is returned, as it is when the process is not a child of this one.
std::optional<int> WaitForProcess(int pid, const std::function<bool()>& keepWaiting = {});

// Waits at most `timeout`; nullopt when the process is still running (or not our child).
std::optional<int> WaitForProcessFor(int pid, std::chrono::milliseconds timeout);

}  // namespace zanvor
