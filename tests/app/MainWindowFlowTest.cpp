#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "keys/ExchangeFile.h"
#include "platform/Registry.h"
#include "store/Records.h"
#include "ui/ComboBox.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"
#include "ui/WindowMessages.h"

namespace zanvor {
namespace {

constexpr int kUsageA = 0x04;
constexpr int kMediaVolumeUp = 104;

// The main window's commands across pages, on a virtual keyboard: picking the keyboard,
// switching profiles, resetting, loading a model whose layout is broken.
class MainWindowFlowTest : public test::SimSessionTest {
  protected:
    void PickKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
    }

    size_t WritesOf(uint8_t command) {
        size_t count = 0;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 2 && report.bytes[2] == command) {
                ++count;
            }
        }
        return count;
    }
};

TEST_F(MainWindowFlowTest, PickingTheKeyboardLoadsProfilesAndReadsItsState) {
    Start("101:cable");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    EXPECT_EQ(pages.profile.List().GetItemCount(), 3);
    EXPECT_EQ(dialog->session.currentProfile.load(), 1);
    const DeviceInfo info = dialog->session.Info();
    EXPECT_TRUE(info.valid);
    EXPECT_TRUE(info.knobPresent);
    // The virtual keyboard's firmware 0x0120; a failed read would show "v1.00".
    EXPECT_EQ(dialog->mainView.InfoLabel(0), "Firmware: v1.20");
    EXPECT_EQ(pages.settings.sleepList.GetCurData(), 2);
}

TEST_F(MainWindowFlowTest, ExportFromTheContextMenuWritesTheEntryItWasOpenedOn) {
    Start("101:cable");
    PickKeyboard(101);
    ProfileList& list = dialog->Pages().profile.List();
    ASSERT_EQ(list.GetItemCount(), 3);
    ASSERT_EQ(list.GetCurData(), 1);
    const std::string second = list.GetItemText(1);
    ASSERT_NE(second, list.GetItemText(0));

    // Right-click the second entry while the first is the active profile, then Export.
    list.RequestContext(1);
    const std::string path = home() + "second.xml";
    dialogs.QueueFile(path);
    dialog->OnProfileMenuCommand(ProfilePage::kCommandExport);
    ASSERT_TRUE(WaitIdle());

    std::string name;
    std::vector<KeyMacroData> rows;
    ASSERT_EQ(ReadExchangeFile(path, name, rows), ExchangeReadResult::Ok);
    EXPECT_EQ(name, second);
    EXPECT_EQ(list.GetCurData(), 1) << "the active profile stays selected";
    EXPECT_EQ(dialog->session.currentProfile.load(), 1);
}

