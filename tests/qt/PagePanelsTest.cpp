// The key-assignment page, the knob dialog and the profiles driven through their widgets,
// over the pages' real operations, a virtual keyboard and a real database.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTimer>

#include "KeyPageFixture.h"
#include "app/ProfileDlg.h"
#include "app/ProfilePage.h"
#include "keys/ActionCode.h"
#include "keys/KeyAssignmentPage.h"
#include "keys/KnobPage.h"
#include "qt/ControlViews.h"
#include "qt/HomePage.h"
#include "qt/KeyPageView.h"
#include "qt/KeyPanels.h"
#include "qt/KeyboardView.h"
#include "qt/KnobDialogView.h"
#include "qt/ProfileViews.h"
#include "ui/CKeyTestCtrl.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/InstalledLanguages.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ProfileList.h"

namespace zanvor::test {
namespace {

TEST_F(KeyPageGuiTest, ChoosingVolumeUpForAKeyOnLayerTwoStoresAndShowsIt) {
    StartPage();
    // Layer button 2 is the keyboard's layer 1.
    view->Layers()->Button(1)->click();
    EXPECT_EQ(dialog->session.currentLayer.load(), 1);
    ASSERT_TRUE(WaitFor([this] { return view->Layers()->Button(1)->isChecked(); }));
    // The layer's captions are reloaded by the worker; a key chosen before that is deselected.
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));

    const KeyItem a = Key("A");
    Click(view->Keyboard(), view->Keyboard()->KeyRect(a.code).center());
    EXPECT_EQ(dialog->Pages().keys.SelectedKey(), a.code);
    sim->ClearReports();

    FunctionListView* list = view->Functions();
    ASSERT_TRUE(WaitFor([&] { return list->TabIndex(kTabMedia) >= 0; }));
    QTabBar* tabs = list->Tabs();
    Click(tabs, tabs->tabRect(list->TabIndex(kTabMedia)).center());
    ASSERT_TRUE(WaitFor([&] { return FindItem(list->List(), "Volume up") != nullptr; }));
    QListWidgetItem* volumeUp = FindItem(list->List(), "Volume up");
    Click(list->List()->viewport(), list->List()->visualItemRect(volumeUp).center());

    KeyMacroData row;
    const int profile = dialog->session.currentProfile.load();
    ASSERT_TRUE(dialog->Store().GetKey(profile, 1, a.code, row));
    EXPECT_EQ(row.macro_type, 6) << "a media function";
    EXPECT_EQ(row.macro_desc, "Volume up");
    // The keyboard receives the entry: begin, command 0x1D (layer 1) at 3 x the key's
    // table index with 30 E9 00, end.
    const int index = dialog->session.KeyMapsCopy().codeToKeyIndex.at(a.code);
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }));
    std::vector<std::vector<uint8_t>> sent;
    for (const SimReport& report : sim->Reports()) {
        if (report.to_device) {
            sent.push_back(report.bytes);
        }
    }
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0][2], 0x10);
    EXPECT_EQ(sent[1][2], 0x1D);
    EXPECT_EQ(sent[1][3] | (sent[1][4] << 8), 3 * index);
    EXPECT_EQ(sent[1][5], 3);
    EXPECT_EQ(std::vector<uint8_t>(sent[1].begin() + 9, sent[1].begin() + 12),
              (std::vector<uint8_t>{0x30, 0xE9, 0x00}));
    EXPECT_EQ(sent[2][2], 0x11);
    // Layer 0 keeps the key's own function.
    ASSERT_TRUE(dialog->Store().GetKey(profile, 0, a.code, row));
    EXPECT_EQ(row.macro_desc, "A");
    // The picture shows the new function on the key.
    ASSERT_TRUE(WaitFor([&] {
        for (const KeyItem& item : view->Keyboard()->Items()) {
            if (item.code == a.code) {
                return item.functionCaption == "Volume up";
            }
        }
        return false;
    }));
    dialog->Pages().keyTest.Control().AddKey("Left Shift", 0xE1);
    WaitFor([&] { return !view->KeyTest()->Shown().isEmpty(); });
    Save(*window, "key_assignment_panels");
}

