#include <gtest/gtest.h>

#include "KeyAssignmentFixture.h"
#include "keys/ActionCode.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTables.h"
#include "ui/LoadText.h"

namespace zanvor::test {
namespace {

constexpr int kUsageA = 0x04;
constexpr int kUsageB = 0x05;
constexpr int kUsageEsc = 0x29;
constexpr int kMediaVolumeUp = 104;

// ---- index maps -----------------------------------------------------------------------------

TEST(KeyAssignmentIndexMaps, FactoryEntriesNameTheirKeys) {
    struct Case {
        Bytes entry;
        int usage;  // 0: not mapped
    };
    const std::vector<Case> cases = {
        {{0x10, 0x00, 0x04}, 0x04},  // plain key
        {{0x10, 0x02, 0x00}, 0xE1},  // lone modifier: its mask bit
        {{0x10, 0x80, 0x00}, 0xE7},
        {{0x10, 0x02, 0x05}, 0xE1},  // a single modifier bit wins over byte 2
        {{0x10, 0x03, 0x07}, 0x07},  // several bits: byte 2
        {{0x10, 0x03, 0x00}, 0},     // several bits, no key
        {{0x50, 0x02, 0x00}, 0xF0},  // Fn
        {{0x50, 0x03, 0x00}, 0},
        {{0x30, 0x92, 0x01}, 0xD2},  // calculator key
        {{0x30, 0x24, 0x02}, 0xD1},  // ">-<" key
        {{0x30, 0xE9, 0x00}, 0},     // other media functions stand for no key
        {{0x00, 0x00, 0x00}, 0},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, kKeyTableBytes> table{};
        std::copy(c.entry.begin(), c.entry.end(), table.begin() + 3 * 7);
        const KeyIndexMaps maps = BuildIndexMaps(table);
        EXPECT_EQ(maps.indexToUsage[7], c.usage)
            << std::hex << int(c.entry[0]) << " " << int(c.entry[1]) << " " << int(c.entry[2]);
        if (c.usage > 0) {
            EXPECT_EQ(maps.IndexOf(c.usage), 7);
        }
    }
}

TEST(KeyAssignmentIndexMaps, ALaterEntryOfTheSameUsageWinsAndShortTablesMapNothing) {
    std::array<uint8_t, kKeyTableBytes> table{};
    for (int index : {3, 90}) {
        table[3 * index] = 0x10;
        table[3 * index + 2] = 0x04;
    }
    const KeyIndexMaps maps = BuildIndexMaps(table);
    EXPECT_EQ(maps.IndexOf(0x04), 90);
    EXPECT_EQ(maps.indexToUsage[3], 0x04) << "the earlier index still names the usage";
    EXPECT_EQ(maps.IndexOf(0x05), -1);
    EXPECT_EQ(maps.IndexOf(300), -1);

    const KeyIndexMaps none = BuildIndexMaps(std::span<const uint8_t>(table.data(), 100));
    EXPECT_EQ(none.IndexOf(0x04), -1);
}

// ---- rows of a new profile ------------------------------------------------------------------

TEST_F(KeyPageTest, DefaultRowsGiveEveryKeyButTheKnobFourLayers) {
    Start();
    const auto items = keyboard.GetKeyItems();
    const auto keys = std::count_if(items.begin(), items.end(),
                                    [](const KeyItem& item) { return item.code != 0xFF; });
    ASSERT_LT(keys, static_cast<long>(items.size())) << "the layout has a knob";
    EXPECT_EQ(store.CountKeys(1), 4 * keys);

    const KeyMacroData base = Row(1, 0, kUsageEsc);
    EXPECT_EQ(base.macro_type, 2);
    EXPECT_EQ(base.macro_value, kUsageEsc);
    EXPECT_EQ(base.macro_desc, "Esc");
    EXPECT_EQ(base.layout_value, kUsageEsc);
    EXPECT_EQ(base.layout_desc, "Esc");
    for (int layer = 1; layer < 4; ++layer) {
        const KeyMacroData row = Row(1, layer, kUsageEsc);
        EXPECT_EQ(row.macro_type, 0) << "the Fn layers keep the keyboard's own entry";
        EXPECT_EQ(row.macro_value, 0);
        EXPECT_EQ(row.macro_desc, "");
        EXPECT_EQ(row.layout_desc, "Esc");
    }
    KeyMacroData knobRow;
    EXPECT_FALSE(store.GetKey(1, 0, 0xFF, knobRow));

    page->CreateDefaultKeyRows(1);
    EXPECT_EQ(store.CountKeys(1), 4 * keys) << "a profile with rows keeps them";
}

// ---- reading at connection ------------------------------------------------------------------

TEST_F(KeyPageTest, ConnectingMapsEveryLayoutKeyAndOnlyReads) {
    Start();
    sim->ClearReports();
    ASSERT_TRUE(Connect());
    for (const LayoutKey& key : layout.keys) {
        if (key.code != 0xFF) {
            EXPECT_EQ(page->Tables().IndexOf(key.code), key.keyIndex) << key.name;
        }
    }
    const std::vector<uint8_t> reads = {0x10, 0x16, 0x17, 0x18, 0x19, 0x3E,
                                        0x1A, 0x1C, 0x1E, 0x20, 0x11};
    std::vector<uint8_t> commands = Commands();
    commands.erase(std::unique(commands.begin(), commands.end()), commands.end());
    EXPECT_EQ(commands, reads);
    const Bytes factory = sim->Keyboard(kType)->BlockData(0x17);
    const KeyBuffer buffer = page->Tables().DefaultBuffer(1);
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 384, buffer.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(KeyPageTest, CurrentTablesUpdateTheCurrentProfilesRowsAndTheKnob) {
    Start();
    const int index = LayoutIndex(kUsageA);
    // What an earlier session left in the keyboard: Vol Up on A, layer 1.
    SendTableEntry(*manager, 1, index, ActionCode{0x30, 0xE9, 0x00});
    session.currentProfile = 1;
    ASSERT_TRUE(Connect());

    const KeyMacroData a = Row(1, 1, kUsageA);
    EXPECT_EQ(a.macro_type, 6);
    EXPECT_EQ(a.macro_value, kMediaVolumeUp);
    EXPECT_EQ(a.macro_desc, LoadText("KB.DIALOG", 268));
    EXPECT_EQ(Row(1, 2, kUsageA).macro_type, 0)
        << "a row keeping the factory entry stays so while the keyboard has that entry";

    const auto indices = KnobIndices(sim->Keyboard(kType)->Model());
    const int expected[3] = {105, 104, 106};  // volume down, volume up, mute
    for (int layer = 0; layer < 4; ++layer) {
        for (int action = 0; action < 3; ++action) {
            const KeyMacroData record = page->Tables().KnobRecord(layer, action);
            EXPECT_EQ(record.key_code, indices[action]);
            EXPECT_EQ(record.macro_type, 6);
            EXPECT_EQ(record.macro_value, expected[action]);
            EXPECT_EQ(record.fn_layer, layer);
            EXPECT_EQ(record.profile, 1);
        }
    }
}

TEST_F(KeyPageTest, ProfilesWithoutRowsReceiveACopyOfProfileOnesRows) {
    Start();
    SendTableEntry(*manager, 3, LayoutIndex(kUsageB), ActionCode{0x50, 0x0A, 0x00});
    ASSERT_TRUE(Connect());
    std::vector<KeyMacroData> one;
    std::vector<KeyMacroData> two;
    store.ListProfileKeys(1, one);
    store.ListProfileKeys(2, two);
    ASSERT_EQ(two.size(), one.size());
    EXPECT_EQ(store.CountKeys(3), static_cast<int>(one.size()));
    EXPECT_EQ(Row(2, 3, kUsageB).macro_desc, "BL-MOD") << "the copy carries what was read";
    EXPECT_EQ(Row(3, 0, kUsageEsc).layout_desc, "Esc");

    // A profile with rows of its own keeps them at the next connection.
    KeyMacroData mine = Row(2, 0, kUsageEsc);
    mine.macro_desc = "mine";
    store.UpdateKey(mine);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(Row(2, 0, kUsageEsc).macro_desc, "mine");
    EXPECT_EQ(store.CountKeys(2), static_cast<int>(one.size()));
}

TEST_F(KeyPageTest, ADeletedProfileGetsNoCopiedRows) {
    Start();
    ASSERT_TRUE(store.DeleteProfile(3));
    ASSERT_TRUE(Connect());
    EXPECT_GT(store.CountKeys(2), 0);
    EXPECT_EQ(store.CountKeys(3), 0);
}

TEST_F(KeyPageTest, AFailedTableReadFailsAndKeepsEarlierLayers) {
    Start();
    SendTableEntry(*manager, 0, LayoutIndex(kUsageA), ActionCode{0x30, 0xE9, 0x00});
    sim->RefuseCommand(0x1C, true);
    EXPECT_FALSE(Connect());
    EXPECT_EQ(Row(1, 0, kUsageA).macro_value, kMediaVolumeUp) << "layer 0 was read before";
    EXPECT_EQ(store.CountKeys(2), 0) << "the copy happens only after every table";

    sim->RefuseCommand(0x1C, false);
    sim->RefuseCommand(0x18, true);
    EXPECT_FALSE(Connect());
}

// ---- the typical request ---------------------------------------------------------------------

TEST_F(KeyPageTest, VolumeUpOnLayerOneStoresTheRowThenWritesOneEntry) {
    Start();
    ASSERT_TRUE(Connect());
    layers.ChooseLayer(1);
    page->OnLayerChanged();
    EXPECT_EQ(session.currentLayer.load(), 1);
    ClickKey(kUsageA);
    ShowTab(kTabMedia);
    sim->ClearReports();
    poster.tasks.clear();
    ClickFunction(kMediaVolumeUp);

    // The database first; the keyboard only when the worker runs the job.
    const KeyMacroData row = Row(1, 1, kUsageA);
    EXPECT_EQ(row.macro_type, 6);
    EXPECT_EQ(row.macro_value, kMediaVolumeUp);
    EXPECT_EQ(row.macro_desc, LoadText("KB.DIALOG", 268));
    EXPECT_EQ(poster.tasks, std::vector<int>{kKeyTaskWriteKeyAssignments});
    EXPECT_TRUE(Writes().empty());
    KeyItem item;
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageA, item));
    EXPECT_EQ(item.functionCaption, row.macro_desc);
    EXPECT_EQ(item.functionType, 6);

