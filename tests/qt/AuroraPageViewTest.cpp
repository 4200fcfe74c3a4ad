// The "Aurora" tab as a user meets it: the live picture follows the stream, the mode tabs show
// the controls of their mode, and the page looks right at common sizes in both languages.

#include <QCheckBox>
#include <QLabel>
#include <QTabBar>

#include "HubWindowFixture.h"
#include "app/DevicePages.h"
#include "qt/AuroraPageView.h"
#include "qt/ControlViews.h"
#include "qt/SettingsPageView.h"
#include "sim/VirtualKeyboard.h"

namespace zanvor::test {
namespace {

using AuroraPageViewTest = HubWindowTest;

int AuroraTab(QTabBar* tabs) {
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabData(i).toInt() == kPageAurora) {
            return i;
        }
    }
    return -1;
}

TEST_F(AuroraPageViewTest, TheTabStreamsShowsTheEffectAndSwitchesModes) {
    Start("101:cable,103:cable");
    SelectKeyboard(103);
    const int tab = AuroraTab(window->Tabs());
    ASSERT_GE(tab, 0);
    window->Tabs()->setCurrentIndex(tab);
    AuroraPageView* page = window->Aurora();
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == page; }));
    const auto keyboard = sim->Keyboard(103);
    ASSERT_TRUE(WaitFor([&] { return keyboard->EffectFramesCompleted() > 5; }));
    EXPECT_EQ(page->Effect()->Items().size(), dialog->auroraEffect.ItemCount());

    // The ripple tab: the music controls go, the effect control runs the ripple.
    page->ModeTabs()->setCurrentIndex(1);
    EXPECT_EQ(dialog->auroraEffect.GetAuroraMode(), kAuroraModeRipple);
    EXPECT_FALSE(dialog->Pages().aurora.Renderer().Active());
    page->ModeTabs()->setCurrentIndex(0);
    EXPECT_TRUE(dialog->Pages().aurora.Renderer().Active());

    // A layer box reaches the effect control.
    QCheckBox* beatFlash = page->findChildren<QCheckBox*>().at(2);
    beatFlash->click();
    EXPECT_TRUE(dialog->auroraEffect.HasLightLayer(kLayerBeatFlash));
}

TEST_F(AuroraPageViewTest, PicturesAtCommonSizesInBothLanguages) {
    Start("101:cable");
    SelectKeyboard(101);
    window->Tabs()->setCurrentIndex(AuroraTab(window->Tabs()));
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == window->Aurora(); }));
    const auto keyboard = sim->Keyboard(101);
    ASSERT_TRUE(WaitFor([&] { return keyboard->EffectFramesCompleted() > 5; }));
    // With a sound server that plays something, the pictures show it.
    AuroraPage& aurora = dialog->Pages().aurora;
    if (WaitFor([&] { return aurora.Audio().Status().capturing; }, 1000)) {
        WaitFor([&] { return aurora.Audio().Snapshot().level > 0.5f; }, 2000);
        const uint64_t drawn = aurora.Renderer().FramesDrawn();
        WaitFor([&] { return aurora.Renderer().FramesDrawn() > drawn + 10; }, 2000);
    }
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        window->resize(size);
        Save(*window, QString("aurora_%1").arg(size.width()));
    }
    window->Aurora()->ModeTabs()->setCurrentIndex(3);
    Save(*window, "aurora_picture_mode");
    window->Aurora()->ModeTabs()->setCurrentIndex(0);

    // The language chosen on the settings page, as a user does.
    ComboView* languages = window->Settings()->LanguageList();
    const int polish = languages->findText("Polski");
    languages->setCurrentIndex(polish);
    emit languages->activated(polish);
    ASSERT_TRUE(WaitFor([&] { return window->Aurora()->ModeTabs()->tabText(0) == "Muzyka"; }));
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        window->resize(size);
        Save(*window, QString("aurora_pl_%1").arg(size.width()));
    }
}

}  // namespace
}  // namespace zanvor::test