TEST_F(KeyPageGuiTest, ACombinationIsCapturedFromTheKeyboardAndApplied) {
    StartPage();
    const KeyItem f1 = Key("F1");
    Click(view->Keyboard(), view->Keyboard()->KeyRect(f1.code).center());
    FunctionListView* list = view->Functions();
    ASSERT_TRUE(WaitFor([&] { return list->TabIndex(kTabCombination) >= 0; }));
    Click(list->Tabs(), list->Tabs()->tabRect(list->TabIndex(kTabCombination)).center());
    CombinationView* panel = view->Combination();
    ASSERT_TRUE(WaitFor([&] { return panel->isVisible(); }));

    Click(panel->CaptureField(), QPoint(5, 5));
    ASSERT_TRUE(dialog->Pages().keys.Combination().Capturing());
    // X11 keycode 56 is the B key; the capture takes it, even Tab would not move the focus.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, 56, 0x62, 0, "b");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, 56, 0x62, 0, "b");
    QApplication::sendEvent(panel->CaptureField(), &press);
    QApplication::sendEvent(panel->CaptureField(), &release);
    ASSERT_TRUE(WaitFor([&] { return panel->CaptureField()->text() == "B"; }));
    panel->Modifier(0)->click();  // left Ctrl
    panel->ApplyButton()->click();

    KeyMacroData row;
    ASSERT_TRUE(dialog->Store().GetKey(dialog->session.currentProfile.load(), 0, f1.code, row));
    // A combination is stored as a key function with its modifier mask (left Ctrl: bit 0).
    EXPECT_EQ(row.macro_type, 2) << "a key function";
    EXPECT_EQ(row.macro_value2, 0x01);
    EXPECT_NE(row.macro_desc.find('B'), std::string::npos) << row.macro_desc;
    EXPECT_NE(row.macro_desc.find("Ctrl"), std::string::npos) << row.macro_desc;
    EXPECT_FALSE(dialog->Pages().keys.Combination().Capturing());
}

