// The matrix screen page of the desktop program on virtual keyboards: the tab only for the
// keyboard with a matrix screen, painting the bar with the mouse reaches the keyboard's custom
// colours, and the page's pictures at the usual window sizes in both languages.

#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <cstdlib>
#include <string>

#include "HubWindowFixture.h"
#include "lighting/MatrixPage.h"
#include "qt/ControlViews.h"
#include "qt/LightControls.h"
#include "qt/MatrixPageView.h"
#include "qt/MatrixScreenView.h"

namespace zanvor::test {
namespace {

class MatrixPageViewTest : public HubWindowTest {
  protected:
    int MatrixTab() {
        QTabBar* tabs = window->Tabs();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabData(i).toInt() == kPageMatrix) {
                return i;
            }
        }
        return -1;
    }
    // The matrix screen tab, as the user opens it.
    MatrixPageView* OpenMatrix() {
        window->Tabs()->setCurrentIndex(MatrixTab());
        EXPECT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Matrix(); }));
        return window->Matrix();
    }
    // Picks a mode in the list as the user does and waits for its jobs.
    void ChooseMode(MatrixPageView* view, int mode) {
        const std::vector<ComboItem> items = dialog->Pages().matrix.modeList.GetItems();
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].data == mode) {
                view->Modes()->setCurrentRow(static_cast<int>(i));
            }
        }
        ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
        QCoreApplication::processEvents();
    }
};

TEST_F(MatrixPageViewTest, TheTabShowsOnlyForTheKeyboardWithAMatrixScreen) {
    Start("101:cable,102:cable");
    SelectKeyboard(101);
    ASSERT_GE(MatrixTab(), 0);
    EXPECT_FALSE(window->Tabs()->isTabVisible(MatrixTab()));
    dialog->mainView.SelectPage(kPageHome);
    SelectKeyboard(102);
    EXPECT_TRUE(WaitFor([this] { return window->Tabs()->isTabVisible(MatrixTab()); }));
}

TEST_F(MatrixPageViewTest, DraggingOverTheBarPaintsTheKeyboardsCustomColours) {
    Start("101:cable,102:cable");
    SelectKeyboard(102);
    MatrixPageView* view = OpenMatrix();
    ChooseMode(view, kMatrixModeCustom);
    MatrixPage& page = dialog->Pages().matrix;
    page.colorWheel.Pick(0x00FF00);  // green; also clears multi-colour
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
    const uint64_t before = dialog->TasksTaken();

    MatrixScreenView* screen = view->Screen();
    MouseDrag(screen, screen->LedRect(2).center().toPoint(), screen->LedRect(6).center().toPoint());
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle() && dialog->TasksTaken() > before; }, 10000));
    // One stroke, one write of the table.
    EXPECT_EQ(dialog->TasksTaken(), before + 1);
    const std::vector<uint8_t> table = sim->Keyboard(102)->BlockData(0x3A);
    ASSERT_EQ(table.size(), 147u);
    for (int led = 0; led < 9; ++led) {
        const bool painted = led >= 2 && led <= 6;
        EXPECT_EQ(table[3 * led + 1], painted ? 0xFF : 0x00) << "LED " << led;
    }
    // Outside the custom mode the bar is not painted.
    ChooseMode(view, 3);
    const uint64_t after = dialog->TasksTaken();
    MouseClick(screen, screen->LedRect(20).center().toPoint());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->TasksTaken(), after);
}

// A sound preset with no sound server to listen to says why the bar stays dark, as the aurora
// page does; a preset that needs no sound shows no such notice.
TEST_F(MatrixPageViewTest, ASoundPresetWithoutASoundServerSaysSo) {
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string kept = previous != nullptr ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/zanvor-no-sound-server", 1);
    Start("101:cable,102:cable");
    SelectKeyboard(102);
    MatrixPageView* view = OpenMatrix();
    ChooseMode(view, kMatrixModeLive);
    view->Presets()->setCurrentRow(0);  // a preset drawn without sound
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->SoundNotice()->isVisible());
    view->Presets()->setCurrentRow(1);  // the level meter
    EXPECT_TRUE(WaitFor(
        [&] {
            return view->SoundNotice()->isVisible() &&
                   view->SoundNotice()->text().toStdString() == LoadText("KB.DIALOG", 1795);
        },
        10000));
    kept.empty() ? void(unsetenv("PULSE_SERVER")) : void(setenv("PULSE_SERVER", kept.c_str(), 1));
}

TEST_F(MatrixPageViewTest, TheMatrixPageIsDrawnAtTheUsualSizesInBothLanguages) {
    Start("101:cable,102:cable");
    SelectKeyboard(102);
    window->resize(1366, 768);
    MatrixPageView* view = OpenMatrix();
    ChooseMode(view, 3);
    EXPECT_TRUE(view->Brightness()->isVisible());
    EXPECT_FALSE(view->Amplitude()->isVisible());
    EXPECT_FALSE(view->Presets()->isVisible());
    Save(*window, "matrix_wave_1366");
    // With the column to itself the mode list shows every mode, with no scroll bar.
    QListWidget* modes = view->Modes();
    WaitUntilSteady([&] { return modes->height(); });
    EXPECT_EQ(modes->verticalScrollBar()->maximum(), 0);
    const QRect last = modes->visualItemRect(modes->item(modes->count() - 1));
    EXPECT_LE(last.bottom(), modes->viewport()->height());

    ChooseMode(view, kMatrixModeLive);
    EXPECT_TRUE(view->Presets()->isVisible());
    ASSERT_TRUE(WaitFor([&] { return dialog->Pages().matrix.FramesSent() > 10; }));
    window->resize(1920, 1080);
    Save(*window, "matrix_live_1920");
    view->Presets()->setCurrentRow(2);  // a sound preset: the amplitude instead of the speed
    ASSERT_TRUE(WaitFor([&] { return view->Amplitude()->isVisible(); }));
    EXPECT_FALSE(view->Speed()->isVisible());
    Save(*window, "matrix_spectrum_1920");

    ChooseMode(view, kMatrixModeCustom);
    MatrixPage& page = dialog->Pages().matrix;
    page.screen.SetMatrixScreenColor(0x0080FF);  // orange
    for (int led = 0; led < kMatrixLedCount; led += 3) {
        page.screen.PaintLed(led);
    }
    dialog->Pages().application.languageList.ChooseData(1045);
    ASSERT_TRUE(WaitFor([&] {
        return window->Tabs()->tabText(window->Tabs()->currentIndex()) == "Ekran matrycy";
    }));
    window->resize(1366, 768);
    Save(*window, "matrix_custom_pl_1366");
    ChooseMode(view, kMatrixModeLive);
    window->resize(1920, 1080);
    Save(*window, "matrix_live_pl_1920");

    window->resize(window->minimumSize());
    Save(*window, "matrix_minimum_size");
}

}  // namespace
}  // namespace zanvor::test
