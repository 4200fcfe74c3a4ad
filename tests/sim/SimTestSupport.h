#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/VirtualKeyboard.h"
#include "sim/VirtualKeyboardModel.h"

namespace zanvor::simtest {

// A small wireless keyboard with a knob: Esc, A, left Shift, Fn, Calc, the knob and a key
// without LED, reachable by cable (PID 3005) and through a receiver (PID 3006).
inline VirtualKeyboardModel SmallModel() {
    VirtualKeyboardModel model;
    model.device_type = 101;
    model.name = "Test Nova";
    model.connections = {{0, 0x36B0, 0x3005, ""}, {1, 0x36B0, 0x3006, ""}};
    model.keys = {{0x29, 0, 0}, {0x04, 1, 5}, {0xE1, 2, 6}, {0xF0, 3, -1},
                  {0xD2, 4, 7}, {0xFF, 5, 8}, {0x05, 6, 9}};
    model.has_knob = true;
    model.has_zone1 = true;
    model.has_zone2 = true;
    model.has_battery = true;
    return model;
}

// A cable keyboard with a matrix screen and no knob or battery.
inline VirtualKeyboardModel ScreenModel() {
    VirtualKeyboardModel model;
    model.device_type = 102;
    model.name = "Test Pulse";
    model.connections = {{0, 0x36B0, 0x3010, ""}};
    model.keys = {{0x29, 0, 0}, {0x04, 1, 1}};
    model.has_matrix_screen = true;
    return model;
}

// A request payload (no report ID): AA, command, offset, length, 3 zero bytes, data.
inline std::vector<uint8_t> Request(uint8_t command, uint16_t offset, uint8_t length,
                                    std::initializer_list<uint8_t> data = {}, size_t size = 64) {
    std::vector<uint8_t> request(size, 0);
    request[0] = 0xAA;
    request[1] = command;
    request[2] = offset & 0xFF;
    request[3] = offset >> 8;
    request[4] = length;
    size_t i = 8;
    for (uint8_t byte : data) {
        request[i++] = byte;
    }
    return request;
}

inline std::vector<uint8_t> Ask(VirtualKeyboard& keyboard, const std::vector<uint8_t>& request) {
    std::vector<uint8_t> response;
    if (!keyboard.Process(request.data(), request.size(), response)) {
        return {};
    }
    return response;
}

inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    if (from >= bytes.size()) {
        return {};
    }
    return std::vector<uint8_t>(bytes.begin() + from,
                                bytes.begin() + std::min(bytes.size(), from + count));
}

// Writes one output report (report ID 0 + payload, padded to the output report length).
inline int WriteReport(HidDevice& device, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> report(static_cast<size_t>(device.OutputReportLength()), 0);
    for (size_t i = 0; i < payload.size() && i + 1 < report.size(); ++i) {
        report[i + 1] = payload[i];
    }
    return device.Write(report.data(), report.size());
}

// Reads one input report; empty on time-out or error.
inline std::vector<uint8_t> ReadReport(HidDevice& device, int timeoutMs = 200) {
    std::vector<uint8_t> buffer(static_cast<size_t>(device.InputReportLength()), 0);
    const int n = device.ReadTimeout(buffer.data(), buffer.size(), timeoutMs);
    if (n <= 0) {
        return {};
    }
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

// The host's chunked block transfer, reduced to what the tests need: chunks of the report's
// size at offsets i × chunk; true when every chunk was accepted; `data` receives the answers.
inline bool TransferBlock(HidDevice& device, uint8_t command, std::vector<uint8_t>& data) {
    const size_t chunk = device.OutputReportLength() >= 64 ? 56 : 24;
    std::vector<uint8_t> result(data.size(), 0);
    for (size_t done = 0; done < data.size(); done += chunk) {
        const size_t n = std::min(chunk, data.size() - done);
        std::vector<uint8_t> payload(8 + n, 0);
        payload[0] = 0xAA;
        payload[1] = command;
        payload[2] = done & 0xFF;
        payload[3] = (done >> 8) & 0xFF;
        payload[4] = static_cast<uint8_t>(n);
        std::copy(data.begin() + done, data.begin() + done + n, payload.begin() + 8);
        if (WriteReport(device, payload) < 0) {
            return false;
        }
        std::vector<uint8_t> response = ReadReport(device);
        if (response.size() < 8 + n || response[7] != kSimStatusAccepted) {
            return false;
        }
        std::copy(response.begin() + 8, response.begin() + 8 + n, result.begin() + done);
    }
    data = result;
    return true;
}

}  // namespace zanvor::simtest
