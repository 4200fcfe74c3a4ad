// Report framing and the four exchange operations, against a scripted fake interface.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ChunkCases.h"
#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "support/FakeHid.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

using test::FakeHidBackend;
using test::FakeHidInterface;
using test::RecordingWindow;
using test::Report;

constexpr uint16_t kVid = 0x36B0;
constexpr uint16_t kCablePid = 0x3011;
constexpr int kType = 101;

// A manager with one cabled keyboard selected, whose interface has the given report length.
class Framing : public ::testing::Test {
  protected:
    void Open(int reportLength = 65) {
        device = std::make_shared<FakeHidInterface>(reportLength, reportLength);
        backend->Add(test::VendorInterface("/dev/hidraw1", kVid, kCablePid), device);
        manager = std::make_unique<DeviceManager>(backend);
        manager->SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
        manager->AddCatalogueEntry(kVid, kCablePid, "", kType, kModeCable);
        manager->SetNotifyWindow(&window);
        manager->EnumerateDevice();
        manager->SetSelectedDeviceType(kType);
        ASSERT_NE(manager->CurrentHandle(), nullptr);
        device->ClearLog();
    }

    // Answers every write with `status`.
    void AnswerAll(uint8_t status) {
        device->SetResponder([this, status](const Report& written) {
            return std::vector<Report>{device->Answer(written, status)};
        });
    }

    std::shared_ptr<FakeHidBackend> backend = std::make_shared<FakeHidBackend>();
    std::shared_ptr<FakeHidInterface> device;
    std::unique_ptr<DeviceManager> manager;
    RecordingWindow window;
};

std::vector<uint8_t> Pattern(size_t length) {
    std::vector<uint8_t> data(length);
    for (size_t i = 0; i < length; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    return data;
}

TEST_F(Framing, WriteBlockSplitsIntoChunksOfTheReportSize) {
    test::ForEachRow(test::ChunkCases(), [&](const test::ChunkCase& c) {
        SCOPED_TRACE(testing::Message()
                     << c.reportLength << "-byte reports, " << c.blockLength << "-byte block");
        backend = std::make_shared<FakeHidBackend>();
        Open(c.reportLength);
        EXPECT_EQ(manager->ChunkSize(), c.chunkSize);
        // The device returns each written byte inverted, so the result shows it was copied.
        device->SetResponder([this](const Report& written) {
            Report answer = device->Answer(written, 0x55);
            for (size_t i = 8; i < answer.size(); ++i) {
                answer[i] = static_cast<uint8_t>(~answer[i]);
            }
            return std::vector<Report>{answer};
        });
        const std::vector<uint8_t> original = Pattern(c.blockLength);
        std::vector<uint8_t> data = original;
        ASSERT_TRUE(manager->WriteBlock(0x1B, data));

        const std::vector<Report> writes = device->Writes();
        ASSERT_EQ(writes.size(), c.offsetAndLength.size());
        for (size_t i = 0; i < writes.size(); ++i) {
            const Report& w = writes[i];
            const auto [offset, length] = c.offsetAndLength[i];
            ASSERT_EQ(w.size(), static_cast<size_t>(c.reportLength));
            EXPECT_EQ(w[0], 0x00);
            EXPECT_EQ(w[1], 0xAA);
            EXPECT_EQ(w[2], 0x1B);
            EXPECT_EQ(w[3], offset & 0xFF);
            EXPECT_EQ(w[4], offset >> 8);
            EXPECT_EQ(w[5], length);
            EXPECT_EQ(w[6] | w[7] | w[8], 0);
            for (int k = 0; k < length; ++k) {
                EXPECT_EQ(w[9 + k], original[offset + k]);
            }
            for (size_t k = 9 + length; k < w.size(); ++k) {
                EXPECT_EQ(w[k], 0) << "padding at " << k;
            }
        }
        for (size_t i = 0; i < data.size(); ++i) {
            EXPECT_EQ(data[i], static_cast<uint8_t>(~original[i])) << "byte " << i;
        }
    });
}

TEST_F(Framing, LastChunkOfALayerTableCarriesOffset0x150) {
    Open(65);
    std::vector<uint8_t> table = Pattern(384);
    ASSERT_TRUE(manager->WriteBlock(0x1D, table));
    const Report last = device->Writes().back();
    EXPECT_EQ(last[3], 0x50);
    EXPECT_EQ(last[4], 0x01);
    EXPECT_EQ(last[5], 48);
}

TEST_F(Framing, EmptyBlockWritesNothingAndFails) {
    Open();
    std::vector<uint8_t> empty;
    EXPECT_FALSE(manager->WriteBlock(0x1B, empty));
    EXPECT_FALSE(manager->WriteBlockChecked(0x2E, empty));
    EXPECT_TRUE(device->Writes().empty());
}

// Each row: the statuses answered to successive tries of the first chunk (then accepted),
// and whether the transfer succeeds.
struct RetryCase {
    const char* name;
    std::vector<int> answers;  // status byte, or -1 for no answer at all
    bool succeeds;
    size_t writes;
};

TEST_F(Framing, ChunkIsTriedSixTimesBeforeTheBlockFails) {
    const std::vector<RetryCase> cases = {
        {"accepted at once", {}, true, 2},
        {"refused five times, then accepted", {0x0F, 0x0F, 0x0F, 0x0F, 0x0F}, true, 7},
        {"refused six times", {0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F}, false, 6},
        {"no answer six times", {-1, -1, -1, -1, -1, -1}, false, 6},
        {"no verdict six times", {0x00, 0x12, 0x00, 0x00, 0x00, 0x00}, false, 6},
    };
    for (bool checked : {false, true}) {
        for (const RetryCase& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (checked ? ", checked" : ""));
            backend = std::make_shared<FakeHidBackend>();
            Open(65);
            auto answers = std::make_shared<std::vector<int>>(c.answers);
            device->SetResponder([this, answers](const Report& written) {
                int status = 0x55;
                if (!answers->empty()) {
                    status = answers->front();
                    answers->erase(answers->begin());
                }
                if (status < 0) {
                    return std::vector<Report>{};
                }
                return std::vector<Report>{device->Answer(written, static_cast<uint8_t>(status))};
            });
            const std::vector<uint8_t> original = Pattern(64);
            std::vector<uint8_t> data = original;
            const bool ok =
                checked ? manager->WriteBlockChecked(0x2E, data) : manager->WriteBlock(0x2E, data);
            EXPECT_EQ(ok, c.succeeds);
            EXPECT_EQ(device->Writes().size(), c.writes);
            if (!c.succeeds) {
                EXPECT_EQ(data, original) << "caller data must be left as it was";
            }
        }
    }
}

