#include <gtest/gtest.h>

#include "MacroPageFixture.h"
#include "keys/MacroTexts.h"
#include "ui/LoadText.h"

namespace zanvor::test {
namespace {

std::string Text(int id) {
    return LoadText("KB.DIALOG", id);
}

// ---- the macro list -------------------------------------------------------------------------

TEST_F(MacroPageTest, AnEmptyDatabaseGetsTenMacrosAndNewOnesTakeTheFirstFreeName) {
    StartMacros();
    ASSERT_EQ(macros->macros.GetItemCount(), 10);
    EXPECT_EQ(macros->macros.GetItemText(0), "M1");
    EXPECT_EQ(macros->macros.GetItemText(9), "M10");
    EXPECT_EQ(macros->macros.GetCurSel(), 0);

    // The ten are unused slots: Add takes the first instead of refusing.
    EXPECT_EQ(macros->macros.GetItemNote(0), Text(kTextUnusedMacro));
    Route(kIdAddMacro, 1);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(macros->macros.GetItemCount(), 10);
    EXPECT_EQ(macros->macros.GetItemText(0), "New Macro 1");
    EXPECT_EQ(macros->macros.GetItemNote(0), "");
    EXPECT_EQ(macros->macros.GetItemNote(1), Text(kTextUnusedMacro));

    for (int index : {4, 2}) {
        macros->macros.ClickItem(index);
        Route(kIdDeleteMacro, 1);
    }
    Route(kIdAddMacro, 1);
    Route(kIdAddMacro, 1);
    EXPECT_EQ(macros->macros.GetItemText(8), "New Macro 2");
    EXPECT_EQ(macros->macros.GetItemText(9), "New Macro 3");
    EXPECT_EQ(macros->macros.GetCurSel(), 9);
    std::vector<MacroData> stored;
    ASSERT_EQ(store.ListMacros(stored), 10);
    EXPECT_EQ(stored.front().name, "New Macro 1");
    EXPECT_EQ(stored.back().name, "New Macro 3");

    // A reload shows the same list; the database is not filled a second time.
    macros->LoadMacroPage();
    EXPECT_EQ(macros->macros.GetItemCount(), 10);
    EXPECT_EQ(macros->macros.GetItemText(2), "M4");
}

TEST_F(MacroPageTest, PageNamesReplaceTheCustomPrefixAndTheCopySuffix) {
    struct Case {
        std::string stored;
        std::string shown;
    };
    const std::string copy = Text(kTextCopy);
    const Case cases[] = {
        {"M1", "M1"},
        {"Custom 3", "New Macro 3"},
        {"custom 3", "custom 3"},
        {"\u81EA\u5B9A\u4E497", "New Macro7"},
        {"Fast Copy", "Fast  " + copy},
        {"Custom 2 Copy", "New Macro 2  " + copy},
        {"A\u590D\u5236", "A " + copy},
        {"Copy of mine", "Copy of mine"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MacroPage::PageName(c.stored), c.shown) << c.stored;
    }
}

TEST_F(MacroPageTest, DeletingTheSelectedFirstMacroLeavesNoneSelected) {
    StartMacros();
    const int first = MacroId(0);
    ASSERT_EQ(macros->SetMacroSteps(first, {Step(kStepPause, 50, 10, "")}), MacroResult::kOk);
    poster.tasks.clear();

    Route(kIdDeleteMacro, 1);
    EXPECT_EQ(macros->macros.GetCurSel(), -1);
    EXPECT_EQ(macros->records.GetItemCount(), 0);
    EXPECT_EQ(macros->macros.GetItemCount(), 9);
    MacroData gone;
    EXPECT_FALSE(store.GetMacro(first, gone));
    EXPECT_EQ(store.CountMacroSteps(first), 0);
    // The places of the other macros moved: the keyboard gets the block again.
    EXPECT_EQ(poster.tasks, (std::vector<int>{kMacroTaskDownload}));
}

TEST_F(MacroPageTest, DeletingAMacroRewritesKeyTablesWhenKeysPlayALaterMacro) {
    StartMacros();
    const int third = MacroId(2);
    ASSERT_EQ(macros->SetMacroSteps(third, {Step(kStepKeyDown, 0x41, 10, "A")}), MacroResult::kOk);
    KeyMacroData function;
    function.macro_type = 3;
    function.macro_value = third;
    function.macro_desc = "M3";
    ASSERT_TRUE(page->SetKeyFunction(1, 0x05, function));
    poster.tasks.clear();

    macros->macros.ClickItem(0);
    Route(kIdDeleteMacro, 1);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kMacroTaskDownload, kKeyTaskWriteKeyAssignments}));
    EXPECT_EQ(page->SelectedKey(), kSelectAllTables);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    const Bytes layer1 = BlockWritten(0x1D);
    const int index = LayoutIndex(0x05);
    EXPECT_EQ(Bytes(layer1.begin() + 3 * index, layer1.begin() + 3 * index + 3),
              (Bytes{0x60, 0x01, 0x00}))
        << "the key still plays the third macro, now at place 1";
}

