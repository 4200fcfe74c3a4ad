// The macro page of the desktop program driven through its widgets: a recording made with key
// and mouse events sent to the window, the steps in the database and the block the virtual
// keyboard received; pictures of the page in both languages and at two window sizes.

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <tuple>
#include <utility>

#include "HubWindowFixture.h"
#include "keys/MacroPage.h"
#include "keys/MacroTexts.h"
#include "qt/MacroPageView.h"
#include "qt/MacroPanels.h"
#include "qt/ProfileViews.h"

namespace zanvor::test {
namespace {

// X11/xkb keycodes, as the window system reports them in nativeScanCode.
constexpr int kX11Esc = 9;
constexpr int kX11Tab = 23;
constexpr int kX11Enter = 36;
constexpr int kX11A = 38;

void Mouse(QWidget* widget, QEvent::Type type, const QPoint& at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget, const QPoint& at) {
    Mouse(widget, QEvent::MouseButtonPress, at);
    Mouse(widget, QEvent::MouseButtonRelease, at);
}

// A key as the window system delivers it: Qt key code and the native keycode.
void Key(QWidget* widget, int key, int nativeCode) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, nativeCode, 0, 0);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, nativeCode, 0, 0);
    QApplication::sendEvent(widget, &release);
}

class MacroPageGuiTest : public HubWindowTest {
  protected:
    void OpenMacroPage() {
        Start("101:cable");
        SelectKeyboard(101);
        window->resize(1366, 768);
        window->Tabs()->setCurrentIndex(2);
        ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Macros(); }));
        view = window->Macros();
        ASSERT_TRUE(WaitFor([this] { return view->Macros()->count() == 10; }));
    }
    MacroPage& Page() { return dialog->Pages().macros; }

    MacroPageView* view = nullptr;
};

TEST_F(MacroPageGuiTest, ARecordingMadeOverTheWindowReachesTheDatabaseAndTheKeyboard) {
    OpenMacroPage();
    QListWidget* list = view->Macros();
    Click(list->viewport(), list->visualItemRect(list->item(1)).center());
    ASSERT_TRUE(WaitFor([this] { return Page().SelectedMacro() == Page().macros.GetItemData(1); }));
    const int macro = Page().SelectedMacro();

    view->Record()->click();
    ASSERT_TRUE(Page().Recording());
    EXPECT_FALSE(view->Button(kIdAddMacro)->isEnabled()) << "other controls wait";
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : view;
    Key(target, Qt::Key_A, kX11A);
    Key(target, Qt::Key_Escape, kX11Esc);
    Key(target, Qt::Key_Tab, kX11Tab);
    Key(target, Qt::Key_Return, kX11Enter);
    QWidget* steps = view->Steps()->viewport();
    Click(steps, QPoint(40, 20));
    EXPECT_TRUE(Page().Recording()) << "no key ends a recording, Esc and Enter included";
    Click(view->Record(), view->Record()->rect().center());
    ASSERT_TRUE(WaitFor([this] { return !Page().Recording() && dialog->Idle(); }));
    EXPECT_TRUE(view->Button(kIdAddMacro)->isEnabled());

    std::vector<MacroRecordData> stored;
    store.ListMacroSteps(macro, stored);
    std::vector<std::string> texts;
    for (const MacroRecordData& step : stored) {
        texts.push_back(step.desc);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"\u2193  A", "\u2191  A", "\u2193  Esc", "\u2191  Esc",
                                        "\u2193  Tab", "\u2191  Tab", "\u2193  Enter",
                                        "\u2191  Enter", "\u2193  MouseL", "\u2191  MouseL"}));

    // The keyboard's block: ten macros, the record of the second at 28; code and flags of
    // every step (the measured delays vary).
    const std::vector<uint8_t> block = sim->Keyboard(101)->BlockData(0x2D);
    ASSERT_GE(block.size(), 28u + 4 + 40);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 12),
              (std::vector<uint8_t>{0xAA, 0x55, 72, 0, 10, 0, 0, 0, 0, 0, 28, 0}));
    std::vector<uint8_t> codes;
    for (size_t at = 32; at < 72; at += 4) {
        codes.push_back(block[at + 2]);
        codes.push_back(block[at + 3]);
    }
    EXPECT_EQ(codes,
              (std::vector<uint8_t>{0x04, 0x81, 0x04, 0x01, 0x29, 0x81, 0x29, 0x01, 0x2B, 0x81,
                                    0x2B, 0x01, 0x28, 0x81, 0x28, 0x01, 0x01, 0x83, 0x01, 0x03}));
}