    page->TaskWriteKeyAssignments();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].command, 0x10);
    EXPECT_EQ(writes[1].command, 0x1D);
    EXPECT_EQ(writes[1].offset, 3 * LayoutIndex(kUsageA));
    EXPECT_EQ(writes[1].length, 3);
    EXPECT_EQ(writes[1].data, (Bytes{0x30, 0xE9, 0x00}));
    EXPECT_EQ(writes[2].command, 0x11);
    EXPECT_EQ(Entry(0x1C, LayoutIndex(kUsageA)), (Bytes{0x30, 0xE9, 0x00}));
    for (const SimReport& report : sim->Reports()) {
        if (!report.to_device && report.bytes.size() > 7 && report.bytes[1] == 0x1D) {
            EXPECT_EQ(report.bytes[7], 0x55);
        }
    }
}

TEST_F(KeyPageTest, RemappedCaptionsFollowALanguageSwitch) {
    Start();
    SetActiveLanguage(1033);
    ClickKey(kUsageA);
    ShowTab(kTabMedia);
    ClickFunction(kMediaVolumeUp);
    ASSERT_EQ(Row(1, 0, kUsageA).macro_desc, "Volume up");

    SetActiveLanguage(1045);
    const std::string polish = LoadText("KB.DIALOG", 268);
    KeyItem item;
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageA, item));
    EXPECT_EQ(item.functionCaption, polish) << "shown again at the switch";
    EXPECT_EQ(keyboard.GetSelectKey(), kUsageA) << "the selection is kept";
    page->TaskReloadKeyLayer();
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageA, item));
    EXPECT_EQ(item.functionCaption, polish) << "and whenever the layer is drawn";
    SetActiveLanguage(1033);
}

