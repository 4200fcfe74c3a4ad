// Report framing and the exchange operations of the DeviceManager.
#include "device/ReportFraming.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "device/DeviceManager.h"
#include "platform/Trace.h"
#include "ui/MDialog.h"

namespace zanvor {

bool IsLinkFrame(const uint8_t* response, size_t length) {
    return length >= 2 && response[0] == kReportHeader && response[1] == kCommandLinkState;
}

LinkFrame ParseLinkFrame(const uint8_t* frame) {
    LinkFrame link;
    link.vendor_id = static_cast<uint16_t>(frame[9] | (frame[10] << 8));
    link.product_id = static_cast<uint16_t>(frame[11] | (frame[12] << 8));
    link.state = frame[13];
    link.connected = link.state == kLinkConnected;
    return link;
}

namespace {

// A report buffer large enough for the device's reports and for the 65-byte layouts; reads
// and writes never pass its end whatever lengths a device claims.
std::vector<uint8_t> ReportBuffer(const HidDevice& handle, size_t atLeast) {
    const size_t size =
        std::max({atLeast, static_cast<size_t>(std::max(0, handle.OutputReportLength())),
                  static_cast<size_t>(std::max(0, handle.InputReportLength()))});
    return std::vector<uint8_t>(size, 0);
}

size_t OutputLength(const HidDevice& handle) {
    return static_cast<size_t>(std::max(0, handle.OutputReportLength()));
}

size_t InputLength(const HidDevice& handle) {
    return static_cast<size_t>(std::max(0, handle.InputReportLength()));
}

// Writes one link-level request: header, command, offset 0, the given length, no data.
int WriteLinkCommand(HidDevice& handle, uint8_t command, uint8_t length) {
    std::vector<uint8_t> report = ReportBuffer(handle, kCommandBufferSize);
    report[1] = kReportHeader;
    report[2] = command;
    report[5] = length;
    return handle.Write(report.data(), OutputLength(handle));
}

}  // namespace

void DeviceManager::Pace() {
    if (GetDelays().pacing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pacingDelay_.load()));
    }
}

int DeviceManager::HIDReadTimeout(HidDevice* handle, uint8_t* buffer, size_t length,
                                  int timeoutMs) {
    if (handle == nullptr) {
        return -1;
    }
    const int read = handle->ReadTimeout(buffer, length, timeoutMs);
    if (read > 0 && IsLinkFrame(buffer, std::min(length, static_cast<size_t>(read)))) {
        const uint8_t state = length > 13 ? buffer[13] : 0;
        Trace("HIDReadTimeout: %02X %02X %02X %02X %02X %02X \n", buffer[0], buffer[1],
              length > 8 ? buffer[8] : 0, length > 9 ? buffer[9] : 0, length > 10 ? buffer[10] : 0,
              state);
        if (MWindow* window = notifyWindow_.load()) {
            window->PostMessageW(kLinkNotifyMessage, 0, state == kLinkConnected ? 1 : 0);
        }
    }
    return read;
}

bool DeviceManager::SendCommand(std::span<uint8_t> buffer) {
    if (buffer.size() < kCommandBufferSize) {
        return false;
    }
    HidDevice* handle = CurrentHandle();
    if (handle == nullptr) {
        return false;
    }
    const uint8_t chunk = static_cast<uint8_t>(ChunkSizeFor(handle->OutputReportLength()));
    Pace();

    std::vector<uint8_t> receive = ReportBuffer(*handle, 128);
    HIDReadTimeout(handle, receive.data(), InputLength(*handle), kFlushTimeoutMs);

    buffer[4] = std::min(buffer[4], chunk);
    std::vector<uint8_t> report = ReportBuffer(*handle, kCommandBufferSize + 1);
    report[0] = 0x00;
    std::copy_n(buffer.begin(), kCommandBufferSize, report.begin() + 1);
    if (handle->Write(report.data(), OutputLength(*handle)) >= 0) {
        // Without an answer the report keeps the request as written (report ID first);
        // callers check the header and command bytes of what they get back.
        HIDReadTimeout(handle, report.data(), InputLength(*handle), kResponseTimeoutMs);
        std::copy_n(report.begin(), kResponseCopySize, buffer.begin());
    }
    return true;
}

bool DeviceManager::SendCommandRaw(std::span<uint8_t> buffer) {
    if (buffer.size() < kCommandBufferSize) {
        return false;
    }
    HidDevice* handle = CurrentHandle();
    if (handle == nullptr) {
        return false;
    }
    std::vector<uint8_t> receive(kCommandBufferSize, 0);
    HIDReadTimeout(handle, receive.data(), kCommandBufferSize, kFlushTimeoutMs);

    std::vector<uint8_t> report(kCommandBufferSize, 0);
    std::copy_n(buffer.begin(), kCommandBufferSize - 1, report.begin() + 1);
    if (handle->Write(report.data(), kCommandBufferSize) >= 0) {
        HIDReadTimeout(handle, report.data(), kCommandBufferSize, kRawResponseTimeoutMs);
        std::copy_n(report.begin(), kResponseCopySize, buffer.begin());
    }
    return true;
}

bool DeviceManager::WriteBlock(uint8_t command, std::span<uint8_t> data) {
    return TransferBlock(command, data, false);
}

bool DeviceManager::WriteBlockChecked(uint8_t command, std::span<uint8_t> data) {
    return TransferBlock(command, data, true);
}

