// The desktop program driven as a user drives it: through its widgets, over virtual keyboards.

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <filesystem>
#include <thread>

#include "HubWindowFixture.h"
#include "platform/Autostart.h"
#include "platform/DesktopFocus.h"
#include "platform/Registry.h"
#include "qt/ControlViews.h"
#include "qt/DeviceListView.h"
#include "qt/HomePage.h"
#include "qt/KeyPageView.h"
#include "qt/KeyboardView.h"
#include "qt/QtDialogs.h"
#include "qt/QtTranslations.h"
#include "qt/SettingsPageView.h"

namespace zanvor::test {
namespace {

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

using MainWindowTest = HubWindowTest;

TEST_F(MainWindowTest, PickingAKeyboardOnTheHomePageSelectsItAndOffersItsPages) {
    Start("101:cable,102:cable");
    ASSERT_EQ(window->CurrentPage(), window->Home());
    DeviceListView* list = window->Home()->DeviceList();
    DeviceCard* pulse = list->CardFor(102);
    ASSERT_NE(pulse, nullptr);
    EXPECT_EQ(pulse->StatusText(), "Online · USB cable");
    // A model without a virtual keyboard is listed, but not online.
    ASSERT_NE(list->CardFor(103), nullptr);
    EXPECT_EQ(list->CardFor(103)->StatusText(), "Not connected");

    pulse->click();
    ASSERT_TRUE(WaitFor([this] {
        return dialog->session.currentDeviceType.load() == 102 && dialog->Idle() &&
               dialog->session.deviceOnline.load();
    }));
    ASSERT_TRUE(WaitFor([&] { return pulse->Selected() && !list->CardFor(101)->Selected(); }));
    EXPECT_EQ(ReadRegistryInt(kDeviceTypeValue), 102);
    EXPECT_TRUE(window->Home()->SelectedShown());
    EXPECT_FALSE(window->Home()->DisconnectedShown());

    // The key-assignment page opens from its tab and draws the chosen model's layout.
    ASSERT_TRUE(window->Tabs()->isTabVisible(1));
    window->Tabs()->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Keys(); }));
    EXPECT_EQ(dialog->mainView.SelectedPage(), kPageKeys);
    KeyboardView* keyboard = window->Keys()->Keyboard();
    ASSERT_TRUE(
        WaitFor([&] { return keyboard->Items().size() == dialog->keyboardCtrl.ItemCount(); }));
    EXPECT_GT(keyboard->Items().size(), 80u);
}

TEST_F(MainWindowTest, WithoutAnOnlineKeyboardTheHomePageShowsTheDisconnectedPicture) {
    Start("101:cable");
    sim->Unplug(101, 0);
    ASSERT_TRUE(WaitFor([this] { return dialog->mainView.DisconnectedShown(); }));
    ASSERT_TRUE(WaitFor([this] { return window->Home()->DisconnectedShown(); }));
    EXPECT_FALSE(window->Home()->SelectedShown());
    EXPECT_FALSE(window->Tabs()->isTabVisible(1));
}

TEST_F(MainWindowTest, ClickingAndKeyboardNavigationSelectKeysInThePicture) {
    Start("101:cable");
    window->Tabs()->setCurrentIndex(1);
    KeyboardView* keyboard = window->Keys()->Keyboard();
    ASSERT_TRUE(WaitFor([&] { return keyboard->isVisible() && !keyboard->Items().empty(); }));
    const KeyItem first = keyboard->Items().front();
    const QRect rect = keyboard->KeyRect(first.code);
    ASSERT_FALSE(rect.isEmpty());

    MouseClick(keyboard, rect.center());
    EXPECT_EQ(dialog->keyboardCtrl.GetSelectKey(), first.code);
    ASSERT_TRUE(WaitFor([&] { return keyboard->Items().front().selected; }));

    // Right moves the focus ring to the next key along the row; Space clicks it.
    keyboard->setFocus();
    PressKey(keyboard, Qt::Key_Right);
    PressKey(keyboard, Qt::Key_Space);
    const int next = dialog->keyboardCtrl.GetSelectKey();
    EXPECT_NE(next, first.code);
    EXPECT_GT(keyboard->KeyRect(next).center().x(), rect.center().x());
    // Ctrl+click adds to the selection instead of replacing it.
    MouseClick(keyboard, rect.center(), Qt::ControlModifier);
    const std::vector<int> selected = dialog->keyboardCtrl.GetSelectedKeys();
    EXPECT_EQ(selected.size(), 2u);
}