TEST_F(Framing, FailureInALaterChunkLeavesTheCallerDataUntouched) {
    Open(65);
    device->SetResponder([this](const Report& written) {
        Report answer = device->Answer(written, written[3] == 0 ? 0x55 : 0x0F);
        answer[8] = 0xEE;  // the device's copy differs from what was sent
        return std::vector<Report>{answer};
    });
    const std::vector<uint8_t> original = Pattern(100);
    std::vector<uint8_t> data = original;
    EXPECT_FALSE(manager->WriteBlock(0x1B, data));
    EXPECT_EQ(device->Writes().size(), 1u + 6u);
    EXPECT_EQ(data, original);
}

// A response for another chunk or command: WriteBlockChecked retries, WriteBlock takes it.
TEST_F(Framing, CheckedTransferIgnoresAnswersThatBelongToAnotherChunk) {
    struct Case {
        const char* name;
        std::function<void(Report&)> spoil;
    };
    const std::vector<Case> cases = {
        {"offset low", [](Report& r) { r[2] ^= 0x38; }},
        {"offset high", [](Report& r) { r[3] = 0x01; }},
        {"command", [](Report& r) { r[1] = 0x2F; }},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        for (bool checked : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (checked ? ", checked" : ""));
            backend = std::make_shared<FakeHidBackend>();
            Open(65);
            auto spoiled = std::make_shared<bool>(false);
            device->SetResponder([this, spoiled, &c](const Report& written) {
                Report answer = device->Answer(written, 0x55);
                if (!*spoiled && written[3] == 56) {  // first try of the second chunk
                    c.spoil(answer);
                    *spoiled = true;
                }
                return std::vector<Report>{answer};
            });
            std::vector<uint8_t> data = Pattern(64);
            const bool ok =
                checked ? manager->WriteBlockChecked(0x2E, data) : manager->WriteBlock(0x2E, data);
            EXPECT_TRUE(ok);
            const std::vector<Report> writes = device->Writes();
            ASSERT_EQ(writes.size(), checked ? 3u : 2u);
            if (checked) {
                EXPECT_EQ(writes[2], writes[1]) << "the same chunk is sent again";
            }
        }
    });
}