// The modifier boxes stand in a row per side: the row's label says the side, each box the
// key, in every language, wherever the language puts the side's word ("Strg links",
// "Ctrl gauche", "左 Ctrl"), and the box's name is the whole caption. The capture field shows
// its whole hint.
TEST_F(KeyPageGuiTest, TheCombinationPanelReadsWholeInEveryLanguage) {
    StartPage();
    window->resize(1366, 768);
    FunctionListView* list = view->Functions();
    ASSERT_TRUE(WaitFor([&] { return list->TabIndex(kTabCombination) >= 0; }));
    list->Tabs()->setCurrentIndex(list->TabIndex(kTabCombination));
    CombinationView* panel = view->Combination();
    ASSERT_TRUE(WaitFor([&] { return panel->isVisible(); }));
    for (const int language : LanguageIds(FindInstalledLanguages(ApplicationFolder()))) {
        SetActiveLanguage(language);
        for (int pass = 0; pass < 3; ++pass) {  // the new captions laid out
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        QLineEdit* field = panel->CaptureField();
        EXPECT_GE(field->width(),
                  field->fontMetrics().horizontalAdvance(field->placeholderText()) + 12)
            << language << ": " << field->placeholderText().toStdString();
        for (int side = 0; side < 2; ++side) {
            const QString label = panel->SideLabel(side)->text();
            EXPECT_EQ(label.left(1).toStdString(), label.left(1).toUpper().toStdString())
                << language;
            QSet<QString> keys;
            for (int key = 0; key < 4; ++key) {
                const QCheckBox* box = panel->Modifier(side * 4 + key);
                const QString caption =
                    QString::fromStdString(LoadText("KB.DIALOG", 1446 + side * 4 + key));
                keys.insert(box->text());
                EXPECT_EQ(box->accessibleName(), caption);
                const auto is = [&caption](const QString& text) {
                    return caption.compare(text, Qt::CaseInsensitive) == 0;
                };
                EXPECT_TRUE(label.isEmpty()
                                ? box->text() == caption
                                : is(label + " " + box->text()) || is(box->text() + " " + label))
                    << language << ": " << caption.toStdString() << " shown as "
                    << label.toStdString() << " / " << box->text().toStdString();
            }
            EXPECT_EQ(keys.size(), 4) << language << " side " << side;
        }
    }
    SetActiveLanguage(1033);
}

TEST_F(KeyPageGuiTest, TheCombinationTabShowsItsPanelAndTheMacroTabItsPlayOptions) {
    StartPage();
    FunctionListView* list = view->Functions();
    QTabBar* tabs = list->Tabs();
    ASSERT_TRUE(WaitFor([&] { return list->TabIndex(kTabCombination) >= 0; }));
    Click(tabs, tabs->tabRect(list->TabIndex(kTabCombination)).center());
    ASSERT_TRUE(WaitFor([&] { return view->Combination()->isVisible(); }));
    EXPECT_FALSE(list->List()->isVisible());
    EXPECT_FALSE(view->MacroPlay()->isVisible());
    // The modifier boxes are the model's.
    view->Combination()->Modifier(1)->click();
    view->Combination()->Modifier(4)->click();
    EXPECT_EQ(dialog->Pages().keys.Combination().ModifierMask(), 0x12);

    Click(tabs, tabs->tabRect(list->TabIndex(kTabMacros)).center());
    ASSERT_TRUE(WaitFor([&] { return view->MacroPlay()->isVisible(); }));
    EXPECT_FALSE(list->EmptyHint()->isVisible());
    // No macro at all: the list says where macros are made.
    std::vector<MacroData> macros;
    dialog->Store().ListMacros(macros);
    for (const MacroData& macro : macros) {
        ASSERT_TRUE(dialog->Store().DeleteMacro(macro.macro_id));
    }
    dialog->Pages().keys.RefreshMacroList();
    ASSERT_TRUE(WaitFor([&] { return list->List()->count() == 0; }));
    EXPECT_TRUE(list->EmptyHint()->isVisible());
    EXPECT_EQ(list->EmptyHint()->text().toStdString(), LoadText("KB.DIALOG", 2105));
    EXPECT_FALSE(view->Combination()->isVisible());
    EXPECT_EQ(view->MacroPlay()->Mode()->currentIndex(), 0);
    EXPECT_EQ(view->MacroPlay()->Count()->text(), "1");
}

TEST_F(KeyPageGuiTest, KeysPressedOverTheWindowAppearInTheKeyTestWhileThePageIsShown) {
    StartPage();
    window->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return window->isActiveWindow(); }));
    view->Keyboard()->setFocus();
    // X11 keycode 38 is the A key; 50 the left Shift.
    QKeyEvent pressA(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, "a");
    QKeyEvent pressShift(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, 50, 0xFFE1, 0);
    QKeyEvent releaseA(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, "a");
    QApplication::sendEvent(view->Keyboard(), &pressA);
    QApplication::sendEvent(view->Keyboard(), &pressShift);
    // Auto-repeat of a held key adds nothing.
    QApplication::sendEvent(view->Keyboard(), &pressA);
    ASSERT_TRUE(WaitFor([&] { return view->KeyTest()->Shown().size() == 2; }));
    EXPECT_EQ(view->KeyTest()->Shown().front(), "A");
    QApplication::sendEvent(view->Keyboard(), &releaseA);
    ASSERT_TRUE(WaitFor([&] { return view->KeyTest()->Shown().size() == 1; }));
    // A mouse button held over the window is shown too.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->Functions()->List()->viewport(), &press);
    ASSERT_TRUE(WaitFor([&] { return view->KeyTest()->Shown().size() == 2; }));

    // Leaving the page ends the test: the control is emptied and later keys are ignored.
    window->Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Home(); }));
    ASSERT_TRUE(WaitFor([this] { return dialog->Pages().keyTest.Control().Entries().empty(); }));
    QApplication::sendEvent(window->Home(), &pressA);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog->Pages().keyTest.Control().Entries().empty());
}