TEST_F(KeyPageTest, LayerControlValuesMapOntoFourLayers) {
    Start();
    const std::vector<std::pair<int, int>> cases = {{-1, 0}, {0, 0}, {1, 1},
                                                    {2, 2},  {3, 3}, {5, 3}};
    for (const auto& [value, layer] : cases) {
        EXPECT_EQ(LayerFromControl(value), layer) << value;
        layers.ChooseLayer(value);
        page->OnLayerChanged();
        EXPECT_EQ(session.currentLayer.load(), layer) << value;
    }
    poster.tasks.clear();
    poster.busy = true;
    layers.ChooseLayer(2);
    page->OnLayerChanged();
    EXPECT_TRUE(poster.tasks.empty()) << "the reload is posted only to an idle worker";
}

TEST_F(KeyPageTest, ReloadingCaptionsShowsTheLayersRows) {
    Start();
    KeyMacroData row = Row(1, 2, kUsageA);
    row.macro_type = 12;
    row.macro_value = 10;
    row.macro_desc = "BL-MOD";
    store.UpdateKey(row);
    keyboard.ClickKey(kUsageB);
    session.currentLayer = 2;
    page->TaskReloadKeyLayer();
    KeyItem a;
    KeyItem esc;
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageA, a));
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageEsc, esc));
    EXPECT_EQ(a.functionCaption, "BL-MOD");
    EXPECT_EQ(a.functionType, 12);
    EXPECT_EQ(esc.functionCaption, "");
    EXPECT_EQ(keyboard.GetSelectKey(), 0) << "the selection is reset";
}

// ---- writing ---------------------------------------------------------------------------------

