#pragma once

// What a virtual keyboard received, as tests read it: the commands with their offsets, lengths
// and data, and whole blocks joined from their chunks. Also a task poster that records instead
// of running.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/SessionState.h"
#include "sim/SimHidBackend.h"

namespace zanvor::test {

using Bytes = std::vector<uint8_t>;

// Keeps what the pages post instead of running it.
class RecordingPoster : public TaskPoster {
  public:
    struct Message {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void PostTask(int code) override { tasks.push_back(code); }
    void PostTaskIfIdle(int code) override {
        if (busy) {
            return;
        }
        tasks.push_back(code);
    }
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({id, wParam, lParam});
    }
    std::vector<int> tasks;
    std::vector<Message> messages;
    bool busy = false;  // the worker's queue is not empty
};

// A command as the keyboard received it: command, offset, length and data.
struct Received {
    uint8_t command = 0;
    int offset = 0;
    int length = 0;
    Bytes data;
};

// Every command written to a keyboard, in order (report ID at byte 0, payload after it).
inline std::vector<Received> ReceivedCommands(const std::vector<SimReport>& reports) {
    std::vector<Received> out;
    for (const SimReport& report : reports) {
        if (!report.to_device || report.bytes.size() < 9) {
            continue;
        }
        Received r;
        r.command = report.bytes[2];
        r.offset = report.bytes[3] | report.bytes[4] << 8;
        r.length = report.bytes[5];
        const size_t end = std::min(report.bytes.size(), size_t{9} + r.length);
        r.data.assign(report.bytes.begin() + 9, report.bytes.begin() + end);
        out.push_back(std::move(r));
    }
    return out;
}

inline std::vector<uint8_t> CommandBytes(const std::vector<Received>& received) {
    std::vector<uint8_t> commands;
    for (const Received& r : received) {
        commands.push_back(r.command);
    }
    return commands;
}

// The data of every chunk of one command, joined in offset order (empty when none was sent).
inline Bytes JoinBlock(const std::vector<Received>& received, uint8_t command) {
    Bytes block;
    for (const Received& r : received) {
        if (r.command == command) {
            if (block.size() < static_cast<size_t>(r.offset + r.length)) {
                block.resize(static_cast<size_t>(r.offset + r.length));
            }
            std::copy(r.data.begin(), r.data.end(), block.begin() + r.offset);
        }
    }
    return block;
}

}  // namespace zanvor::test
