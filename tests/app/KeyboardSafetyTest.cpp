// Every way a keyboard comes online, followed by a profile write: the keyboard is read before
// any key table is written to it, so no key is ever blanked by tables that were never read.

#include <gtest/gtest.h>

#include <algorithm>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"

namespace zanvor {
namespace {

constexpr int kType = 101;
constexpr uint8_t kWriteCommands[] = {0x1B, 0x1D, 0x1F, 0x21};

class KeyboardSafetyTest : public test::SimSessionTest {
  protected:
    // Counts every table chunk that reaches the keyboard with an entry blanked that the
    // factory gives a function.
    void WatchTableWrites() {
        const auto keyboard = sim->Keyboard(kType);
        for (int layer = 0; layer < 4; ++layer) {
            factory[layer] = keyboard->BlockData(static_cast<uint8_t>(0x16 + layer));
        }
        sim->SetReportObserver([this](const SimReport& report) {
            if (!report.to_device || report.bytes.size() < 9) {
                return;
            }
            const auto* found =
                std::find(std::begin(kWriteCommands), std::end(kWriteCommands), report.bytes[2]);
            if (found == std::end(kWriteCommands)) {
                return;
            }
            const auto& table = factory[found - std::begin(kWriteCommands)];
            const size_t offset = report.bytes[3] | report.bytes[4] << 8;
            const size_t length = std::min<size_t>(report.bytes[5], report.bytes.size() - 9);
            for (size_t i = 0; i < length; ++i) {
                const size_t at = offset + i;
                if (at % 3 == 0 && at < table.size() && table[at] != 0 &&
                    report.bytes[9 + i] == 0) {
                    ++blankedWrites;
                }
            }
        });
    }

    // Every entry the factory gives a function still has one on every layer.
    void ExpectNoKeyBlanked() {
        const auto keyboard = sim->Keyboard(kType);
        for (int layer = 0; layer < 4; ++layer) {
            const auto factory = keyboard->BlockData(static_cast<uint8_t>(0x16 + layer));
            const auto current = keyboard->BlockData(static_cast<uint8_t>(0x1A + 2 * layer));
            ASSERT_EQ(factory.size(), current.size());
            for (size_t i = 0; i + 2 < factory.size(); i += 3) {
                if (factory[i] != 0) {
                    EXPECT_NE(current[i], 0) << "layer " << layer << " entry " << i / 3;
                }
            }
        }
        EXPECT_EQ(blankedWrites.load(), 0);
    }

    void AddProfile() {
        int id = 0;
        ASSERT_EQ(dialog->Pages().profile.AddProfileNamed("Racing", id), ProfileResult::kOk);
        ASSERT_TRUE(WaitIdle());
    }

    size_t TableWrites() {
        size_t count = 0;
        for (uint8_t command : kWriteCommands) {
            count += WritesOf(command);
        }
        return count;
    }

    std::vector<uint8_t> factory[4];
    std::atomic<int> blankedWrites{0};
};

TEST_F(KeyboardSafetyTest, AKeyboardPluggedInAfterStartIsReadBeforeAProfileIsWritten) {
    Start("101:cable", true, [this] { sim->Unplug(kType, kModeCable); });
    ASSERT_FALSE(dialog->session.devicePresent.load());
    WatchTableWrites();

    sim->Replug(kType, kModeCable);
    ASSERT_TRUE(Eventually([&] { return dialog->session.ConnectionRead() && dialog->Idle(); }));
    EXPECT_EQ(dialog->Pages().profile.List().GetItemCount(), 3) << "its profiles were loaded";

    AddProfile();
    EXPECT_EQ(TableWrites(), 4u * (384 / 56 + 1));
    ExpectNoKeyBlanked();
}

TEST_F(KeyboardSafetyTest, AKeyboardComingUpBehindItsReceiverIsReadBeforeAProfileIsWritten) {
    Start("101:receiver", /*receiverLinked=*/false);
    ASSERT_FALSE(dialog->session.deviceOnline.load());
    WatchTableWrites();

    sim->SetReceiverLink(kType, true);
    ASSERT_TRUE(Eventually([&] { return dialog->session.ConnectionRead() && dialog->Idle(); }));
    AddProfile();
    EXPECT_GT(TableWrites(), 0u);
    ExpectNoKeyBlanked();
}

TEST_F(KeyboardSafetyTest, AReadRefusedPartWayHoldsTheProfileBackUntilTheKeyboardAnswers) {
    // The factory table of layer 2 is refused: layers 2 and 3 are never read.
    Start("101:cable", true, [this] { sim->RefuseCommand(0x18, true); });
    ASSERT_TRUE(dialog->session.deviceOnline.load());
    ASSERT_FALSE(dialog->session.ConnectionRead());
    WatchTableWrites();
    sim->ClearReports();
    dialogs.ClearHistory();

    AddProfile();
    EXPECT_EQ(TableWrites(), 0u) << "no table may be written from tables never read";
    EXPECT_TRUE(dialog->session.tableWritePending.load());
    ASSERT_TRUE(Eventually([&] {
        for (const auto& shown : dialogs.History()) {
            if (shown.text == LoadText("KB.DIALOG", kTextTablesNotRead)) {
                return true;
            }
        }
        return false;
    }));
    const auto log = dialog->TaskLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().code, kTaskApplyProfile);
    EXPECT_FALSE(log.back().ok);