TEST_F(KeyPageTest, RestoreAllDefaultsOnLayerTwoWritesExactlyItsDefaultTable) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData changed;
    changed.macro_type = 6;
    changed.macro_value = kMediaVolumeUp;
    changed.macro_desc = "Vol";
    ASSERT_TRUE(page->SetKeyFunction(2, kUsageA, changed));
    page->TaskWriteKeyAssignments();
    ASSERT_EQ(Entry(0x1E, LayoutIndex(kUsageA)), (Bytes{0x30, 0xE9, 0x00}));

    layers.ChooseLayer(2);
    page->OnLayerChanged();
    dialogs.QueueAnswer(false);
    poster.tasks.clear();
    page->RestoreAllDefaults();
    EXPECT_TRUE(poster.tasks.empty()) << "answered no";
    EXPECT_EQ(Row(1, 2, kUsageA).macro_value, kMediaVolumeUp);

    dialogs.QueueAnswer(true);
    page->RestoreAllDefaults();
    EXPECT_EQ(page->SelectedKey(), kSelectLayer);
    EXPECT_EQ(poster.tasks, std::vector<int>{kKeyTaskWriteKeyAssignments});
    const KeyMacroData restored = Row(1, 2, kUsageA);
    EXPECT_EQ(restored.macro_type, 2);
    EXPECT_EQ(restored.macro_value, kUsageA);
    EXPECT_EQ(restored.macro_desc, "A");

    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    std::vector<uint8_t> commands = Commands();
    EXPECT_EQ(commands.front(), 0x10);
    EXPECT_EQ(commands.back(), 0x11);
    commands.erase(commands.begin());
    commands.pop_back();
    EXPECT_TRUE(std::all_of(commands.begin(), commands.end(), [](uint8_t c) { return c == 0x1F; }));
    const Bytes expected = sim->Keyboard(kType)->BlockData(0x18);
    EXPECT_EQ(BlockWritten(0x1F), expected);
    EXPECT_EQ(sim->Keyboard(kType)->BlockData(0x1E), expected);
}

TEST_F(KeyPageTest, WholeTablesKeepFactoryEntriesForRowsWithoutAFunction) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData none = Row(1, 0, kUsageB);
    none.macro_type = 0;
    none.macro_value = 0;
    store.UpdateKey(none);
    KeyMacroData media = Row(1, 0, kUsageA);
    media.macro_type = 6;
    media.macro_value = kMediaVolumeUp;
    store.UpdateKey(media);

    page->SetSelectedKey(kSelectAllTables);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    for (uint8_t command : {0x1B, 0x1D, 0x1F, 0x21}) {
        EXPECT_EQ(BlockWritten(command).size(), kKeyTableBytes) << int(command);
    }
    const Bytes table = BlockWritten(0x1B);
    const int b = LayoutIndex(kUsageB);
    const int a = LayoutIndex(kUsageA);
    EXPECT_EQ(Bytes(table.begin() + 3 * b, table.begin() + 3 * b + 3), (Bytes{0x10, 0x00, 0x05}));
    EXPECT_EQ(Bytes(table.begin() + 3 * a, table.begin() + 3 * a + 3), (Bytes{0x30, 0xE9, 0x00}));
    EXPECT_EQ(Commands().back(), 0x11);
    // Layer 1 rows carry what the keyboard's table held when it connected.
    const Bytes layer1 = BlockWritten(0x1D);
    EXPECT_EQ(Bytes(layer1.begin() + 3 * a, layer1.begin() + 3 * a + 3), (Bytes{0x10, 0x00, 0x04}));
}

TEST_F(KeyPageTest, OneKeyWithoutARowSendsAnEmptyEntry) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData gone = Row(1, 0, kUsageA);
    gone.macro_value = 0;
    gone.macro_value2 = 0;
    EXPECT_EQ(store.ReplaceKey(gone), 0);  // deletes the row, inserts nothing
    page->SetSelectedKey(kUsageA);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1].command, 0x1B);
    EXPECT_EQ(writes[1].offset, 3 * LayoutIndex(kUsageA));
    EXPECT_EQ(writes[1].data, (Bytes{0x00, 0x00, 0x00}));
}

TEST_F(KeyPageTest, AKeyWithoutAFactoryEntryIsStoredButNeverWritten) {
    int dropped = 0;
    Start([&](VirtualKeyboardModel& model) {
        auto it = std::find_if(model.keys.begin(), model.keys.end(),
                               [](const SimKey& key) { return key.usage == kUsageB; });
        dropped = it->key_index;
        model.keys.erase(it);
    });
    ASSERT_TRUE(Connect());
    EXPECT_EQ(page->Tables().IndexOf(kUsageB), -1);
    ClickKey(kUsageB);
    ShowTab(kTabMedia);
    sim->ClearReports();
    ClickFunction(kMediaVolumeUp);
    EXPECT_EQ(Row(1, 0, kUsageB).macro_value, kMediaVolumeUp);
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x11}));
    EXPECT_EQ(Entry(0x1A, dropped), (Bytes{0x00, 0x00, 0x00}));
}

TEST_F(KeyPageTest, OneKeyOnTheWholeTableFirmwareWritesAllTablesWithoutTheEndCommand) {
    struct Case {
        const char* firmware;
        bool wholeTables;
    };
    Start({}, 102, "pulse_tkl");
    ASSERT_TRUE(Connect());
    for (const Case& c : {Case{"115", true}, Case{"114", false}}) {
        DeviceInfo info = session.Info();
        info.firmwareText = c.firmware;
        session.SetInfo(info);
        KeyMacroData media;
        media.macro_type = 6;
        media.macro_value = kMediaVolumeUp;
        ASSERT_TRUE(page->SetKeyFunction(0, kUsageA, media));
        sim->ClearReports();
        page->TaskWriteKeyAssignments();
        std::vector<uint8_t> commands = Commands();
        commands.erase(std::unique(commands.begin(), commands.end()), commands.end());
        if (c.wholeTables) {
            EXPECT_EQ(commands, (std::vector<uint8_t>{0x10, 0x1B, 0x1D, 0x1F, 0x21}));
            const Bytes table = BlockWritten(0x1B);
            ASSERT_EQ(table.size(), kKeyTableBytes);
            const int a = 3 * LayoutIndex(kUsageA);
            EXPECT_EQ(Bytes(table.begin() + a, table.begin() + a + 3), (Bytes{0x30, 0xE9, 0x00}));
        } else {
            EXPECT_EQ(commands, (std::vector<uint8_t>{0x10, 0x1B, 0x11}));
            EXPECT_EQ(Writes()[1].length, 3);
        }
    }
}

