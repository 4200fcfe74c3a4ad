// The "Aurora" tab as a user meets it: the live picture follows the stream, the mode tabs show
// the controls of their mode, and the page looks right at common sizes in both languages.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <cstdlib>

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

// The picture mode at the usual laptop size, without a sound server, in English and Polish:
// the picture button says what it does, the effect layers show more than two rows, and the
// sound device and the reason the music stays dark are whole.
TEST_F(AuroraPageViewTest, ThePictureModesControlsAreWholeAt1366) {
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string kept = previous != nullptr ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/zanvor-no-sound-server", 1);
    Start("101:cable");
    SelectKeyboard(101);
    window->resize(1366, 768);
    window->Tabs()->setCurrentIndex(AuroraTab(window->Tabs()));
    AuroraPageView* page = window->Aurora();
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == page; }));
    page->ModeTabs()->setCurrentIndex(3);
    for (int language : {1033, 1045}) {
        ASSERT_TRUE(dialog->Pages().application.languageList.ChooseData(language));
        // A language switch relabels every page; under a sanitizer on a busy machine that takes
        // longer than the usual wait.
        ASSERT_TRUE(WaitFor(
            [&] {
                return page->ModeTabs()->tabText(0).toStdString() == LoadText("KB.DIALOG", 600);
            },
            60000));
        ASSERT_TRUE(WaitFor([&] {
            return page->SoundNotice()->isVisible() &&
                   page->SoundNotice()->text().toStdString() == LoadText("KB.DIALOG", 1795);
        }));
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(page->PictureButton()->text().toStdString(), LoadText("KB.DIALOG", 1788));

        QLabel* notice = page->SoundNotice();
        EXPECT_LE(notice->heightForWidth(notice->width()), notice->height()) << language;

        ComboView* devices = page->DeviceList();
        QStyleOptionComboBox option;
        option.initFrom(devices);
        option.editable = false;
        const QRect field = devices->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                             QStyle::SC_ComboBoxEditField, devices);
        EXPECT_LE(devices->fontMetrics().horizontalAdvance(devices->currentText()), field.width())
            << devices->currentText().toStdString();

        const QList<QCheckBox*> boxes = page->LayerList()->widget()->findChildren<QCheckBox*>();
        ASSERT_FALSE(boxes.isEmpty());
        EXPECT_GE(page->LayerList()->viewport()->height(), 4 * boxes.front()->height())
            << "layer rows shown, language " << language;
    }
    Save(*window, "aurora_picture_mode_1366_pl");
    kept.empty() ? void(unsetenv("PULSE_SERVER")) : void(setenv("PULSE_SERVER", kept.c_str(), 1));
}

}  // namespace
}  // namespace zanvor::test
