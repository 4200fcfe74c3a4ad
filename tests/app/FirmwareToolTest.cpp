#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "SimSession.h"
#include "app/CliSession.h"
#include "app/DevicePages.h"
#include "platform/Registry.h"
#include "support/CaseName.h"
#include "ui/ControlIds.h"
#include "ui/DeviceTasks.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;

// The firmware tool on a virtual model 102 connected by cable, the model the tool is for. The
// tool is a small script.
class FirmwareToolTest : public test::SimSessionTest {
  protected:
    void StartWithFirmware(uint16_t firmware) {
        Start("102:cable", true, {}, [firmware](std::vector<VirtualKeyboardModel>& models) {
            for (VirtualKeyboardModel& model : models) {
                model.firmware_version = firmware;
            }
        });
        host.ShowNormal();
    }

    // Picks the keyboard in the device list: its state is read, which makes the offer.
    void PickKeyboard() {
        dialog->deviceList.ClickDevice(102);
        ASSERT_TRUE(WaitIdle());
    }

    // A tool that says it started, then runs until the test releases it.
    std::string WaitingTool() {
        const std::string path = home() + "zanvor_k9_0114";
        test::WriteFile(path, "#!/bin/sh\n: > '" + home() + "started'\n" +
                                  // Not for ever should the test fail before the release.
                                  "i=0\nwhile [ ! -e '" + home() +
                                  "release' ] && [ $i -lt 1200 ]; "
                                  "do sleep 0.05; i=$((i+1)); done\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    FirmwareTool& Tool() { return dialog->Pages().update.Firmware(); }
};

TEST_F(FirmwareToolTest, AcceptingTheOfferHandsTheKeyboardToTheToolUntilItEnds) {
    StartWithFirmware(0x0114);
    Tool().SetToolPath(WaitingTool());
    dialogs.QueueAnswer(true);
    PickKeyboard();

    const auto questions = dialogs.HistoryOf("question");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, "New version: v1.15, update now?");
    EXPECT_EQ(questions[0].caption, "Firmware update");

    ASSERT_TRUE(Eventually([&] { return fs::exists(home() + "started"); }));
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kHidden);
    // While the tool runs, the program holds no handle of the keyboard.
    ASSERT_TRUE(Eventually([&] { return manager->RecordCount() == 0 && sim->OpenHandles() == 0; }));
    EXPECT_GT(dialog->externalToolPid.load(), 0);
    EXPECT_FALSE(fs::exists(home() + "release")) << "the tool is still running";

    const size_t mark = dialog->TaskLog().size();
    test::WriteFile(home() + "release", "");
    ASSERT_TRUE(Eventually([&] {
        return host.shown() == HeadlessHost::Shown::kNormal && dialog->externalToolPid.load() == 0;
    }));
    ASSERT_TRUE(WaitIdle());
    // The keyboard is scanned and read again.
    const auto log = dialog->TaskLog();
    ASSERT_GT(log.size(), mark);
    EXPECT_EQ(log[mark].code, kTaskDeviceInstall);
    EXPECT_TRUE(dialog->session.deviceOnline.load());
    EXPECT_GT(sim->OpenHandles(), 0u);
}

struct FirmwareCase {
    uint16_t firmware;  // shown as hexadecimal digits: 0x011a is "11a"
    bool offered;
};

class FirmwareButtonTest : public FirmwareToolTest,
                           public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareButtonTest, ComparesTheLeadingDecimalDigitsWithTheToolsVersion) {
    const FirmwareCase c = GetParam();
    StartWithFirmware(c.firmware);
    const std::string missing = home() + "firmwares/zanvor_k9_0114";
    Tool().SetToolPath(missing);
    PickKeyboard();  // declines the offer, if any
    EXPECT_EQ(dialogs.HistoryOf("question").size(), c.offered ? 1u : 0u);

    dialogs.ClearHistory();
    dialog->OnMessage(kIdFirmwareButton, 1);
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Firmware update");
    if (c.offered) {
        // The tool would be started: here it is missing, which the user is told.
        EXPECT_EQ(messages[0].text, LoadText("KB.DIALOG", 1547) + "\n" + missing);
    } else {
        EXPECT_EQ(messages[0].text, "You have the latest version.");
    }
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);
    EXPECT_EQ(dialog->externalToolPid.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, FirmwareButtonTest,
    ::testing::Values(FirmwareCase{0x0114, true}, FirmwareCase{0x011a, true},  // "11a" reads as 11
                      FirmwareCase{0x0115, false}, FirmwareCase{0x0120, false}),
    [](const auto& info) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", info.param.firmware);
        return test::CaseName(
            std::string("Firmware_") + hex + (info.param.offered ? "_offered" : "_latest"),
            info.index);
    });

