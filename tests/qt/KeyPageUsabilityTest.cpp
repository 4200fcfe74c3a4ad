// What a new user does on the key-assignment page: several keys at once, restoring a key, the
// tab bar driven with the keyboard.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>

#include "KeyPageFixture.h"
#include "app/DevicePages.h"
#include "keys/KeyTest.h"
#include "qt/HomePage.h"
#include "qt/ProfileViews.h"
#include "support/SimReports.h"
#include "ui/CombinationKeyPanel.h"

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

    // The button restores the selected key, in the database and in the keyboard; Enter on
    // the focused button presses it.
    QPushButton* restore = view->RestoreKeyButton();
    ASSERT_NE(restore, nullptr);
    EXPECT_TRUE(restore->isVisible());
    EXPECT_EQ(restore->text().toStdString(), LoadText("KB.DIALOG", 2101));
    window->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return window->isActiveWindow(); }));
    restore->setFocus();
    ASSERT_TRUE(WaitFor([&] { return restore->hasFocus(); }));
    Type(restore, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    EXPECT_EQ(Row(0, a).macro_desc, "A");
    const int index = dialog->session.KeyMapsCopy().codeToKeyIndex.at(a);
    EXPECT_EQ(TableEntry(sim->Keyboard(101)->BlockData(0x1A), index), (Bytes{0x10, 0x00, 0x04}));
}

// Without a mouse: Tab walks the page in reading order, the arrow keys and Enter pick a key,
// a tab and a function, and Enter presses the restore button.
TEST_F(KeyPageGuiTest, TheWholePageWorksFromTheKeyboard) {
    StartPage();
    window->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return window->isActiveWindow(); }));
    const auto tab = [] {
        Type(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents();
        return QApplication::focusWidget();
    };
    view->Layers()->Button(0)->setFocus();
    ASSERT_TRUE(WaitFor([this] { return view->Layers()->Button(0)->hasFocus(); }));
    // The layer buttons are one stop: the arrow keys move between them.
    Type(view->Layers()->Button(0), Qt::Key_Right);
    EXPECT_TRUE(WaitFor([this] { return view->Layers()->Button(1)->hasFocus(); }));
    Type(view->Layers()->Button(1), Qt::Key_Left);
    EXPECT_TRUE(WaitFor([this] { return view->Layers()->Button(0)->hasFocus(); }));
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    ASSERT_EQ(tab(), view->Keyboard());
    Type(view->Keyboard(), Qt::Key_Down);
    Type(view->Keyboard(), Qt::Key_Down);
    Type(view->Keyboard(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return dialog->keyboardCtrl.GetSelectKey() != 0; }));
    const int key = dialog->keyboardCtrl.GetSelectKey();
    const std::string before = Row(0, key).macro_desc;

    FunctionListView* functions = view->Functions();
    ASSERT_EQ(tab(), functions->Tabs());
    while (functions->Tabs()->currentIndex() != functions->TabIndex(kTabMedia)) {
        const int at = functions->Tabs()->currentIndex();
        Type(functions->Tabs(), Qt::Key_Right);
        ASSERT_NE(functions->Tabs()->currentIndex(), at) << "the media tab is out of reach";
    }
    ASSERT_EQ(tab(), functions->List());
    Type(functions->List(), Qt::Key_Down);
    Type(functions->List(), Qt::Key_Down);
    ASSERT_NE(functions->List()->currentItem(), nullptr);
    const std::string chosen = functions->List()->currentItem()->text().toStdString();
    Type(functions->List(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle() && Row(0, key).macro_desc == chosen; }));

    ASSERT_EQ(tab(), view->RestoreKeyButton());
    Type(view->RestoreKeyButton(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle() && Row(0, key).macro_desc == before; }));
}