TEST_F(MacroPageTest, RenamingStoresTheTextAsTypedAndAnEmptyTextRestoresTheName) {
    StartMacros();
    macros->macros.ClickItem(1);
    macros->macros.ShowEdit(1);
    macros->macros.FinishEdit("");
    Route(kIdMacroList, MacroList::kEventEditFinished);
    EXPECT_EQ(macros->macros.GetItemText(1), "M2");
    MacroData macro;
    ASSERT_TRUE(store.GetMacro(MacroId(1), macro));
    EXPECT_EQ(macro.name, "M2");

    const std::string typed = "  \u017B\u00F3\u0142w \U0001F422 " + std::string(300, 'x') +
                              "\u0645\u0627\u06A9\u0631\u0648";
    macros->macros.ShowEdit(1);
    macros->macros.FinishEdit(typed);
    Route(kIdMacroList, MacroList::kEventEditFinished);
    ASSERT_TRUE(store.GetMacro(MacroId(1), macro));
    EXPECT_EQ(macro.name, typed);
    EXPECT_EQ(macros->macros.GetItemText(1), typed);
}

// ---- recording and the block ----------------------------------------------------------------

TEST_F(MacroPageTest, ARecordingIsSavedAndTheKeyboardReceivesItsBlock) {
    StartMacros();
    SelectMacro(1);
    ASSERT_EQ(macros->delay.SelectedOption(), kDelayMeasured);
    Route(kIdRecordButton, RecordButton::kEventClicked);
    ASSERT_TRUE(macros->recordButton.Recording());
    EXPECT_EQ(macros->recordButton.CaptionId(), kTextStopRecording);

    macros->OnRecordKey(kX11A, true, false, 1000);
    macros->OnRecordKey(kX11A, true, true, 1100);   // auto-repeat
    macros->OnRecordKey(kX11A, false, true, 1150);  // the window system's repeat release
    macros->OnRecordKey(kX11A, false, false, 1300);
    macros->OnRecordKey(kX11Esc, true, false, 1305);
    macros->OnRecordKey(kX11Esc, false, false, 1315);
    macros->OnRecordMouse(MouseButton::Left, true, 10, 10, 1325);
    macros->OnRecordMouse(MouseButton::Left, false, 10, 10, 1345);
    macros->OnRecordMouse(MouseButton::Left, true, 550, 320, 1400);  // on the record button
    Route(kIdRecordButton, RecordButton::kEventClicked);
    EXPECT_FALSE(macros->recordButton.Recording());
    EXPECT_EQ(macros->recordButton.CaptionId(), kTextRecord);

    EXPECT_EQ(StoredTexts(MacroId(1)),
              (std::vector<std::string>{"\u2193  A", "\u2191  A", "\u2193  Esc", "\u2191  Esc",
                                        "\u2193  MouseL", "\u2191  MouseL"}));
    EXPECT_EQ(poster.tasks, (std::vector<int>{kMacroTaskDownload}));

    const MacroDownloadResult result = Download();
    EXPECT_TRUE(result.Sent());
    EXPECT_EQ(result.length, 56);
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x2D, 0x2D, 0x11}));
    EXPECT_EQ(BlockReports(), (std::vector<std::pair<int, int>>{{0, 56}, {56, 0}}));
    EXPECT_EQ(KeyboardBlock(56), (Bytes{
                                     0xAA, 0x55, 0x38, 0x00, 0x0A, 0x00, 0x00, 0x00,  // L, N
                                     0x00, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x00,  // offsets
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
                                     0x00, 0x00, 0x00, 0x00,                          //
                                     0x06, 0x00, 0x00, 0x00,                          // 6 steps
                                     0x2C, 0x01, 0x04, 0x81, 0x05, 0x00, 0x04, 0x01,  // A
                                     0x0A, 0x00, 0x29, 0x81, 0x0A, 0x00, 0x29, 0x01,  // Esc
                                     0x14, 0x00, 0x01, 0x83, 0x0A, 0x00, 0x01, 0x03,  // left
                                 }));
    EXPECT_FALSE(macros->notice.IsVisible());
}