TEST_F(KeyPageTest, NoSelectionWritesOnlyTheBrackets) {
    Start();
    ASSERT_TRUE(Connect());
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x11}));
}

TEST_F(KeyPageTest, ARefusedTableWriteStillEndsTheJobAndKeepsTheRows) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData media;
    media.macro_type = 6;
    media.macro_value = kMediaVolumeUp;
    ASSERT_TRUE(page->SetKeyFunction(2, kUsageA, media));
    page->SetSelectedKey(kSelectAllTables);
    sim->RefuseCommand(0x1F, true);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    const std::vector<uint8_t> commands = Commands();
    EXPECT_EQ(commands.back(), 0x11);
    EXPECT_NE(std::find(commands.begin(), commands.end(), 0x21), commands.end())
        << "the later layers are still written";
    EXPECT_EQ(Row(1, 2, kUsageA).macro_value, kMediaVolumeUp);
}

// ---- page operations -------------------------------------------------------------------------

TEST_F(KeyPageTest, FunctionTabsFillTheListAndShowTheirPanels) {
    Start();
    session.currentLayer = 2;
    page->InitControls();
    EXPECT_EQ(functions.Tabs(), (std::vector<int>{2, 3, 5, 6, 7, 12, 13}));
    EXPECT_EQ(functions.GetCurTab(), kTabKeys);
    EXPECT_EQ(functions.ItemCount(), 103u);
    EXPECT_EQ(layers.GetCurKeyLayer(), 2);
    const std::vector<std::pair<int, size_t>> cases = {
        {kTabKeys, 103}, {kTabMouse, 7}, {kTabMedia, 11}, {kTabShortcuts, 11}, {kTabInternal, 30}};
    for (const auto& [tab, count] : cases) {
        ShowTab(tab);
        EXPECT_EQ(functions.ItemCount(), count) << tab;
        EXPECT_TRUE(functions.ListVisible());
        EXPECT_FALSE(macroPlay.IsVisible());
        EXPECT_FALSE(combination.IsVisible());
    }
    for (int i = 1; i <= 4; ++i) {
        store.InsertMacro("New Macro" + std::to_string(i));
    }
    ShowTab(kTabMacros);
    EXPECT_EQ(functions.ItemCount(), 4u);
    EXPECT_EQ(functions.AllHeight(), 120) << "two started rows of three";
    EXPECT_EQ(functions.Items()[0].caption, LoadText("KB.DIALOG", 351) + "1");
    EXPECT_TRUE(macroPlay.IsVisible());
    EXPECT_EQ(macroPlay.SelectedOption(), 0);
    EXPECT_EQ(macroPlay.CountText(), "1");
    EXPECT_TRUE(macroPlay.CountEnabled());

    ShowTab(kTabCombination);
    EXPECT_FALSE(functions.ListVisible());
    EXPECT_TRUE(combination.IsVisible());
}

TEST_F(KeyPageTest, SelectingAKeyShowsItsFunctionOnlyInAListOfItsType) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData mouse = Row(1, 0, kUsageA);
    mouse.macro_type = 5;
    mouse.macro_value = 90;  // also the usage of keypad 2, which the key list has
    store.UpdateKey(mouse);

    ShowTab(kTabKeys);
    ClickKey(kUsageEsc);
    int code = 0;
    std::string caption;
    ASSERT_TRUE(functions.GetCurValue(code, caption));
    EXPECT_EQ(code, kUsageEsc);
    ClickKey(kUsageA);
    EXPECT_EQ(functions.GetCurSel(), -1);
    EXPECT_EQ(page->SelectedKey(), kUsageA);

    ShowTab(kTabMouse);
    ClickKey(kUsageA);
    ASSERT_TRUE(functions.GetCurValue(code, caption));
    EXPECT_EQ(code, 90);

    bool opened = false;
    knob->SetDialogPresenter([&](KnobConfigDlg&) { opened = true; });
    ClickKey(0xFF);
    EXPECT_TRUE(opened);
}

TEST_F(KeyPageTest, ChoosingWithoutASelectedKeyAsksForOne) {
    Start();
    ShowTab(kTabMedia);
    functions.ClickItem(0);
    page->ChooseFunction();
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].text, LoadText("KB.DIALOG", 230));
    EXPECT_EQ(dialogs.History()[0].caption, LoadText("KB.DIALOG", 231));
    EXPECT_TRUE(poster.tasks.empty());
}