TEST_F(MainWindowFlowTest, SwitchingProfilesSendsTheWholeProfileAndClosesTheBusyDialog) {
    Start("101:cable");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    ASSERT_EQ(pages.profile.List().GetItemCount(), 3);
    // The second profile gives A "volume up" on layer 0; the first keeps A.
    const int second = pages.profile.List().GetItemData(1);
    KeyMacroData a;
    ASSERT_TRUE(store.GetKey(second, 0, kUsageA, a));
    a.macro_type = 6;
    a.macro_value = kMediaVolumeUp;
    ASSERT_TRUE(store.UpdateKey(a));
    const int index = dialog->session.KeyMapsCopy().codeToKeyIndex.at(kUsageA);
    const auto entryOfA = [&] {
        const std::vector<uint8_t> table = sim->Keyboard(101)->BlockData(0x1B);
        const size_t at = static_cast<size_t>(3 * index);
        return table.size() >= at + 3
                   ? std::vector<uint8_t>(table.begin() + at, table.begin() + at + 3)
                   : std::vector<uint8_t>();
    };

    sim->ClearReports();
    pages.profile.List().ClickItem(1);
    EXPECT_TRUE(dialogs.BusyShown());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(dialog->session.currentProfile.load(), second);
    EXPECT_EQ(store.GetActiveProfile(), second);
    for (uint8_t layerCommand : {0x1B, 0x1D, 0x1F, 0x21}) {
        EXPECT_GT(WritesOf(layerCommand), 0u) << "layer table command " << int(layerCommand);
    }
    EXPECT_EQ(entryOfA(), (std::vector<uint8_t>{0x30, 0xE9, 0x00})) << "volume up on A";
    EXPECT_FALSE(dialogs.BusyShown());

    pages.profile.List().ClickItem(0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(entryOfA(), (std::vector<uint8_t>{0x10, 0x00, 0x04})) << "A again";
}

TEST_F(MainWindowFlowTest, SwitchingProfilesGivesTheKeyboardTheProfilesSettings) {
    Start("101:cable");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    const int second = pages.profile.List().GetItemData(1);
    ASSERT_TRUE(store.UpdateConfigValue(second, "mac_mode", "1"));
    ASSERT_TRUE(store.UpdateConfigValue(second, "sleep_time", "10"));
    ASSERT_TRUE(store.UpdateConfigValue(second, "key_keyresponse", "16"));
    // Lighting protocol 2: Mac mode in byte 39, key response in 42, sleep seconds in 46-48.
    const auto settingsBytes = [&] {
        const std::vector<uint8_t> block = sim->Keyboard(101)->BlockData(0x14);
        return std::vector<uint8_t>{block.at(39), block.at(42), block.at(46), block.at(47),
                                    block.at(48)};
    };
    const std::vector<uint8_t> first = settingsBytes();

    pages.profile.List().ClickItem(1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(settingsBytes(), (std::vector<uint8_t>{1, 16, 0x58, 0x02, 0x00}));
    EXPECT_EQ(pages.settings.macSwitch.GetCheck(), 1);
    EXPECT_EQ(pages.settings.sleepList.GetCurData(), 10);
    EXPECT_EQ(pages.settings.keyResponseList.GetCurData(), 16);

    pages.profile.List().ClickItem(0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(settingsBytes(), first) << "the first profile's settings are back on the keyboard";
    EXPECT_EQ(pages.settings.macSwitch.GetCheck(), 0);
}

TEST_F(MainWindowFlowTest, TheKnobDrawingSwitchIsShownOnlyForTheModelWhosePictureItChanges) {
    Start("101:cable,103:cable");
    SwitchButton& encoderSwitch = dialog->Pages().settings.encoderSwitch;
    PickKeyboard(103);
    EXPECT_TRUE(encoderSwitch.IsVisible());
    PickKeyboard(101);
    EXPECT_FALSE(encoderSwitch.IsVisible()) << "it would do nothing on this model";
    PickKeyboard(103);
    EXPECT_TRUE(encoderSwitch.IsVisible());
}

TEST_F(MainWindowFlowTest, ResetDeletesTheDatabaseResetsTheKeyboardAndReloadsProfiles) {
    Start("101:cable");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    ASSERT_EQ(pages.profile.AddProfile(), 4);
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(pages.profile.List().GetItemCount(), 4);

    dialogs.QueueAnswer(false);
    EXPECT_FALSE(dialog->ResetToDefaults());
    EXPECT_EQ(pages.profile.List().GetItemCount(), 4) << "a declined reset changes nothing";

    sim->ClearReports();
    dialogs.QueueAnswer(true);
    ASSERT_TRUE(dialog->ResetToDefaults());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(WritesOf(0x31), 1u);
    EXPECT_EQ(pages.profile.List().GetItemCount(), 3);
    std::vector<ProfileData> profiles;
    EXPECT_EQ(store.LoadProfiles(profiles), 3);
    EXPECT_EQ(profiles.front().profile, 1) << "a fresh database hands out ids from 1 again";
    EXPECT_FALSE(dialogs.BusyShown());
}

// The reset ends with one message naming what was reset, after the busy dialog.
TEST_F(MainWindowFlowTest, ResetEndsWithAMessageSayingWhatWasReset) {
    Start("101:cable");
    PickKeyboard(101);
    dialogs.ClearHistory();
    dialogs.QueueAnswer(true);
    ASSERT_TRUE(dialog->ResetToDefaults());
    ASSERT_TRUE(WaitIdle());
    const auto shown = dialogs.History();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2].kind, "busy");
    EXPECT_EQ(shown.back().kind, "message");
    EXPECT_EQ(shown.back().text, LoadText("KB.DIALOG", 1969));
    EXPECT_EQ(shown.back().caption, LoadText("KB.DIALOG", 552));
}

// A link that nothing on the desktop can open is reported in the window with its address.
TEST_F(MainWindowFlowTest, ALinkNothingCanOpenIsReportedWithItsAddress) {
    Start("101:cable");
    const std::string url = "https://example.org/faq";
    dialog->OpenLink(url);
    EXPECT_TRUE(dialogs.HistoryOf("message").empty()) << "the link was opened";

    host.SetOpenerMissing(true);
    dialog->OpenLink(url);
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(url), std::string::npos) << messages[0].text;
    EXPECT_EQ(messages[0].caption, LoadText("KB.DIALOG", 1968));
    EXPECT_EQ(host.openedUrls().size(), 2u);
}

