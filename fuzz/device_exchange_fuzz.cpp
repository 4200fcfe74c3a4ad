// The exchanges with a keyboard over a device that answers with arbitrary reports: the scan
// (link state and battery of a receiver), block reads in both report lengths, single commands
// and link notifications. Stale, short, refused or malformed answers must never make the
// program read or write outside its buffers, and every exchange must end.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/DeviceManager.h"
#include "device/DeviceSettings.h"
#include "keys/KeyTables.h"
#include "platform/HidBackend.h"

namespace {

// The answers every interface reads, taken from the fuzz input in report-sized pieces.
struct AnswerStream {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
};

class FuzzDevice : public zanvor::HidDevice {
  public:
    FuzzDevice(AnswerStream& answers, int reportLength)
        : answers_(answers), reportLength_(reportLength) {}
    int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
    int ReadTimeout(uint8_t* data, size_t length, int) override {
        if (answers_.at >= answers_.size) {
            return 0;  // time-out
        }
        // A piece's first byte says how long it is, so short reports come too.
        const size_t wanted = answers_.data[answers_.at++] % (length + 1);
        const size_t got = std::min(wanted, answers_.size - answers_.at);
        std::memcpy(data, answers_.data + answers_.at, got);
        answers_.at += got;
        return static_cast<int>(got);
    }
    int OutputReportLength() const override { return reportLength_; }
    int InputReportLength() const override { return reportLength_; }

  private:
    AnswerStream& answers_;
    int reportLength_;
};

class FuzzBackend : public zanvor::HidBackend {
  public:
    FuzzBackend(AnswerStream& answers, int reportLength)
        : answers_(answers), reportLength_(reportLength) {}
    std::vector<zanvor::HidInterfaceInfo> Enumerate() override {
        zanvor::HidInterfaceInfo cable{"cable", 0x36B0, 0x3005, "", 1, 0xFF60, 0x61, 1};
        zanvor::HidInterfaceInfo receiver{"receiver", 0x36B0, 0x3006, "", 1, 0xFF60, 0x61, 1};
        return {cable, receiver};
    }
    std::unique_ptr<zanvor::HidDevice> Open(const std::string&) override {
        return std::make_unique<FuzzDevice>(answers_, reportLength_);
    }
    bool QueryUsage(const std::string&, uint16_t& usagePage, uint16_t& usage) override {
        usagePage = 0xFF60;
        usage = 0x61;
        return true;
    }

  private:
    AnswerStream& answers_;
    int reportLength_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    AnswerStream answers{data + 2, size - 2, 0};
    const int reportLength = (data[0] & 1) != 0 ? 33 : 65;
    auto backend = std::make_shared<FuzzBackend>(answers, reportLength);
    zanvor::DeviceManager devices(backend);
    devices.SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
    devices.AddCatalogueEntry(0x36B0, 0x3005, "", 101, zanvor::kModeCable);
    devices.AddCatalogueEntry(0x36B0, 0x3006, "", 101, zanvor::kModeReceiver);
    devices.EnumerateDevice();
    devices.SetSelectedDeviceType(101);

    switch (data[1] % 4) {
        case 0: {
            std::array<uint8_t, zanvor::kDeviceInfoSize> info{};
            if (devices.WriteBlock(zanvor::kCommandDeviceInfo, info)) {
                zanvor::ParseDeviceInfo(info);
            }
            break;
        }
        case 1: {
            std::array<uint8_t, zanvor::kKeyTableBytes> table{};
            if (devices.WriteBlockChecked(zanvor::DefaultTableCommand(0), table)) {
                zanvor::BuildIndexMaps(table);
            }
            break;
        }
        case 2: {
            std::array<uint8_t, 65> command{};
            command[1] = 0xAA;
            command[2] = 0x10;
            devices.SendCommand(std::span<uint8_t>(command.data(), command.size()));
            break;
        }
        default: {
            std::array<uint8_t, 65> frame{};
            int deviceType = 0;
            while (answers.at < answers.size && devices.GetDeviceNotify(frame, deviceType)) {
            }
            break;
        }
    }
    devices.CloseAll();
    return 0;
}