TEST_F(KeyPageGuiTest, TheTimesFieldShowsTheKeysCountAndLooksDisabledForTheRepeatModes) {
    StartPage();
    // A macro with steps to play.
    std::vector<MacroData> macros;
    dialog->Store().ListMacros(macros);
    ASSERT_FALSE(macros.empty());
    MacroRecordData press;
    press.macro_id = macros.front().macro_id;
    press.type = 2;
    press.value = 0x41;
    press.desc = "\u2193  A";
    ASSERT_TRUE(dialog->Store().InsertMacroSteps({press}));
    const QString name = QString::fromStdString(MacroDisplayName(macros.front().name));

    ClickKey("A");
    ShowTab(kTabMacros);
    ChooseEntry(name);
    QLineEdit* count = view->MacroPlay()->Count();
    ASSERT_TRUE(WaitFor([&] { return count->isEnabled(); }));
    count->setText("3");
    emit count->textEdited("3");
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }));
    KeyMacroData row;
    ASSERT_TRUE(dialog->Store().GetKey(dialog->session.currentProfile.load(), 0, 0x04, row));
    ASSERT_EQ(row.macro_value3, 3);

    // Another key and another tab, then back: the field shows what A plays.
    ClickKey("B");
    ShowTab(kTabKeys);
    ShowTab(kTabMacros);
    ASSERT_TRUE(WaitFor([&] { return count->text() == "1"; }));
    ClickKey("A");
    ASSERT_TRUE(WaitFor([&] { return count->text() == "3"; }));
    EXPECT_TRUE(count->isEnabled());
    const QImage enabled = count->grab().toImage();

    // A repeat mode: the field is disabled and drawn so.
    view->MacroPlay()->Mode()->setCurrentIndex(1);
    emit view->MacroPlay()->Mode()->activated(1);
    ASSERT_TRUE(WaitFor([&] { return !count->isEnabled(); }));
    const QImage disabled = count->grab().toImage();
    const QPoint inside(count->width() - 6, count->height() / 2);  // right of the text
    EXPECT_NE(enabled.pixel(inside), disabled.pixel(inside));
}

TEST_F(KeyPageGuiTest, ClickingTheKnobOpensItsDialogAndAChoiceReachesTheKeyboardTables) {
    StartPage();
    EXPECT_EQ(view->findChild<QLabel*>("hintLabel")->text().toStdString(),
              LoadText("KB.DIALOG", 1428))
        << "the hint names the knob of this model";
    const QRect knob = view->Keyboard()->KeyRect(0xFF);
    ASSERT_FALSE(knob.isEmpty()) << "the model draws no knob";
    std::string chosen;
    bool dialogSeen = false;
    // The dialog is modal: act on it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<KnobDialogView*>(QApplication::activeModalWidget());
        if (shown == nullptr) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* candidate = qobject_cast<KnobDialogView*>(widget);
                    candidate != nullptr && candidate->isVisible()) {
                    shown = candidate;
                }
            }
        }
        ASSERT_NE(shown, nullptr);
        dialogSeen = true;
        Save(*shown, "knob_dialog_from_page");
        emit shown->Combo(2)->activated(5);
        chosen = shown->Combo(2)->itemText(5).trimmed().toStdString();
        shown->OkButton()->click();
    });
    Click(view->Keyboard(), knob.center());
    ASSERT_TRUE(dialogSeen);
    ASSERT_TRUE(WaitFor([&] {
        return dialog->Idle() &&
               dialog->Pages().keys.Tables().KnobRecord(0, 2).macro_desc == chosen;
    }));
}

// ---- the knob dialog ----

class RecordingPoster : public TaskPoster {
  public:
    void PostTask(int) override {}
    void PostTaskIfIdle(int) override {}
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({id, wParam, lParam});
    }
    struct Message {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<Message> messages;
};

using KnobDialogTest = HubWindowTest;

// The captions of a knob list's heading rows, top to bottom.
QStringList Headings(const QComboBox& combo) {
    QStringList headings;
    const auto* rows = qobject_cast<const QStandardItemModel*>(combo.model());
    for (int row = 0; rows != nullptr && row < combo.count(); ++row) {
        if (rows->item(row)->flags() == Qt::NoItemFlags) {
            headings << combo.itemText(row);
        }
    }
    return headings;
}

TEST_F(KnobDialogTest, EveryPolishEntryFitsItsField) {
    TestApplication();
    SetActiveLanguageId(1045);
    RecordingPoster poster;
    std::array<KeyMacroData, kKnobActionCount> records{};
    KnobConfigDlg knob(7, records, poster);
    knob.OnInitDialog();
    KnobDialogView view(knob);
    view.show();
    ASSERT_TRUE(WaitFor([&] { return view.Combo(kKnobActionCount - 1)->count() > 100; }));
    for (int action = 0; action < kKnobActionCount; ++action) {
        KnobFunctionCombo* combo = view.Combo(action);
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const int field =
            combo->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                .width();
        for (int row = 0; row < combo->count(); ++row) {
            EXPECT_LE(combo->fontMetrics().horizontalAdvance(combo->itemText(row)), field)
                << action << ": " << combo->itemText(row).toStdString();
        }
    }
    Save(view, "knob_dialog_pl");
    SetActiveLanguageId(1033);
}

