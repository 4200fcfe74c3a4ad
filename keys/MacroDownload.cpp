#include "keys/MacroDownload.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "device/DeviceCatalogue.h"
#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "store/DataStore.h"

namespace zanvor {

namespace {

constexpr int kReceiverChunk = 24;
constexpr int kCableChunk = 56;

using Report = std::array<uint8_t, kCommandBufferSize>;

bool Answered(const Report& response, uint8_t command) {
    return response[0] == kReportHeader && response[1] == command;
}

// Begin or end; false when there is no keyboard. `answered` tells whether it replied.
bool SendBracket(DeviceManager& devices, uint8_t command, bool& answered) {
    Report buffer{};
    buffer[0] = kReportHeader;
    buffer[1] = command;
    if (!devices.SendCommand(buffer)) {
        return false;
    }
    // The status matters: after a failed write the buffer still holds the request itself,
    // which has the header and the command too.
    answered = CommandAccepted(buffer.data(), command);
    return true;
}

void PauseOneMillisecond() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

int MacroChunkSize(int connectionMode) {
    return connectionMode == kModeReceiver ? kReceiverChunk : kCableChunk;
}

MacroDownloadResult SendMacroBlock(DeviceManager& devices, const MacroBlock& block, int chunkSize,
                                   const ReportPause& pause) {
    MacroDownloadResult result;
    result.length = block.length;
    const ReportPause& wait = pause ? pause : ReportPause(PauseOneMillisecond);
    bool beginAnswered = false;  // a late answer to it may be read as a chunk's: not judged
    if (!SendBracket(devices, kCommandBegin, beginAnswered)) {
        return result;
    }
    const int length = block.length;
    const int chunks = length / chunkSize + 1;
    bool refused = false;
    for (int j = 0; j < chunks; ++j) {
        const int offset = j * chunkSize;
        const int carried = j + 1 < chunks ? chunkSize : length - (chunks - 1) * chunkSize;
        Report report{};
        report[0] = kReportHeader;
        report[1] = kMacroBlockCommand;
        report[2] = static_cast<uint8_t>(offset & 0xFF);
        report[3] = static_cast<uint8_t>(offset >> 8);
        report[4] = static_cast<uint8_t>(carried);
        // Always a full chunk of data, zero beyond the block.
        const int available = std::clamp(length - offset, 0, chunkSize);
        std::copy_n(block.bytes.begin() + offset, available,
                    report.begin() + static_cast<long>(kPayloadDataOffset));
        if (!devices.SendCommandRaw(report)) {
            return result;  // the keyboard went away
        }
        ++result.reports;
        // A reply may come too late for the short read and is then not judged; a refusal is.
        if (Answered(report, kMacroBlockCommand) &&
            report[kResponseStatusOffset] == kStatusRefused) {
            refused = true;
        }
        wait();
    }
    bool endAnswered = false;
    if (!SendBracket(devices, kCommandEnd, endAnswered)) {
        return result;
    }
    if (refused) {
        result.status = MacroDownloadStatus::kRefused;
    } else if (!endAnswered) {
        // The end command makes the keyboard take the block: unanswered (the keyboard went
        // away after the last chunk, or its link dropped), the macros may not have arrived.
        result.status = MacroDownloadStatus::kNoAnswer;
    } else {
        result.status = MacroDownloadStatus::kSent;
    }
    return result;
}

MacroDownloadResult DownloadMacros(DeviceManager& devices, DataStore& store, int maximumBytes,
                                   int connectionMode, const ReportPause& pause) {
    std::vector<MacroData> macros;
    store.ListMacros(macros);
    std::vector<MacroBlockMacro> input;
    input.reserve(macros.size());
    for (const MacroData& macro : macros) {
        MacroBlockMacro entry;
        entry.name = macro.name;
        entry.id = macro.macro_id;
        store.ListMacroSteps(macro.macro_id, entry.steps);
        input.push_back(std::move(entry));
    }
    if (!input.empty() && maximumBytes <= 0) {
        MacroDownloadResult result;
        result.status = MacroDownloadStatus::kMemoryUnknown;
        return result;
    }
    const MacroBlock block = BuildMacroBlock(input, maximumBytes);
    MacroDownloadResult result =
        SendMacroBlock(devices, block, MacroChunkSize(connectionMode), pause);
    for (int index : block.leftOut) {
        result.leftOut.push_back(input[static_cast<size_t>(index)].name);
        result.leftOutIds.push_back(input[static_cast<size_t>(index)].id);
    }
    return result;
}

}  // namespace zanvor
