#pragma once

// Sending the macro block to the keyboard (command 0x2D): the block is rebuilt from the database
// every time and goes out whole, in chunks of 24 bytes through a receiver and 56 otherwise,
// between the begin and end commands, with a pause of 1 ms after each chunk.

#include <functional>
#include <string>
#include <vector>

#include "keys/MacroBlock.h"

namespace zanvor {

class DataStore;
class DeviceManager;

inline constexpr uint8_t kMacroBlockCommand = 0x2D;

enum class MacroDownloadStatus {
    kSent,           // every chunk went out and nothing was refused
    kNoKeyboard,     // no keyboard to send to
    kMemoryUnknown,  // the keyboard has not reported its macro memory: nothing was sent
    kRefused,        // the keyboard refused a chunk
    kNoAnswer,       // the keyboard did not answer the end command that makes it take the block
};

struct MacroDownloadResult {
    MacroDownloadStatus status = MacroDownloadStatus::kNoKeyboard;
    int length = 0;   // bytes of block
    int reports = 0;  // chunks written
    // The macros with steps that did not fit the keyboard's memory: stored names and ids.
    std::vector<std::string> leftOut;
    std::vector<int> leftOutIds;

    bool Sent() const { return status == MacroDownloadStatus::kSent; }
};

// The pause after each chunk; tests and benchmarks may replace it.
using ReportPause = std::function<void()>;

// Chunk size of the macro transfer for a connection mode (1: receiver).
int MacroChunkSize(int connectionMode);

// Sends a built block: begin, ⌊L / k⌋ + 1 chunks (the last one may carry 0 bytes), end.
MacroDownloadResult SendMacroBlock(DeviceManager& devices, const MacroBlock& block, int chunkSize,
                                   const ReportPause& pause = {});

// Reads every macro and its steps, builds the block for a keyboard whose macro memory holds
// `maximumBytes` and sends it.
MacroDownloadResult DownloadMacros(DeviceManager& devices, DataStore& store, int maximumBytes,
                                   int connectionMode, const ReportPause& pause = {});

}  // namespace zanvor
