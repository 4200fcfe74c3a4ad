// The main window at the sizes users have: it fits the screen at start, and at every size
// from the minimum up every tab caption is shown whole, in every language.

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "HubWindowFixture.h"
#include "keys/KeyAssignmentPage.h"
#include "platform/Locale.h"
#include "qt/ControlViews.h"
#include "qt/DeviceListView.h"
#include "qt/HomePage.h"
#include "qt/KeyPageView.h"
#include "qt/KeyPanels.h"
#include "qt/KeyboardView.h"
#include "qt/SettingsPageView.h"
#include "ui/InstalledLanguages.h"

namespace zanvor::test {
namespace {

// Tabs of a bar whose caption is cut: narrower than its text, or outside the bar while the
// bar cannot scroll to it.
QStringList CutTabs(const QTabBar* bar) {
    QStringList cut;
    const QFontMetrics metrics(bar->font());
    for (int index = 0; index < bar->count(); ++index) {
        if (!bar->isTabVisible(index)) {
            continue;
        }
        const QRect rect = bar->tabRect(index);
        const bool narrow = rect.width() < metrics.horizontalAdvance(bar->tabText(index));
        const bool outside = !bar->usesScrollButtons() && rect.right() > bar->width();
        // A bar that shortens its captions does so when it is narrower than it asks for.
        const bool elided = bar->elideMode() != Qt::ElideNone && !bar->usesScrollButtons() &&
                            bar->width() < bar->sizeHint().width();
        if (narrow || outside || elided) {
            cut << bar->tabText(index);
        }
    }
    return cut;
}

// Captions on `root` drawn cut: a label or button narrower than its text, or reaching out of
// the page (within a scroll area: out of its content). Lists, wrapping labels and captions
// shortened on purpose ("…", the whole text in the tooltip) are left out.
QStringList CutCaptions(QWidget* root) {
    QStringList cut;
    const auto check = [&](QWidget* widget, const QString& text, int room) {
        if (!widget->isVisibleTo(root) || text.isEmpty()) {
            return;
        }
        if (text.endsWith(QChar(0x2026)) && !widget->toolTip().isEmpty()) {
            return;
        }
        QWidget* frame = root;
        for (QWidget* up = widget->parentWidget(); up != nullptr && up != root;
             up = up->parentWidget()) {
            if (up->parentWidget() != nullptr && up->parentWidget()->inherits("QScrollArea")) {
                frame = up;  // the viewport: its content scrolls into view
                break;
            }
        }
        QWidget* content = frame == root ? root : frame->findChild<QWidget*>();
        const QRect inFrame(widget->mapTo(content, QPoint(0, 0)), widget->size());
        const int needed = widget->fontMetrics().horizontalAdvance(text) + room;
        if (widget->width() < needed || !content->rect().contains(inFrame)) {
            cut << QString("%1 (%2 of %3 px)").arg(text).arg(widget->width()).arg(needed);
        }
    };
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->wordWrap() && label->textFormat() != Qt::RichText &&
            !label->text().contains('<')) {
            check(label, label->text(), 0);
        }
    }
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        // The style's padding around the caption is part of what it needs.
        check(button, button->text(),
              button->sizeHint().width() - button->fontMetrics().horizontalAdvance(button->text()) -
                  4);
    }
    for (QCheckBox* box : root->findChildren<QCheckBox*>()) {
        check(box, box->text(), 18);
    }
    for (QRadioButton* option : root->findChildren<QRadioButton*>()) {
        check(option, option->text(), 18);
    }
    for (SwitchView* toggle : root->findChildren<SwitchView*>()) {
        check(toggle, toggle->text(), toggle->height() * 2);
    }
    return cut;
}

class WindowSizesTest : public HubWindowTest {
  protected:
    // Every function tab of the key page: the keyboard picture keeps its place and size, and
    // no caption of the page is cut.
    void VisitFunctionTabs(const QString& suffix) {
        FunctionListView* functions = window->Keys()->Functions();
        const QRect picture = window->Keys()->Keyboard()->geometry();
        for (int index = 0; index < functions->Tabs()->count(); ++index) {
            functions->Tabs()->setCurrentIndex(index);
            QCoreApplication::processEvents();
            const std::string where =
                functions->Tabs()->tabText(index).toStdString() + " " + suffix.toStdString();
            EXPECT_EQ(window->Keys()->Keyboard()->geometry(), picture) << where;
            EXPECT_EQ(CutCaptions(window->Keys()).join(" | ").toStdString(), "") << where;
        }
        functions->Tabs()->setCurrentIndex(0);
        QCoreApplication::processEvents();
    }