bool DeviceManager::TransferBlock(uint8_t command, std::span<uint8_t> data, bool checked) {
    HidDevice* handle = CurrentHandle();
    if (handle == nullptr) {
        return false;
    }
    if (data.empty() || data.size() > kMaxBlockLength) {
        // Nothing to send, or offsets that would not fit the 16-bit offset field.
        return false;
    }
    if (!checked) {
        Pace();
    }
    std::vector<uint8_t> result(data.size(), 0);
    std::vector<uint8_t> report = ReportBuffer(*handle, kCommandBufferSize);
    HIDReadTimeout(handle, report.data(), InputLength(*handle), kFlushTimeoutMs);

    const size_t chunk = static_cast<size_t>(ChunkSizeFor(handle->OutputReportLength()));
    const int timeout = checked ? kCheckedResponseTimeoutMs : kResponseTimeoutMs;
    for (size_t done = 0; done < data.size(); done += chunk) {
        const size_t length = std::min(chunk, data.size() - done);
        const uint8_t offsetLow = static_cast<uint8_t>(done & 0xFF);
        const uint8_t offsetHigh = static_cast<uint8_t>((done >> 8) & 0xFF);
        bool accepted = false;
        for (int attempt = 0; attempt < kBlockTries && !accepted; ++attempt) {
            std::fill(report.begin(), report.end(), 0);
            report[1] = kReportHeader;
            report[2] = command;
            report[3] = offsetLow;
            report[4] = offsetHigh;
            report[5] = static_cast<uint8_t>(length);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(done), length,
                        report.begin() + 1 + kPayloadDataOffset);
            if (handle->Write(report.data(), OutputLength(*handle)) < 0) {
                continue;
            }
            std::fill(report.begin(), report.end(), 0);
            if (HIDReadTimeout(handle, report.data(), InputLength(*handle), timeout) <= 0) {
                continue;
            }
            if (checked &&
                (report[1] != command || report[2] != offsetLow || report[3] != offsetHigh)) {
                continue;
            }
            if (report[kResponseStatusOffset] == kStatusAccepted) {
                std::copy_n(report.begin() + kPayloadDataOffset, length,
                            result.begin() + static_cast<std::ptrdiff_t>(done));
                accepted = true;
            } else if (report[kResponseStatusOffset] == kStatusRefused) {
                Trace("WriteBlock: command %02X offset %zu refused\n", command, done);
            }
        }
        if (!accepted) {
            return false;
        }
    }
    std::copy(result.begin(), result.end(), data.begin());
    return true;
}

bool DeviceManager::QueryBattery(HidDevice* handle, int& battery, int& charging) {
    if (handle == nullptr) {
        return false;
    }
    const uint8_t chunk = static_cast<uint8_t>(ChunkSizeFor(handle->OutputReportLength()));
    std::vector<uint8_t> response = ReportBuffer(*handle, kCommandBufferSize);
    // Link-level queries read the handle directly: their own answers (link frames included)
    // are not posted as notifications, or every scan would trigger another.
    WriteLinkCommand(*handle, kCommandBegin, 0);
    handle->ReadTimeout(response.data(), InputLength(*handle), kResponseTimeoutMs);

    WriteLinkCommand(*handle, kCommandBattery, chunk);
    std::fill(response.begin(), response.end(), 0);
    const int read = handle->ReadTimeout(response.data(), InputLength(*handle), kResponseTimeoutMs);
    // Only an answer to the battery command is taken: a stale report of another command
    // would otherwise be read as a level.
    if (read > 0 && response[1] == kCommandBattery) {
        battery = response[8];
        charging = response[9];
    }
    if (battery <= 0) {
        battery = 100;
        charging = 0;
    }

    WriteLinkCommand(*handle, kCommandEnd, 0);
    handle->ReadTimeout(response.data(), InputLength(*handle), kResponseTimeoutMs);
    return true;
}

bool DeviceManager::QueryLinkState(HidDevice* handle, bool askKeyboardFirst, uint16_t& vendorId,
                                   uint16_t& productId, int& online) {
    vendorId = 0;
    productId = 0;
    if (handle == nullptr) {
        return false;
    }
    std::this_thread::sleep_for(GetDelays().link_query);
    std::vector<uint8_t> response = ReportBuffer(*handle, kCommandBufferSize);
    if (askKeyboardFirst) {
        WriteLinkCommand(*handle, kCommandBegin, 0);
        const int read =
            handle->ReadTimeout(response.data(), InputLength(*handle), kResponseTimeoutMs);
        if (read > 0 && response[9] == (kKeyboardVendorId & 0xFF) &&
            response[10] == (kKeyboardVendorId >> 8)) {
            vendorId = kKeyboardVendorId;
            productId = static_cast<uint16_t>(response[11] | (response[12] << 8));
            online = 1;
            return true;
        }
    }
    std::fill(response.begin(), response.end(), 0);
    handle->ReadTimeout(response.data(), InputLength(*handle), kFlushTimeoutMs);
    const uint8_t chunk = static_cast<uint8_t>(ChunkSizeFor(handle->OutputReportLength()));
    if (WriteLinkCommand(*handle, kCommandLinkState, chunk) < 0) {
        return false;
    }
    std::fill(response.begin(), response.end(), 0);
    const int read = handle->ReadTimeout(response.data(), InputLength(*handle), kResponseTimeoutMs);
    if (read > 0 && IsLinkFrame(response.data(), static_cast<size_t>(read))) {
        const LinkFrame frame = ParseLinkFrame(response.data());
        vendorId = frame.vendor_id;
        productId = frame.product_id;
        online = frame.connected ? 1 : 0;
    }
    return true;
}

}  // namespace zanvor
