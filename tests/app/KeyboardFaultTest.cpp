// Faults of the keyboard while a profile goes to it (a lost answer, a refusal, an unplug or a
// receiver link that drops in the middle, a suspend), and a keyboard that comes back with its
// factory tables: nothing hangs, the database stays whole, and once the keyboard is back the
// keyboard and the profile agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "device/DeviceSettings.h"
#include "keys/ActionCode.h"
#include "keys/KeyFunctionText.h"
#include "keys/KeyTables.h"
#include "keys/MacroBlock.h"
#include "keys/MacroDownload.h"
#include "keys/MacroPage.h"
#include "keys/MacroSteps.h"
#include "lighting/LightPage.h"
#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "ui/DeviceTasks.h"
#include "ui/WindowMessages.h"

namespace zanvor {
namespace {

constexpr int kType = 101;
constexpr int kEsc = 0x29;
constexpr uint8_t kWriteLayer0 = 0x1B;  // writes the current table of layer 0

struct Fault {
    std::string name;
    const char* selection;
    std::function<void(SimHidBackend&)> before;       // before the transfer
    uint8_t command;                                  // the transfer the fault hits
    std::function<void(SimHidBackend&)> duringWrite;  // at its second report (on the worker)
    std::function<void(SimHidBackend&)> heal;         // after the transfer ended
};

class KeyboardFaultTest : public test::SimSessionTest {
  protected:
    // Gives Esc on layer 1 a function in the current profile and waits until it is sent.
    void SetEsc(const std::string& function) {
        KeyMacroData parsed;
        std::string error;
        ASSERT_TRUE(ParseKeyFunction(function, {}, parsed, error)) << error;
        ASSERT_TRUE(dialog->Pages().keys.SetKeyFunction(0, kEsc, parsed));
        ASSERT_TRUE(WaitIdle());
    }

    // A second profile whose Esc does something else than the first one's.
    int AddProfileWithEsc(const std::string& function) {
        int id = 0;
        EXPECT_EQ(dialog->Pages().profile.AddProfileNamed("Second", id), ProfileResult::kOk);
        EXPECT_TRUE(WaitIdle());
        SetEsc(function);
        return id;
    }

    // Keys whose current entry on the keyboard differs from what the current profile's row
    // sends (a row keeping the factory entry sends the factory entry).
    int Disagreements() {
        const auto keyboard = sim->Keyboard(kType);
        const int profile = dialog->session.currentProfile.load();
        const KeyIndexMaps maps = dialog->Pages().keys.Tables().IndexMaps();
        int count = 0;
        for (int layer = 0; layer < 4; ++layer) {
            const auto current = keyboard->BlockData(ReadTableCommand(layer));
            const auto factory = keyboard->BlockData(DefaultTableCommand(layer));
            std::vector<KeyMacroData> rows;
            store.ListLayerKeys(profile, layer, rows);
            for (const KeyMacroData& row : rows) {
                const int index = maps.IndexOf(row.key_code);
                if (index < 0 || factory[static_cast<size_t>(3 * index)] == 0) {
                    continue;
                }
                std::array<uint8_t, 3> sent{};
                std::copy_n(factory.begin() + 3 * index, 3, sent.begin());
                if (row.macro_type != 0) {
                    EncodeAction(row, sent, {});
                }
                if (!std::equal(sent.begin(), sent.end(), current.begin() + 3 * index)) {
                    ++count;
                }
            }
        }
        return count;
    }

    std::string Integrity() {
        SQLiteDB db;
        if (!db.Open(store.Path().c_str(), kOpenExisting)) {
            return "cannot open";
        }
        SQLiteStatement check;
        db.Prepare(check, "PRAGMA integrity_check");
        return check.Step() == kSqliteRow && check.ColumnText(0) != nullptr
                   ? std::string(check.ColumnText(0))
                   : "no answer";
    }