TEST_F(MainWindowTest, SwitchingTheLanguageRelabelsEveryPageWithoutARestart) {
    Start("101:cable");
    EXPECT_EQ(window->Tabs()->tabText(0), "Home");
    window->SettingsButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
    QComboBox* languages = window->Settings()->LanguageList();
    ASSERT_TRUE(WaitFor([&] { return languages->currentText() == "English"; }));

    const int polish = languages->findText("Polski");
    languages->setCurrentIndex(polish);
    emit languages->activated(polish);
    ASSERT_TRUE(WaitFor([this] { return window->Tabs()->tabText(0) == "Start"; }));
    EXPECT_EQ(ActiveLanguage(), 1045);
    EXPECT_EQ(ReadRegistryInt(kLcidValue), 1045);
    EXPECT_EQ(window->Tabs()->tabText(1), "Przypisanie klawiszy");
    EXPECT_EQ(window->Settings()->ExitChoice()->text(), "Zakończ program");
    EXPECT_EQ(window->SettingsButton()->toolTip(), "Ustawienia");
    ASSERT_TRUE(WaitFor([this] {
        return window->Home()->DeviceList()->CardFor(101)->StatusText() == "Połączona · Kabel USB";
    }));
    // The exit-mode tooltips come from the language file too.
    EXPECT_EQ(window->Settings()->ExitChoice()->toolTip().toStdString(),
              LoadText("KB.DIALOG", 510));

    const int english = languages->findText("English");
    languages->setCurrentIndex(english);
    emit languages->activated(english);
    ASSERT_TRUE(WaitFor([this] { return window->Tabs()->tabText(0) == "Home"; }));
    EXPECT_EQ(window->Settings()->BackButton()->text(), "Back");

    // Back leaves the settings page for the page it came from.
    window->Settings()->BackButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Home(); }));
    EXPECT_FALSE(window->SettingsButton()->isChecked());
}

// Qt's own texts switch with the program's: a question box's buttons after each switch.
TEST_F(MainWindowTest, QtsOwnButtonsSpeakTheChosenLanguage) {
    ASSERT_TRUE(QFileInfo::exists(QtTranslations::Folder() + "/qtbase_pl.qm"))
        << "Qt's translations are missing: install qt6-translations-l10n (scripts/setup)";
    Start("101:cable");
    window->SettingsButton()->click();
    QComboBox* languages = window->Settings()->LanguageList();
    QtDialogs dialogs(window.get());
    const auto buttonsAfterChoosing = [&](const QString& language, const QString& keysTab) {
        const int index = languages->findText(language);
        languages->setCurrentIndex(index);
        emit languages->activated(index);
        EXPECT_TRUE(WaitFor([&] { return window->Tabs()->tabText(1) == keysTab; }))
            << language.toStdString();
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (auto button : {QMessageBox::Yes, QMessageBox::No}) {
                texts << box->button(button)->text().remove('&');
            }
            box->button(QMessageBox::No)->click();
        });
        dialogs.Question(LoadText("KB.DIALOG", 550), LoadText("KB.DIALOG", 2241));
        return texts;
    };
    EXPECT_EQ(buttonsAfterChoosing("Polski", "Przypisanie klawiszy"), (QStringList{"Tak", "Nie"}));
    EXPECT_EQ(buttonsAfterChoosing("Deutsch", "Tastenbelegung"), (QStringList{"Ja", "Nein"}));
    EXPECT_EQ(buttonsAfterChoosing("English", "Key assignment"), (QStringList{"Yes", "No"}));
}