    // Key captions drawn past their key (neither shrunk nor abbreviated enough).
    QStringList CutKeyCaptions() {
        QStringList cut;
        KeyboardView* keyboard = window->Keys()->Keyboard();
        for (const KeyItem& item : keyboard->Items()) {
            const KeyCaptionFit fit = keyboard->CaptionFit(item.code);
            if (item.code == 0xFF || fit.text.isEmpty()) {
                continue;
            }
            const QFontMetricsF metrics(fit.font);
            const int flags = Qt::AlignCenter | (fit.wrap ? Qt::TextWordWrap : 0);
            const QRectF used = metrics.boundingRect(fit.area, flags, fit.text);
            bool wordsFit = true;
            for (const QString& word :
                 fit.text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
                wordsFit = wordsFit && metrics.horizontalAdvance(word) <= fit.area.width() + 0.5;
            }
            if (!wordsFit || used.height() > fit.area.height() + 0.5) {
                cut << fit.text;
            }
        }
        return cut;
    }

    // Shows every page the window offers and checks the tab captions of the window and of the
    // key page; saves a picture of each page named with `suffix`.
    void VisitPages(const QString& suffix) {
        QTabBar* tabs = window->Tabs();
        for (int index = 0; index < tabs->count(); ++index) {
            if (!tabs->isTabVisible(index)) {
                continue;
            }
            tabs->setCurrentIndex(index);
            // A page shown for the first time is laid out over several passes.
            for (int pass = 0; pass < 3; ++pass) {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
            }
            EXPECT_EQ(CutTabs(tabs), QStringList()) << suffix.toStdString();
            EXPECT_EQ(CutCaptions(window->CurrentPage()).join(" | ").toStdString(), "")
                << tabs->tabText(index).toStdString() << " " << suffix.toStdString();
            for (const QTabBar* bar : window->CurrentPage()->findChildren<QTabBar*>()) {
                if (bar->isVisibleTo(window->CurrentPage())) {
                    EXPECT_EQ(CutTabs(bar), QStringList())
                        << tabs->tabText(index).toStdString() << " " << suffix.toStdString();
                }
            }
            if (window->CurrentPage() == window->Home()) {
                DeviceListView* list = window->Home()->DeviceList();
                for (const DeviceCard* card : list->Cards()) {
                    const QRect inList(card->mapTo(list, QPoint(0, 0)), card->size());
                    EXPECT_TRUE(list->rect().contains(inList) &&
                                card->height() >= card->minimumHeight())
                        << "a device card is cut, " << suffix.toStdString();
                }
            }
            if (window->CurrentPage() == window->Keys()) {
                EXPECT_EQ(CutTabs(window->Keys()->Functions()->Tabs()), QStringList())
                    << suffix.toStdString();
                EXPECT_EQ(CutKeyCaptions(), QStringList()) << suffix.toStdString();
                for (QPushButton* button :
                     {window->Keys()->RestoreKeyButton(), window->Keys()->RestoreAllButton()}) {
                    EXPECT_GE(button->width(), button->sizeHint().width())
                        << button->text().toStdString() << " " << suffix.toStdString();
                }
                VisitFunctionTabs(suffix);
            }
            Save(*window, QString("page%1_%2").arg(index).arg(suffix));
            if (window->CurrentPage() == window->Keys()) {
                // The keyboard functions: a caption the grid cuts shows whole on hover.
                FunctionListView* functions = window->Keys()->Functions();
                functions->Tabs()->setCurrentIndex(functions->TabIndex(kTabInternal));
                ASSERT_TRUE(WaitFor([&] { return functions->List()->count() > 20; }));
                for (int row = 0; row < functions->List()->count(); ++row) {
                    QListWidgetItem* item = functions->List()->item(row);
                    EXPECT_EQ(item->toolTip(), item->text());
                }
                Save(*window, QString("keyboard_functions_%1").arg(suffix));
                functions->Tabs()->setCurrentIndex(functions->TabIndex(kTabKeys));
            }
        }
        window->SettingsButton()->click();
        ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
        QCoreApplication::processEvents();
        for (const QScrollArea* area : window->Settings()->findChildren<QScrollArea*>()) {
            EXPECT_FALSE(area->horizontalScrollBar()->isVisible())
                << "the settings page is wider than the window, " << suffix.toStdString();
        }
        Save(*window, "settings_" + suffix);
        window->SettingsButton()->click();
        QCoreApplication::processEvents();
    }
};