TEST_F(MacroPageGuiTest, TheStepEditorTakesTheNextKeyForBothHalvesOfAPress) {
    OpenMacroPage();
    const int macro = Page().SelectedMacro();
    MacroRecordData down;
    down.type = 2;
    down.value = 0x41;
    down.delay_time = 10;
    down.desc = "\u2193  A";
    MacroRecordData up = down;
    up.type = 3;
    up.desc = "\u2191  A";
    ASSERT_EQ(Page().SetMacroSteps(macro, {down, up}), MacroResult::kOk);
    ASSERT_TRUE(WaitFor([this] { return view->Steps()->rowCount() == 2 && dialog->Idle(); }));

    view->Steps()->selectRow(1);
    ASSERT_TRUE(WaitFor([this] { return view->Editor()->isVisible(); }));
    QLineEdit* field = view->Editor()->Field();
    EXPECT_EQ(field->text(), "A");
    field->setFocus();
    ASSERT_TRUE(WaitFor([this] { return Page().stepEditor.Capturing(); }));
    Key(field, Qt::Key_Escape, kX11Esc);
    ASSERT_TRUE(WaitFor([field] { return field->text() == "Esc"; }));
    std::vector<MacroRecordData> stored;
    store.ListMacroSteps(macro, stored);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].desc, "\u2193  Esc");
    EXPECT_EQ(stored[1].desc, "\u2191  Esc");
    EXPECT_EQ(stored[1].value, 0x1B);
}

// Two steps (a press and a release of A) for a macro.
std::vector<MacroRecordData> PressOfA() {
    std::vector<MacroRecordData> steps(2);
    steps[0].type = 2;
    steps[0].value = 0x41;
    steps[0].desc = "\u2193  A";
    steps[1].type = 3;
    steps[1].value = 0x41;
    steps[1].desc = "\u2191  A";
    return steps;
}

TEST_F(MacroPageGuiTest, AddTakesTheFirstUnusedSlotWhichTheListShowsAsUnused) {
    OpenMacroPage();
    const QString unused = QString::fromStdString(LoadText("KB.DIALOG", kTextUnusedMacro));
    ASSERT_FALSE(unused.isEmpty());
    // M1 holds steps, M3 plays on a key; the others are the unused slots of a new database.
    ASSERT_EQ(Page().SetMacroSteps(Page().macros.GetItemData(0), PressOfA()), MacroResult::kOk);
    const int third = Page().macros.GetItemData(2);
    KeyMacroData row;
    ASSERT_TRUE(store.GetKey(dialog->session.currentProfile.load(), 0, 0x04, row));
    row.macro_type = 3;
    row.macro_value = third;
    ASSERT_TRUE(store.UpdateKey(row));
    Page().LoadMacroPage();
    const auto shownUnused = [&](int row) {
        return view->Macros()->item(row)->text().contains(unused);
    };
    ASSERT_TRUE(WaitFor([&] { return view->Macros()->count() == 10 && !shownUnused(0); }));
    EXPECT_FALSE(shownUnused(2));
    for (int row : {1, 3, 4, 5, 6, 7, 8, 9}) {
        EXPECT_TRUE(shownUnused(row)) << row;
    }

    // Add refuses nothing: it takes M2, then M4, under a new macro's name.
    for (const int taken : {1, 3}) {
        view->Button(kIdAddMacro)->click();
        ASSERT_TRUE(WaitFor([&] { return view->Macros()->currentRow() == taken; }));
        EXPECT_EQ(Page().macros.GetCurSel(), taken);
        EXPECT_EQ(Page().macros.GetItemCount(), 10);
        EXPECT_FALSE(shownUnused(taken));
        EXPECT_EQ(Page().macros.GetItemText(taken).rfind(LoadText("KB.DIALOG", kTextNewMacro), 0),
                  0u);
    }
    EXPECT_TRUE(dialogs.HistoryOf("message").empty());
    Save(*window, "macros_unused_slots");
    // The rename of the slot keeps its id: M2's id is now the first new macro.
    EXPECT_EQ(Page().SelectedMacro(), Page().macros.GetItemData(3));
    MacroData renamed;
    ASSERT_TRUE(store.GetMacro(Page().macros.GetItemData(1), renamed));
    EXPECT_EQ(renamed.name, Page().macros.GetItemText(1));

    // With every slot in use, Add says so.
    for (int row = 0; row < 10; ++row) {
        Page().SetMacroSteps(Page().macros.GetItemData(row), PressOfA());
    }
    Page().LoadMacroPage();
    view->Button(kIdAddMacro)->click();
    EXPECT_EQ(dialogs.HistoryOf("message").size(), 1u);
    EXPECT_EQ(Page().macros.GetItemCount(), 10);
}

