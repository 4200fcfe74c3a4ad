#pragma once

// The main window after the user picked a keyboard, with the key-assignment page shown.

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabBar>
#include <string>
#include <vector>

#include "HubWindowFixture.h"
#include "keys/KeyAssignmentPage.h"
#include "qt/KeyPageView.h"
#include "qt/KeyPanels.h"
#include "qt/KeyboardView.h"

namespace zanvor::test {

inline void Click(QWidget* widget, const QPoint& at,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    MouseClick(widget, at, modifiers);
}

inline void Type(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline QListWidgetItem* FindItem(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

// The main window after the user picked the keyboard: profiles loaded, the keyboard's tables
// read, the key-assignment page shown.
class KeyPageGuiTest : public HubWindowTest {
  protected:
    void StartPage(int deviceType = 101) {
        Start(std::to_string(deviceType) + ":cable");
        SelectKeyboard(deviceType);
        window->Tabs()->setCurrentIndex(1);
        ASSERT_TRUE(WaitFor([this] { return window->Keys()->isVisible(); }));
        view = window->Keys();
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

    // Clicks a key of the picture (with Ctrl: added to the selection).
    void ClickKey(const std::string& caption, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Click(view->Keyboard(), view->Keyboard()->KeyRect(Key(caption).code).center(), modifiers);
    }

    // Shows a function tab by clicking it.
    void ShowTab(int tab) {
        FunctionListView* list = view->Functions();
        ASSERT_TRUE(WaitFor([&] { return list->TabIndex(tab) >= 0; }));
        Click(list->Tabs(), list->Tabs()->tabRect(list->TabIndex(tab)).center());
    }

    // Clicks an entry of the function list.
    void ChooseEntry(const QString& caption) {
        QListWidget* list = view->Functions()->List();
        ASSERT_TRUE(WaitFor([&] { return FindItem(list, caption) != nullptr; }));
        Click(list->viewport(), list->visualItemRect(FindItem(list, caption)).center());
    }

    // The reports sent to the keyboard since the last ClearReports.
    std::vector<std::vector<uint8_t>> Sent() const {
        std::vector<std::vector<uint8_t>> sent;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device) {
                sent.push_back(report.bytes);
            }
        }
        return sent;
    }

    KeyMacroData Row(int layer, int usage) {
        KeyMacroData row;
        EXPECT_TRUE(
            dialog->Store().GetKey(dialog->session.currentProfile.load(), layer, usage, row));
        return row;
    }

    KeyPageView* view = nullptr;
};

}  // namespace zanvor::test