TEST_F(KeyPageTest, MacrosWithoutStepsCannotBeChosenAndChosenMacrosPlayOnce) {
    Start();
    ASSERT_TRUE(Connect());
    const int empty = store.InsertMacro("Empty");
    const int recorded = store.InsertMacro("Recorded");
    MacroRecordData step;
    step.macro_id = recorded;
    step.value = 0x41;
    store.InsertMacroSteps({step});
    MacroData macro;
    ASSERT_TRUE(store.GetMacro(recorded, macro));
    macro.play_type = 2;
    store.UpdateMacro(macro);

    ClickKey(kUsageA);
    ShowTab(kTabMacros);
    const KeyMacroData before = Row(1, 0, kUsageA);
    ClickFunction(empty);
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].text, LoadText("KB.DIALOG", 232));
    EXPECT_EQ(dialogs.History()[0].caption, LoadText("KB.DIALOG", 233));
    EXPECT_EQ(Row(1, 0, kUsageA).macro_type, before.macro_type);
    EXPECT_TRUE(poster.tasks.empty());

    ClickFunction(recorded);
    EXPECT_EQ(macroPlay.SelectedOption(), 2) << "the macro's own play settings are shown";
    EXPECT_FALSE(macroPlay.CountEnabled());
    const KeyMacroData row = Row(1, 0, kUsageA);
    EXPECT_EQ(row.macro_type, 3);
    EXPECT_EQ(row.macro_value, recorded);
    EXPECT_EQ(row.macro_value2, 0);
    EXPECT_EQ(row.macro_value3, 0);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Writes()[1].data, (Bytes{0x60, 0x01, 0x00})) << "macro number 1 plays once";
}

TEST_F(KeyPageTest, PlaySettingsClampTheCountAndUpdateTheMacro) {
    Start();
    ASSERT_TRUE(Connect());
    const int id = store.InsertMacro("Recorded");
    MacroRecordData step;
    step.macro_id = id;
    store.InsertMacroSteps({step});
    ClickKey(kUsageA);
    ShowTab(kTabMacros);
    ClickFunction(id);

    struct Case {
        std::string text;
        int count;
    };
    for (const Case& c :
         {Case{"300", 255}, Case{"0", 1}, Case{"", 1}, Case{"-4", 1}, Case{"7", 7}, Case{"5", 5}}) {
        macroPlay.EditCount(c.text);
        page->ApplyMacroPlay(false);
        const KeyMacroData row = Row(1, 0, kUsageA);
        EXPECT_EQ(row.macro_value3, c.count) << c.text;
        EXPECT_EQ(row.macro_value2, 0);
        MacroData macro;
        ASSERT_TRUE(store.GetMacro(id, macro));
        EXPECT_EQ(macro.play_times, c.count);
    }
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Writes()[1].data, (Bytes{0x61, 0x00, 0x05}));

    macroPlay.ClickOption(3);
    page->ApplyMacroPlay(true);
    EXPECT_EQ(macroPlay.CountText(), "1");
    EXPECT_FALSE(macroPlay.CountEnabled());
    const KeyMacroData row = Row(1, 0, kUsageA);
    EXPECT_EQ(row.macro_value2, 3);
    EXPECT_EQ(row.macro_value3, 5) << "other play types keep the count";
    MacroData macro;
    ASSERT_TRUE(store.GetMacro(id, macro));
    EXPECT_EQ(macro.play_type, 3);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Writes()[1].data, (Bytes{0x60, 0x00, 0x03}));
}

TEST_F(KeyPageTest, CombinationsTakeTheCapturedKeyAndTheCheckedModifiers) {
    Start();
    ASSERT_TRUE(Connect());
    page->ApplyCombination();
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].text, LoadText("KB.DIALOG", 230));
    EXPECT_TRUE(poster.tasks.empty());

    ClickKey(kUsageA);
    ShowTab(kTabCombination);
    page->OnCaptureNativeKey(48 + 8, true);  // B, not capturing yet: ignored
    EXPECT_EQ(combination.CapturedKey(), 0);
    page->StartKeyCapture();
    page->OnCaptureNativeKey(48 + 8, true);   // X11 keycode of B
    page->OnCaptureNativeKey(48 + 8, false);  // its release names it again
    page->EndKeyCapture();
    EXPECT_EQ(combination.CapturedKey(), 0x42);
    EXPECT_EQ(combination.CaptureText(), "B");
    combination.SetModifierCheck(0, true);
    combination.SetModifierCheck(1, true);
    page->ApplyCombination();
    const KeyMacroData row = Row(1, 0, kUsageA);
    EXPECT_EQ(row.macro_type, 2);
    EXPECT_EQ(row.macro_value, kUsageB);
    EXPECT_EQ(row.macro_value2, 0x03);
    EXPECT_EQ(row.macro_desc, "LCtrl+ LShift + B");
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Writes()[1].data, (Bytes{0x10, 0x03, 0x05}));

    // A capture starts empty; a virtual key from the hook form is taken as well.
    page->StartKeyCapture();
    EXPECT_EQ(combination.CaptureText(), "");
    page->OnCaptureKeyEvent(0x0100, 0x70, 0x3B, 0);  // F1
    EXPECT_EQ(combination.CapturedKey(), 0x70);
}

