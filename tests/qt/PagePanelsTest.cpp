// The key-assignment page, the knob dialog and the profiles driven through their widgets,
// over the pages' real operations, a virtual keyboard and a real database.

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "HubWindowFixture.h"
#include "app/ProfileDlg.h"
#include "app/ProfilePage.h"
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
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ProfileList.h"

namespace zanvor::test {
namespace {

void Click(QWidget* widget, const QPoint& at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), widget->mapToGlobal(QPointF(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

QListWidgetItem* FindItem(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

// The key-assignment page wired as the main window wires it: each control's events reach
// the page's operation.
class KeyPageGuiTest : public HubWindowTest {
  protected:
    void StartPage() {
        Start("101:cable");
        page = std::make_unique<KeyAssignmentPage>(
            dialog->Devices(), dialog->Store(), dialog->session, *dialog, dialogs,
            KeyPageControls{dialog->keyboardCtrl, functions, layers, macroPlay, combination});
        functions.SetEventSink([this](int, int event) {
            if (event == KeyFuncValue::kEventTabChanged) {
                page->OnTabChanged();
            } else if (event == KeyFuncValue::kEventItemClicked) {
                page->ChooseFunction();
            }
        });
        layers.SetEventSink([this](int, int) { page->OnLayerChanged(); });
        combination.SetEventSink([this](int, int event) {
            if (event == CombinationKeyPanel::kEventApplyClicked) {
                page->ApplyCombination();
            }
        });
        dialog->keyboardCtrl.SetEventSink([this](int, int event) {
            if (event == KeyboardCtrl::kEventKeyClicked) {
                page->SelectKey();
            }
        });
        page->CreateDefaultKeyRows(1);
        page->InitControls();
        window->AttachKeyPage({&functions, &layers, &macroPlay, &combination, &keyTest},
                              [this] { page->RestoreAllDefaults(); });
        window->Tabs()->setCurrentIndex(1);
        ASSERT_TRUE(WaitFor([this] { return window->Keys()->isVisible(); }));
        view = window->Keys();
    }

    void TearDown() override {
        if (dialog) {
            dialog->keyboardCtrl.SetEventSink(nullptr);
        }
        HubWindowTest::TearDown();
        page.reset();
    }

    KeyItem Key(const std::string& caption) {
        for (const KeyItem& item : dialog->keyboardCtrl.GetKeyItems()) {
            if (item.caption == caption) {
                return item;
            }
        }
        ADD_FAILURE() << "no key " << caption;
        return {};
    }

    KeyFuncValue functions;
    KeyLayerCtrl layers;
    MacroPlayPanel macroPlay;
    CombinationKeyPanel combination;
    CKeyTestCtrl keyTest;
    std::unique_ptr<KeyAssignmentPage> page;
    KeyPageView* view = nullptr;
};

TEST_F(KeyPageGuiTest, ChoosingVolumeUpForAKeyOnLayerTwoStoresAndShowsIt) {
    StartPage();
    // Layer button 2 is the keyboard's layer 1.
    view->Layers()->Button(1)->click();
    EXPECT_EQ(dialog->session.currentLayer.load(), 1);
    ASSERT_TRUE(WaitFor([this] { return view->Layers()->Button(1)->isChecked(); }));

    const KeyItem a = Key("A");
    Click(view->Keyboard(), view->Keyboard()->KeyRect(a.code).center());
    EXPECT_EQ(page->SelectedKey(), a.code);

    FunctionListView* list = view->Functions();
    ASSERT_TRUE(WaitFor([&] { return list->TabIndex(kTabMedia) >= 0; }));
    QTabBar* tabs = list->Tabs();
    Click(tabs, tabs->tabRect(list->TabIndex(kTabMedia)).center());
    ASSERT_TRUE(WaitFor([&] { return FindItem(list->List(), "Volume up") != nullptr; }));
    QListWidgetItem* volumeUp = FindItem(list->List(), "Volume up");
    Click(list->List()->viewport(), list->List()->visualItemRect(volumeUp).center());

    KeyMacroData row;
    ASSERT_TRUE(dialog->Store().GetKey(1, 1, a.code, row));
    EXPECT_EQ(row.macro_type, kTabMedia);
    EXPECT_EQ(row.macro_desc, "Volume up");
    // Layer 0 keeps the key's own function.
    ASSERT_TRUE(dialog->Store().GetKey(1, 0, a.code, row));
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
    keyTest.AddKey("Left Shift", 0xE1);
    WaitFor([&] { return !view->KeyTest()->Shown().isEmpty(); });
    Save(*window, "key_assignment_panels");
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
    EXPECT_EQ(combination.ModifierMask(), 0x12);

    Click(tabs, tabs->tabRect(list->TabIndex(kTabMacros)).center());
    ASSERT_TRUE(WaitFor([&] { return view->MacroPlay()->isVisible(); }));
    EXPECT_FALSE(view->Combination()->isVisible());
    EXPECT_TRUE(view->MacroPlay()->Option(0)->isChecked());
    EXPECT_EQ(view->MacroPlay()->Count()->text(), "1");
}

TEST_F(KeyPageGuiTest, TheKeyTestShowsWhatTheModelHolds) {
    StartPage();
    keyTest.AddKey("A", 4);
    keyTest.AddKey("Left button", 1);
    ASSERT_TRUE(WaitFor([&] { return view->KeyTest()->Shown().size() == 2; }));
    EXPECT_EQ(view->KeyTest()->Shown(), QStringList({"A", "Left button"}));
    keyTest.RemoveKey(4);
    ASSERT_TRUE(WaitFor([&] { return view->KeyTest()->Shown() == QStringList{"Left button"}; }));
}

TEST_F(KeyPageGuiTest, KeyAndMouseEventsOfTheWindowReachTheKeyTestOnlyOnTheKeyPage) {
    StartPage();
    std::vector<std::pair<int, bool>> keys;
    std::vector<std::pair<MouseButton, bool>> buttons;
    window->SetInputHandlers(
        [&](int code, bool pressed) { keys.emplace_back(code, pressed); },
        [&](MouseButton button, bool pressed) { buttons.emplace_back(button, pressed); });
    window->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return window->isActiveWindow(); }));
    view->Keyboard()->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, "a");
    QApplication::sendEvent(view->Keyboard(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, "a");
    QApplication::sendEvent(view->Keyboard(), &release);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0], std::make_pair(38, true));
    EXPECT_EQ(keys[1], std::make_pair(38, false));
    Click(view->Functions()->List()->viewport(), QPoint(2, 2));
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].first, MouseButton::Left);
    EXPECT_TRUE(buttons[0].second);

    // On the home page the window's keys are not the key test's.
    window->Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Home(); }));
    QApplication::sendEvent(window->Home(), &press);
    EXPECT_EQ(keys.size(), 2u);
    window->SetInputHandlers(nullptr, nullptr);
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

    emit view.Combo(1)->activated(3);
    ASSERT_EQ(poster.messages.size(), 1u);
    EXPECT_EQ(poster.messages[0].id, kKnobChangedMessage);
    EXPECT_EQ(poster.messages[0].wParam, 1u);
    EXPECT_EQ(poster.messages[0].lParam, 7);
    EXPECT_EQ(knob.Records()[1].macro_desc, knob.Catalogue()[3].name);
    Save(view, "knob_dialog");

    view.OkButton()->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(knob.DialogResult(), MDialog::kOK);
}

