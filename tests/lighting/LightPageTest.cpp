#include <functional>

#include <gtest/gtest.h>

#include "LightFixture.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"

namespace zanvor::test {
namespace {

std::vector<int> ListData(const ComboBox& list) {
    std::vector<int> data;
    for (const ComboItem& item : list.GetItems()) {
        data.push_back(item.data);
    }
    return data;
}

TEST_F(LightPageTest, TheMainZoneListsItsModesAndOneEntryForTheCustomSets) {
    Start(101);
    std::vector<int> expected;
    for (int mode = 0; mode <= 20; ++mode) {
        expected.push_back(mode);
    }
    expected.push_back(0x80);
    EXPECT_EQ(ListData(page->modeList), expected);
    EXPECT_EQ(page->modeList.GetItems()[3].text, LoadText("KB.DIALOG", 123));
    EXPECT_EQ(page->modeList.GetCurData(), 1);
    EXPECT_EQ(session.light.mode.load(), 1);
    EXPECT_TRUE(page->lightSwitch.GetCheck());

    // The zone tabs follow the keyboard's zones; choosing one sends nothing.
    page->SelectLightZone(kLightZone1);
    EXPECT_EQ(ListData(page->modeList), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(page->customSets.IsVisible());
    EXPECT_FALSE(page->liveMirrorSwitch.IsVisible());
    EXPECT_TRUE(poster.tasks.empty());
    EXPECT_TRUE(Writes().empty());
}

TEST_F(LightPageTest, SliderRangesComeFromTheZonesMaxima) {
    Start(101, [](VirtualKeyboardModel& model) {
        model.main_max_brightness = 4;
        model.main_max_speed = 5;
        model.zone1_max_brightness = 0;  // reports nothing: the ranges stay
    });
    EXPECT_EQ(page->brightness.GetMax(), 4);
    EXPECT_EQ(page->speed.GetMin(), 1);
    EXPECT_EQ(page->speed.GetMax(), 5);
    page->SelectLightZone(kLightZone1);
    EXPECT_EQ(page->brightness.GetMax(), 4);
    EXPECT_EQ(page->speed.GetMax(), 5);
}

TEST_F(LightPageTest, TheZone2TabIsNamedForTheLightBarModel) {
    Start(102);
    EXPECT_EQ(page->zoneTabs.GetItems()[2].text, LoadText("KB.DIALOG", 173));
}

TEST_F(LightPageTest, ThePanelShowsExactlyTheControlsOfTheModesFlags) {
    Start(101);
    struct Case {
        int mode;
        bool brightness, speed, palette, button;
    };
    const Case cases[] = {
        {0, false, false, false, false},  // lighting off: no parameters
        {1, true, true, true, true},      // 0x033
        {2, true, true, false, false},    // 0x003
        {4, true, false, true, true},     // 0x031
    };
    for (const Case& c : cases) {
        ChooseMode(c.mode);
        EXPECT_EQ(page->brightness.IsVisible(), c.brightness) << c.mode;
        EXPECT_EQ(page->speed.IsVisible(), c.speed) << c.mode;
        if (c.speed) {
            EXPECT_EQ(page->speed.GetPos(), 3) << c.mode;
        }
        EXPECT_EQ(page->colorWheel.IsVisible(), c.palette) << c.mode;
        EXPECT_EQ(page->red.IsVisible(), c.palette) << c.mode;
        EXPECT_EQ(page->colorButton.IsVisible(), c.button) << c.mode;
        EXPECT_EQ(page->colorfulBox.IsVisible(), c.button) << c.mode;
    }
}

TEST_F(LightPageTest, OnTheEncoderModelZone2Mode4HasNoColourfulBox) {
    Start(103);
    page->SelectLightZone(kLightZone2);
    ChooseMode(4);
    EXPECT_TRUE(page->colorWheel.IsVisible());
    EXPECT_FALSE(page->colorfulBox.IsVisible());
}

TEST_F(LightPageTest, ColourFieldsAreClampedAndTheColourTakesTheirValues) {
    Start(101);
    ChooseMode(4);
    poster.tasks.clear();
    page->green.SetText("16");
    page->blue.SetText("0");
    page->red.Type("300");
    page->OnColorFieldChanged(page->red);
    EXPECT_EQ(page->red.GetText(), "255");
    const LightData row = Row(kLightMain, 4);
    EXPECT_EQ(row.color_value, 0x0010FF);
    EXPECT_EQ(row.colorful, 0) << "a colour chosen clears the multi-colour box";
    EXPECT_FALSE(page->colorfulBox.GetCheck());
    EXPECT_EQ(page->colorButton.GetColor(), 0x0010FFu);
    ASSERT_FALSE(poster.tasks.empty());
    for (int task : poster.tasks) {
        EXPECT_EQ(task, kTaskWriteLightMode);
    }
}

TEST_F(LightPageTest, ColourChangesPostOnlyWhenTheWorkerIsIdleSlidersAlways) {
    Start(101);
    ChooseMode(4);
    poster.tasks.clear();
    poster.busy = true;
    page->OnPaletteColor(0x00FF00);  // the box is cleared and the colour stored, nothing posted
    page->OnPaletteColor(0xFF0000);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskWriteLightMode}))
        << "the colourful box's change always posts";
    EXPECT_EQ(Row(kLightMain, 4).color_value, 0xFF0000);
    poster.tasks.clear();
    page->brightness.SetPos(50);
    page->SetLightBrightness(50);
    page->SetLightSpeed(2);
    page->SetLightDirection(1);
    EXPECT_EQ(poster.tasks,
              (std::vector<int>{kTaskWriteLightMode, kTaskWriteLightMode, kTaskWriteLightMode}));
    const LightData row = Row(kLightMain, 4);
    EXPECT_EQ(row.brightness, 50);
    EXPECT_EQ(row.speed, 2);
    EXPECT_EQ(row.direction, 1);
}