TEST_F(KeyPageTest, RestoreThisKeyRestoresTheSelectedKey) {
    Start();
    ASSERT_TRUE(Connect());
    ClickKey(kUsageA);
    ShowTab(kTabMedia);
    ClickFunction(kMediaVolumeUp);
    poster.tasks.clear();
    page->RestoreSelectedKeys();
    const KeyMacroData row = Row(1, 0, kUsageA);
    EXPECT_EQ(row.macro_type, 2);
    EXPECT_EQ(row.macro_value, kUsageA);
    EXPECT_EQ(poster.tasks, std::vector<int>{kKeyTaskWriteKeyAssignments});
    EXPECT_EQ(functions.GetCurTab(), kTabMedia) << "restoring does not change the list";
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Writes()[1].data, (Bytes{0x10, 0x00, 0x04}));

    // A key without a row has nothing to restore: no caption, no write.
    KeyMacroData gone = Row(1, 0, kUsageB);
    gone.macro_value = 0;
    store.ReplaceKey(gone);
    ClickKey(kUsageB);
    poster.tasks.clear();
    page->RestoreDefault();
    EXPECT_TRUE(poster.tasks.empty());
    KeyMacroData none;
    EXPECT_FALSE(store.GetKey(1, 0, kUsageB, none));
}

// The picture and the list follow each change at once: the remapped mark appears with the
// choice and goes with the restore, and the list highlights no function the key lost.
TEST_F(KeyPageTest, TheMarkAndTheListHighlightFollowAChoiceARestoreAndALayerChange) {
    Start();
    ASSERT_TRUE(Connect());
    const auto remapped = [this](int usage) {
        KeyItem item;
        EXPECT_TRUE(keyboard.GetKeyItem(usage, item));
        return item.remapped;
    };
    ClickKey(kUsageA);
    ShowTab(kTabMedia);
    ClickFunction(kMediaVolumeUp);
    EXPECT_TRUE(remapped(kUsageA)) << "marked without a layer reload";
    ASSERT_GE(functions.GetCurSel(), 0);

    page->RestoreSelectedKeys();
    EXPECT_FALSE(remapped(kUsageA));
    EXPECT_EQ(functions.GetCurSel(), -1) << "A no longer plays a media function";

    // Restoring through the single-key path, on the keys tab: the list shows the key itself.
    ClickFunction(kMediaVolumeUp);
    ShowTab(kTabKeys);
    page->RestoreDefault();
    EXPECT_FALSE(remapped(kUsageA));
    int code = 0;
    std::string caption;
    ASSERT_TRUE(functions.GetCurValue(code, caption));
    EXPECT_EQ(code, kUsageA);

    // Another layer: the picture drops its selection, the list its highlight.
    layers.ChooseLayer(1);
    page->OnLayerChanged();
    EXPECT_EQ(functions.GetCurSel(), -1);

    // The command line's assignment marks the key as well.
    KeyMacroData volumeUp;
    volumeUp.macro_type = 6;
    volumeUp.macro_value = kMediaVolumeUp;
    volumeUp.macro_desc = "Vol Up";
    ASSERT_TRUE(page->SetKeyFunction(1, kUsageB, volumeUp));
    EXPECT_TRUE(remapped(kUsageB));
}

TEST_F(KeyPageTest, RestoringWithNothingSelectedAsksForAKeyAndKeepsTheRows) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData media;
    media.macro_type = 6;
    media.macro_value = kMediaVolumeUp;
    ASSERT_TRUE(page->SetKeyFunction(0, kUsageA, media));
    page->SetSelectedKey(kSelectNone);
    poster.tasks.clear();
    page->RestoreSelectedKeys();
    EXPECT_EQ(Row(1, 0, kUsageA).macro_value, kMediaVolumeUp);
    EXPECT_TRUE(poster.tasks.empty());
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].text, LoadText("KB.DIALOG", 230));

    // After a whole-profile write (-2) the layer is restored and all tables are written.
    page->SetSelectedKey(kSelectAllTables);
    page->RestoreDefault();
    EXPECT_EQ(Row(1, 0, kUsageA).macro_value, kUsageA);
    EXPECT_EQ(poster.tasks, std::vector<int>{kKeyTaskWriteKeyAssignments});
}