// ---- profiles ----

class ProfileGuiTest : public HubWindowTest {
  protected:
    void StartProfiles() {
        Start("101:cable");
        profiles =
            std::make_unique<ProfilePage>(dialog->Store(), dialog->session, *dialog, dialogs, list);
        ProfileHooks hooks;
        hooks.showContextMenu = [this] { ++contextRequests; };
        profiles->SetHooks(hooks);
        list.SetEventSink([this](int, int event) { profiles->OnListEvent(event); });
        profiles->FillList(list, ProfilePage::NameStyle::kMainList);
        list.SetCurData(dialog->session.currentProfile.load());
        window->AttachProfiles(list,
                               {[this] { profiles->AddProfile(); }, nullptr, nullptr,
                                [this](int command) { profiles->OnContextCommand(command); }});
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

    ProfileList list{77};
    std::unique_ptr<ProfilePage> profiles;
    ProfileListView* view = nullptr;
    int contextRequests = 0;
};

TEST_F(ProfileGuiTest, AddRenameAndDeleteThroughTheProfileList) {
    StartProfiles();
    window->Profiles()->AddButton()->click();
    ASSERT_TRUE(WaitFor([this] { return view->count() == 4; }));
    EXPECT_EQ(view->currentRow(), 3);
    const int added = list.GetCurData();
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

    // The right button asks for the context menu of the entry under it.
    const QRect second = view->visualItemRect(view->item(1));
    emit view->customContextMenuRequested(second.center());
    EXPECT_EQ(contextRequests, 1);
    EXPECT_EQ(list.GetSelectItem(), 1);

    // Delete removes the selected profile and selects the one before it.
    const int deleted = list.GetItemData(1);
    view->setCurrentRow(1);
    Type(view, Qt::Key_Delete);
    ASSERT_TRUE(WaitFor([this] { return view->count() == 3; }));
    EXPECT_EQ(StoredName(deleted), "");
    EXPECT_EQ(list.GetSelectItem(), 0);
}

TEST_F(ProfileGuiTest, TheProfileDialogAddsRenamesAndConfirms) {
    StartProfiles();
    ProfileDlg profileDialog(dialog->Store(), dialogs, *profiles);
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

    view.OkButton()->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(profileDialog.GetResult(), ProfileDlg::Result::kConfirmed);
}

}  // namespace
}  // namespace zanvor::test
