// What a new user does on the key-assignment page: several keys at once, restoring a key, the
// tab bar driven with the keyboard.

#include <QPushButton>

#include "KeyPageFixture.h"
#include "support/SimReports.h"

namespace zanvor::test {
namespace {

Bytes TableEntry(const Bytes& table, int index) {
    return Bytes(table.begin() + 3 * index, table.begin() + 3 * index + 3);
}

TEST_F(KeyPageGuiTest, AFunctionChosenForSeveralKeysReachesThemAllInOneTableWrite) {
    StartPage();
    ClickKey("A");
    ClickKey("S", Qt::ControlModifier);
    ClickKey("D", Qt::ControlModifier);
    ShowTab(kTabMedia);
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    sim->ClearReports();
    ChooseEntry("Volume up");
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));

    const auto& indices = dialog->session.KeyMapsCopy().codeToKeyIndex;
    const Bytes table = sim->Keyboard(101)->BlockData(0x1A);
    for (const char* caption : {"A", "S", "D"}) {
        EXPECT_EQ(Row(0, Key(caption).code).macro_desc, "Volume up") << caption;
        EXPECT_EQ(TableEntry(table, indices.at(Key(caption).code)), (Bytes{0x30, 0xE9, 0x00}))
            << caption;
    }
    EXPECT_EQ(TableEntry(table, indices.at(Key("F").code)), (Bytes{0x10, 0x00, 0x09}))
        << "a key not selected keeps its function";
    // Begin, layer 0's table (command 0x1B) in 56-byte chunks, end: no single-entry writes.
    std::vector<uint8_t> commands;
    for (const auto& report : Sent()) {
        if (commands.empty() || commands.back() != report[2]) {
            commands.push_back(report[2]);
        }
    }
    EXPECT_EQ(commands, (std::vector<uint8_t>{0x10, 0x1B, 0x11}));
    EXPECT_EQ(Sent().size(), 2u + (384 + 55) / 56);

    // A plain click selects one key again: the next choice changes that key alone.
    ClickKey("F");
    sim->ClearReports();
    ChooseEntry("Mute");
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    EXPECT_EQ(Sent().size(), 3u) << "one entry";
    EXPECT_EQ(Row(0, Key("A").code).macro_desc, "Volume up");
}

TEST_F(KeyPageGuiTest, RestoreIsAButtonAndTheTabBarOnlyMovesBetweenTabs) {
    StartPage();
    FunctionListView* list = view->Functions();
    for (int index = 0; index < list->Tabs()->count(); ++index) {
        EXPECT_NE(list->Tabs()->tabText(index), QString::fromStdString(LoadText("KB.DIALOG", 1432)))
            << "no tab acts as a button";
    }
    ClickKey("A");
    ShowTab(kTabMedia);
    ChooseEntry("Volume up");
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    const int a = Key("A").code;

    // Arrow keys walk through every tab and back without touching the key.
    list->Tabs()->setFocus();
    for (int step = 0; step < list->Tabs()->count(); ++step) {
        Type(list->Tabs(), Qt::Key_Left);
        Type(list->Tabs(), Qt::Key_Right);
        Type(list->Tabs(), Qt::Key_Left);
    }
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    EXPECT_EQ(Row(0, a).macro_desc, "Volume up");

    // The button restores the selected key, in the database and in the keyboard.
    QPushButton* restore = view->RestoreKeyButton();
    ASSERT_NE(restore, nullptr);
    EXPECT_TRUE(restore->isVisible());
    EXPECT_EQ(restore->text().toStdString(), LoadText("KB.DIALOG", 2101));
    restore->click();
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    EXPECT_EQ(Row(0, a).macro_desc, "A");
    const int index = dialog->session.KeyMapsCopy().codeToKeyIndex.at(a);
    EXPECT_EQ(TableEntry(sim->Keyboard(101)->BlockData(0x1A), index), (Bytes{0x10, 0x00, 0x04}));
}

}  // namespace
}  // namespace zanvor::test
