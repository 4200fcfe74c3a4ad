#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "ChunkCases.h"
#include "device/DeviceManager.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "support/FakeHid.h"
#include "support/Rows.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

// The exchanges against a virtual keyboard, checked on the reports it received.
class FramingOnVirtualKeyboardTest : public test::IsolatedHomeTest {
  protected:
    void Connect(const std::string& selection, int reportLength, int deviceType) {
        std::vector<VirtualKeyboardModel> models;
        ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
        for (VirtualKeyboardModel& model : models) {
            model.report_length = reportLength;
        }
        std::string error;
        sim = MakeSimBackend(models, selection, error);
        ASSERT_TRUE(sim) << error;
        manager = std::make_unique<DeviceManager>(sim);
        manager->SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
        manager->SetNotifyWindow(&window);
        for (const CatalogueEntry& entry : CatalogueEntries()) {
            manager->AddCatalogueEntry(entry.vendor_id, entry.product_id, entry.product_name,
                                       entry.device_type, entry.mode);
        }
        manager->EnumerateDevice();
        manager->SetSelectedDeviceType(deviceType);
        ASSERT_NE(manager->CurrentHandle(), nullptr);
        sim->ClearReports();
    }

    static std::vector<CatalogueEntry> CatalogueEntries() {
        DeviceCatalogue catalogue;
        ReadCatalogueFile(ApplicationFolder(), catalogue);
        std::vector<CatalogueEntry> entries;
        for (const ConnectionEntry& c : catalogue.connections) {
            entries.push_back({c.vendorId, c.productId, c.productName, c.deviceType, c.mode});
        }
        return entries;
    }

    // (offset, length) of every request written with this command byte.
    std::vector<std::pair<int, int>> Chunks(uint8_t command) {
        std::vector<std::pair<int, int>> chunks;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 5 && report.bytes[1] == 0xAA &&
                report.bytes[2] == command) {
                chunks.emplace_back(report.bytes[3] | (report.bytes[4] << 8), report.bytes[5]);
            }
        }
        return chunks;
    }

    test::RecordingWindow window;
    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
};

TEST_F(FramingOnVirtualKeyboardTest, BlocksAreCutIntoChunksOfTheReportSize) {
    test::ForEachRow(test::ChunkCases(), [&](const test::ChunkCase& c) {
        SCOPED_TRACE(testing::Message()
                     << c.reportLength << "-byte reports, " << c.blockLength << "-byte block");
        Connect("101:cable", c.reportLength, 101);
        EXPECT_EQ(manager->ChunkSize(), c.chunkSize);
        // Layer 0's key table takes a block of any length up to its own.
        std::vector<uint8_t> block(c.blockLength, 0x10);
        EXPECT_TRUE(manager->WriteBlock(0x1B, block));
        EXPECT_EQ(Chunks(0x1B), c.offsetAndLength);
        // Every report is written whole, at the interface's output report length.
        const size_t reportLength =
            static_cast<size_t>(manager->CurrentHandle()->OutputReportLength());
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device) {
                EXPECT_EQ(report.bytes.size(), reportLength);
            }
        }
    });
}

TEST_F(FramingOnVirtualKeyboardTest, EmptyBlockWritesNothingAndFails) {
    Connect("101:cable", 65, 101);
    std::vector<uint8_t> empty;
    EXPECT_FALSE(manager->WriteBlock(0x14, empty));
    EXPECT_TRUE(sim->Reports().empty());
}

TEST_F(FramingOnVirtualKeyboardTest, SixRefusalsFailAndLeaveTheCallersDataAlone) {
    Connect("101:cable", 65, 101);
    std::vector<uint8_t> block(64, 0x5A);
    sim->RefuseNextResponses(6);
    EXPECT_FALSE(manager->WriteBlock(0x14, block));
    EXPECT_EQ(Chunks(0x14).size(), 6u) << "six tries of the first chunk";
    EXPECT_EQ(block, std::vector<uint8_t>(64, 0x5A));

    sim->ClearReports();
    sim->RefuseNextResponses(5);
    EXPECT_TRUE(manager->WriteBlock(0x14, block)) << "the sixth try is accepted";
}

TEST_F(FramingOnVirtualKeyboardTest, SendCommandCapsTheLengthToTheChunk) {
    Connect("101:cable", 65, 101);
    std::array<uint8_t, 65> buffer{};
    buffer[0] = 0xAA;
    buffer[1] = 0x31;
    buffer[4] = 60;
    EXPECT_TRUE(manager->SendCommand(buffer));
    ASSERT_EQ(Chunks(0x31), (std::vector<std::pair<int, int>>{{0, 56}}));
}

TEST_F(FramingOnVirtualKeyboardTest, LinkFrameDuringAnExchangeIsPostedToTheMainWindow) {
    Connect("101:receiver", 65, 101);
    window.Take();
    // The keyboard drops off the receiver: the receiver reports it unasked.
    sim->SetReceiverLink(101, false);
    std::array<uint8_t, 65> buffer{};
    buffer[0] = 0xAA;
    buffer[1] = 0x10;
    manager->SendCommand(buffer);
    std::vector<test::RecordingWindow::Message> messages = window.Take();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().id, 0x6B3u);
    EXPECT_EQ(messages.front().lParam, 0);

    sim->SetReceiverLink(101, true);
    std::vector<uint8_t> block(64, 0);
    manager->WriteBlock(0x14, block);
    messages = window.Take();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().id, 0x6B3u);
    EXPECT_EQ(messages.front().lParam, 1);
}

}  // namespace
}  // namespace zanvor