TEST_F(Framing, SendCommandCapsTheLengthAndSendsTheCallerBytes) {
    Open(65);
    uint8_t buffer[65] = {0xAA, 0x1D, 0x06, 0x00, 60};
    for (int i = 8; i < 65; ++i) {
        buffer[i] = static_cast<uint8_t>(i);
    }
    ASSERT_TRUE(manager->SendCommand(buffer));
    EXPECT_EQ(buffer[4], 56) << "capped in the caller's buffer";
    const std::vector<Report> writes = device->Writes();
    ASSERT_EQ(writes.size(), 1u);
    const Report& w = writes[0];
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ((Report{w.begin(), w.begin() + 6}), (Report{0x00, 0xAA, 0x1D, 0x06, 0x00, 56}));
    EXPECT_EQ(w[64], 63);
    // The answer (echo with status 0x55) is copied back.
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0x1D);
    EXPECT_EQ(buffer[7], 0x55);
    EXPECT_EQ(buffer[8], 8);
}

TEST_F(Framing, SendCommandOnA33ByteInterfaceCapsTo24) {
    Open(33);
    uint8_t buffer[65] = {0xAA, 0x15, 0x00, 0x00, 40};
    ASSERT_TRUE(manager->SendCommand(buffer));
    EXPECT_EQ(buffer[4], 24);
    ASSERT_EQ(device->Writes().size(), 1u);
    EXPECT_EQ(device->Writes()[0].size(), 33u);
}

TEST_F(Framing, UnansweredSendCommandReturnsTheRequestAsWritten) {
    Open(65);
    device->SetResponder([](const Report&) { return std::vector<Report>{}; });
    uint8_t buffer[65] = {0xAA, 0x12, 0x00, 0x00, 0x10};
    ASSERT_TRUE(manager->SendCommand(buffer));
    EXPECT_EQ((Report{buffer, buffer + 5}), (Report{0x00, 0xAA, 0x12, 0x00, 0x00}));
}

TEST_F(Framing, FailedWriteStillReportsThatADeviceWasPresent) {
    Open(65);
    device->SetWriteFails(true);
    uint8_t buffer[65] = {0xAA, 0x12};
    EXPECT_TRUE(manager->SendCommand(buffer));
    EXPECT_TRUE(manager->SendCommandRaw(buffer));
    EXPECT_EQ(buffer[0], 0xAA) << "no read, so nothing copied back";
    std::vector<uint8_t> data = Pattern(10);
    EXPECT_FALSE(manager->WriteBlock(0x1B, data));
    EXPECT_FALSE(manager->WriteBlockChecked(0x1B, data));
}

TEST_F(Framing, SendCommandRawNeitherCapsNorShrinksTheReport) {
    Open(33);
    uint8_t buffer[65] = {0xAA, 0x2D, 0x00, 0x00, 60};
    buffer[63] = 0x77;
    ASSERT_TRUE(manager->SendCommandRaw(buffer));
    const std::vector<Report> writes = device->Writes();
    ASSERT_EQ(writes.size(), 1u);
    const Report& w = writes[0];
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ(w[5], 60);
    EXPECT_EQ(w[64], 0x77);
}

TEST_F(Framing, ReadTimeOutsOfEachOperation) {
    Open(65);
    uint8_t buffer[65] = {0xAA, 0x10};
    std::vector<uint8_t> data = Pattern(8);
    const std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"SendCommand", [&] { manager->SendCommand(buffer); }},
        {"SendCommandRaw", [&] { manager->SendCommandRaw(buffer); }},
        {"WriteBlock", [&] { manager->WriteBlock(0x1B, data); }},
        {"WriteBlockChecked", [&] { manager->WriteBlockChecked(0x2E, data); }},
    };
    const std::vector<std::vector<int>> expected = {{1, 200}, {1, 2}, {1, 200}, {1, 36}};
    for (size_t i = 0; i < operations.size(); ++i) {
        SCOPED_TRACE(operations[i].first);
        device->ClearLog();
        operations[i].second();
        EXPECT_EQ(device->ReadTimeouts(), expected[i]);
    }
}