TEST_F(MacroPageTest, BlocksGoOutInWholeChunksWithAnEmptyLastOne) {
    StartMacros();
    // Ten macros: 28 bytes of header and offsets, and one record of 4 + 20 × 4 bytes.
    std::vector<MacroRecordData> steps(20, Step(kStepKeyDown, 0x41, 10, "A"));
    ASSERT_EQ(macros->SetMacroSteps(MacroId(3), steps), MacroResult::kOk);
    EXPECT_EQ(Download().length, 112);
    EXPECT_EQ(BlockReports(), (std::vector<std::pair<int, int>>{{0, 56}, {56, 56}, {112, 0}}));

    // Without any macro one empty report goes between begin and end.
    std::vector<MacroData> all;
    store.ListMacros(all);
    for (const MacroData& macro : all) {
        store.DeleteMacro(macro.macro_id);
    }
    sim->ClearReports();
    EXPECT_TRUE(Download().Sent());
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x2D, 0x11}));
    EXPECT_EQ(BlockReports(), (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(MacroPageTest, ARecordingStopsByItselfWhenTheKeyboardsMemoryIsFull) {
    StartMacros(1000);  // room for (1000 - 40) / 4 = 240 steps
    std::vector<MacroRecordData> stored(200, Step(kStepPause, 10, 10, ""));
    ASSERT_TRUE(store.ReplaceMacroSteps(MacroId(9), stored));
    Route(kIdRecordButton, RecordButton::kEventClicked);
    for (int i = 0; i < 100 && macros->Recording(); ++i) {
        macros->OnRecordKey(kX11B, i % 2 == 0, false, 10 * i);
    }
    EXPECT_FALSE(macros->recordButton.Recording());
    EXPECT_EQ(StoredSteps(MacroId(0)).size(), 40u);
    EXPECT_TRUE(dialogs.History().empty()) << "stopping at the limit is not an error";

    // With the memory full, the record button and the insert menu say so.
    Route(kIdRecordButton, RecordButton::kEventClicked);
    Route(kIdInsertStep, 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{Text(kTextMemoryFull), Text(kTextMemoryFull)}));
    EXPECT_FALSE(macros->Recording());
    EXPECT_TRUE(menu.empty());
}

TEST_F(MacroPageTest, NothingIsRecordedWithoutASelectedMacroOrAReportedMemory) {
    StartMacros(0);
    Route(kIdRecordButton, RecordButton::kEventClicked);
    EXPECT_FALSE(macros->Recording());
    macros->macros.SetCurSel(-1);
    Route(kIdRecordButton, RecordButton::kEventClicked);
    EXPECT_FALSE(macros->Recording());
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{Text(kTextMemoryUnknown), Text(kTextSelectMacro)}));
}