// The letters over the colour values are the language's ("R V B" in French) on every page
// that shows them.
TEST_F(MainWindowTest, TheColourChannelLettersFollowTheLanguage) {
    Start("101:cable,103:cable");
    window->SettingsButton()->click();
    QComboBox* languages = window->Settings()->LanguageList();
    const int french = languages->findText("Français");
    ASSERT_GE(french, 0);
    languages->setCurrentIndex(french);
    emit languages->activated(french);
    ASSERT_TRUE(WaitFor([this] { return window->Tabs()->tabText(0) == "Accueil"; }));
    window->SettingsButton()->click();
    const std::pair<int, int> pages[] = {
        {101, kPageLighting}, {101, kPageAurora}, {103, kPageScreen}};
    for (const auto& [keyboard, page] : pages) {
        SelectKeyboard(keyboard);
        dialog->mainView.SelectPage(page);
        ASSERT_TRUE(WaitFor([&] { return dialog->mainView.SelectedPage() == page; }));
        QCoreApplication::processEvents();
        QStringList letters;
        for (const QLabel* label : window->CurrentPage()->findChildren<QLabel*>()) {
            if (label->text().size() == 1 && QString("RGVB").contains(label->text())) {
                letters << label->text();
            }
        }
        EXPECT_EQ(letters.join("").toStdString(), "RVB") << "page " << page;
    }
}

// With no firmware offered the page does not claim "You have the latest version." beside the
// note that a newer one would be offered there.
TEST_F(MainWindowTest, TheSettingsPageMakesNoUncheckedFirmwareClaim) {
    Start("101:cable");
    window->SettingsButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
    QStringList shown;
    for (const QLabel* label : window->Settings()->findChildren<QLabel*>()) {
        if (label->isVisible()) {
            shown << label->text();
        }
    }
    EXPECT_TRUE(shown.contains(QString::fromStdString(LoadText("KB.DIALOG", 532))));
    EXPECT_FALSE(shown.contains(QString::fromStdString(LoadText("KB.DIALOG", 531))));
}