TEST_F(KnobDialogTest, AChoiceReachesTheMainWindowAtOnceAndOkCloses) {
    TestApplication();
    RecordingPoster poster;
    std::array<KeyMacroData, kKnobActionCount> records{};
    KnobConfigDlg knob(7, records, poster);
    knob.OnInitDialog();
    KnobDialogView view(knob);
    view.show();
    ASSERT_TRUE(WaitFor([&] { return view.Combo(2)->count() > 100; }));
    EXPECT_EQ(view.Combo(0)->currentIndex(), -1);  // a record the catalogue lacks

    // The list is grouped under headings in the order of the key page's tabs; a heading row
    // chooses nothing.
    EXPECT_EQ(Headings(*view.Combo(1)),
              (QStringList{FunctionTabCaption(kTabKeys), FunctionTabCaption(kTabMedia),
                           FunctionTabCaption(kTabInternal)}));
    const std::vector<KeyFunction> catalogue = knob.Catalogue();
    const auto firstKey = std::find_if(catalogue.begin(), catalogue.end(),
                                       [](const KeyFunction& f) { return f.type == kTabKeys; });
    ASSERT_NE(firstKey, catalogue.end());
    EXPECT_EQ(view.Combo(1)->RowOf(static_cast<int>(firstKey - catalogue.begin())), 1);
    emit view.Combo(1)->activated(0);
    EXPECT_TRUE(poster.messages.empty());
    emit view.Combo(1)->activated(view.Combo(1)->RowOf(3));
    ASSERT_EQ(poster.messages.size(), 1u);
    EXPECT_EQ(poster.messages[0].id, kKnobChangedMessage);
    EXPECT_EQ(poster.messages[0].wParam, 1u);
    EXPECT_EQ(poster.messages[0].lParam, 7);
    EXPECT_EQ(knob.Records()[1].macro_desc, knob.Catalogue()[3].name);
    Save(view, "knob_dialog");
    // The open list shows whole entries.
    view.Combo(2)->showPopup();
    QWidget* popup = view.Combo(2)->view()->window();
    ASSERT_TRUE(WaitFor([&] { return popup->isVisible(); }));
    EXPECT_GE(view.Combo(2)->view()->viewport()->width(),
              view.Combo(2)->view()->sizeHintForColumn(0));
    popup->grab().save(ScreenshotFolder() + "knob_dialog_list.png");
    view.Combo(2)->hidePopup();

    view.OkButton()->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(knob.DialogResult(), MDialog::kOK);
}

// ---- profiles ----

class ProfileGuiTest : public HubWindowTest {
  protected:
    void StartProfiles() {
        Start("101:cable");
        SelectKeyboard(101);
        // The context menu is recorded instead of shown (it would wait for a choice).
        dialog->SetProfileMenuPresenter([this] { ++contextRequests; });
        window->Tabs()->setCurrentIndex(1);
        ASSERT_TRUE(WaitFor([this] { return window->Profiles()->isVisible(); }));
        view = window->Profiles()->List();
        ASSERT_TRUE(WaitFor([this] { return view->count() == 3; }));
    }

    std::string StoredName(int id) {
        std::string name;
        dialog->Store().GetProfileName(id, name);
        return name;
    }

    ProfileList& List() { return dialog->Pages().profile.List(); }

    ProfileListView* view = nullptr;
    int contextRequests = 0;
};

