#include <gtest/gtest.h>

#include "KeyAssignmentFixture.h"
#include "keys/KeyCodes.h"
#include "keys/KnobPage.h"
#include "ui/LoadText.h"

namespace zanvor::test {
namespace {

// Knob actions at entries 0x60, 0x51 and 0x62 of a keyboard whose keys leave them free.
class KnobTest : public KeyPageTest {
  protected:
    static constexpr int kIndices[3] = {0x60, 0x51, 0x62};

    void StartWithKnob() {
        Start([](VirtualKeyboardModel& model) {
            model.knob_indices = {kIndices[0], kIndices[1], kIndices[2]};
            std::erase_if(model.keys, [](const SimKey& key) {
                return key.key_index == kIndices[0] || key.key_index == kIndices[1] ||
                       key.key_index == kIndices[2];
            });
        });
    }

    // Opens the dialog from the keyboard picture; `user` acts in it while it is shown.
    void WithDialog(const std::function<void(KnobConfigDlg&)>& user) {
        knob->SetDialogPresenter([&](KnobConfigDlg& dialog) {
            user(dialog);
            dialog.OnMessage(kKnobCloseButton, 0);
        });
        ClickKey(kUsageKnob);
    }

    // The position of a catalogue entry in the dialog's combos.
    static int Position(const KnobConfigDlg& dialog, int type, int code) {
        const auto catalogue = dialog.Catalogue();
        for (size_t i = 0; i < catalogue.size(); ++i) {
            if (catalogue[i].type == type && catalogue[i].code == code) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // The encoder switch of the settings page on a model: stored per profile, sends nothing, and
    // redraws key position 14 only on the encoder model.
    void CheckEncoderSwitch(bool encoderModel) {
        store.InsertDefaultConfig(1);
        sim->ClearReports();
        const auto drawnAsKnob = [&] { return keyboard.GetKeyItems().at(14).drawnAsKnob; };
        const bool before = drawnAsKnob();
        knob->SetEncoderMode(true);
        std::string value;
        ASSERT_TRUE(store.GetConfigValue(1, "encoder_mode", value));
        EXPECT_EQ(value, "1");
        EXPECT_EQ(drawnAsKnob(), encoderModel ? true : before);
        EXPECT_TRUE(knob->LoadEncoderMode());
        knob->SetEncoderMode(false);
        ASSERT_TRUE(store.GetConfigValue(1, "encoder_mode", value));
        EXPECT_EQ(value, "0");
        EXPECT_FALSE(knob->LoadEncoderMode());
        EXPECT_EQ(drawnAsKnob(), encoderModel ? false : before);
        EXPECT_TRUE(Writes().empty()) << "the switch sends nothing";
    }

    // The main window handling the messages the dialog posted.
    void DeliverMessages() {
        const auto messages = poster.messages;
        poster.messages.clear();
        for (const auto& message : messages) {
            ASSERT_EQ(message.id, kKnobChangedMessage);
            knob->OnKnobChanged(static_cast<int>(message.wParam), message.lParam);
        }
    }
};

TEST_F(KnobTest, ChoosingBacklightModeForActionOneSendsOneEntry) {
    StartWithKnob();
    ASSERT_TRUE(Connect());
    WithDialog([&](KnobConfigDlg& dialog) {
        EXPECT_TRUE(dialog.Combo(1).Choose(Position(dialog, 12, 10)));  // "BL-MOD"
    });
    ASSERT_EQ(poster.messages.size(), 1u);
    EXPECT_EQ(poster.messages[0].wParam, 1u);
    DeliverMessages();
    EXPECT_EQ(knob->CurrentKnobAction(), 1);
    EXPECT_EQ(poster.tasks, std::vector<int>{kKnobTaskWriteKnobAction});
    const KeyMacroData record = page->Tables().KnobRecord(0, 1);
    EXPECT_EQ(record.macro_type, 12);
    EXPECT_EQ(record.macro_value, 10);
    EXPECT_EQ(record.macro_desc, LoadText("KB.DIALOG", 2210));
    EXPECT_EQ(record.key_code, 0x51);

    sim->ClearReports();
    knob->TaskWriteKnobAction();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].command, 0x10);
    EXPECT_EQ(writes[1].command, 0x1B);
    EXPECT_EQ(writes[1].offset, 0xF3);
    EXPECT_EQ(writes[1].length, 3);
    EXPECT_EQ(writes[1].data, (Bytes{0x50, 0x0A, 0x00}));
    EXPECT_EQ(writes[2].command, 0x11);
}

TEST_F(KnobTest, MediaFunctionsSendTheConsumerUsageLowByteFirstOnTheCurrentLayer) {
    StartWithKnob();
    ASSERT_TRUE(Connect());
    session.currentLayer = 2;
    WithDialog([&](KnobConfigDlg& dialog) {
        dialog.Combo(0).Choose(Position(dialog, 6, 119));  // AC Back, usage 0x0224
    });
    DeliverMessages();
    sim->ClearReports();
    knob->TaskWriteKnobAction();
    ASSERT_EQ(Writes().size(), 3u);
    EXPECT_EQ(Writes()[1].command, 0x1F);
    EXPECT_EQ(Writes()[1].offset, 3 * 0x60);
    EXPECT_EQ(Writes()[1].data, (Bytes{0x30, 0x24, 0x02}));
    EXPECT_EQ(page->Tables().KnobRecord(0, 0).macro_value, 105) << "other layers unchanged";
}

TEST_F(KnobTest, TheDialogShowsTheRecordsAndLeavesUnknownFunctionsUnselected) {
    StartWithKnob();
    // Action 2 of layer 0 holds a mouse function, which the knob list does not offer.
    SendTableEntry(*manager, 0, kIndices[2], ActionCode{0x40, 0x00, 0x01});
    ASSERT_TRUE(Connect());
    WithDialog([&](KnobConfigDlg& dialog) {
        EXPECT_EQ(dialog.Combo(0).GetCurSel(), Position(dialog, 6, 105));
        EXPECT_EQ(dialog.Combo(1).GetCurSel(), Position(dialog, 6, 104));
        EXPECT_EQ(dialog.Combo(2).GetCurSel(), -1);
        EXPECT_EQ(dialog.Combo(0).GetCount(), static_cast<int>(kKnobFunctionCount));
        EXPECT_EQ(dialog.Combo(1).ControlId(), 35);
        EXPECT_EQ(KnobConfigDlg::ActionCaption(0), LoadText("KB.DIALOG", 303));
        EXPECT_FALSE(dialog.Changed());
    });
    EXPECT_TRUE(poster.messages.empty());
}

TEST_F(KnobTest, ASecondQuickChangeIsSentOnlyToAnIdleWorker) {
    StartWithKnob();
    ASSERT_TRUE(Connect());
    WithDialog([&](KnobConfigDlg& dialog) {
        dialog.Combo(0).Choose(Position(dialog, 6, 104));
        dialog.Combo(2).Choose(Position(dialog, 6, 106));
    });
    ASSERT_EQ(poster.messages.size(), 2u);
    const auto messages = poster.messages;
    knob->OnKnobChanged(static_cast<int>(messages[0].wParam), messages[0].lParam);
    poster.busy = true;
    knob->OnKnobChanged(static_cast<int>(messages[1].wParam), messages[1].lParam);
    EXPECT_EQ(poster.tasks, std::vector<int>{kKnobTaskWriteKnobAction});
    EXPECT_EQ(knob->CurrentKnobAction(), 2);
    EXPECT_EQ(page->Tables().KnobRecord(0, 0).macro_value, 104) << "records change anyway";
}

TEST_F(KnobTest, MessagesOfAnUnknownDialogAndActionsOutOfRangeChangeNothing) {
    StartWithKnob();
    ASSERT_TRUE(Connect());
    knob->OnKnobChanged(0, 12345);
    EXPECT_TRUE(poster.tasks.empty());

    WithDialog([&](KnobConfigDlg& dialog) { dialog.Combo(1).Choose(Position(dialog, 6, 106)); });
    const auto message = poster.messages.at(0);
    knob->OnKnobChanged(7, message.lParam);  // an action the keyboard does not have
    sim->ClearReports();
    knob->TaskWriteKnobAction();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x11}));
}

