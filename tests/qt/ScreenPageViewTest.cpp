// The screen page of the desktop program: Qt's picture services, GIF files it writes read by
// Qt's own decoder, and the page used with the mouse: import, drawing, saving.

#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>

#include "HubWindowFixture.h"
#include "qt/QtImageServices.h"
#include "qt/ScreenCanvasView.h"
#include "qt/ScreenListViews.h"
#include "qt/ScreenPageView.h"
#include "screen/PngFile.h"
#include "screen/ScreenModels.h"
#include "support/GifBytes.h"
#include "support/TestHome.h"

namespace zanvor::test {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(ZANVOR_TEST_FIXTURES) + "/screen/" + name;
}

// The desktop program reads GIFs with the program's one decoder: a GIF it opens as a picture
// reads as screen import and the command line read it, also where Qt's decoder differs.
TEST(QtImageServicesTest, ReadsGifsAsTheProgramsOwnDecoderDoes) {
    TestApplication();
    TempDir dir;
    const std::vector<uint32_t> palette = {0, 0x0000FF, 0x00FF00, 0xFF0000};
    const std::vector<uint8_t> files[] = {
        GifFile(2, 2, palette, {GifImage(0, 0, 2, 2, {1, 2, 3, 0}, 11)}),  // LZW code size 11
        GifFile(4, 1, {}, {GifImage(0, 0, 4, 1, {0, 1, 2, 3}, 2)}),        // no colour table
        GifFile(2, 2, palette,
                {GifImage(0, 0, 2, 2, {2, 2, 2, 2}),
                 GifImage(0, 0, 3, 3, {0, 1, 0, 0, 0, 0, 3, 3, 3}, 2, 0)}),
    };
    QtImageServices qt;
    FileImageServices own;
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(i);
        const std::string path = dir.path() + "picture.gif";
        WriteFile(path, std::string(files[i].begin(), files[i].end()));
        ScreenImage fromQt;
        ScreenImage fromOwn;
        ASSERT_TRUE(own.ReadPicture(path, fromOwn));
        ASSERT_TRUE(qt.ReadPicture(path, fromQt));
        EXPECT_EQ(fromQt, fromOwn);
    }
}

TEST(QtImageServicesTest, ReadsPicturesQtKnowsAndLettersWithDesktopFonts) {
    TestApplication();
    QtImageServices services;
    ScreenImage picture;
    ASSERT_TRUE(services.ReadPicture(Fixture("picture.jpg"), picture));
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 32);
    const uint32_t blue = picture.Pixel(10, 10);  // about 10, 120, 240
    EXPECT_NEAR(static_cast<int>((blue >> 16) & 0xFF), 240, 12);
    EXPECT_NEAR(static_cast<int>(blue & 0xFF), 10, 12);
    EXPECT_FALSE(services.ReadPicture(Fixture("../exchange/two_keys.xml"), picture));
    EXPECT_TRUE(picture.Empty());

    ScreenImage frame = ScreenImage::Filled(160, 80, 0);
    ASSERT_TRUE(services.DrawText(frame, "Zanvor", 24, 0x00FF00, 80, 40));
    int lit = 0;
    int outside = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (frame.Pixel(x, y) != 0) {
                ++lit;
                outside += (x < 20 || x > 140) ? 1 : 0;
            }
        }
    }
    EXPECT_GT(lit, 100);
    EXPECT_EQ(outside, 0) << "the text is centred";
}

TEST(QtImageServicesTest, QtReadsTheExportedGifWithItsFramesSizeAndTimes) {
    TestApplication();
    TempDir dir;
    DataStore store;
    ASSERT_TRUE(CreateFolders(dir.path() + "db"));
    ASSERT_TRUE(store.OpenDeviceDatabase(dir.path(), "Zanvor Vista 96"));
    QtImageServices services;
    ScreenLibrary library(store, services);
    library.SetPlace({dir.path(), dir.path(), "Zanvor Vista 96", ScreenFormat{160, 80}});
    const LibraryOutcome imported = library.ImportGif(Fixture("varied_delays.gif"));
    ASSERT_TRUE(imported.Ok());
    const std::string out = dir.path() + "out.gif";
    ASSERT_TRUE(library.ExportGif(imported.animationId, out).Ok());

    QImageReader reader(QString::fromStdString(out));
    ASSERT_TRUE(reader.canRead());
    EXPECT_EQ(reader.imageCount(), 5);
    EXPECT_EQ(reader.size(), QSize(160, 80));
    EXPECT_EQ(reader.loopCount(), -1) << "loops forever";
    std::vector<int> delays;
    for (int i = 0; i < 5; ++i) {
        ASSERT_FALSE(reader.read().isNull());
        delays.push_back(reader.nextImageDelay());
    }
    EXPECT_EQ(delays, (std::vector<int>{30, 50, 120, 500, 70}));
}

class ScreenPageViewTest : public HubWindowTest {
  protected:
    void OpenScreenPage() {
        Start("101:cable,103:cable");
        SelectKeyboard(103);
        QTabBar* tabs = window->Tabs();
        int screenTab = -1;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabData(i).toInt() == kPageScreen) {
                screenTab = i;
            }
        }
        ASSERT_GE(screenTab, 0);
        ASSERT_TRUE(WaitFor([&] { return tabs->isTabVisible(screenTab); }));
        tabs->setCurrentIndex(screenTab);
        ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Screen(); }));
    }
    void Press(QWidget* widget, QEvent::Type type, const QPoint& at) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
};

