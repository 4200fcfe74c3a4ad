#include "sim/SimHidBackend.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace zanvor {
namespace {

using simtest::ReadReport;
using simtest::Request;
using simtest::ScreenModel;
using simtest::Slice;
using simtest::SmallModel;
using simtest::TransferBlock;
using simtest::WriteReport;
using Bytes = std::vector<uint8_t>;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST(SimHidBackendTest, EnumeratesAVendorAndAPlainInterfacePerDevice) {
    SimHidBackend backend;
    const std::string cable = backend.AddDevice(SmallModel(), 0);
    const std::string receiver = backend.AddDevice(SmallModel(), 1);
    EXPECT_EQ(backend.AddDevice(SmallModel(), 2), "");  // the model has no direct connection
    EXPECT_EQ(backend.AddDevice(SmallModel(), 0), "");  // already there

    const std::vector<HidInterfaceInfo> all = backend.Enumerate();
    ASSERT_EQ(all.size(), 4u);
    int vendor = 0;
    for (const HidInterfaceInfo& info : all) {
        EXPECT_EQ(info.vendor_id, 0x36B0);
        const std::string expected =
            info.product_id == 0x3005 ? "/0003:36B0:3005." : "/0003:36B0:3006.";
        EXPECT_NE(Upper(info.path).find(expected), std::string::npos) << info.path;
        uint16_t page = 0;
        uint16_t usage = 0;
        ASSERT_TRUE(backend.QueryUsage(info.path, page, usage));
        EXPECT_EQ(page, info.usage_page);
        EXPECT_EQ(usage, info.usage);
        if (info.usage_page == 0xFF60) {
            ++vendor;
            EXPECT_EQ(info.usage, 0x61);
            EXPECT_EQ(info.interface_number, 1);
            EXPECT_NE(backend.Open(info.path), nullptr);
        } else {
            EXPECT_EQ(info.usage_page, 0x01);
            EXPECT_EQ(backend.Open(info.path), nullptr);  // the host skips it anyway
        }
    }
    EXPECT_EQ(vendor, 2);
    EXPECT_EQ(backend.PathOf(101, 0), cable);
    EXPECT_EQ(backend.PathOf(101, 1), receiver);
    // Cable and receiver reach the same keyboard.
    EXPECT_EQ(backend.Receiver(101)->Keyboard(), backend.Keyboard(101));
    EXPECT_EQ(backend.Open("/dev/hidraw99"), nullptr);
}

TEST(SimHidBackendTest, ChunkedBlockTransfersWithBothReportLengths) {
    for (int reportLength : {65, 33}) {
        VirtualKeyboardModel model = SmallModel();
        model.report_length = reportLength;
        SimHidBackend backend;
        auto device = backend.Open(backend.AddDevice(model, 0));
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->OutputReportLength(), reportLength);

        Bytes parameters(64, 0);
        ASSERT_TRUE(TransferBlock(*device, 0x14, parameters)) << reportLength;
        EXPECT_EQ(parameters, backend.Keyboard(101)->BlockData(0x14));
        parameters[46] = 0x58;
        parameters[47] = 0x02;
        Bytes written = parameters;
        ASSERT_TRUE(TransferBlock(*device, 0x15, written));
        EXPECT_EQ(written, parameters);  // the device echoes what it stored
        EXPECT_EQ(backend.Keyboard(101)->BlockData(0x14), parameters);

        // Offsets and lengths of the written chunks, as recorded.
        std::vector<std::pair<int, int>> chunks;
        for (const SimReport& report : backend.Reports()) {
            if (report.to_device && report.bytes[2] == 0x15) {
                EXPECT_EQ(report.bytes.size(), static_cast<size_t>(reportLength));
                chunks.emplace_back(report.bytes[3] | report.bytes[4] << 8, report.bytes[5]);
            }
        }
        if (reportLength == 65) {
            EXPECT_EQ(chunks, (std::vector<std::pair<int, int>>{{0, 56}, {56, 8}}));
        } else {
            EXPECT_EQ(chunks, (std::vector<std::pair<int, int>>{{0, 24}, {24, 24}, {48, 16}}));
        }
        // A report longer than the interface's output report is refused whole, as hidraw does.
        const Bytes tooLong(static_cast<size_t>(reportLength) + 1, 0);
        EXPECT_LT(device->Write(tooLong.data(), tooLong.size()), 0) << reportLength;

        // Every response read is one input report of the device's length.
        for (const SimReport& report : backend.Reports()) {
            if (!report.to_device) {
                EXPECT_EQ(report.bytes.size(), static_cast<size_t>(reportLength - 1));
            }
        }
    }
}

