// The lighting page of the desktop program on virtual keyboards: painting keys with the mouse
// reaches the keyboard as its colour table, and the page's pictures at the usual window sizes.

#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>

#include "HubWindowFixture.h"
#include "lighting/LightPage.h"
#include "lighting/LightRows.h"
#include "qt/ControlViews.h"
#include "qt/KeyboardView.h"
#include "qt/LightControls.h"
#include "qt/LightPageView.h"

namespace zanvor::test {
namespace {

class LightPageViewTest : public HubWindowTest {
  protected:
    // The lighting tab, as the user opens it.
    LightPageView* OpenLighting() {
        QTabBar* tabs = window->Tabs();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabData(i).toInt() == kPageLighting) {
                tabs->setCurrentIndex(i);
            }
        }
        EXPECT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Lighting(); }));
        EXPECT_TRUE(WaitFor([this] { return !window->Lighting()->Keyboard()->Items().empty(); }));
        return window->Lighting();
    }
    void ClickKey(LightPageView* view, int code, Qt::KeyboardModifiers modifiers = {}) {
        MouseClick(view->Keyboard(), view->Keyboard()->KeyRect(code).center(), modifiers);
    }
};

TEST_F(LightPageViewTest, ThreeKeysOfSet0x80PaintedRedReachTheKeyboardsTable) {
    Start("101:cable,103:cable");
    SelectKeyboard(103);
    LightPageView* view = OpenLighting();

    // The custom entry of the effects, then a red swatch, then three keys.
    ComboListView* modes = view->Modes();
    ASSERT_EQ(modes->count(), 22);
    modes->setCurrentRow(21);
    ASSERT_TRUE(WaitFor(
        [this] { return dialog->Idle() && window->Lighting()->CustomSets()->isVisible(); }));
    view->Swatches()->Buttons()[0]->click();
    const int keys[] = {0x29, 0x1E, 0x04};  // Esc, 1, A: 1 and A sit at LEDs unlike their indices
    ClickKey(view, keys[0]);
    ClickKey(view, keys[1], Qt::ControlModifier);
    ClickKey(view, keys[2], Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    // The picture shows the three keys red (their selection ends with each stroke).
    for (int code : keys) {
        KeyItem key;
        ASSERT_TRUE(dialog->Pages().lighting.picture.GetKeyItem(code, key));
        EXPECT_EQ(key.color, 0x0000FFu) << code;
    }

    const std::vector<uint8_t> table = sim->Keyboard(103)->BlockData(0x22);
    ASSERT_EQ(table.size(), 384u);
    const LightPositionMap map = dialog->session.LightMap();
    std::vector<uint8_t> expected(384, 0);
    for (int code : keys) {
        const int led = map.LedOf(code);
        ASSERT_GE(led, 0);
        expected[3 * led] = 0xFF;
    }
    EXPECT_EQ(table, expected);
    EXPECT_EQ(sim->Keyboard(103)->BlockData(0x14)[2], 0xFD);
    EXPECT_EQ(sim->Keyboard(103)->BlockData(0x14)[10], 0x00);
}

TEST_F(LightPageViewTest, DraggingAnAreaPaintsEveryKeyItTouches) {
    Start("101:cable,103:cable");
    SelectKeyboard(103);
    LightPageView* view = OpenLighting();
    view->Modes()->setCurrentRow(21);
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    view->Swatches()->Buttons()[3]->click();  // green
    // From the middle of Esc to the middle of "2": Esc, F1.., `, 1 and 2 lie in that band.
    KeyboardView* keyboard = view->Keyboard();
    MouseDrag(keyboard, keyboard->KeyRect(0x29).center(), keyboard->KeyRect(0x1F).center());
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    for (int code : {0x29, 0x35, 0x1E, 0x1F}) {
        KeyItem key;
        ASSERT_TRUE(dialog->Pages().lighting.picture.GetKeyItem(code, key));
        EXPECT_EQ(key.color, 0x00FF00u) << code;
    }
    const std::vector<uint8_t> table = sim->Keyboard(103)->BlockData(0x22);
    const int led = dialog->session.LightMap().LedOf(0x1E);
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 3 * led, table.begin() + 3 * led + 3),
              (std::vector<uint8_t>{0x00, 0xFF, 0x00}));
}