TEST_F(ProfileGuiTest, AddRenameAndDeleteThroughTheProfileList) {
    StartProfiles();
    window->Profiles()->AddButton()->click();
    ASSERT_TRUE(WaitFor([this] { return view->count() == 4; }));
    EXPECT_EQ(view->currentRow(), 3);
    const int added = List().GetCurData();
    EXPECT_EQ(dialog->session.currentProfile.load(), added);

    // F2 opens the editor on the entry; Enter keeps the new name.
    view->setFocus();
    Type(view, Qt::Key_F2);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() != nullptr; }));
    view->Editor()->setText("Raid night");
    Type(view->Editor(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() == nullptr; }));
    EXPECT_EQ(StoredName(added), "Raid night");
    ASSERT_TRUE(WaitFor([this] { return view->item(3)->text() == "Raid night"; }));
    Save(*window, "profiles_panel");

    // Escape leaves the name as it was.
    Type(view, Qt::Key_F2);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() != nullptr; }));
    view->Editor()->setText("Oops");
    Type(view->Editor(), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() == nullptr; }));
    EXPECT_EQ(StoredName(added), "Raid night");

    // The right button asks for the context menu of the entry under it; closed without a
    // choice, the highlight stays on the active profile.
    const QRect second = view->visualItemRect(view->item(1));
    emit view->customContextMenuRequested(second.center());
    EXPECT_EQ(contextRequests, 1);
    EXPECT_EQ(List().GetSelectItem(), 3);
    ASSERT_TRUE(WaitFor([this] { return view->currentRow() == 3; }));
    EXPECT_EQ(dialog->session.currentProfile.load(), added);

    // A command chosen from that menu is for the right-clicked entry, not the active one.
    emit view->customContextMenuRequested(second.center());
    dialog->OnProfileMenuCommand(ProfilePage::kCommandRename);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() != nullptr; }));
    view->Editor()->setText("Work");
    Type(view->Editor(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return view->Editor() == nullptr; }));
    EXPECT_EQ(StoredName(List().GetItemData(1)), "Work");
    EXPECT_EQ(StoredName(added), "Raid night");
    EXPECT_EQ(dialog->session.currentProfile.load(), added) << "Enter only ends the rename";
    EXPECT_EQ(List().GetSelectItem(), 3);

    // Delete asks, then removes the focused profile; the active one stays selected.
    const int deleted = List().GetItemData(1);
    view->setCurrentRow(1);
    dialogs.QueueAnswer(true);
    Type(view, Qt::Key_Delete);
    ASSERT_TRUE(WaitFor([this] { return view->count() == 3; }));
    EXPECT_EQ(StoredName(deleted), "");
    EXPECT_EQ(List().GetCurData(), added);
    EXPECT_EQ(dialog->session.currentProfile.load(), added);

    // Declined, nothing is deleted.
    view->setCurrentRow(0);
    dialogs.QueueAnswer(false);
    Type(view, Qt::Key_Delete);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->count(), 3);
    EXPECT_EQ(dialogs.HistoryOf("question").size(), 2u);

    // A double click renames in place, as in the profile dialog.
    emit view->itemDoubleClicked(view->item(2));
    ASSERT_TRUE(WaitFor([this] { return view->Editor() != nullptr; }));
    Type(view->Editor(), Qt::Key_Escape);
}

TEST_F(ProfileGuiTest, TheProfileDialogAddsRenamesAndConfirms) {
    StartProfiles();
    ProfileDlg profileDialog(dialog->Store(), dialogs, dialog->Pages().profile);
    profileDialog.OnInitDialog();
    ProfileDialogView view(profileDialog, window.get());
    view.show();
    ASSERT_TRUE(WaitFor([&] { return view.List()->count() == 3; }));
    view.AddButton()->click();
    ASSERT_TRUE(WaitFor([&] { return view.List()->count() == 4; }));
    Save(view, "profile_dialog");

    // A double click renames in place.
    emit view.List()->itemDoubleClicked(view.List()->item(3));
    ASSERT_TRUE(WaitFor([&] { return view.List()->Editor() != nullptr; }));
    view.List()->Editor()->setText("Office");
    Type(view.List()->Editor(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return view.List()->Editor() == nullptr; }));
    EXPECT_EQ(StoredName(profileDialog.List().GetItemData(3)), "Office");
    EXPECT_TRUE(view.isVisible()) << "Enter ends the rename, not the dialog";
    EXPECT_EQ(profileDialog.GetResult(), ProfileDlg::Result::kOpen);
    EXPECT_EQ(view.CancelButton()->text().toStdString(), LoadText("KB.DIALOG", 2103));

    view.OkButton()->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(profileDialog.GetResult(), ProfileDlg::Result::kConfirmed);
}

// A desktop with two program windows on screen; it reports no focus change.
class TwoWindowsDesktop : public FocusSource {
  public:
    bool Start(Callback, std::string&) override { return true; }
    void Stop() override {}
    std::vector<FocusedWindow> ListWindows() override {
        return {{7, 100, "wine64-preloader", "steam_app_570", "steam_app_570", "Dota 2"},
                {8, 101, "factorio", "factorio", "factorio", "Factorio 1.1.110"}};
    }
};