TEST(SimHidBackendTest, ReadHonoursLatencyAndTimeOut) {
    SimHidBackend backend;
    auto device = backend.Open(backend.AddDevice(SmallModel(), 0));
    EXPECT_TRUE(ReadReport(*device, 0).empty());  // nothing pending

    backend.SetLatency(60);
    WriteReport(*device, Request(0x10, 0, 0));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReadReport(*device, 10).empty());
    // A long time-out: the read returns when the response is due, not when the time-out ends.
    Bytes response = ReadReport(*device, 20000);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(response.empty());
    EXPECT_EQ(response[1], 0x10);
    EXPECT_GE(waited, std::chrono::milliseconds(55));
    EXPECT_LT(waited, std::chrono::milliseconds(20000));
}

TEST(SimHidBackendTest, DroppedAndRefusedResponses) {
    SimHidBackend backend;
    auto device = backend.Open(backend.AddDevice(SmallModel(), 0));
    auto keyboard = backend.Keyboard(101);

    // A dropped response: the keyboard acted, the host hears nothing.
    backend.DropNextResponses(1);
    WriteReport(*device, Request(0x1B, 0, 3, {0x10, 0x00, 0x05}));
    EXPECT_TRUE(ReadReport(*device, 20).empty());
    EXPECT_EQ(Slice(keyboard->BlockData(0x1B), 0, 3), (Bytes{0x10, 0x00, 0x05}));
    WriteReport(*device, Request(0x11, 0, 0));
    EXPECT_EQ(ReadReport(*device)[7], 0x55);

    // The next two requests are refused and not acted on.
    backend.RefuseNextResponses(2);
    for (int i = 0; i < 2; ++i) {
        WriteReport(*device, Request(0x1B, 0, 3, {0x10, 0x00, 0x06}));
        Bytes response = ReadReport(*device);
        EXPECT_EQ(Slice(response, 0, 8), (Bytes{0xAA, 0x1B, 0, 0, 3, 0, 0, 0x0F}));
    }
    EXPECT_EQ(Slice(keyboard->BlockData(0x1B), 0, 3), (Bytes{0x10, 0x00, 0x05}));

    // One command refused until cleared; others still pass.
    backend.RefuseCommand(0x14, true);
    Bytes block(64, 0);
    EXPECT_FALSE(TransferBlock(*device, 0x14, block));
    WriteReport(*device, Request(0x30, 0, 24));
    EXPECT_EQ(ReadReport(*device)[7], 0x55);
    backend.RefuseCommand(0x14, false);
    EXPECT_TRUE(TransferBlock(*device, 0x14, block));
}

TEST(SimHidBackendTest, ReceiverAnswersLinkQueriesAndSendsLinkFrames) {
    SimHidBackend backend;
    backend.AddDevice(SmallModel(), 0);
    auto device = backend.Open(backend.AddDevice(SmallModel(), 1));
    ASSERT_NE(device, nullptr);

    WriteReport(*device, Request(0xD0, 0, 56));
    EXPECT_EQ(Slice(ReadReport(*device), 0, 14),
              (Bytes{0xAA, 0xD0, 0, 0, 0, 0, 0, 0, 0, 0xB0, 0x36, 0x05, 0x30, 0x04}));
    // Linked: other commands reach the keyboard, which names itself by its cable IDs.
    WriteReport(*device, Request(0x10, 0, 0));
    EXPECT_EQ(Slice(ReadReport(*device), 7, 6), (Bytes{0x55, 0x00, 0xB0, 0x36, 0x05, 0x30}));

    // Link down: an unsolicited frame with state 0; the keyboard no longer answers.
    EXPECT_TRUE(backend.SetReceiverLink(101, false));
    Bytes frame = ReadReport(*device, 50);
    EXPECT_EQ(Slice(frame, 0, 2), (Bytes{0xAA, 0xD0}));
    EXPECT_EQ(frame[7], 0x00);  // never taken for an accepted response
    EXPECT_EQ(frame[13], 0x00);
    WriteReport(*device, Request(0x30, 0, 24));
    EXPECT_TRUE(ReadReport(*device, 20).empty());
    WriteReport(*device, Request(0xD0, 0, 56));
    const Bytes down = ReadReport(*device);
    EXPECT_EQ(Slice(down, 11, 3), (Bytes{0x00, 0x00, 0x00}))
        << "a receiver does not know the product id of a keyboard that is off";

    // Setting the same state again sends nothing; link up sends state 4.
    EXPECT_TRUE(backend.SetReceiverLink(101, false));
    EXPECT_TRUE(ReadReport(*device, 20).empty());
    backend.Receiver(101)->SetReportsProductId(false);
    EXPECT_TRUE(backend.SetReceiverLink(101, true));
    EXPECT_EQ(Slice(ReadReport(*device, 50), 9, 5), (Bytes{0xB0, 0x36, 0x00, 0x00, 0x04}));
    EXPECT_FALSE(backend.SetReceiverLink(102, true));
}