// A link goes to the desktop's opener; when the opener finds no browser (xdg-open's exit
// status 3) the window says so instead of a warning on the terminal.
TEST_F(MainWindowTest, ALinkWithoutABrowserIsReportedInTheWindow) {
    const std::string folder = home() + "bin/";
    std::filesystem::create_directories(folder);
    setenv("PATH", (folder + ":" + std::getenv("PATH")).c_str(), 1);
    Start("101:cable");
    window->SettingsButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
    const struct {
        int status;
        bool reported;
    } cases[] = {{0, false}, {3, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const std::string script = "#!/bin/sh\necho \"$1\" > '" + home() + "tmp' && mv '" + home() +
                                   "tmp' '" + home() + "opened'\nexit " + std::to_string(c.status) +
                                   "\n";
        WriteFile(folder + "xdg-open", script);
        std::filesystem::permissions(folder + "xdg-open", std::filesystem::perms::owner_all);
        std::filesystem::remove(home() + "opened");
        dialogs.ClearHistory();
        window->Settings()->FaqButton()->click();
        ASSERT_TRUE(WaitFor([this] { return std::filesystem::exists(home() + "opened"); }));
        const std::string url = ReadFile(home() + "opened");
        EXPECT_EQ(url, dialog->CatalogueCopy().software.faqs + "\n");
        // The opener's verdict is looked at every tenth of a second.
        WaitFor([this] { return !dialogs.HistoryOf("message").empty(); }, 1000);
        const auto messages = dialogs.HistoryOf("message");
        ASSERT_EQ(messages.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_NE(messages[0].text.find(dialog->CatalogueCopy().software.faqs),
                      std::string::npos);
        }
    }
}

TEST_F(MainWindowTest, ClosingWithHideToTrayKeepsTheProgramReachable) {
    Start("101:cable");
    window->SettingsButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
    window->Settings()->HideToTrayChoice()->click();
    EXPECT_EQ(ReadRegistryInt(kExitModeValue), 1);
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    // The page says why closing minimises when there is no tray.
    EXPECT_EQ(window->Settings()->TrayWarning()->isVisible(), !tray);

    window->close();
    if (tray) {
        ASSERT_TRUE(WaitFor([this] { return !window->isVisible(); }));
        EXPECT_TRUE(host->TrayIconPresent());
        // A left click on the tray icon brings the window back.
        dialog->PostMessageW(kMsgTrayIcon, 109, kTrayLeftDown);
        ASSERT_TRUE(WaitFor([this] { return window->isVisible(); }));
    } else {
        ASSERT_TRUE(WaitFor([this] { return window->isMinimized(); }));
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(host->TrayIconPresent()) << "the icon waits for a panel that starts later";
    }
    // Whatever happened, the program is still running: the worker still answers.
    EXPECT_TRUE(dialog->IsRunning());
}

TEST_F(MainWindowTest, AutostartSwitchShowsTheStartMinimisedSwitchOnlyWhenOn) {
    Start("101:cable");
    window->SettingsButton()->click();
    SettingsPageView* settings = window->Settings();
    ASSERT_TRUE(WaitFor([&] { return settings->isVisible(); }));
    EXPECT_FALSE(settings->AutostartSwitch()->isChecked());
    ASSERT_TRUE(WaitFor([&] { return !settings->MinimisedSwitch()->isVisible(); }));

    settings->AutostartSwitch()->click();
    EXPECT_TRUE(IsAutostartOn());
    ASSERT_TRUE(WaitFor([&] { return settings->MinimisedSwitch()->isVisible(); }));
    settings->MinimisedSwitch()->click();
    EXPECT_EQ(ReadRegistryInt(kAutorunMinimizeValue), 1);
    ASSERT_TRUE(WaitFor([&] { return settings->MinimisedSwitch()->isChecked(); }));

    settings->AutostartSwitch()->click();
    EXPECT_FALSE(IsAutostartOn());
    ASSERT_TRUE(WaitFor([&] { return !settings->MinimisedSwitch()->isVisible(); }));
    EXPECT_FALSE(settings->MinimisedSwitch()->isChecked());
    EXPECT_EQ(ReadRegistryInt(kAutorunMinimizeValue), 0);
}

// A desktop that tells which window is in front; no window changes during the test.
class QuietDesktop : public FocusSource {
  public:
    bool Start(Callback, std::string&) override { return true; }
    void Stop() override {}
    std::vector<FocusedWindow> ListWindows() override { return {}; }
};

TEST_F(MainWindowTest, FocusNoticeSwitchIsStoredAndUnusableWhereTheDesktopDoesNotTell) {
    Start("101:cable");
    SettingsPageView* settings = window->Settings();
    const auto openSettings = [&] {
        window->SettingsButton()->click();
        return WaitFor([&] { return settings->isVisible(); });
    };
    ASSERT_TRUE(openSettings());
    SwitchView* notice = settings->FocusNoticeSwitch();
    EXPECT_EQ(settings->FocusNoticeLabel()->text().toStdString(),
              "Show a notice when the profile follows the window in front");
    // Nothing follows the focus here: the switch cannot be used and says why.
    EXPECT_FALSE(notice->isEnabled());
    EXPECT_FALSE(settings->FocusNoticeLabel()->isEnabled());
    EXPECT_EQ(notice->toolTip().toStdString(), kNoFocusSourceReason);
    EXPECT_EQ(settings->FocusNoticeLabel()->toolTip().toStdString(), kNoFocusSourceReason);

    std::string error;
    ASSERT_TRUE(dialog->Pages().focus.Start(std::make_unique<QuietDesktop>(), error)) << error;
    settings->BackButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !settings->isVisible(); }));
    ASSERT_TRUE(openSettings());
    EXPECT_TRUE(notice->isEnabled());
    EXPECT_TRUE(notice->toolTip().isEmpty());
    EXPECT_FALSE(notice->isChecked()) << "off until the user asks for notices";
    notice->click();
    EXPECT_EQ(ReadRegistryInt(kFocusNoticeValue), 1);
    EXPECT_TRUE(notice->isChecked());
    // The caption flips it too.
    MouseClick(settings->FocusNoticeLabel(), QPoint(4, 4));
    EXPECT_EQ(ReadRegistryText(kFocusNoticeValue), "0");
    EXPECT_FALSE(notice->isChecked());

    // The next start shows the stored choice.
    ASSERT_TRUE(WriteRegistryInt(kFocusNoticeValue, 1));
    dialog->Pages().application.LoadApplicationSettings();
    EXPECT_TRUE(WaitFor([&] { return notice->isChecked(); }));
    dialog->Pages().focus.Stop();
}