    // The keyboard answers again: the next attempt reads it, then writes the new profile.
    sim->RefuseCommand(0x18, false);
    ASSERT_TRUE(Eventually([&] {
        return dialog->session.ConnectionRead() && !dialog->session.tableWritePending.load() &&
               dialog->Idle();
    }));
    EXPECT_GT(TableWrites(), 0u);
    ExpectNoKeyBlanked();
    EXPECT_EQ(dialog->session.currentProfile.load(), store.GetActiveProfile());
}

// With the real pacing, every exchange that starts after an answer waits the pacing delay
// first (2 ms by cable, 6 ms through the receiver): a lost pause shows as a shorter gap.
TEST_F(KeyboardSafetyTest, RealPacingLeavesThePacingDelayBeforeEveryExchange) {
    for (const auto& [selection, delay] :
         {std::pair<const char*, int>{"101:cable", 2}, {"101:receiver", 6}}) {
        realPacing = true;
        Start(selection);
        ASSERT_TRUE(dialog->session.ConnectionRead()) << selection;
        AddProfile();
        const std::vector<SimReport> reports = sim->Reports();
        int exchanges = 0;
        const SimReport* lastAnswer = nullptr;
        const SimReport* lastRequest = nullptr;
        bool scanned = false;  // the scan's own link queries are not paced
        for (const SimReport& report : reports) {
            scanned = scanned || (report.to_device && report.bytes[2] == 0x12);
            if (!scanned) {
                continue;
            }
            if (!report.to_device) {
                lastAnswer = &report;
                continue;
            }
            // A block's later chunks follow at once; a new command or offset 0 starts anew.
            const bool starts = lastRequest == nullptr ||
                                report.bytes[2] != lastRequest->bytes[2] ||
                                (report.bytes[3] | report.bytes[4] << 8) == 0;
            if (starts && lastAnswer != nullptr && lastRequest != nullptr &&
                lastAnswer->time > lastRequest->time) {
                ++exchanges;
                EXPECT_GE(report.time - lastAnswer->time, std::chrono::milliseconds(delay))
                    << selection << ": command " << int(report.bytes[2]) << " after "
                    << int(lastRequest->bytes[2]);
            }
            lastRequest = &report;
        }
        EXPECT_GE(exchanges, 15) << selection;
        dialog->DestroyWindow();
        dialog.reset();
    }
}

TEST_F(KeyboardSafetyTest, EveryControlIdBelongsToOnePage) {
    Start("101:cable");
    EXPECT_EQ(dialog->Registry().DuplicateControls(), std::vector<int>{});
}

TEST_F(KeyboardSafetyTest, AReadOfAnotherConnectionDoesNotCountForThisOne) {
    Start("101:cable");
    ASSERT_TRUE(dialog->session.ConnectionRead());
    const uint64_t old = dialog->session.Connection();
    dialog->session.BeginConnection();
    dialog->session.MarkConnectionRead(old);
    EXPECT_FALSE(dialog->session.ConnectionRead());
}

// A new profile holds no assignment of its own: on every model, whichever way it is added, the
// keyboard then holds its factory tables on every layer (the Fn key stays 50 02 00 rather than
// becoming a plain key 10 00 F0 that does nothing).
TEST_F(KeyboardSafetyTest, ANewProfileLeavesEveryFactoryFunctionInPlace) {
    for (const int type : {101, 102, 103, 160}) {
        SCOPED_TRACE(type);
        Start(std::to_string(type));
        AddProfile();
        const auto keyboard = sim->Keyboard(type);
        for (int layer = 0; layer < 4; ++layer) {
            EXPECT_EQ(keyboard->BlockData(static_cast<uint8_t>(0x1A + 2 * layer)),
                      keyboard->BlockData(static_cast<uint8_t>(0x16 + layer)))
                << "layer " << layer;
        }
        KeyMacroData fn;
        ASSERT_TRUE(store.GetKey(store.GetActiveProfile(), 0, 0xF0, fn));
        EXPECT_EQ(fn.macro_type, 0) << "the Fn key keeps its factory function";
        EXPECT_EQ(fn.macro_desc, "Fn");
        TearDown();
        SetUp();
    }
}

}  // namespace
}  // namespace zanvor