TEST_F(LightPageTest, LightingOffGoesToMode0AndOnBringsBackTheActiveMode) {
    Start(101);
    ChooseMode(7);
    page->SetLightEnabled(false);
    std::string value;
    store.GetConfigValue(1, "enable_light", value);
    EXPECT_EQ(value, "0");
    EXPECT_EQ(session.light.mode.load(), 0);
    EXPECT_EQ(store.GetActiveLightMode(1, kLightMain), 7) << "the active mark stays";

    // A reload keeps it off; on brings mode 7 back.
    page->LoadLightZone();
    EXPECT_FALSE(page->lightSwitch.GetCheck());
    EXPECT_EQ(session.light.mode.load(), 0);
    page->SetLightEnabled(true);
    EXPECT_EQ(session.light.mode.load(), 7);
}

TEST_F(LightPageTest, TheCustomEntryOpensTheFirstSetAndStopsTheMirror) {
    Start(101);
    page->SetLiveMirror(true);
    ChooseMode(0x80);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskWriteCustomLightMode, kTaskReadKeyColors}));
    EXPECT_EQ(session.light.mode.load(), 0x80);
    EXPECT_EQ(page->customSets.GetCurData(), 0x80);
    EXPECT_EQ(page->picture.GetKeyboardCtrlMode(), kPicturePerKey);
    EXPECT_FALSE(session.liveMirrorOn.load());
    EXPECT_FALSE(page->liveMirrorSwitch.GetCheck());

    // A built-in mode with the mirror on shows per-key colours, without it plain keys.
    ChooseMode(3);
    EXPECT_EQ(page->picture.GetKeyboardCtrlMode(), kPicturePlain);
    page->SetLiveMirror(true);
    EXPECT_EQ(page->picture.GetKeyboardCtrlMode(), kPicturePerKey);
}

TEST_F(LightPageTest, TheChosenCustomSetStaysTheProfilesChoice) {
    Start(101);
    ChooseMode(0x80);
    ChooseSet(0x83);
    EXPECT_EQ(store.GetActiveLightMode(1, kLightMain), 0x83);
    // Back on the page later: the list shows the custom entry and that set.
    page->customSets.SetCurSel(0);
    page->LoadLightZone();
    EXPECT_EQ(page->modeList.GetCurData(), 0x80);
    EXPECT_EQ(page->customSets.GetCurData(), 0x83);
    EXPECT_EQ(session.light.mode.load(), 0x83);
}

TEST_F(LightPageTest, PaintingStoresEveryKeyOfTheSetAndPostsTheLayer) {
    Start(101);
    ChooseMode(0x80);
    RunPosted();
    page->picture.ClickKey(0x04);
    page->picture.ClickKey(0x05, true);
    page->OnPaletteColor(0x0000FF);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskWriteLightLayer}));
    std::vector<UserLightRgbData> rows;
    EXPECT_EQ(store.ListUserLightColors(1, 0x80, rows),
              static_cast<int>(page->picture.ItemCount()));
    for (const UserLightRgbData& row : rows) {
        const bool painted = row.key_code == 0x04 || row.key_code == 0x05;
        EXPECT_EQ(row.key_rgb == 0x0000FF, painted) << row.key_code;
    }

    // A click on a key paints it with that colour and always posts the layer.
    poster.tasks.clear();
    poster.busy = true;
    page->picture.ClickKey(0x06);
    page->OnPictureEvent(KeyboardCtrl::kEventKeyClicked);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskWriteLightLayer}));
    UserLightRgbData stored;
    store.ListUserLightColors(1, 0x80, rows);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const UserLightRgbData& row) {
        return row.key_code == 0x06 && row.key_rgb == 0x0000FF;
    }));
}