// The background menu: a chosen picture and the default one show at once, without a page
// change or a restart.
TEST_F(MainWindowTest, BackgroundChoicesShowAtOnce) {
    Start("101:cable");
    SelectKeyboard(101);
    window->Tabs()->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Keys(); }));
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = QString::fromStdString(home()) + "red.png";
    ASSERT_TRUE(red.save(picture));
    // A point of the window's background: above the pages, right of the tabs.
    const auto shownAt = [this] {
        QCoreApplication::processEvents();
        return window->grab().toImage().pixelColor(window->width() - 8, window->height() - 4);
    };
    const QColor before = shownAt();
    ASSERT_NE(before, QColor(Qt::red));

    dialogs.QueueFile(picture.toStdString());
    window->BackgroundMenu()->actions().at(0)->trigger();
    EXPECT_TRUE(WaitFor([&] { return shownAt() == QColor(Qt::red); }));

    window->BackgroundMenu()->actions().at(1)->trigger();
    EXPECT_TRUE(WaitFor([&] { return shownAt() == before; })) << "the default is back at once";
    EXPECT_EQ(ReadRegistryText(kThemeBkgValue), "");
}

TEST_F(MainWindowTest, KeyboardSettingsSwitchesAreStoredForTheProfile) {
    Start("101:cable");
    SelectKeyboard(101);
    window->SettingsButton()->click();
    SettingsPageView* settings = window->Settings();
    ASSERT_TRUE(WaitFor([&] { return settings->isVisible(); }));
    // The firmware version read from the keyboard is on the page.
    EXPECT_EQ(dialog->mainView.InfoLabel(0), "Firmware: v1.20");
    SwitchView* game = settings->KeyboardSwitch(1);
    const bool before = game->isChecked();
    game->click();
    ASSERT_TRUE(WaitFor([&] { return game->isChecked() != before; }));
    EXPECT_EQ(dialog->Pages().settings.gameSwitch.GetCheck(), !before);
    const auto values = dialog->Pages().settings.ReadSettings();
    const auto stored = std::find_if(values.begin(), values.end(),
                                     [](const auto& entry) { return entry.first == "game_mode"; });
    ASSERT_NE(stored, values.end());
    EXPECT_EQ(stored->second, before ? "0" : "1");
}

// Models change on the worker thread while the UI thread repaints; every change reaches the
// widgets through queued calls only. Built to run clean under ThreadSanitizer.
TEST_F(MainWindowTest, ModelChangesFromAnotherThreadReachTheWidgetsSafely) {
    Start("101:cable");
    window->Tabs()->setCurrentIndex(1);
    KeyboardView* keyboard = window->Keys()->Keyboard();
    ASSERT_TRUE(WaitFor([&] { return keyboard->isVisible() && !keyboard->Items().empty(); }));
    const int code = keyboard->Items().front().code;

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i <= 400 && !stop.load(); ++i) {
            dialog->keyboardCtrl.SetKeyItemInfo(code, "F" + std::to_string(i), 2, "");
            dialog->keyboardCtrl.SetKeyColor(code, static_cast<uint32_t>(i * 997));
            dialog->deviceList.SetDeviceBattery(101, 0, 1 + i % 100, i % 2);
            dialog->mainView.SetInfoLabel(1, "Battery " + std::to_string(i));
            dialog->mainView.SetTitle("Nova " + std::to_string(i));
        }
    });
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000 && keyboard->Items().front().functionCaption != "F400") {
        window->repaint();
        keyboard->repaint();
        QCoreApplication::processEvents();
    }
    stop = true;
    writer.join();
    ASSERT_TRUE(WaitFor([&] { return keyboard->Items().front().functionCaption == "F400"; }));
    QCoreApplication::processEvents();
    const DeviceListItem shown = window->Home()->DeviceList()->CardFor(101)->Item();
    EXPECT_EQ(shown.modes.at(0).battery, 1 + 400 % 100);
}

}  // namespace
}  // namespace zanvor::test