TEST_F(ProfileGuiTest, TheProfileDialogBindsProgramsFromThePickerAndByName) {
    StartProfiles();
    std::string error;
    ASSERT_TRUE(dialog->Pages().focus.Start(std::make_unique<TwoWindowsDesktop>(), error));
    window->resize(1366, 768);
    ProfileDlg profileDialog(dialog->Store(), dialogs, dialog->Pages().profile,
                             &dialog->Pages().focus);
    profileDialog.OnInitDialog();
    {
        ProfileDialogView view(profileDialog, window.get());
        view.show();
        ASSERT_TRUE(WaitFor([&] { return view.List()->count() == 3; }));
        // The programs are the selected profile's, and their title says whose; the name field
        // shows examples of single names and its button adds at once.
        EXPECT_EQ(view.ProgramsTitle()->text(), "Programs of 'My profile 1'");
        EXPECT_EQ(view.ProgramNameEdit()->placeholderText(), "for example dota2 or steam_app_570");
        EXPECT_EQ(view.AddProgramByNameButton()->text(), "Add");
        profileDialog.List().ClickItem(1);
        ASSERT_TRUE(
            WaitFor([&] { return view.ProgramsTitle()->text() == "Programs of 'My profile 2'"; }));
        profileDialog.List().ClickItem(0);
        ASSERT_TRUE(
            WaitFor([&] { return view.ProgramsTitle()->text() == "Programs of 'My profile 1'"; }));
        // The picker lists the windows by title; choosing one binds its program.
        QMenu* picker = view.RunningProgramsMenu();
        ASSERT_EQ(picker->actions().size(), 2);
        EXPECT_EQ(picker->actions()[0]->text(), "Dota 2  (steam_app_570)");
        picker->actions()[0]->trigger();
        view.ProgramNameEdit()->setText("factorio");
        view.AddProgramByNameButton()->click();
        ASSERT_TRUE(WaitFor([&] { return view.ProgramsList()->count() == 2; }));
        EXPECT_EQ(view.ProgramNameEdit()->text(), "") << "an added name leaves the field";
        EXPECT_EQ(view.ProgramsList()->item(1)->text(), "factorio");
        Save(view, "profile_dialog_programs");

        // Removing the selected program.
        view.ProgramsList()->setCurrentRow(1);
        view.RemoveProgramButton()->click();
        ASSERT_TRUE(WaitFor([&] { return view.ProgramsList()->count() == 1; }));
    }
    SetActiveLanguage(1045);
    {
        // Opened in Polish: the default profile names read in Polish too.
        ProfileDlg polish(dialog->Store(), dialogs, dialog->Pages().profile,
                          &dialog->Pages().focus);
        polish.OnInitDialog();
        ProfileDialogView view(polish, window.get());
        view.show();
        EXPECT_EQ(view.AddRunningProgramButton()->text(), "Dodaj uruchomiony program…");
        EXPECT_EQ(view.ProgramsTitle()->text(), "Programy profilu „Mój profil 1”");
        EXPECT_EQ(view.List()->item(1)->text(), "Mój profil 2");
        Save(view, "profile_dialog_programs_pl");
    }
    SetActiveLanguage(1033);

    // A desktop that does not tell: everything is disabled, with the plain reason.
    dialog->Pages().focus.Stop();
    ProfileDialogView view(profileDialog, window.get());
    view.show();
    EXPECT_FALSE(view.AddRunningProgramButton()->isEnabled());
    EXPECT_FALSE(view.AddProgramByNameButton()->isEnabled());
    EXPECT_FALSE(view.ProgramNameEdit()->isEnabled());
    EXPECT_NE(view.findChildren<QLabel*>().size(), 0);
    bool reasonShown = false;
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        reasonShown =
            reasonShown ||
            label->text() == "This desktop does not tell programs which window is in front";
    }
    EXPECT_TRUE(reasonShown);
    EXPECT_EQ(view.ProgramsHint()->objectName(), "warningLabel") << "the reason stands out";
    Save(view, "profile_dialog_programs_unavailable");
}

}  // namespace
}  // namespace zanvor::test