    // Idle within the exchanges' time-outs: a keyboard that stopped answering costs every
    // remaining transfer of the job its tries.
    bool IdleWithinTimeOuts() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            dialog->PumpMessages();
            if (dialog->Idle() && dialog->PendingMessages() == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    bool ReadAndIdle() {
        return Eventually([&] { return dialog->session.ConnectionRead() && dialog->Idle(); });
    }

    // Calls `action` once, on the worker, when the keyboard receives the nth report of
    // `command`.
    void OnWrite(uint8_t command, int nth, std::function<void()> action) {
        auto seen = std::make_shared<std::atomic<int>>(0);
        sim->SetReportObserver([seen, command, nth, action](const SimReport& report) {
            if (report.to_device && report.bytes.size() > 2 && report.bytes[2] == command &&
                seen->fetch_add(1) + 1 == nth) {
                action();
            }
        });
    }

    // Makes a change whose transfer meets `fault` (a fault during the transfer comes at its nth
    // report): the job ends within the exchanges' time-outs and reports that it failed.
    void ChangeHitBy(const Fault& fault, int nth, int taskCode,
                     const std::function<void()>& change) {
        if (fault.before) {
            fault.before(*sim);
        }
        if (fault.duringWrite) {
            OnWrite(fault.command, nth, [this, &fault] { fault.duringWrite(*sim); });
        }
        change();
        EXPECT_TRUE(IdleWithinTimeOuts());
        sim->SetReportObserver(nullptr);
        const std::vector<KeyboardDlg::TaskRun> log = dialog->TaskLog();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                                [taskCode](const KeyboardDlg::TaskRun& run) {
                                    return run.code == taskCode && !run.ok;
                                }))
            << "the fault did not reach the transfer";
    }
};

void Replug(SimHidBackend& sim) {
    sim.Unplug(kType, kModeCable);
    sim.Replug(kType, kModeCable);
}

// The faults a transfer of `command` can meet.
std::vector<Fault> FaultsOn(uint8_t command) {
    return {
        {"DroppedAnswers",
         "101:cable",
         [](SimHidBackend& sim) { sim.DropNextResponses(8); },
         command,
         {},
         Replug},
        {"Refusal",
         "101:cable",
         [command](SimHidBackend& sim) { sim.RefuseCommand(command, true); },
         command,
         {},
         [command](SimHidBackend& sim) {
             sim.RefuseCommand(command, false);
             Replug(sim);
         }},
        {"UnplugInTheMiddle",
         "101:cable",
         {},
         command,
         [](SimHidBackend& sim) { sim.Unplug(kType, kModeCable); },
         [](SimHidBackend& sim) { sim.Replug(kType, kModeCable); }},
        {"ReceiverLinkDropsInTheMiddle",
         "101:receiver",
         {},
         command,
         [](SimHidBackend& sim) { sim.SetReceiverLink(kType, false); },
         [](SimHidBackend& sim) { sim.SetReceiverLink(kType, true); }},
    };
}

std::string FaultName(const ::testing::TestParamInfo<Fault>& info) {
    return info.param.name;
}

class ProfileSwitchFaultTest : public KeyboardFaultTest,
                               public ::testing::WithParamInterface<Fault> {};

TEST_P(ProfileSwitchFaultTest, TheSwitchEndsAndTheNextConnectionAgrees) {
    const Fault& fault = GetParam();
    Start(fault.selection);
    const int first = dialog->session.currentProfile.load();
    SetEsc("media:101");
    AddProfileWithEsc("media:102");
    ASSERT_EQ(Disagreements(), 0);

    ChangeHitBy(fault, 2, kTaskApplyProfile, [&] {
        ASSERT_EQ(dialog->Pages().profile.ActivateProfile(first), ProfileResult::kOk);
    });
    EXPECT_EQ(store.GetActiveProfile(), first);
    EXPECT_EQ(Integrity(), "ok");

    fault.heal(*sim);
    EXPECT_TRUE(ReadAndIdle());
    EXPECT_EQ(Disagreements(), 0);
    EXPECT_EQ(Integrity(), "ok");
    std::vector<ProfileData> profiles;
    EXPECT_EQ(store.LoadProfiles(profiles), 4) << "no profile lost or added";
    EXPECT_TRUE(store.IncompleteProfiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, ProfileSwitchFaultTest,
                         ::testing::ValuesIn(FaultsOn(kWriteLayer0)), FaultName);

class MacroDownloadFaultTest : public KeyboardFaultTest,
                               public ::testing::WithParamInterface<Fault> {
  protected:
    // The block the keyboard must hold for the database's macros.
    std::vector<uint8_t> ExpectedBlock() {
        std::vector<MacroData> list;
        store.ListMacros(list);
        std::vector<MacroBlockMacro> macros;
        for (const MacroData& macro : list) {
            MacroBlockMacro entry;
            entry.id = macro.macro_id;
            store.ListMacroSteps(macro.macro_id, entry.steps);
            macros.push_back(std::move(entry));
        }
        return BuildMacroBlock(macros, dialog->session.Info().macroCapacity).bytes;
    }
    bool KeyboardHoldsTheMacros() {
        const std::vector<uint8_t> expected = ExpectedBlock();
        const std::vector<uint8_t> held = sim->Keyboard(kType)->BlockData(kMacroBlockCommand);
        return held.size() >= expected.size() &&
               std::equal(expected.begin(), expected.end(), held.begin());
    }
};

// Macros a download did not bring to the keyboard go out again at the next connection: the
// keyboard never keeps playing old steps while the page shows new ones.
TEST_P(MacroDownloadFaultTest, TheDownloadEndsAndTheNextConnectionSendsTheMacros) {
    const Fault& fault = GetParam();
    Start(fault.selection);
    MacroPage& page = dialog->Pages().macros;
    ASSERT_TRUE(WaitIdle());
    MacroRecordData step;
    step.type = kStepKeyDown;
    step.value = 0x41;
    step.delay_time = 10;
    const std::vector<MacroRecordData> steps(12, step);
    ASSERT_EQ(page.SetMacroSteps(page.macros.GetItemData(0), steps), MacroResult::kOk);
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(KeyboardHoldsTheMacros());

    ChangeHitBy(fault, 2, kTaskDownloadMacros, [&] {
        ASSERT_EQ(page.SetMacroSteps(page.macros.GetItemData(1), steps), MacroResult::kOk);
    });

    fault.heal(*sim);
    EXPECT_TRUE(ReadAndIdle());
    EXPECT_TRUE(WaitIdle());
    // The read above may still be the one from before a receiver's link dropped (the program
    // learns of the drop a moment later): the macros go out after the next connection's read.
    EXPECT_TRUE(Eventually([&] { return dialog->Idle() && KeyboardHoldsTheMacros(); }));
}

INSTANTIATE_TEST_SUITE_P(Faults, MacroDownloadFaultTest,
                         ::testing::ValuesIn(FaultsOn(kMacroBlockCommand)), FaultName);

class LightWriteFaultTest : public KeyboardFaultTest, public ::testing::WithParamInterface<Fault> {
  protected:
    int KeyboardMainMode() {
        const std::vector<uint8_t> bytes = sim->Keyboard(kType)->BlockData(kCommandReadParameters);
        ParameterBlock block{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), block.size()), block.begin());
        return ReadDeviceLightModes(block).main;
    }
    int ProfileMainMode() {
        return store.GetActiveLightMode(dialog->session.currentProfile.load(), kLightMain);
    }
};

