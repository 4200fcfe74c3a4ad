// The page tabs and the lighting zone tabs follow the chosen keyboard while the program runs:
// picking another model shows exactly its pages, and every caption is shown whole after the
// tabs were shown, hidden or renamed (a model change, a language switch).

#include <QComboBox>
#include <QTabBar>
#include <QToolButton>
#include <set>

#include "HubWindowFixture.h"
#include "qt/HomePage.h"
#include "qt/LightControls.h"
#include "qt/LightPageView.h"
#include "qt/SettingsPageView.h"

namespace zanvor::test {
namespace {

// Problems of a tab bar as the user sees it: a visible tab narrower than the same caption
// needs in a bar laid out afresh, a tab outside the bar, or a gap or overlap between
// neighbouring tabs.
QStringList TabProblems(QTabBar* bar) {
    // The same captions in a new bar styled as this one: its tabs have their whole width.
    QTabBar fresh(bar->parentWidget());
    fresh.setObjectName(bar->objectName());
    fresh.setDrawBase(bar->drawBase());
    fresh.setElideMode(Qt::ElideNone);
    fresh.ensurePolished();
    for (int index = 0; index < bar->count(); ++index) {
        fresh.addTab(bar->tabText(index));
    }
    fresh.sizeHint();  // lays the tabs out
    QStringList problems;
    int previousRight = -1;
    for (int index = 0; index < bar->count(); ++index) {
        if (!bar->isTabVisible(index)) {
            continue;
        }
        const QString text = bar->tabText(index);
        const QRect rect = bar->tabRect(index);
        if (rect.width() < fresh.tabRect(index).width()) {
            problems << QString("'%1' is cut (%2 of %3 px)")
                            .arg(text)
                            .arg(rect.width())
                            .arg(fresh.tabRect(index).width());
        }
        if (!bar->rect().contains(rect)) {
            problems << QString("'%1' lies outside the bar").arg(text);
        }
        if (previousRight >= 0 && rect.left() != previousRight + 1) {
            problems << QString("'%1' starts at %2, after %3")
                            .arg(text)
                            .arg(rect.left())
                            .arg(previousRight);
        }
        previousRight = rect.right();
    }
    return problems;
}

// The pages a bar offers, by the page number each tab carries.
std::set<int> ShownPages(const QTabBar* bar) {
    std::set<int> pages;
    for (int index = 0; index < bar->count(); ++index) {
        if (bar->isTabVisible(index)) {
            pages.insert(bar->tabData(index).toInt());
        }
    }
    return pages;
}

class PageTabsTest : public HubWindowTest {
  protected:
    // The pages the main window object offers for the chosen keyboard.
    std::set<int> ModelPages() {
        std::set<int> pages{kPageHome};
        for (int page = 1; page < MainView::kPageCount; ++page) {
            if (dialog->mainView.DevicePagesShown() && dialog->mainView.TabVisible(page)) {
                pages.insert(page);
            }
        }
        return pages;
    }

    void ChooseLanguage(int lcid, const std::string& homeCaption) {
        ASSERT_TRUE(dialog->Pages().application.languageList.ChooseData(lcid));
        ASSERT_TRUE(
            WaitFor([&] { return window->Tabs()->tabText(0).toStdString() == homeCaption; }));
        QCoreApplication::processEvents();
    }
};

TEST_F(PageTabsTest, EachModelPickedInTurnShowsItsOwnPagesWithWholeCaptions) {
    Start("101:cable,102:cable,103:cable");
    window->resize(1366, 768);
    struct Case {
        int model;
        std::set<int> has;
        std::set<int> lacks;
    };
    const Case cases[] = {
        {102, {kPageMatrix, kPageLighting}, {kPageScreen}},
        {103, {kPageScreen}, {kPageMatrix}},
        {101, {kPageLighting, kPageAurora}, {kPageMatrix, kPageScreen}},
        {102, {kPageMatrix}, {kPageScreen}},
        {101, {kPageAurora}, {kPageMatrix, kPageScreen}},
        {103, {kPageScreen}, {kPageMatrix}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        // Picked on the home page, as the user does.
        dialog->mainView.SelectPage(kPageHome);
        SelectKeyboard(c.model);
        ASSERT_TRUE(WaitFor([&] { return ShownPages(window->Tabs()) == ModelPages(); }));
        const std::set<int> shown = ShownPages(window->Tabs());
        for (int page : c.has) {
            EXPECT_TRUE(shown.count(page)) << "page " << page << " missing";
        }
        for (int page : c.lacks) {
            EXPECT_FALSE(shown.count(page)) << "page " << page << " shown";
        }
        EXPECT_EQ(TabProblems(window->Tabs()).join("; ").toStdString(), "");
    }
}

TEST_F(PageTabsTest, AReceiverKeyboardShowsItsPagesAndZonesAtOnce) {
    // At a common size: a narrow window may scroll the zone tabs.
    startSize = QSize(1366, 768);
    Start("101:receiver,102:cable");
    ASSERT_TRUE(WaitFor(
        [this] { return dialog->Idle() && dialog->Pages().profile.List().GetItemCount() > 0; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(dialog->session.currentDeviceType.load(), 101);
    ASSERT_TRUE(WaitFor([&] { return ShownPages(window->Tabs()) == ModelPages(); }));
    EXPECT_TRUE(ShownPages(window->Tabs()).count(kPageKeys));
    EXPECT_EQ(window->CurrentPage(), static_cast<QWidget*>(window->Home()));
    EXPECT_EQ(TabProblems(window->Tabs()).join("; ").toStdString(), "");

    // The lighting page shows all three zones of this model, each caption whole.
    dialog->mainView.SelectPage(kPageLighting);
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == window->Lighting(); }));
    QCoreApplication::processEvents();
    TabBarView* zones = window->Lighting()->Zones();
    ASSERT_TRUE(WaitFor([&] {
        int visible = 0;
        for (int i = 0; i < zones->count(); ++i) {
            visible += zones->isTabVisible(i) ? 1 : 0;
        }
        return zones->isVisible() && visible == 3;
    }));
    EXPECT_EQ(TabProblems(zones).join("; ").toStdString(), "");
}

TEST_F(PageTabsTest, CaptionsAreWholeAfterALanguageSwitch) {
    Start("101:cable");
    window->resize(1366, 768);
    SelectKeyboard(101);
    dialog->mainView.SelectPage(kPageLighting);
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == window->Lighting(); }));
    TabBarView* zones = window->Lighting()->Zones();
    for (const auto& [lcid, home] :
         {std::pair{1045, std::string("Start")}, {1033, "Home"}, {1045, "Start"}}) {
        // The language is switched on the settings page, which hides the page tabs meanwhile.
        window->SettingsButton()->click();
        ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
        ChooseLanguage(lcid, home);
        window->Settings()->BackButton()->click();
        ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == window->Lighting(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(TabProblems(window->Tabs()).join("; ").toStdString(), "") << home;
        EXPECT_EQ(TabProblems(zones).join("; ").toStdString(), "") << home;
    }
}

}  // namespace
}  // namespace zanvor::test