TEST_F(LightPageTest, TheApplyButtonWritesTheModeOrTheSet) {
    Start(101);
    page->OnApply();
    ChooseMode(0x80);
    poster.tasks.clear();
    page->OnApply();
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskWriteLightLayer}));
}

// A set whose colours exist only on the keyboard (the profile never painted it) is never
// blanked: Apply and a profile switch take the keyboard's colours into the profile instead of
// writing a table built from no rows.
TEST_F(LightPageTest, ASetThatWasNeverPaintedIsAdoptedNotBlanked) {
    const struct {
        const char* what;
        std::function<TaskResult(LightPage&)> write;
    } cases[] = {
        {"apply", [](LightPage& page) { return page.TaskWriteLightLayer(); }},
        {"profile switch", [](LightPage& page) { return page.ApplyProfileLighting(); }},
    };
    Start(101);
    ChooseMode(0x80);
    ChooseSet(0x81);
    poster.tasks.clear();
    Bytes colours(384);
    for (size_t i = 0; i < colours.size(); ++i) {
        colours[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store.DeleteUserLightColors(1, 0x81);
        Bytes sent = colours;
        ASSERT_TRUE(manager->WriteBlock(0x25, sent));
        sim->ClearReports();

        EXPECT_TRUE(c.write(*page).ok);
        EXPECT_EQ(Keyboard().BlockData(0x25), colours) << "the keyboard's set is untouched";
        EXPECT_TRUE(BlockWritten(0x25).empty());
        std::vector<UserLightRgbData> rows;
        ASSERT_GT(store.ListUserLightColors(1, 0x81, rows), 0) << "the profile took them over";
        for (const UserLightRgbData& row : rows) {
            const int led = session.LightMap().LedOf(row.key_code);
            ASSERT_GE(led, 0);
            const size_t at = 3 * static_cast<size_t>(led);
            EXPECT_EQ(static_cast<uint32_t>(row.key_rgb),
                      MakeColor(colours[at], colours[at + 1], colours[at + 2]))
                << row.key_code;
        }
    }
}

// A set whose read failed shows black keys that are not the keyboard's colours: a paint stroke
// or a colour choice stores and writes nothing and says why; after a good read painting works.
TEST_F(LightPageTest, PaintingOverASetThatCouldNotBeReadChangesNothing) {
    Start(101);
    ChooseMode(0x80);
    RunPosted();
    page->picture.ClickKey(0x04);
    page->OnPaletteColor(0x00FF00);
    RunPosted();
    std::vector<UserLightRgbData> before;
    ASSERT_GT(store.ListUserLightColors(1, 0x80, before), 0);

    sim->RefuseCommand(0x22, true);
    ChooseSet(0x80);
    RunPosted();
    sim->ClearReports();
    page->picture.ClickKey(0x05);
    page->OnPictureEvent(KeyboardCtrl::kEventKeyClicked);
    page->OnPaletteColor(0x0000FF);
    ASSERT_FALSE(poster.tasks.empty());
    const TaskResult result = page->TaskWriteLightLayer();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, LoadText("KB.DIALOG", kTextSetColorsUnread));
    EXPECT_TRUE(BlockWritten(0x23).empty()) << "nothing written over colours never read";
    std::vector<UserLightRgbData> after;
    store.ListUserLightColors(1, 0x80, after);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].key_rgb, before[i].key_rgb) << after[i].key_code;
    }

    sim->RefuseCommand(0x22, false);
    poster.tasks.clear();
    ChooseSet(0x80);
    RunPosted();
    page->picture.ClickKey(0x05);
    page->OnPaletteColor(0x0000FF);
    RunPosted();
    EXPECT_FALSE(BlockWritten(0x23).empty());
}

// Without the keyboard's LED positions (the connection read is not complete) no colour table
// is written: the job says why and the profile is written once the read completes.
TEST_F(LightPageTest, NoColourTableIsWrittenBeforeTheConnectionRead) {
    Start(101);
    ChooseMode(0x80);
    RunPosted();
    page->picture.ClickKey(0x04);
    page->OnPaletteColor(0x00FF00);
    poster.tasks.clear();
    sim->ClearReports();
    session.BeginConnection();
    EXPECT_EQ(session.LightMap().LedOf(0x04), -1) << "a new connection forgets the old map";

    const TaskResult result = page->TaskWriteLightLayer();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, LoadText("KB.DIALOG", kTextLightingNotRead));
    EXPECT_FALSE(page->ApplyProfileLighting().ok);
    EXPECT_TRUE(BlockWritten(0x23).empty());
    EXPECT_TRUE(session.tableWritePending.load());
}

}  // namespace
}  // namespace zanvor::test