TEST_F(MainWindowFlowTest, ResetWithoutAKeyboardOnlineIsRefusedBeforeAnythingIsDeleted) {
    Start("101:cable");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    ASSERT_EQ(pages.profile.AddProfile(), 4);
    ASSERT_TRUE(WaitIdle());
    sim->Unplug(101, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));

    dialogs.ClearHistory();
    dialogs.QueueAnswer(true);
    EXPECT_FALSE(dialog->ResetToDefaults());
    std::vector<ProfileData> profiles;
    EXPECT_EQ(store.LoadProfiles(profiles), 4) << "the database keeps every profile";
    const auto shown = dialogs.History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "message");
    EXPECT_EQ(shown[0].text, LoadText("KB.DIALOG", kTextNoKeyboardOnline));
}

TEST_F(MainWindowFlowTest, ABusyDialogWaitingForADroppedTaskIsClosedWithAMessage) {
    Start("101:receiver");
    PickKeyboard(101);
    DevicePages& pages = dialog->Pages();
    const int second = pages.profile.List().GetItemData(1);
    ASSERT_TRUE(store.UpdateConfigValue(second, "mac_mode", "1"));
    // The keyboard switches off behind its receiver: the flags drop before the next task.
    dialog->session.deviceOnline = false;
    dialogs.ClearHistory();
    pages.profile.List().ClickItem(1);
    ASSERT_TRUE(dialogs.BusyShown());
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(dialogs.BusyShown());
    bool told = false;
    for (const auto& entry : dialogs.History()) {
        told = told ||
               (entry.kind == "message" && entry.text == LoadText("KB.DIALOG", kTextTaskDropped));
    }
    EXPECT_TRUE(told);
    EXPECT_TRUE(dialog->session.tableWritePending.load())
        << "the profile goes to the keyboard when it is back";

    // Back on the air: the read keeps the profile's settings and the keyboard gets them.
    sim->SetReceiverLink(101, false);
    ASSERT_TRUE(WaitIdle());
    sim->SetReceiverLink(101, true);
    ASSERT_TRUE(Eventually([&] {
        return dialog->session.deviceOnline.load() && !dialog->session.tableWritePending.load() &&
               dialog->Idle();
    }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(store.GetConfigInt(second, "mac_mode"), 1);
    EXPECT_EQ(sim->Keyboard(101)->BlockData(0x14).at(39), 1) << "Mac mode on the keyboard";
}

TEST_F(MainWindowFlowTest, TheLayerControlFollowsTheLayerAfterTheProfileListLoads) {
    Start("101:cable");
    PickKeyboard(101);
    KeyAssignmentPage& keys = dialog->Pages().keys;
    keys.Layers().ChooseLayer(2);
    ASSERT_EQ(dialog->session.currentLayer.load(), 2);
    dialog->PostTask(kTaskReloadProfiles);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(dialog->session.currentLayer.load(), 0);
    EXPECT_EQ(keys.Layers().GetCurKeyLayer(), 0);
}

TEST_F(MainWindowFlowTest, ABrokenLayoutKeepsThePreviousKeysButStillOpensTheDatabase) {
    // An application folder of our own whose 160 layout is not XML.
    test::TempDir appFolder;
    std::filesystem::copy(test::StagedAppFolder() + "config.xml", appFolder.path() + "config.xml");
    std::filesystem::copy(test::StagedAppFolder() + "layouts", appFolder.path() + "layouts");
    std::filesystem::copy(test::StagedAppFolder() + "language", appFolder.path() + "language");
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ReadCatalogueFile(appFolder.path(), catalogue));
    const KeyboardEntry* mini = FindKeyboard(catalogue.keyboards, 160);
    ASSERT_NE(mini, nullptr);
    test::WriteFile(LayoutFilePath(appFolder.path(), mini->layoutName), "not a layout");
    SetApplicationFolder(appFolder.path());

    Start("101:cable");
    const size_t keysBefore = dialog->keyboardCtrl.GetKeyItems().size();
    ASSERT_GT(keysBefore, 0u);
    dialog->Keyboards().LoadLayout(160);
    EXPECT_EQ(dialog->keyboardCtrl.GetKeyItems().size(), keysBefore);
    EXPECT_TRUE(store.IsOpen());
    EXPECT_EQ(store.Path(), DataFolder() + "db/" + mini->name + "_data.db");
    for (int tab = 1; tab <= 3; ++tab) {
        EXPECT_FALSE(dialog->mainView.TabVisible(tab)) << "tabs still follow the model";
    }
}

}  // namespace
}  // namespace zanvor