// At the usual laptop size every entry of the function lists is whole, and a key given a long
// function shows its whole caption (smaller, on several lines) rather than "Volum…".
TEST_F(KeyPageGuiTest, FunctionEntriesAndRemappedKeyCaptionsAreWholeAt1366) {
    StartPage();
    window->resize(1366, 768);
    struct Assignment {
        const char* key;
        int type;
        int code;
        int text;
    };
    const Assignment assignments[] = {
        {"A", 6, 104, 268}, {"S", 6, 105, 269}, {"D", 7, 154, 255},
        {"F", 6, 113, 260}, {"G", 6, 100, 264}, {"H", 7, 152, 253},
    };
    for (int language : {1033, 1045}) {
        ASSERT_TRUE(dialog->Pages().application.languageList.ChooseData(language));
        ASSERT_TRUE(WaitFor([&] {
            return window->Tabs()->tabText(1).toStdString() == LoadText("KB.DIALOG", 1401);
        }));
        for (const Assignment& assignment : assignments) {
            KeyMacroData function;
            function.macro_type = assignment.type;
            function.macro_value = assignment.code;
            function.macro_desc = LoadText("KB.DIALOG", assignment.text);
            ASSERT_TRUE(dialog->Pages().keys.SetKeyFunction(0, Key(assignment.key).code, function));
        }
        ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
        QCoreApplication::processEvents();
        for (const Assignment& assignment : assignments) {
            const QString text = view->Keyboard()->CaptionFit(Key(assignment.key).code).text;
            EXPECT_FALSE(text.contains(QChar(0x2026)))
                << language << ": " << text.toStdString() << " for "
                << LoadText("KB.DIALOG", assignment.text);
        }

        // The text of each entry fits the part of its cell the style draws text in (inside
        // the padding, the focus border and the text margins), where it would be cut.
        FunctionListView* functions = view->Functions();
        for (int tab : {kTabKeys, kTabMouse, kTabMedia, kTabShortcuts, kTabInternal}) {
            functions->Tabs()->setCurrentIndex(functions->TabIndex(tab));
            QCoreApplication::processEvents();
            QListWidget* list = functions->List();
            const int margin =
                list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
            for (int row = 0; row < list->count(); ++row) {
                QStyleOptionViewItem option;
                option.initFrom(list);
                option.widget = list;
                option.rect = list->visualItemRect(list->item(row));
                option.text = list->item(row)->text();
                option.font = list->font();
                option.features = QStyleOptionViewItem::HasDisplay;
                option.displayAlignment = Qt::AlignCenter;
                option.state |= QStyle::State_HasFocus | QStyle::State_Selected;
                const QRect text =
                    list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
                EXPECT_LE(list->fontMetrics().horizontalAdvance(option.text),
                          text.width() - 2 * margin)
                    << language << ": " << option.text.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace zanvor::test

namespace zanvor::test {
namespace {

class KeyTestGuiTest : public KeyPageGuiTest {
  protected:
    void StartListening() {
        StartPage();
        window->activateWindow();
        ASSERT_TRUE(WaitFor([this] { return window->isActiveWindow(); }));
        view->Keyboard()->setFocus();
    }

    // A key event as the window system delivers it: X11 keycode and time stamp.
    void Send(QEvent::Type type, int qtKey, int keycode, quint64 stamp) {
        QKeyEvent event(type, qtKey, Qt::NoModifier, static_cast<quint32>(keycode), 0, 0);
        event.setTimestamp(stamp);
        QApplication::sendEvent(view->Keyboard(), &event);
    }

    QStringList Shown() { return view->KeyTest()->Shown(); }
};

constexpr int kKeycodeA = 38;
constexpr int kKeycodeShift = 50;

TEST_F(KeyTestGuiTest, AHeldKeyShowsOnceWhenTheSystemRepeatsItAsReleaseAndPress) {
    StartListening();
    Send(QEvent::KeyPress, Qt::Key_A, kKeycodeA, 1000);
    Send(QEvent::KeyPress, Qt::Key_Shift, kKeycodeShift, 1010);
    ASSERT_TRUE(WaitFor([&] { return Shown().size() == 2; }));
    // Auto-repeat of A without Qt's mark: a release and a press 2 ms apart, many times.
    for (quint64 stamp = 1500; stamp < 2000; stamp += 33) {
        Send(QEvent::KeyRelease, Qt::Key_A, kKeycodeA, stamp);
        Send(QEvent::KeyPress, Qt::Key_A, kKeycodeA, stamp + 2);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), (QStringList{"A", "Shift"})) << "A stays where it was";
    // The real release arrives after the wait for a repeat.
    Send(QEvent::KeyRelease, Qt::Key_A, kKeycodeA, 2500);
    ASSERT_TRUE(WaitFor([&] { return Shown() == QStringList{"Shift"}; }));
    // A release followed by a press of another key is no repeat.
    Send(QEvent::KeyRelease, Qt::Key_Shift, kKeycodeShift, 3000);
    Send(QEvent::KeyPress, Qt::Key_A, kKeycodeA, 3001);
    ASSERT_TRUE(WaitFor([&] { return Shown() == QStringList{"A"}; }));
}

TEST_F(KeyTestGuiTest, KeysReleasedInAnotherWindowAreClearedWhenTheInputComesBack) {
    StartListening();
    Send(QEvent::KeyPress, Qt::Key_A, kKeycodeA, 1000);
    ASSERT_TRUE(WaitFor([&] { return Shown() == QStringList{"A"}; }));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return !window->isActiveWindow(); }));
    // A is released while the other window has the input; the main window never hears it.
    window->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));
    ASSERT_TRUE(WaitFor([&] { return Shown().isEmpty(); }));
    // The lists the key test listens through take no input method.
    EXPECT_FALSE(view->Functions()->List()->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(view->Keyboard()->testAttribute(Qt::WA_InputMethodEnabled));
}

// A press that opens a drop-down list or a dialog: the release goes to that window, and the key
// test still hears it.
TEST_F(KeyTestGuiTest, AButtonReleasedInAListOrDialogThePressOpenedIsNotShownHeld) {
    StartListening();
    const auto press = [](QWidget* widget, const QPoint& at, QEvent::Type type) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    const QString left = QString::fromStdString(LoadText("KB.DIALOG", 220));

    ShowTab(kTabMacros);
    QComboBox* mode = view->MacroPlay()->Mode();
    ASSERT_TRUE(WaitFor([&] { return mode->isVisible(); }));
    press(mode, mode->rect().center(), QEvent::MouseButtonPress);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "the press opens the list";
    EXPECT_TRUE(WaitFor([&] { return Shown() == QStringList{left}; }));
    ASSERT_EQ(QApplication::activePopupWidget(), popup);
    press(popup, QPoint(4, 4), QEvent::MouseButtonRelease);
    EXPECT_TRUE(WaitFor([&] { return Shown().isEmpty(); })) << "released in the list";
    mode->hidePopup();

    // The knob's dialog opens on the press and is modal: the release lands on it.
    const QRect knob = view->Keyboard()->KeyRect(0xFF);
    ASSERT_FALSE(knob.isEmpty());
    QStringList shownInDialog{"not seen"};
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        press(shown, QPoint(4, 4), QEvent::MouseButtonRelease);
        QCoreApplication::processEvents();
        shownInDialog = Shown();
        static_cast<QDialog*>(shown)->reject();
    });
    press(view->Keyboard(), knob.center(), QEvent::MouseButtonPress);
    EXPECT_EQ(shownInDialog, QStringList{}) << "released on the knob dialog";
}