TEST_F(LightPageViewTest, WithTheLightOffTheKeysAreDarkAndTheEffectControlsDisabled) {
    Start("101:cable");
    SelectKeyboard(101);
    LightPageView* view = OpenLighting();
    LightPage& page = dialog->Pages().lighting;
    // A colour effect on the main zone: brightness, speed and the palette are shown.
    view->Modes()->setCurrentRow(3);
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
    ASSERT_TRUE(view->LightSwitch()->isChecked());
    ASSERT_TRUE(view->Brightness()->isVisible());
    ASSERT_TRUE(view->Wheel()->isVisible());
    const QWidget* controls[] = {view->Modes(),      view->Brightness(), view->Speed(),
                                 view->Wheel(),      view->Swatches(),   view->Red(),
                                 view->ApplyButton()};

    for (bool on : {false, true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        view->LightSwitch()->click();
        ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
        QCoreApplication::processEvents();
        EXPECT_EQ(view->LightSwitch()->isChecked(), on);
        // The panels keep their place: the effect's controls stay, usable only while it is on.
        for (const QWidget* control : controls) {
            EXPECT_TRUE(control->isVisible()) << control->metaObject()->className();
            EXPECT_EQ(control->isEnabled(), on) << control->metaObject()->className();
        }
        // Off: every key dark, as the keyboard shows it; on: the light grey of a built-in mode.
        EXPECT_EQ(page.picture.GetKeyboardCtrlMode(), on ? kPicturePlain : kPicturePerKey);
        for (const KeyItem& key : page.picture.GetKeyItems()) {
            ASSERT_EQ(key.color, on ? kBuiltInKeyColor : 0u) << key.code;
        }
    }
    window->resize(1366, 768);
    Save(*window, "lighting_off_1366");
}

TEST_F(LightPageViewTest, AColourPickedAfterAStrokeLeavesThePaintedKeysAlone) {
    Start("101:cable,103:cable");
    SelectKeyboard(103);
    LightPageView* view = OpenLighting();
    view->Modes()->setCurrentRow(21);
    ASSERT_TRUE(WaitFor([&] { return view->CustomSets()->isVisible() && dialog->Idle(); }));
    const LightPositionMap map = dialog->session.LightMap();
    const auto ledColour = [&](int code) {
        const std::vector<uint8_t> table = sim->Keyboard(103)->BlockData(0x22);
        const size_t led = static_cast<size_t>(map.LedOf(code));
        return std::vector<uint8_t>(table.begin() + 3 * led, table.begin() + 3 * led + 3);
    };
    const std::vector<uint8_t> red{0xFF, 0x00, 0x00};
    const std::vector<uint8_t> green{0x00, 0xFF, 0x00};

    view->Swatches()->Buttons()[0]->click();    // red
    ClickKey(view, 0x29);                       // Esc
    ClickKey(view, 0x1E, Qt::ControlModifier);  // 1
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    ASSERT_EQ(ledColour(0x29), red);
    // The stroke is stored: no key waits for the next colour.
    EXPECT_TRUE(dialog->Pages().lighting.picture.GetSelectedKeys().empty());

    view->Swatches()->Buttons()[3]->click();  // green, for the keys painted next
    ClickKey(view, 0x04);                     // A
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle(); }));
    EXPECT_EQ(ledColour(0x29), red);
    EXPECT_EQ(ledColour(0x1E), red);
    EXPECT_EQ(ledColour(0x04), green);
    // And so does the profile's stored set.
    std::vector<UserLightRgbData> rows;
    store.ListUserLightColors(dialog->session.currentProfile.load(), 0x80, rows);
    for (const UserLightRgbData& row : rows) {
        if (row.key_code == 0x29 || row.key_code == 0x1E) {
            EXPECT_EQ(row.key_rgb, 0x0000FF) << row.key_code;
        }
    }
}

TEST_F(LightPageViewTest, TheLightingPageIsDrawnAtTheUsualSizesInBothLanguages) {
    Start("101:cable,102:cable,103:cable,160:cable");
    SelectKeyboard(101);
    window->resize(1366, 768);
    LightPageView* view = OpenLighting();
    Save(*window, "lighting_1366");
    // The parameter panel holds what a colour mode has.
    EXPECT_TRUE(view->Brightness()->isVisible());
    EXPECT_TRUE(view->Wheel()->isVisible());

    view->LiveView()->click();
    // The picture follows what the keyboard shows, not the grey of a written mode.
    ASSERT_TRUE(WaitFor([&] {
        KeyItem esc;
        return dialog->Pages().lighting.picture.GetKeyItem(0x29, esc) &&
               esc.color != kBuiltInKeyColor;
    }));
    window->resize(1920, 1080);
    Save(*window, "lighting_live_1920");
    view->LiveView()->click();

    view->Modes()->setCurrentRow(21);
    ASSERT_TRUE(WaitFor([&] { return view->CustomSets()->isVisible() && dialog->Idle(); }));
    ClickKey(view, 0x29);
    Save(*window, "lighting_custom_1920");

    dialog->Pages().application.languageList.ChooseData(1045);
    ASSERT_TRUE(WaitFor([&] {
        return window->Tabs()->tabText(window->Tabs()->currentIndex()) == "Podświetlenie";
    }));
    window->resize(1366, 768);
    view->Modes()->setCurrentRow(3);
    ASSERT_TRUE(WaitFor([&] { return dialog->Idle(); }, 10000));
    Save(*window, "lighting_pl_1366");
    view->Zones()->setCurrentIndex(1);
    QCoreApplication::processEvents();
    Save(*window, "lighting_zone1_pl_1366");

    window->resize(window->minimumSize());
    Save(*window, "lighting_minimum_size");
}

}  // namespace
}  // namespace zanvor::test