TEST_F(Framing, FlushRemovesAStaleReportBeforeTheExchange) {
    Open(65);
    Report stale = device->Answer(Report(65, 0), 0x0F);  // a leftover refusal
    device->QueueInput(stale);
    std::vector<uint8_t> data = Pattern(20);
    EXPECT_TRUE(manager->WriteBlock(0x1B, data));
    EXPECT_EQ(device->Writes().size(), 1u);
}

TEST_F(Framing, NoHandleMeansNoExchange) {
    Open(65);
    manager->SetSelectedDeviceType(kType + 1);  // a model that is not connected
    uint8_t buffer[65] = {0xAA, 0x10};
    std::vector<uint8_t> data = Pattern(8);
    EXPECT_FALSE(manager->SendCommand(buffer));
    EXPECT_FALSE(manager->SendCommandRaw(buffer));
    EXPECT_FALSE(manager->WriteBlock(0x1B, data));
    EXPECT_FALSE(manager->WriteBlockChecked(0x2E, data));
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_TRUE(device->Writes().empty());
    EXPECT_TRUE(device->ReadTimeouts().empty());
}

TEST_F(Framing, ShortCallerBufferIsRefused) {
    Open(65);
    std::vector<uint8_t> shortBuffer = {0xAA, 0x10, 0, 0, 0};
    EXPECT_FALSE(manager->SendCommand(shortBuffer));
    EXPECT_FALSE(manager->SendCommandRaw(shortBuffer));
    EXPECT_TRUE(device->Writes().empty());
}

TEST_F(Framing, LinkFrameReadDuringAnyExchangeIsPostedToTheWindow) {
    const std::vector<std::pair<const char*, std::function<bool(DeviceManager&)>>> operations = {
        {"SendCommand",
         [](DeviceManager& m) {
             uint8_t b[65] = {0xAA, 0x10};
             return m.SendCommand(b);
         }},
        {"SendCommandRaw",
         [](DeviceManager& m) {
             uint8_t b[65] = {0xAA, 0x10};
             return m.SendCommandRaw(b);
         }},
        {"WriteBlock",
         [](DeviceManager& m) {
             std::vector<uint8_t> d(8, 1);
             return m.WriteBlock(0x1B, d);
         }},
        {"WriteBlockChecked",
         [](DeviceManager& m) {
             std::vector<uint8_t> d(8, 1);
             return m.WriteBlockChecked(0x2E, d);
         }},
    };
    for (const auto& [name, operation] : operations) {
        for (uint8_t state : {uint8_t{4}, uint8_t{0}, uint8_t{2}}) {
            SCOPED_TRACE(testing::Message() << name << ", link state " << int{state});
            backend = std::make_shared<FakeHidBackend>();
            Open(65);
            window.Take();
            const Report frame = device->LinkFrame(kVid, kCablePid, state);
            device->SetResponder([frame](const Report&) { return std::vector<Report>{frame}; });
            const bool ok = operation(*manager);
            const bool isBlock = std::string(name).starts_with("WriteBlock");
            EXPECT_EQ(ok, !isBlock) << "a frame is no acceptance for a block transfer";
            const auto messages = window.Take();
            ASSERT_FALSE(messages.empty());
            for (const auto& message : messages) {
                EXPECT_EQ(message.id, 0x6B3u);
                EXPECT_EQ(message.wParam, 0u);
                EXPECT_EQ(message.lParam, state == 4 ? 1 : 0);
            }
        }
    }
}

TEST_F(Framing, StaleLinkFrameCaughtByTheFlushIsPostedToo) {
    Open(65);
    window.Take();
    device->QueueInput(device->LinkFrame(kVid, 0, 4));
    uint8_t buffer[65] = {0xAA, 0x10};
    ASSERT_TRUE(manager->SendCommand(buffer));
    const auto messages = window.Take();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, 1);
    EXPECT_EQ(buffer[1], 0x10) << "the command's own answer still reaches the caller";
}

}  // namespace
}  // namespace zanvor