// Ways the keyboard's firmware version stays unknown; none may start the tool or offer it.
enum class UnknownFirmware { kNotRead, kReadFailed, kVersionZero };

class UnknownFirmwareTest : public FirmwareToolTest,
                            public ::testing::WithParamInterface<UnknownFirmware> {};

TEST_P(UnknownFirmwareTest, NothingIsOfferedOrStartedWhileTheVersionIsUnknown) {
    const UnknownFirmware c = GetParam();
    StartWithFirmware(c == UnknownFirmware::kVersionZero ? 0x0000 : 0x0114);
    Tool().SetToolPath(WaitingTool());
    if (c == UnknownFirmware::kReadFailed) {
        sim->RefuseCommand(0x12, true);  // the device information
    }
    if (c != UnknownFirmware::kNotRead) {
        dialogs.QueueAnswer(true);
        PickKeyboard();
    }
    EXPECT_TRUE(dialogs.HistoryOf("question").empty()) << "no offer for an unknown version";

    dialogs.ClearHistory();
    dialog->OnMessage(kIdFirmwareButton, 1);
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadText("KB.DIALOG", 1550));
    EXPECT_EQ(messages[0].caption, "Firmware update");
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(fs::exists(home() + "started")) << "the tool was started";
    EXPECT_EQ(dialog->externalToolPid.load(), 0);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);
}

std::string UnknownFirmwareName(const ::testing::TestParamInfo<UnknownFirmware>& info) {
    switch (info.param) {
        case UnknownFirmware::kNotRead:
            return "NotRead";
        case UnknownFirmware::kReadFailed:
            return "ReadFailed";
        case UnknownFirmware::kVersionZero:
            return "VersionZero";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Cases, UnknownFirmwareTest,
                         ::testing::Values(UnknownFirmware::kNotRead, UnknownFirmware::kReadFailed,
                                           UnknownFirmware::kVersionZero),
                         UnknownFirmwareName);

TEST_F(FirmwareToolTest, EachFirmwareVersionIsOfferedOnceAndTheSettingsPageKeepsShowingIt) {
    StartWithFirmware(0x0114);
    const std::string missing = home() + "firmwares/zanvor_k9_0114";
    Tool().SetToolPath(missing);
    PickKeyboard();  // the offer, declined
    ASSERT_EQ(dialogs.HistoryOf("question").size(), 1u);

    // The keyboard is read again (picked again, plugged in again): no second question.
    dialogs.ClearHistory();
    PickKeyboard();
    EXPECT_TRUE(dialogs.HistoryOf("question").empty());
    EXPECT_EQ(dialog->session.Info().firmwareOffer, 1);
    EXPECT_EQ(dialog->mainView.InfoLabel(1), "New version: v1.15");
    EXPECT_EQ(dialog->mainView.InfoLabel(2), "Firmware update");
    // The button still offers the tool.
    dialog->OnMessage(kIdFirmwareButton, 1);
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadText("KB.DIALOG", 1547) + "\n" + missing);

    // A version other than the one offered last is offered again.
    ASSERT_TRUE(WriteRegistryText(kFirmwareOfferedValue, "114"));
    dialogs.ClearHistory();
    PickKeyboard();
    EXPECT_EQ(dialogs.HistoryOf("question").size(), 1u);
    EXPECT_EQ(ReadRegistryText(kFirmwareOfferedValue), "115");
}

TEST_F(FirmwareToolTest, AToolThatCannotStartLeavesTheProgramAsItWas) {
    StartWithFirmware(0x0114);
    const std::string path = home() + "zanvor_k9_0114";
    test::WriteFile(path, "#!/bin/sh\n");  // not executable
    Tool().SetToolPath(path);
    PickKeyboard();
    dialogs.ClearHistory();
    dialog->OnMessage(kIdFirmwareButton, 1);
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.substr(0, LoadText("KB.DIALOG", 1548).size()),
              LoadText("KB.DIALOG", 1548));
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);
    EXPECT_EQ(dialog->externalToolPid.load(), 0);
    EXPECT_GT(sim->OpenHandles(), 0u);
}

TEST_F(FirmwareToolTest, TheCommandLineNeverAnswersTheFirmwareOffer) {
    CliOptions options;
    options.simulate = true;
    options.simulateSpec = "102";
    options.deviceType = 102;
    options.yes = true;  // the answer to every question a command asks
    CliSession cli(options);
    std::string error;
    ASSERT_EQ(cli.Start(error), kCliOk) << error;
    ASSERT_EQ(cli.Dlg().session.Info().firmwareOffer, 1) << "firmware 1.14 is offered 1.15";
    for (const auto& shown : cli.Dialogs().History()) {
        EXPECT_NE(shown.kind, "question") << shown.text;
    }
    EXPECT_EQ(cli.Dlg().externalToolPid.load(), 0);
}

}  // namespace
}  // namespace zanvor