TEST_F(KnobTest, WithoutTheKeyboardsKnobIndicesNoEntryIsWritten) {
    StartWithKnob();
    KeyMacroData media;
    media.macro_type = 6;
    media.macro_value = 104;
    EXPECT_FALSE(knob->SetKnobFunction(0, 1, media));
    WithDialog([&](KnobConfigDlg& dialog) { dialog.Combo(1).Choose(Position(dialog, 6, 104)); });
    DeliverMessages();
    sim->ClearReports();
    EXPECT_FALSE(knob->TaskWriteKnobAction().ok);
    EXPECT_TRUE(Commands().empty()) << "index 0 is an ordinary key";
}

TEST_F(KnobTest, WholeTableWritesKeepTheKnobsFunctions) {
    StartWithKnob();
    ASSERT_TRUE(Connect());
    KeyMacroData mode;
    mode.macro_type = 12;
    mode.macro_value = 10;
    mode.macro_desc = "BL-MOD";
    ASSERT_TRUE(knob->SetKnobFunction(0, 1, mode));
    knob->TaskWriteKnobAction();
    page->SetSelectedKey(kSelectAllTables);
    sim->ClearReports();
    page->TaskWriteKeyAssignments();
    const Bytes table = BlockWritten(0x1B);
    ASSERT_EQ(table.size(), kKeyTableBytes);
    EXPECT_EQ(Bytes(table.begin() + 0xF3, table.begin() + 0xF6), (Bytes{0x50, 0x0A, 0x00}));

    // Restoring a layer's factory table restores its knob as well, and the records say so.
    session.currentLayer = 0;
    page->SetSelectedKey(kSelectLayer);
    page->TaskWriteKeyAssignments();
    EXPECT_EQ(Entry(0x1A, kIndices[1]), (Bytes{0x30, 0xE9, 0x00}));
    EXPECT_EQ(page->Tables().KnobRecord(0, 1).macro_value, 104);

    // A keyboard without a knob: nothing of the knob is kept for its tables.
    DeviceInfo info = session.Info();
    info.knobPresent = false;
    session.SetInfo(info);
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(page->Tables().KnobIndicesRead());
    EXPECT_EQ(page->Tables().KnobRecord(0, 1).macro_type, 0);
}