namespace zanvor {
namespace {

class MainWindowCommandsTest : public test::SimSessionTest {};

TEST_F(MainWindowCommandsTest, StartupWithTheRememberedKeyboardOnlineOpensItsPagesReady) {
    Start("101:cable");
    EXPECT_EQ(dialog->Pages().profile.List().GetItemCount(), 3);
    EXPECT_TRUE(dialog->session.Info().valid);
    EXPECT_GE(host.secondaryClosed(), 1) << "a device selection closes secondary windows";
}

TEST_F(MainWindowCommandsTest, BackgroundMenuStoresThePictureForThePageShown) {
    Start("101:cable");
    const std::string picture = home() + "wallpaper.png";
    test::WriteFile(picture, "png");
    dialog->mainView.SelectPage(kPageHome);
    dialogs.QueueFile(picture);
    dialog->OnWindowMessage(kMsgBackgroundMenu, 100, 0);
    EXPECT_EQ(ReadRegistryText("theme_bkg_gif"), picture);
    EXPECT_EQ(ReadRegistryText("theme_bkg"), "");

    dialog->mainView.SelectPage(kPageKeys);
    dialogs.QueueFile(home() + "missing.png");
    dialog->OnWindowMessage(kMsgBackgroundMenu, 100, 0);
    EXPECT_EQ(ReadRegistryText("theme_bkg"), "") << "a file that does not exist is not stored";

    dialog->OnWindowMessage(kMsgBackgroundMenu, 101, 0);
    EXPECT_EQ(ReadRegistryText("theme_bkg_gif"), "");
}

TEST_F(MainWindowCommandsTest, LanguageSwitchReappliesTheInformationLabels) {
    Start("101:cable");
    ASSERT_EQ(dialog->mainView.InfoLabel(0), "Firmware: v1.20");
    dialog->Pages().application.languageList.ChooseData(1045);
    dialog->PumpMessages();
    EXPECT_EQ(dialog->mainView.InfoLabel(0), "Oprogramowanie układowe: v1.20");
    SetActiveLanguage(1033);
}

TEST_F(MainWindowCommandsTest, LanguageListOffersEveryInstalledLanguageUnderItsOwnName) {
    Start("101:cable");
    ComboBox& list = dialog->Pages().application.languageList;
    std::vector<std::string> names;
    for (const ComboItem& item : list.GetItems()) {
        names.push_back(std::to_string(item.data) + " " + item.text);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"1031 Deutsch", "1033 English", "3082 Español",
                                        "1036 Français", "1045 Polski", "1046 Português (Brasil)",
                                        "1049 Русский", "1041 日本語", "2052 简体中文"}));
    const std::vector<std::pair<int, std::string>> switches = {{1031, "Tastatur-Firmware: v1.20"},
                                                               {1041, "ファームウェア: v1.20"},
                                                               {1033, "Firmware: v1.20"}};
    for (const auto& [lcid, label] : switches) {
        ASSERT_TRUE(list.ChooseData(lcid));
        dialog->PumpMessages();
        EXPECT_EQ(ActiveLanguage(), lcid);
        EXPECT_EQ(ReadRegistryInt(kLcidValue), lcid);
        EXPECT_EQ(dialog->mainView.InfoLabel(0), label);
    }
}

}  // namespace
}  // namespace zanvor