// A light mode the keyboard did not take: the job ends and says so, and once the keyboard is
// back the profile and the keyboard show the same mode again.
TEST_P(LightWriteFaultTest, TheWriteEndsAndTheNextConnectionAgrees) {
    const Fault& fault = GetParam();
    Start(fault.selection);
    LightPage& lighting = dialog->Pages().lighting;
    ASSERT_TRUE(lighting.ApplyLightMode(kLightMain, 1, {}));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(KeyboardMainMode(), 1);
    ASSERT_EQ(ProfileMainMode(), 1);

    ChangeHitBy(fault, 1, kTaskWriteLightMode,
                [&] { ASSERT_TRUE(lighting.ApplyLightMode(kLightMain, 3, {})); });
    EXPECT_EQ(Integrity(), "ok");

    fault.heal(*sim);
    EXPECT_TRUE(ReadAndIdle());
    EXPECT_EQ(ProfileMainMode(), KeyboardMainMode());
}

INSTANTIATE_TEST_SUITE_P(Faults, LightWriteFaultTest,
                         ::testing::ValuesIn(FaultsOn(kCommandWriteParameters)), FaultName);

// A suspended program sends nothing; the switch waits and goes to the keyboard on resume.
TEST_F(KeyboardFaultTest, ASwitchDuringSuspendIsSentOnResume) {
    Start("101:cable");
    const int first = dialog->session.currentProfile.load();
    SetEsc("media:101");
    AddProfileWithEsc("media:102");

    // The suspend returns once the worker has parked: from then on it takes no task.
    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerSuspend, 0);
    sim->ClearReports();
    ASSERT_EQ(dialog->Pages().profile.ActivateProfile(first), ProfileResult::kOk);
    EXPECT_FALSE(dialog->Queue().Empty());
    EXPECT_EQ(WritesOf(kWriteLayer0), 0u);

    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerResumeAutomatic, 0);
    EXPECT_TRUE(WaitIdle());
    EXPECT_GT(WritesOf(kWriteLayer0), 0u);
    EXPECT_EQ(Disagreements(), 0);
}

// A keyboard back at its factory tables (a firmware reset): the read takes them into the
// profile as always, names the profile it changed, and writes the profile back when asked to.
class FactoryTablesTest : public KeyboardFaultTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FactoryTablesTest, TheProfileTheReadChangedIsNamedAndCanBeWrittenBack) {
    const bool writeBack = GetParam();
    Start("101:cable");
    SetEsc("media:101");
    dialogs.ClearHistory();

    sim->Unplug(kType, kModeCable);
    sim->Keyboard(kType)->ResetToFactory();
    dialogs.QueueAnswer(writeBack);
    sim->Replug(kType, kModeCable);
    ASSERT_TRUE(ReadAndIdle());
    ASSERT_TRUE(WaitIdle());

    int questions = 0;
    for (const auto& shown : dialogs.History()) {
        if (shown.kind == "question") {
            ++questions;
            EXPECT_NE(shown.text.find("My profile 1"), std::string::npos) << shown.text;
        }
    }
    EXPECT_EQ(questions, 1);
    KeyMacroData esc;
    ASSERT_TRUE(store.GetKey(dialog->session.currentProfile.load(), 0, kEsc, esc));
    EXPECT_EQ(esc.macro_value == 101, writeBack) << esc.macro_desc;
    EXPECT_EQ(Disagreements(), 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, FactoryTablesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "WrittenBack" : "Kept");
                         });

}  // namespace
}  // namespace zanvor
