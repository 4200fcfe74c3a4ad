#pragma once

#include <cstddef>
#include <cstdint>

namespace zanvor {

// Report layout shared by every exchange with the keyboard and its receiver. Requests are
// written with report ID 0; responses are read without it, so response offsets are payload
// offsets: 0 header, 1 command echo, 2-3 offset echo, 4 length, 7 status, 8... data.

constexpr uint8_t kReportHeader = 0xAA;
constexpr uint8_t kStatusAccepted = 0x55;
constexpr uint8_t kStatusRefused = 0x0F;

constexpr uint8_t kCommandBegin = 0x10;
constexpr uint8_t kCommandEnd = 0x11;
constexpr uint8_t kCommandBattery = 0x30;
constexpr uint8_t kCommandLinkState = 0xD0;

constexpr size_t kPayloadDataOffset = 8;  // data starts at payload byte 8
constexpr size_t kResponseStatusOffset = 7;
constexpr size_t kCommandBufferSize = 65;    // callers' request/response buffers
constexpr size_t kResponseCopySize = 64;     // bytes copied back to the caller
constexpr size_t kMaxBlockLength = 0x10000;  // offsets are 16 bits

// Time-outs in milliseconds.
constexpr int kFlushTimeoutMs = 1;
constexpr int kRawResponseTimeoutMs = 2;
constexpr int kPollTimeoutMs = 5;
constexpr int kCheckedResponseTimeoutMs = 36;
constexpr int kResponseTimeoutMs = 200;

constexpr int kBlockTries = 6;

// Window message posted to the main window when a link frame is read; lParam 1 when the
// keyboard behind the receiver is connected, else 0.
constexpr uint32_t kLinkNotifyMessage = 0x6B3;
// Vendor ID of keyboards answering the begin command through a receiver.
constexpr uint16_t kKeyboardVendorId = 0x36B0;
// Link state value meaning "keyboard connected".
constexpr uint8_t kLinkConnected = 4;

// Largest payload of one report: 56 bytes for 64-byte reports and longer, else 24.
constexpr int ChunkSizeFor(int outputReportLength) {
    return outputReportLength >= 64 ? 56 : 24;
}

// True when the buffer SendCommand filled is the keyboard's acceptance of `command`: header,
// command echo and status 0x55. (SendCommand itself reports only that a keyboard was there.)
inline bool CommandAccepted(const uint8_t* response, uint8_t command) {
    return response[0] == kReportHeader && response[1] == command &&
           response[kResponseStatusOffset] == kStatusAccepted;
}

// A link notification frame: 0xAA 0xD0 ... (needs at least two bytes read).
bool IsLinkFrame(const uint8_t* response, size_t length);

struct LinkFrame {
    uint16_t vendor_id = 0;   // bytes 9-10, little-endian
    uint16_t product_id = 0;  // bytes 11-12, 0 when the receiver does not know its keyboard
    uint8_t state = 0;        // byte 13
    bool connected = false;   // state == 4
};
// Reads a frame of at least 14 bytes.
LinkFrame ParseLinkFrame(const uint8_t* frame);

}  // namespace zanvor
