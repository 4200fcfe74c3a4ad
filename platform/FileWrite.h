#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zanvor {

// Writing a file the user named (an export, a trace) or that the program keeps: only a regular
// file is written or replaced. A FIFO, a device such as /dev/full, a folder or a symbolic
// link at the path is refused rather than replaced by a plain file or waited on.

// Writes `data` to a temporary file beside `path` and renames it over `path`, so a reader sees
// the old file or the new one, never half of one. Refused when `path` exists and is not a
// regular file. False with a one-line reason in `error`.
bool WriteRegularFile(const std::string& path, std::string_view data, std::string& error,
                      mode_t mode = 0644);

// Opens `path` for appending (created when missing) without waiting on it; -1 with a one-line
// reason when it is not a regular file or cannot be opened. The caller owns the descriptor.
int OpenRegularFileForAppend(const std::string& path, std::string& error, mode_t mode = 0644);

// The one-line reason `path` may not be written, or empty when it is a regular file or absent.
std::string WriteTargetProblem(const std::string& path);

}  // namespace zanvor