TEST_F(KeyTestGuiTest, LeavingTheCaptureFieldEndsTheCaptureAndTheKeyTestListensAgain) {
    StartListening();
    KeyTest& keyTest = dialog->Pages().keyTest;
    CombinationKeyPanel& capture = dialog->Pages().keys.Combination();
    const auto startCapture = [&] {
        ShowTab(kTabCombination);
        ASSERT_TRUE(WaitFor([&] { return view->Combination()->isVisible(); }));
        Click(view->Combination()->CaptureField(), QPoint(5, 5));
        ASSERT_TRUE(capture.Capturing());
        ASSERT_FALSE(keyTest.IsActive());
    };
    // Another tab.
    startCapture();
    ShowTab(kTabMedia);
    EXPECT_FALSE(capture.Capturing());
    EXPECT_TRUE(keyTest.IsActive());
    // Another key.
    startCapture();
    ClickKey("F1");
    EXPECT_FALSE(capture.Capturing());
    EXPECT_TRUE(keyTest.IsActive());
    // The focus moves elsewhere (Tab is taken by the capture, so by a click in the list of
    // profiles).
    startCapture();
    window->Profiles()->List()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return !capture.Capturing(); }));
    EXPECT_TRUE(keyTest.IsActive());
    // Another page: the capture ends; back on the page the key test listens.
    startCapture();
    window->Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Home(); }));
    EXPECT_FALSE(capture.Capturing());
    window->Tabs()->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([&] { return keyTest.IsActive(); }));
    EXPECT_FALSE(capture.Capturing());
}

}  // namespace
}  // namespace zanvor::test