TEST(SimHidBackendTest, UnplugFailsOpenHandlesAndReplugRestores) {
    SimHidBackend backend;
    const std::string path = backend.AddDevice(SmallModel(), 0);
    backend.AddDevice(ScreenModel(), 0);
    std::vector<std::pair<std::string, bool>> events;
    backend.SetHotplugHandler(
        [&](const std::string& p, bool arrival) { events.emplace_back(p, arrival); });

    auto device = backend.Open(path);
    WriteReport(*device, Request(0x1B, 0, 3, {0x10, 0x00, 0x07}));
    ReadReport(*device);
    WriteReport(*device, Request(0x10, 0, 0));  // answer pending when the cable goes

    EXPECT_TRUE(backend.Unplug(101, 0));
    EXPECT_FALSE(backend.Unplug(101, 0));
    EXPECT_EQ(events.size(), 2u);
    EXPECT_TRUE(std::count(events.begin(), events.end(), std::make_pair(path, false)) == 1);
    Bytes buffer(64);
    EXPECT_EQ(device->ReadTimeout(buffer.data(), buffer.size(), 50), -1);
    EXPECT_EQ(WriteReport(*device, Request(0x10, 0, 0)), -1);
    EXPECT_EQ(backend.Open(path), nullptr);
    EXPECT_EQ(backend.Enumerate().size(), 2u);  // only the other keyboard
    uint16_t page = 0;
    uint16_t usage = 0;
    EXPECT_FALSE(backend.QueryUsage(path, page, usage));

    events.clear();
    EXPECT_TRUE(backend.Replug(101, 0));
    EXPECT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].second && events[1].second);
    EXPECT_EQ(device->ReadTimeout(buffer.data(), buffer.size(), 0), -1);  // old handle stays dead
    auto again = backend.Open(path);
    ASSERT_NE(again, nullptr);
    Bytes table(384, 0);
    ASSERT_TRUE(TransferBlock(*again, 0x1A, table));
    EXPECT_EQ(Slice(table, 0, 3), (Bytes{0x10, 0x00, 0x07}));  // the keyboard kept its state
}

TEST(SimHidBackendTest, RecordsAndObservesBothDirections) {
    SimHidBackend backend;
    auto device = backend.Open(backend.AddDevice(SmallModel(), 0));
    std::vector<SimReport> observed;
    backend.SetReportObserver([&](const SimReport& report) { observed.push_back(report); });
    WriteReport(*device, Request(0x30, 0, 24));
    ReadReport(*device);
    const std::vector<SimReport> reports = backend.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[0].to_device);
    EXPECT_EQ(Slice(reports[0].bytes, 0, 6), (Bytes{0x00, 0xAA, 0x30, 0x00, 0x00, 0x18}));
    EXPECT_FALSE(reports[1].to_device);
    EXPECT_EQ(Slice(reports[1].bytes, 0, 2), (Bytes{0xAA, 0x30}));
    EXPECT_EQ(observed.size(), 2u);
    backend.ClearReports();
    EXPECT_TRUE(backend.Reports().empty());
}

// A host thread exchanges without pause while another thread toggles the receiver link and
// unplugs and replugs the cable. Every read must give a response to a command that was sent,
// a link frame, a time-out or the failure of a removed handle, never anything else.
TEST(SimHidBackendTest, HostExchangesWhileFaultsChange) {
    SimHidBackend backend;
    backend.AddDevice(SmallModel(), 0);
    backend.AddDevice(SmallModel(), 1);
    std::atomic<bool> stop{false};
    std::atomic<int> hotplugEvents{0};
    backend.SetHotplugHandler([&](const std::string&, bool) { ++hotplugEvents; });

    std::atomic<int> unexpected{0};
    std::atomic<int> answered{0};
    std::thread host([&] {
        const uint8_t commands[] = {0x10, 0x14, 0x30, 0x1B, 0x11};
        int round = 0;
        while (!stop) {
            const int mode = round % 2;
            auto device = backend.Open(backend.PathOf(101, mode));
            ++round;
            if (!device) {
                continue;
            }
            for (int i = 0; i < 20 && !stop; ++i) {
                const uint8_t command = commands[i % 5];
                if (WriteReport(*device, Request(command, 0, 3, {0x10, 0x00, 0x04})) < 0) {
                    break;
                }
                Bytes response = ReadReport(*device, 5);
                if (response.empty()) {
                    continue;
                }
                // A link frame read in place of a response leaves that response queued for
                // the next read, so any command of this exchange may come back.
                const bool known = std::find(std::begin(commands), std::end(commands),
                                             response[1]) != std::end(commands);
                if (response[0] == 0xAA && (known || response[1] == 0xD0)) {
                    ++answered;
                } else {
                    ++unexpected;
                }
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        backend.SetReceiverLink(101, i % 2 == 0);
        if (i % 10 == 0) {
            backend.Unplug(101, 0);
        } else if (i % 10 == 5) {
            backend.Replug(101, 0);
        }
        backend.SetBattery(101, i % 100, i % 2 == 1);
        if (i % 50 == 0) {
            backend.ClearReports();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    // On a busy machine the host thread may not have run yet; give it time to exchange.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (answered < 50 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    host.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GT(answered.load(), 0);
    EXPECT_EQ(hotplugEvents.load(), 2 * 40);
}

}  // namespace
}  // namespace zanvor
