#include <gtest/gtest.h>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "keys/MacroSteps.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

// The macro page inside the main window object: it fills itself when the keyboard's profiles
// load, and the worker sends the macro block after every saved change.
class MacroFlowTest : public test::SimSessionTest {
  protected:
    void PickKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
    }

    // The reports of command 0x2D as (offset, length).
    std::vector<std::pair<int, int>> BlockReports() const {
        std::vector<std::pair<int, int>> reports;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 5 && report.bytes[2] == 0x2D) {
                reports.emplace_back(report.bytes[3] | report.bytes[4] << 8, report.bytes[5]);
            }
        }
        return reports;
    }

    static std::vector<MacroRecordData> Presses(int count) {
        MacroRecordData step;
        step.type = kStepKeyDown;
        step.value = 0x41;
        step.delay_time = 10;
        step.desc = StepText(kStepKeyDown, "A");
        return std::vector<MacroRecordData>(static_cast<size_t>(count), step);
    }
};

TEST_F(MacroFlowTest, ThePageFillsItselfAndTheWorkerSendsTheBlockThroughAReceiver) {
    Start("101:receiver");
    PickKeyboard(101);
    MacroPage& macros = dialog->Pages().macros;
    ASSERT_EQ(macros.macros.GetItemCount(), 10) << "ten macros in a new database";
    EXPECT_EQ(macros.StepCapacity(), MacroStepCapacity(4096));

    sim->ClearReports();
    // 28 bytes of table and 4 + 4 · 5 of record: 52 bytes, in 24-byte chunks.
    ASSERT_EQ(macros.SetMacroSteps(macros.macros.GetItemData(0), Presses(5)), MacroResult::kOk);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(BlockReports(), (std::vector<std::pair<int, int>>{{0, 24}, {24, 24}, {48, 4}}));
    ASSERT_FALSE(dialog->TaskLog().empty());
    EXPECT_EQ(dialog->TaskLog().back().code, kTaskDownloadMacros);
    EXPECT_TRUE(dialog->TaskLog().back().ok);
    const std::vector<uint8_t> block = sim->Keyboard(101)->BlockData(0x2D);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 4),
              (std::vector<uint8_t>{0xAA, 0x55, 52, 0}));
}

TEST_F(MacroFlowTest, ARefusedBlockIsAFailedTaskWithAMessage) {
    Start("101:cable");
    PickKeyboard(101);
    MacroPage& macros = dialog->Pages().macros;
    sim->RefuseCommand(0x2D, true);
    dialogs.ClearHistory();
    ASSERT_EQ(macros.SetMacroSteps(macros.macros.GetItemData(1), Presses(2)), MacroResult::kOk);
    ASSERT_TRUE(WaitIdle());
    ASSERT_FALSE(dialog->TaskLog().empty());
    EXPECT_FALSE(dialog->TaskLog().back().ok);
    EXPECT_EQ(macros.LastDownload().status, MacroDownloadStatus::kRefused);
    ASSERT_TRUE(Eventually([&] { return !dialogs.History().empty(); }));
    EXPECT_EQ(dialogs.History().back().text, macros.notice.Text());
}

}  // namespace
}  // namespace zanvor