TEST_F(KnobTest, CommandLineKnobFunctionsComeFromTheKnobList) {
    struct Case {
        int type, code, mask;
        bool allowed;
    };
    for (const Case& c : {Case{6, 104, 0, true}, Case{6, 122, 0, true}, Case{12, 10, 0, true},
                          Case{2, 0x04, 0, true}, Case{2, 0x04, 1, false}, Case{5, 90, 0, false},
                          Case{7, 155, 0, false}}) {
        KeyMacroData f;
        f.macro_type = c.type;
        f.macro_value = c.code;
        f.macro_value2 = c.mask;
        EXPECT_EQ(KnobPage::IsKnobFunction(f), c.allowed) << c.type << ":" << c.code;
    }
    StartWithKnob();
    ASSERT_TRUE(Connect());
    KeyMacroData media;
    media.macro_type = 6;
    media.macro_value = 106;
    EXPECT_FALSE(knob->SetKnobFunction(4, 0, media));
    EXPECT_FALSE(knob->SetKnobFunction(0, 3, media));
    ASSERT_TRUE(knob->SetKnobFunction(3, 0, media));
    EXPECT_EQ(poster.tasks, std::vector<int>{kKnobTaskWriteKnobAction});
    sim->ClearReports();
    knob->TaskWriteKnobAction();
    EXPECT_EQ(Entry(0x20, kIndices[0]), (Bytes{0x30, 0xE2, 0x00}));
}

TEST_F(KnobTest, EncoderSwitchRedrawsTheEncoderModel) {
    Start({}, 103, "vista96");
    CheckEncoderSwitch(true);
}

TEST_F(KnobTest, EncoderSwitchLeavesOtherModelsPicturesAlone) {
    Start();
    CheckEncoderSwitch(false);
}

}  // namespace
}  // namespace zanvor::test