TEST_F(MacroPageTest, ThingsThatDoNotFitOrAreRefusedAreReportedOnThePage) {
    StartMacros();
    ASSERT_EQ(macros->SetMacroSteps(MacroId(0), {Step(kStepKeyDown, 0x41, 10, "A")}),
              MacroResult::kOk);
    ASSERT_EQ(macros->SetMacroSteps(
                  MacroId(1), std::vector<MacroRecordData>(10, Step(kStepKeyDown, 0x42, 10, "B"))),
              MacroResult::kOk);
    store.RenameMacro(MacroId(1), "Custom 1");
    SetCapacity(64);  // room for the table and the first record only
    MacroDownloadResult result = Download();
    EXPECT_TRUE(result.Sent());
    EXPECT_EQ(result.leftOut, (std::vector<std::string>{"Custom 1"}));
    EXPECT_TRUE(macros->notice.IsVisible());
    EXPECT_EQ(macros->notice.Text(), Text(kTextLeftOut) + " New Macro 1");
    EXPECT_EQ(result.length, 28 + 8);

    SetCapacity(4096);
    sim->RefuseCommand(kMacroBlockCommand, true);
    result = Download();
    EXPECT_EQ(result.status, MacroDownloadStatus::kRefused);
    EXPECT_EQ(macros->notice.Text(), Text(kTextNotSent));

    sim->RefuseCommand(kMacroBlockCommand, false);
    EXPECT_TRUE(Download().Sent());
    EXPECT_FALSE(macros->notice.IsVisible());
}

TEST_F(MacroPageTest, TheStepBudgetCountsTheBlocksHeadersSoAnAcceptedMacroIsSent) {
    StartMacros(4096);  // (4096 - 40) / 4 = 1014 steps by the step count alone
    const auto presses = [this](size_t count) {
        return std::vector<MacroRecordData>(count, Step(kStepKeyDown, 0x41, 10, "A"));
    };
    ASSERT_TRUE(store.ReplaceMacroSteps(MacroId(0), presses(1000)));
    ASSERT_TRUE(store.ReplaceMacroSteps(MacroId(1), presses(5)));
    ASSERT_TRUE(store.ReplaceMacroSteps(MacroId(2), presses(5)));
    // 28 bytes of table and 3 records of 4 + 4 · S: 3 more steps in a fourth record fill the
    // 4096 bytes; a fourth step would leave the macro out of the block.
    EXPECT_EQ(macros->SetMacroSteps(MacroId(3), presses(4)), MacroResult::kNoRoom);

    SelectMacro(3);
    Route(kIdRecordButton, RecordButton::kEventClicked);
    ASSERT_TRUE(macros->Recording());
    for (int i = 0; i < 20 && macros->Recording(); ++i) {
        macros->OnRecordKey(kX11B, i % 2 == 0, false, 1000 + 10 * i);
    }
    EXPECT_FALSE(macros->Recording());
    EXPECT_EQ(StoredSteps(MacroId(3)).size(), 3u);
    Route(kIdInsertStep, 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{Text(kTextMemoryFull)}));

    const MacroDownloadResult result = Download();
    EXPECT_TRUE(result.Sent());
    EXPECT_TRUE(result.leftOut.empty());
    EXPECT_EQ(result.length, 4096);
    const Bytes block = KeyboardBlock(16);
    EXPECT_EQ(Bytes(block.begin() + 8, block.end()),
              (Bytes{0x1C, 0x00, 0xC0, 0x0F, 0xD8, 0x0F, 0xF0, 0x0F}))
        << "offsets 28, 4032, 4056 and 4080";
}