TEST_F(KeyPageTest, ReleasingAMacroRestoresItsKeysFromTheShownLayer) {
    Start([](VirtualKeyboardModel&) {});
    ASSERT_TRUE(Connect());
    const int id = store.InsertMacro("M");
    for (int layer : {1, 3}) {
        KeyMacroData row = Row(1, layer, kUsageA);
        row.macro_type = 3;
        row.macro_value = id;
        store.UpdateKey(row);
    }
    page->ReleaseMacro(id + 1);
    EXPECT_TRUE(poster.tasks.empty()) << "no key plays that macro";

    session.currentLayer = 0;
    page->ReleaseMacro(id);
    for (int layer : {1, 3}) {
        const KeyMacroData row = Row(1, layer, kUsageA);
        EXPECT_EQ(row.macro_type, 2) << layer;
        EXPECT_EQ(row.macro_value, kUsageA) << "layer 0's factory entry";
    }
    EXPECT_EQ(poster.tasks,
              (std::vector<int>{kKeyTaskDownloadMacros, kKeyTaskWriteKeyAssignments}));
    EXPECT_EQ(page->SelectedKey(), kSelectAllTables);
}

TEST_F(KeyPageTest, CommandLineOperationsCheckTheirArguments) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData media;
    media.macro_type = 6;
    media.macro_value = kMediaVolumeUp;
    EXPECT_FALSE(page->SetKeyFunction(4, kUsageA, media));
    EXPECT_FALSE(page->SetKeyFunction(0, 0x99, media)) << "no such key";
    EXPECT_FALSE(page->RestoreKeyDefaults(-1, 0));
    EXPECT_TRUE(poster.tasks.empty());

    ASSERT_TRUE(page->SetKeyFunction(3, kUsageA, media));
    EXPECT_EQ(session.currentLayer.load(), 3);
    EXPECT_EQ(layers.GetCurKeyLayer(), 3);
    ASSERT_TRUE(page->RestoreKeyDefaults(3, kUsageA));
    EXPECT_EQ(Row(1, 3, kUsageA).macro_value, kUsageA);
    ASSERT_TRUE(page->RestoreKeyDefaults(1, 0));
    EXPECT_EQ(page->SelectedKey(), kSelectLayer);
    EXPECT_EQ(poster.tasks.size(), 3u);
}

}  // namespace
}  // namespace zanvor::test

namespace zanvor::test {
namespace {

// The read at connection takes the keyboard's tables into the profile, but a row that already
// stands for what the keyboard holds keeps the form the user chose.
TEST_F(KeyPageTest, ReadingBackKeepsRowsThatAlreadyEncodeToTheKeyboardsEntry) {
    Start();
    ASSERT_TRUE(Connect());
    KeyMacroData copy;
    copy.macro_type = kFunctionShortcut;
    copy.macro_value = 155;  // Ctrl+C, the same bytes as the key C with left Ctrl
    copy.macro_desc = "Copy (Ctrl+C)";
    ASSERT_TRUE(page->SetKeyFunction(1, kUsageA, copy));
    page->SetSelectedKey(kUsageA);
    session.currentLayer = 1;
    ASSERT_TRUE(page->TaskWriteKeyAssignments().ok);

    ASSERT_TRUE(Connect());
    const KeyMacroData row = Row(1, 1, kUsageA);
    EXPECT_EQ(row.macro_type, kFunctionShortcut);
    EXPECT_EQ(row.macro_value, 155);
    EXPECT_EQ(row.macro_desc, "Copy (Ctrl+C)");

    // A row whose bytes differ from the keyboard's is replaced by what the keyboard holds.
    SendTableEntry(*manager, 1, LayoutIndex(kUsageA), ActionCode{0x30, 0xE9, 0x00});
    ASSERT_TRUE(Connect());
    EXPECT_EQ(Row(1, 1, kUsageA).macro_type, 6);
}

TEST_F(KeyPageTest, OnlyKeysWhoseActionDiffersFromTheFactoryEntryAreShownRemapped) {
    Start();
    ASSERT_TRUE(Connect());
    for (int layer = 0; layer < 4; ++layer) {
        session.currentLayer = layer;
        page->ReloadKeyCaptions(1);
        for (const KeyItem& item : keyboard.GetKeyItems()) {
            EXPECT_FALSE(item.remapped)
                << "untouched keyboard, layer " << layer << ": " << item.caption;
        }
    }
    session.currentLayer = 0;
    KeyMacroData volumeUp;
    volumeUp.macro_type = 6;
    volumeUp.macro_value = kMediaVolumeUp;
    volumeUp.macro_desc = "Vol Up";
    ASSERT_TRUE(page->SetKeyFunction(0, kUsageA, volumeUp));
    page->ReloadKeyCaptions(1);
    KeyItem a;
    ASSERT_TRUE(keyboard.GetKeyItem(kUsageA, a));
    EXPECT_TRUE(a.remapped);
}

TEST_F(KeyPageTest, NoKeyIsWrittenBeforeTheKeyboardWasRead) {
    Start();
    sim->ClearReports();
    page->SetSelectedKey(kSelectAllTables);
    const TaskResult result = page->TaskWriteKeyAssignments();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(session.tableWritePending.load());
}

}  // namespace
}  // namespace zanvor::test