TEST_F(ScreenPageViewTest, ImportDrawAndSaveWithTheMouse) {
    OpenScreenPage();
    ScreenPageView* page = window->Screen();
    ScreenModels& models = dialog->Pages().screen.Models();
    EXPECT_EQ(page->Library()->count(), 0);
    EXPECT_FALSE(page->Button(kIdScreenSave)->isEnabled()) << "nothing to save yet";

    dialogs.QueueFile(Fixture("varied_delays.gif"));
    page->Button(kIdScreenImport)->click();
    ASSERT_TRUE(WaitFor([&] { return page->Frames()->count() == 5 && dialog->Idle(); }));
    EXPECT_EQ(page->Library()->count(), 1);
    ASSERT_TRUE(WaitFor([&] { return page->Button(kIdScreenSave)->isEnabled(); }));

    // A stroke across the middle of the frame in palette colour 1.
    models.palette[0].Click();
    page->Button(kIdScreenPen)->click();
    ScreenCanvasView* canvas = page->Canvas();
    const QRect picture = canvas->PictureRect();
    const int zoom = canvas->Zoom();
    ASSERT_GE(zoom, 2);
    const QPoint from = picture.topLeft() + QPoint(20 * zoom + 1, 40 * zoom + 1);
    const QPoint to = picture.topLeft() + QPoint(60 * zoom + 1, 40 * zoom + 1);
    Press(canvas, QEvent::MouseButtonPress, from);
    Press(canvas, QEvent::MouseMove, to);
    Press(canvas, QEvent::MouseButtonRelease, to);
    EXPECT_EQ(models.editor.Image().Pixel(40, 40), 8331093u);
    EXPECT_TRUE(dialog->Pages().screen.State().unsaved);

    page->Button(kIdScreenSave)->click();
    EXPECT_FALSE(dialog->Pages().screen.State().unsaved);
    ScreenImage stored;
    ASSERT_TRUE(ReadPng(models.frames.GetItemImageFile(0), stored));
    EXPECT_EQ(stored.Pixel(40, 40), 8331093u);
}

TEST_F(ScreenPageViewTest, AFrameDraggedToTheFrontIsMovedInTheAnimation) {
    OpenScreenPage();
    ScreenPageView* page = window->Screen();
    dialogs.QueueFile(Fixture("varied_delays.gif"));
    page->Button(kIdScreenImport)->click();
    ASSERT_TRUE(WaitFor([&] { return page->Frames()->count() == 5 && dialog->Idle(); }));

    // What a drop does to the list: the row moves; the page's frames follow.
    ASSERT_TRUE(page->Frames()->model()->moveRow(QModelIndex(), 3, QModelIndex(), 0));
    ImageViewList& frames = dialog->Pages().screen.Models().frames;
    ASSERT_TRUE(WaitFor([&] { return frames.GetFrameItemName(0) == "3.png"; }));
    EXPECT_EQ(frames.GetItemDelayTime(0), 500);
    EXPECT_TRUE(dialog->Pages().screen.State().unsaved);
    ASSERT_TRUE(WaitFor([&] { return page->Frames()->item(0)->text().endsWith("500 ms"); }));
}

// Sending cannot work in this version: the button is not offered, and its tip says why, also
// with an animation that has frames.
TEST_F(ScreenPageViewTest, SendIsDisabledAndItsTipSaysWhy) {
    OpenScreenPage();
    dialogs.QueueFile(Fixture("still.gif"));
    window->Screen()->Button(kIdScreenImport)->click();
    ASSERT_TRUE(
        WaitFor([&] { return window->Screen()->Frames()->count() == 1 && dialog->Idle(); }));
    ASSERT_TRUE(WaitFor([&] { return window->Screen()->Button(kIdScreenSave)->isEnabled(); }));
    QAbstractButton* send = window->Screen()->Button(kIdScreenSend);
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(send->toolTip().toStdString(), LoadText("KB.DIALOG", 1669));
}

// An animation is named in place: a double click opens the name editor, Enter keeps the name,
// which the entry then shows.
TEST_F(ScreenPageViewTest, ALibraryEntryIsNamedInPlace) {
    OpenScreenPage();
    dialogs.QueueFile(Fixture("still.gif"));
    ScreenLibraryView* list = window->Screen()->Library();
    window->Screen()->Button(kIdScreenImport)->click();
    ASSERT_TRUE(WaitFor([&] { return list->count() == 1 && dialog->Idle(); }));

    emit list->itemDoubleClicked(list->item(0));
    QLineEdit* editor = list->NameEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Fireworks");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    ASSERT_TRUE(WaitFor([&] { return list->item(0)->text().startsWith("Fireworks\n"); }));
    EXPECT_EQ(list->NameEditor(), nullptr);
    EXPECT_EQ(dialog->Pages().screen.Models().library.GetItem(0)->text, "Fireworks");
}

// The keyboard's screen slot is a narrow card: in languages with longer words its text is
// shortened there, and shows whole on hover.
TEST_F(ScreenPageViewTest, TheSlotCardShowsItsWholeTextOnHover) {
    OpenScreenPage();
    // As the settings page's language list does: the language, then the pages' texts.
    SetActiveLanguage(1045);
    dialog->PostMessageW(kMsgReapplyTexts, 0, 0);
    const ScreenSlotView* card = window->Screen()->findChild<ScreenSlotView*>();
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(
        WaitFor([&] { return card->count() > 0 && card->item(0)->text().startsWith("Klatki:"); }));
    for (int row = 0; row < card->count(); ++row) {
        EXPECT_EQ(card->item(row)->toolTip(), card->item(row)->text());
    }
    SetActiveLanguage(1033);
}

}  // namespace
}  // namespace zanvor::test