TEST_F(MacroPageTest, PauseStepsLengthenTheDelayBeforeThemOnTheKeyboard) {
    StartMacros();
    // A held 500 ms longer, a pause after the release, and a macro that starts with a pause
    // (stored with a delay beside it, as the command line writes pauses).
    ASSERT_EQ(macros->SetMacroSteps(
                  MacroId(0), {Step(kStepKeyDown, 0x41, 10, "A"), Step(kStepPause, 500, 0, ""),
                               Step(kStepKeyUp, 0x41, 10, "A"), Step(kStepPause, 20, 0, "")}),
              MacroResult::kOk);
    ASSERT_EQ(macros->SetMacroSteps(MacroId(1),
                                    {Step(kStepPause, 300, 10, ""), Step(kStepPause, 90, 0, ""),
                                     Step(kStepKeyDown, 0x42, 10, "B")}),
              MacroResult::kOk);
    ASSERT_TRUE(Download().Sent());
    EXPECT_EQ(KeyboardBlock(52),
              (Bytes{
                  0xAA, 0x55, 0x34, 0x00, 0x0A, 0x00, 0x00, 0x00,  // L = 52, N = 10
                  0x1C, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00,  // offsets 28, 40
                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
                  0x00, 0x00, 0x00, 0x00,                          //
                  0x02, 0x00, 0x00, 0x00,                          // two entries
                  0xFE, 0x01, 0x04, 0x81, 0x1E, 0x00, 0x04, 0x01,  // A: 510 ms, 30 ms
                  0x02, 0x00, 0x00, 0x00,                          // two entries
                  0x90, 0x01, 0x00, 0x00, 0x0A, 0x00, 0x05, 0x81,  // wait 400 ms, B
              }));

    // The page shows one time per pause: its whole wait, with no delay beside it.
    SelectMacro(1);
    RecordItem shown;
    ASSERT_TRUE(macros->records.GetRecordInfo(0, shown));
    EXPECT_EQ(shown.text, "310 ms");
    EXPECT_EQ(shown.value, 310);
    EXPECT_EQ(shown.delay, 0);
    // A delay typed beside a pause is its length.
    macros->records.EditDelay(1, 120);
    Route(kIdRecordList, CRecordList::kEventDelayEdited);
    const std::vector<MacroRecordData> stored = StoredSteps(MacroId(1));
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].value + stored[0].delay_time, 310);
    EXPECT_EQ(stored[1].value, 120);
    EXPECT_EQ(stored[1].delay_time, 0);
    EXPECT_EQ(stored[1].desc, "120 ms");
}

// ---- editing steps --------------------------------------------------------------------------

TEST_F(MacroPageTest, StepOperationsChangeTheListAndSaveEveryChange) {
    StartMacros();
    const int id = MacroId(0);
    ASSERT_EQ(
        macros->SetMacroSteps(id, {Step(kStepKeyDown, 0x41, 10, "A"),
                                   Step(kStepKeyUp, 0x41, 10, "A"), Step(kStepPause, 50, 0, "")}),
        MacroResult::kOk);
    CRecordList& list = macros->records;
    list.ClickItem(2);
    Route(kIdMoveStepUp, 1);
    EXPECT_EQ(StoredTexts(id), (std::vector<std::string>{"\u2193  A", "50 ms", "\u2191  A"}));
    EXPECT_EQ(list.GetCurSel(), 1);
    list.ClickItem(2);
    Route(kIdMoveStepDown, 1);  // already last
    EXPECT_EQ(StoredTexts(id), (std::vector<std::string>{"\u2193  A", "50 ms", "\u2191  A"}));

    list.EditDelay(0, 40000);
    Route(kIdRecordList, CRecordList::kEventDelayEdited);
    EXPECT_EQ(StoredSteps(id)[0].delay_time, 31000);

    list.ClickItem(1);
    Route(kIdRecordList, CRecordList::kEventSelectionChanged);
    ASSERT_EQ(macros->stepEditor.GetKind(), MacroStepEditor::kKindPause);
    EXPECT_EQ(macros->stepEditor.ValueText(), "50");
    for (const auto& [typed, value] :
         std::vector<std::pair<std::string, int>>{{"0", 1}, {"20000", 10000}, {"250", 250}}) {
        macros->stepEditor.LeaveValueField(typed);
        Route(kIdStepEditor, MacroStepEditor::kEventValueLeft);
        EXPECT_EQ(macros->stepEditor.ValueText(), std::to_string(value));
        EXPECT_EQ(StoredSteps(id)[1].value, value);
        EXPECT_EQ(StoredSteps(id)[1].desc, std::to_string(value) + " ms");
    }

    Route(kIdDeleteStep, 1);
    EXPECT_EQ(list.GetCurSel(), 0);
    EXPECT_EQ(StoredTexts(id), (std::vector<std::string>{"\u2193  A", "\u2191  A"}));

    // Clearing releases the keys that play the macro: the block is sent before the tables.
    KeyMacroData function;
    function.macro_type = 3;
    function.macro_value = id;
    ASSERT_TRUE(page->SetKeyFunction(3, 0x04, function));
    poster.tasks.clear();
    Route(kIdClearSteps, 1);
    EXPECT_EQ(store.CountMacroSteps(id), 0);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kMacroTaskDownload, kKeyTaskWriteKeyAssignments}));
    EXPECT_NE(Row(1, 3, 0x04).macro_type, 3);
}