TEST(WindowDefaultSize, TheWindowOpensWithinTheScreensAvailableArea) {
    struct Case {
        QRect available;
        QSize size;
    };
    const std::vector<Case> cases = {
        {QRect(0, 0, 1920, 1050), QSize(1400, 788)},  // room to spare: the preferred size
        {QRect(0, 0, 1366, 728), QSize(1366, 688)},   // 1366x768 with a 40-pixel panel
        {QRect(0, 27, 1280, 693), QSize(1280, 653)},  // a panel at the top
        {QRect(0, 0, 1024, 600), QSize(1024, 640)},   // smaller than the minimum: the minimum
        {QRect(), QSize(1400, 788)},                  // no screen known
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MainWindow::DefaultSize(c.available), c.size)
            << c.available.width() << "x" << c.available.height();
    }
}

// The languages to visit: English, Polish, the longest Latin one (German) and one needing
// the CJK fonts (Japanese); ZANVOR_ALL_LANGUAGES=1 visits every installed language.
std::vector<int> LanguagesToVisit() {
    const std::vector<int> installed = LanguageIds(FindInstalledLanguages(ApplicationFolder()));
    if (qEnvironmentVariableIntValue("ZANVOR_ALL_LANGUAGES") == 1) {
        return installed;
    }
    std::vector<int> chosen;
    for (int lcid : {1033, 1045, 1031, 1041}) {
        if (std::find(installed.begin(), installed.end(), lcid) != installed.end()) {
            chosen.push_back(lcid);
        }
    }
    return chosen;
}

TEST_F(WindowSizesTest, EveryTabCaptionIsWholeAtTheUsualSizesInEveryLanguage) {
    Start("101:cable,103:cable");
    SelectKeyboard(103);
    window->Tabs()->setCurrentIndex(1);
    QLabel* hint = window->Keys()->findChild<QLabel*>("hintLabel");
    ASSERT_NE(hint, nullptr);
    // This model has no knob: the page does not talk about one.
    ASSERT_TRUE(WaitFor([&] { return hint->text().toStdString() == LoadText("KB.DIALOG", 2104); }));
    const std::vector<int> languages = LanguagesToVisit();
    ASSERT_GE(languages.size(), 4u);
    QStringList firstKeyCaptions;
    for (int language : languages) {
        ASSERT_TRUE(dialog->Pages().application.languageList.ChooseData(language));
        ASSERT_TRUE(WaitFor([&] {
            return window->Tabs()->tabText(1).toStdString() == LoadText("KB.DIALOG", 1401);
        }));
        // The keys say what is printed on them, whatever the language.
        window->Tabs()->setCurrentIndex(1);
        QCoreApplication::processEvents();
        QStringList keyCaptions;
        for (const KeyItem& item : window->Keys()->Keyboard()->Items()) {
            keyCaptions << window->Keys()->Keyboard()->CaptionFit(item.code).text;
        }
        if (firstKeyCaptions.isEmpty()) {
            firstKeyCaptions = keyCaptions;
            ASSERT_TRUE(keyCaptions.contains("Esc")) << keyCaptions.join(" ").toStdString();
        } else {
            EXPECT_EQ(keyCaptions, firstKeyCaptions) << "language " << language;
        }
        // "en", "pl", "de", "ja", "pt", "zh", …
        const QString tag = QString::fromStdString(LocaleNameOfLcid(language).substr(0, 2));
        window->resize(window->minimumSize());
        VisitPages("minimum_" + tag);
        window->resize(1366, 768);
        VisitPages("1366_" + tag);
        window->resize(1920, 1080);
        VisitPages("1920_" + tag);
        // The wireless model's pages: three light zones, the aurora page.
        SelectKeyboard(101);
        window->resize(window->minimumSize());
        VisitPages("minimum_101_" + tag);
        window->resize(1366, 768);
        VisitPages("1366_101_" + tag);
        SelectKeyboard(103);
    }
}

}  // namespace
}  // namespace zanvor::test