TEST_F(MacroPageGuiTest, TheRightColumnKeepsItsWidthWhicheverStepIsSelected) {
    OpenMacroPage();
    std::vector<MacroRecordData> steps = PressOfA();
    MacroRecordData pause;
    pause.type = 1;
    pause.value = 250;
    pause.desc = "250 ms";
    steps.insert(steps.begin(), pause);
    MacroRecordData mouse;
    mouse.type = 4;
    mouse.value = 1;
    mouse.desc = "\u2193  MouseL";
    steps.push_back(mouse);
    ASSERT_EQ(Page().SetMacroSteps(Page().SelectedMacro(), steps), MacroResult::kOk);
    ASSERT_TRUE(WaitFor([this] { return view->Steps()->rowCount() == 4; }));
    for (int language : {1033, 1045}) {
        SetActiveLanguage(language);
        const auto widths = [this] {
            return std::pair(view->Editor()->parentWidget()->width(), view->Steps()->width());
        };
        // A first round over the steps lets the language switch's relayout settle (it can wait
        // for the next layout pass); then the pause's widths are the reference for the key and
        // mouse steps.
        for (int step = 0; step < 4; ++step) {
            view->Steps()->selectRow(step);
            WaitUntilSteady(widths);
        }
        view->Steps()->selectRow(0);
        ASSERT_TRUE(WaitFor([this] { return view->Editor()->isVisible(); }));
        const auto [column, list] = WaitUntilSteady(widths);
        for (int step = 1; step < 4; ++step) {
            view->Steps()->selectRow(step);
            ASSERT_TRUE(WaitFor([this] { return view->Editor()->isVisible(); }));
            const auto [columnNow, listNow] = WaitUntilSteady(widths);
            EXPECT_EQ(columnNow, column) << language << " " << step;
            EXPECT_EQ(listNow, list) << language << " " << step;
        }
    }
}

// A pause is one wait: the list shows its whole time (a delay stored beside it by older versions
// included) in the step column and no delay beside it to edit; a key step keeps its delay.
TEST_F(MacroPageGuiTest, APauseShowsOneTimeAndNoDelayBesideIt) {
    OpenMacroPage();
    std::vector<MacroRecordData> steps = PressOfA();
    steps[0].delay_time = 40;
    MacroRecordData pause;
    pause.type = 1;
    pause.value = 250;
    pause.delay_time = 30;
    pause.desc = "250 ms";
    steps.insert(steps.begin() + 1, pause);
    ASSERT_EQ(Page().SetMacroSteps(Page().SelectedMacro(), steps), MacroResult::kOk);
    RecordListView* list = view->Steps();
    ASSERT_TRUE(WaitFor([list] { return list->rowCount() == 3; }));
    EXPECT_EQ(list->item(1, 0)->text(), "280 ms");
    EXPECT_EQ(list->item(1, 1)->text(), "");
    EXPECT_FALSE(list->item(1, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(list->item(0, 1)->text(), "40");
    EXPECT_TRUE(list->item(0, 1)->flags() & Qt::ItemIsEditable);
}

TEST_F(MacroPageGuiTest, PicturesOfThePage) {
    OpenMacroPage();
    const int macro = Page().SelectedMacro();
    std::vector<MacroRecordData> steps;
    for (const auto& [type, value, text] :
         std::vector<std::tuple<int, int, std::string>>{{2, 0xA0, "\u2193  Shift"},
                                                        {2, 0x41, "\u2193  A"},
                                                        {3, 0x41, "\u2191  A"},
                                                        {3, 0xA0, "\u2191  Shift"},
                                                        {1, 250, "250 ms"},
                                                        {4, 1, "\u2193  MouseL"},
                                                        {5, 1, "\u2191  MouseL"}}) {
        MacroRecordData step;
        step.type = type;
        step.value = value;
        step.delay_time = 40;
        step.desc = text;
        steps.push_back(step);
    }
    ASSERT_EQ(Page().SetMacroSteps(macro, steps), MacroResult::kOk);
    Page().RenameMacro(Page().macros.GetItemData(2), "Build and run");
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle() && view->Steps()->rowCount() == 7; }));
    view->Steps()->selectRow(1);
    ASSERT_TRUE(WaitFor([this] { return view->Editor()->isVisible(); }));
    Save(*window, "macros_1366");

    window->resize(1920, 1080);
    Save(*window, "macros_1920");

    view->Record()->click();
    ASSERT_TRUE(WaitFor([this] { return Page().Recording(); }));
    Save(*window, "macros_recording");
    Click(view->Record(), view->Record()->rect().center());
    ASSERT_TRUE(WaitFor([this] { return !Page().Recording() && dialog->Idle(); }));

    window->resize(1366, 768);
    SetActiveLanguage(1045);
    ASSERT_TRUE(WaitFor([this] { return window->Tabs()->tabText(2) == "Makra"; }));
    Save(*window, "macros_pl_1366");
    window->resize(window->minimumSize());
    Save(*window, "macros_pl_minimum_size");
}

}  // namespace
}  // namespace zanvor::test