TEST_F(MacroPageTest, DeletingTheLastStepReleasesTheMacroOnTheKeyboard) {
    StartMacros();
    const int bound = MacroId(0);
    const int free = MacroId(1);
    ASSERT_EQ(macros->SetMacroSteps(bound, {Step(kStepKeyDown, 0x41, 10, "A")}), MacroResult::kOk);
    ASSERT_EQ(macros->SetMacroSteps(free, {Step(kStepKeyDown, 0x42, 10, "B")}), MacroResult::kOk);
    KeyMacroData function;
    function.macro_type = 3;
    function.macro_value = bound;
    ASSERT_TRUE(page->SetKeyFunction(1, 0x05, function));
    ASSERT_TRUE(Download().Sent());
    ASSERT_EQ(KeyboardBlock(12),
              (Bytes{0xAA, 0x55, 0x2C, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x24, 0x00}));

    struct Case {
        int index;
        std::vector<int> tasks;  // a bound macro also gets its keys written back
        Bytes header;            // L and the two offsets the keyboard then holds
    };
    const Case cases[] = {
        {0, {kMacroTaskDownload, kKeyTaskWriteKeyAssignments}, {0x24, 0x00, 0x00, 0x00, 0x1C}},
        {1, {kMacroTaskDownload}, {0x1C, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SelectMacro(c.index);
        macros->records.ClickItem(0);
        poster.tasks.clear();
        Route(kIdDeleteStep, 1);
        EXPECT_EQ(store.CountMacroSteps(MacroId(c.index)), 0);
        EXPECT_EQ(poster.tasks, c.tasks) << "macro " << c.index;
        ASSERT_TRUE(Download().Sent());
        const Bytes block = KeyboardBlock(12);
        EXPECT_EQ((Bytes{block[2], block[3], block[8], block[9], block[10]}), c.header)
            << "macro " << c.index;
    }
    EXPECT_NE(Row(1, 1, 0x05).macro_type, 3) << "the key has its factory function again";
}

TEST_F(MacroPageTest, TheStepEditorRewritesBothHalvesOfAKeyOrAButton) {
    StartMacros();
    const int id = MacroId(0);
    ASSERT_EQ(
        macros->SetMacroSteps(
            id, {Step(kStepKeyDown, 0x41, 10, "A"), Step(kStepPause, 20, 0, ""),
                 Step(kStepKeyUp, 0x41, 7, "A"), Step(kStepMouseDown, kMouseLeft, 10, "MouseL"),
                 Step(kStepMouseUp, kMouseLeft, 10, "MouseL")}),
        MacroResult::kOk);
    macros->records.ClickItem(2);
    Route(kIdRecordList, CRecordList::kEventSelectionChanged);
    ASSERT_EQ(macros->stepEditor.GetKind(), MacroStepEditor::kKindKey);
    EXPECT_EQ(macros->stepEditor.ValueText(), "A");
    EXPECT_FALSE(macros->OnStepEditorKey(kX11B, true)) << "keys are taken only once focused";

    macros->stepEditor.FocusKeyField();
    Route(kIdStepEditor, MacroStepEditor::kEventKeyFieldFocus);
    EXPECT_TRUE(macros->OnStepEditorKey(kX11LeftShift, true));
    EXPECT_FALSE(macros->stepEditor.Capturing());
    EXPECT_EQ(macros->stepEditor.ValueText(), "Shift");
    std::vector<MacroRecordData> steps = StoredSteps(id);
    EXPECT_EQ(steps[0].desc, "\u2193  Shift");
    EXPECT_EQ(steps[0].value, 0xA0);
    EXPECT_EQ(steps[2].desc, "\u2191  Shift");
    EXPECT_EQ(steps[2].value, 0xA0);
    EXPECT_EQ(steps[2].delay_time, 7) << "delays stay";
    EXPECT_EQ(steps[1].desc, "20 ms");

    macros->records.ClickItem(3);
    Route(kIdRecordList, CRecordList::kEventSelectionChanged);
    ASSERT_EQ(macros->stepEditor.GetKind(), MacroStepEditor::kKindMouse);
    macros->stepEditor.ChooseMouseButton(kMouseBack);
    Route(kIdStepEditor, MacroStepEditor::kEventMouseChosen);
    steps = StoredSteps(id);
    EXPECT_EQ(steps[3].desc, "\u2193  Backward");
    EXPECT_EQ(steps[4].desc, "\u2191  Backward");
    EXPECT_EQ(steps[4].value, kMouseBack);
}

TEST_F(MacroPageTest, DelaySettingsAreStoredWithTheMacro) {
    StartMacros();
    const int id = MacroId(0);
    auto stored = [&] {
        MacroData macro;
        EXPECT_TRUE(store.GetMacro(id, macro));
        return std::pair{macro.delay_type, macro.delay_time};
    };
    macros->delay.ClickOption(kDelayFixed);
    Route(kIdMacroDelay, MacroDelayPanel::kEventOptionClicked);
    EXPECT_TRUE(macros->delay.FieldEnabled());
    EXPECT_EQ(macros->delay.FieldText(), "10");
    EXPECT_EQ(stored(), std::pair(2, 10));

    macros->delay.EditField("0");
    Route(kIdMacroDelay, MacroDelayPanel::kEventFieldChanged);
    EXPECT_EQ(macros->delay.FieldText(), "1");
    EXPECT_EQ(stored(), std::pair(2, 1));
    macros->delay.EditField("75");
    Route(kIdMacroDelay, MacroDelayPanel::kEventFieldChanged);
    EXPECT_EQ(stored(), std::pair(2, 75));

    SelectMacro(1);
    EXPECT_EQ(macros->delay.SelectedOption(), kDelayMeasured);
    EXPECT_FALSE(macros->delay.FieldEnabled());
    SelectMacro(0);
    EXPECT_EQ(macros->delay.SelectedOption(), kDelayFixed);
    EXPECT_EQ(macros->delay.FieldText(), "75");

    macros->delay.ClickOption(kDelayNone);
    Route(kIdMacroDelay, MacroDelayPanel::kEventOptionClicked);
    EXPECT_FALSE(macros->delay.FieldEnabled());
    EXPECT_EQ(stored(), std::pair(0, 0));
}

TEST_F(MacroPageTest, TheInsertMenuAddsStepsAfterTheSelectedOne) {
    StartMacros();
    const int id = MacroId(0);
    Route(kIdInsertStep, 1);
    EXPECT_EQ(menuMessage, kMsgMacroInsertMenu);
    std::vector<int> commands;
    for (const MacroMenuEntry& entry : menu) {
        commands.push_back(entry.command);
    }
    EXPECT_EQ(commands, (std::vector<int>{105, 106, 107, 101, 103}));

    macros->OnWindowMessage(kMsgMacroInsertMenu, kMenuInsertScrollDown);
    macros->records.ClickItem(0);
    macros->OnWindowMessage(kMsgMacroInsertMenu, kMenuInsertPause);
    macros->OnWindowMessage(kMsgMacroContextMenu, kMenuInsertKeyHere);
    EXPECT_EQ(StoredTexts(id),
              (std::vector<std::string>{"\u2193  Scroll Down", "10 ms", "\u2193  A", "\u2191  A",
                                        "\u2191  Scroll Down"}));
    EXPECT_EQ(macros->records.GetCurSel(), 2);

    EXPECT_EQ(StoredSteps(id)[1].delay_time, 0) << "a pause has no delay beside its length";

    Download();
    // The record of macro 0 starts at 28: four entries, the pause's 10 ms waited after the
    // wheel press before it.
    const Bytes block = KeyboardBlock(48);
    EXPECT_EQ(Bytes(block.begin() + 28, block.end()),
              (Bytes{0x04, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x44, 0x07, 0x0A, 0x00,
                     0x04, 0x81, 0x0A, 0x00, 0x04, 0x01, 0x0A, 0x00, 0x44, 0xFF}));

    macros->records.RequestContext(1);
    Route(kIdRecordList, CRecordList::kEventContextRequest);
    EXPECT_EQ(menuMessage, kMsgMacroContextMenu);
    macros->OnMenuCommand(kMenuDeleteStep);
    EXPECT_EQ(StoredTexts(id).size(), 4u);
}

// ---- the command line's operations ----------------------------------------------------------

TEST_F(MacroPageTest, CommandLineOperationsCheckTheirArguments) {
    StartMacros(1000);
    int id = 0;
    // An unused slot is taken; with none left the list is full.
    EXPECT_EQ(macros->AddMacro("x", id), MacroResult::kOk);
    EXPECT_EQ(id, MacroId(0));
    EXPECT_EQ(macros->macros.GetItemText(0), "x");
    for (int index = 1; index < 10; ++index) {
        ASSERT_EQ(macros->RenameMacro(MacroId(index), "m" + std::to_string(index)),
                  MacroResult::kOk);
    }
    EXPECT_EQ(macros->AddMacro("y", id), MacroResult::kLimitReached);
    EXPECT_EQ(macros->RenameMacro(999, "x"), MacroResult::kNotFound);
    EXPECT_EQ(macros->RenameMacro(MacroId(0), ""), MacroResult::kEmptyName);
    EXPECT_EQ(macros->DeleteMacro(999), MacroResult::kNotFound);
    EXPECT_EQ(macros->DeleteMacro(MacroId(9)), MacroResult::kOk);
    EXPECT_EQ(macros->AddMacro("Mine", id), MacroResult::kOk);
    EXPECT_EQ(macros->macros.GetItemText(9), "Mine");
    EXPECT_EQ(macros->SetMacroSteps(999, {}), MacroResult::kNotFound);

    std::vector<MacroRecordData> tooMany(241, Step(kStepPause, 10, 10, ""));
    EXPECT_EQ(macros->SetMacroSteps(id, tooMany), MacroResult::kNoRoom);
    EXPECT_EQ(store.CountMacroSteps(id), 0) << "nothing changes";
    tooMany.pop_back();
    EXPECT_EQ(macros->SetMacroSteps(id, tooMany), MacroResult::kOk);
    EXPECT_EQ(macros->SetMacroDelay(id, 2, 99999), MacroResult::kOk);
    MacroData macro;
    ASSERT_TRUE(store.GetMacro(id, macro));
    EXPECT_EQ(macro.delay_type, 2);
    EXPECT_EQ(macro.delay_time, 10000);
}

}  // namespace
}  // namespace zanvor::test
