// The frame half of the screen page: pictures added, frames copied and moved, frame times,
// the editor's pen, eraser, text and undo reaching the saved frames, and the palette.

#include <filesystem>

#include "ScreenPageFixture.h"
#include "screen/PngFile.h"
#include "screen/TimeNames.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kStillRed = 0x0A28C8;  // still.gif: red 200, green 40, blue 10

class FrameEditorTest : public ScreenPageTest {
  protected:
    void SetUp() override {
        ScreenPageTest::SetUp();
        LoadPage();
        animation = StoreAnimation("varied_delays.gif");
        Reload();
    }
    std::vector<int> Delays() {
        std::vector<int> delays;
        for (const FrameItem& item : models().frames.GetItems()) {
            delays.push_back(item.delay);
        }
        return delays;
    }
    ScreenImage StoredFrame(size_t index) {
        ScreenImage picture;
        const auto frames = library.ListFrames(animation);
        EXPECT_LT(index, frames.size());
        if (index < frames.size()) {
            EXPECT_TRUE(ReadPng(frames[index].storedFile, picture));
        }
        return picture;
    }
    int animation = 0;
};

TEST_F(FrameEditorTest, PicturesAddedAtOnceGetTheirOwnNamesAndKeepTheirOrder) {
    models().frames.Select(1);
    dialogs.QueueFiles({ScreenFixture("still.gif"), ScreenFixture("large_square.gif")});
    Click(kIdScreenAddPictures);

    const std::vector<std::string> names = FrameNames();
    ASSERT_EQ(names.size(), 7u);
    EXPECT_NE(names[2], names[3]);
    for (const std::string& name : {names[2], names[3]}) {
        EXPECT_TRUE(IsTimeName(name.substr(0, 17))) << name;
        EXPECT_EQ(name.substr(17), ".png");
    }
    EXPECT_EQ(Delays(), (std::vector<int>{30, 50, 50, 50, 120, 500, 70}));
    EXPECT_TRUE(state().unsaved);

    Click(kIdScreenSave);
    // The red still picture is frame 2, the square one (fitted, black at the sides) frame 3.
    EXPECT_EQ(StoredFrame(2).Pixel(80, 40), kStillRed);
    EXPECT_EQ(StoredFrame(3).width, 160);
    EXPECT_EQ(StoredFrame(3).Pixel(5, 40), 0u);
    EXPECT_EQ(store.CountLedFrames(animation), 7);
}

TEST_F(FrameEditorTest, PicturesThatCannotBeReadAreNamedAndAddNothing) {
    dialogs.QueueFiles({ScreenFixture("../exchange/two_keys.xml")});
    Click(kIdScreenAddPictures);
    EXPECT_EQ(models().frames.GetItemCount(), 5);
    EXPECT_FALSE(state().unsaved);
    const auto messages = Shown("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("two_keys.xml"), std::string::npos);
}

TEST_F(FrameEditorTest, FrameTimesAreKeptBetween30And500) {
    struct Case {
        const char* typed;
        bool allFrames;
        std::vector<int> delays;
    };
    const Case cases[] = {
        {"10", false, {30, 30, 120, 500, 70}},           {"800", false, {30, 500, 120, 500, 70}},
        {"250", false, {30, 250, 120, 500, 70}},         {"abc", false, {30, 30, 120, 500, 70}},
        {"99999999999", false, {30, 500, 120, 500, 70}}, {"-5", true, {30, 30, 30, 30, 30}},
        {"250", true, {250, 250, 250, 250, 250}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        delayAnswers.push_back(DelayChoice{c.allFrames, c.typed});
        models().frames.RequestDelayEdit(1);
        EXPECT_EQ(Delays(), c.delays);
    }
    // The dialog opened with the frame's time as it was each time.
    EXPECT_EQ(shownDelays, (std::vector<int>{50, 30, 500, 250, 30, 500, 30}));
    EXPECT_TRUE(state().unsaved);
    Click(kIdScreenSave);
    EXPECT_EQ(Rows("SELECT DISTINCT delay_time FROM t_ledframe_data WHERE led_id = " +
                   std::to_string(animation)),
              (std::vector<std::vector<std::string>>{{"250"}}));

    // Cancelled: nothing changes.
    delayAnswers.push_back(std::nullopt);
    models().frames.RequestDelayEdit(0);
    EXPECT_EQ(shownDelays.back(), 250);
    EXPECT_FALSE(state().unsaved);
}

TEST_F(FrameEditorTest, CopiedAndMovedFramesAreSavedInTheirNewOrder) {
    models().frames.Select(3);
    Click(kIdScreenCopyFrame);
    EXPECT_EQ(models().frames.GetCurSel(), 4);
    EXPECT_EQ(Delays(), (std::vector<int>{30, 50, 120, 500, 500, 70}));
    const std::string copy = FrameNames()[4];
    EXPECT_TRUE(IsTimeName(copy.substr(0, 17)));

    models().frames.MoveItem(4, 0);
    EXPECT_EQ(models().frames.GetCurSel(), 0);
    Click(kIdScreenSave);
    EXPECT_EQ(Rows("SELECT file_name, delay_time FROM t_ledframe_data WHERE led_id = " +
                   std::to_string(animation) + " ORDER BY frame_index"),
              (std::vector<std::vector<std::string>>{{copy, "500"},
                                                     {"0.png", "30"},
                                                     {"1.png", "50"},
                                                     {"2.png", "120"},
                                                     {"3.png", "500"},
                                                     {"4.png", "70"}}));
    EXPECT_EQ(
        Rows("SELECT first_file FROM t_ledlayer_data WHERE led_id = " + std::to_string(animation)),
        (std::vector<std::vector<std::string>>{{copy}}));
    EXPECT_EQ(StoredFrame(0), StoredFrame(4));
}

TEST_F(FrameEditorTest, PenEraserAndUndoReachTheSavedFrameOnlyOnSave) {
    const ScreenImage before = StoredFrame(0);
    models().frames.Select(0);
    Click(kIdScreenPen);
    models().palette[0].Click();  // the pen takes palette colour 1
    ImageView& editor = models().editor;
    editor.PressAt(10, 10);
    editor.DragTo(20, 10);
    editor.Release();
    EXPECT_TRUE(state().unsaved);
    EXPECT_EQ(editor.Image().Pixel(15, 10), 8331093u);
    // The stored file is untouched until the save; the strip holds the edit file.
    EXPECT_EQ(StoredFrame(0), before);
    EXPECT_NE(models().frames.GetItemEditImageFile(0), models().frames.GetItemImageFile(0));

    Click(kIdScreenEraser);
    editor.PressAt(15, 10);
    editor.Release();
    EXPECT_EQ(editor.Image().Pixel(15, 10), 0u);
    EXPECT_EQ(editor.Image().Pixel(14, 9), 0u);  // the eraser is 3 pixels wide
    Click(kIdScreenUndo);
    EXPECT_EQ(editor.Image().Pixel(15, 10), 8331093u);

    // Another frame and back: the edit is still there.
    models().frames.Select(2);
    models().frames.Select(0);
    EXPECT_EQ(editor.Image().Pixel(15, 10), 8331093u);

    Click(kIdScreenSave);
    EXPECT_FALSE(state().unsaved);
    const ScreenImage saved = StoredFrame(0);
    EXPECT_EQ(saved.Pixel(15, 10), 8331093u);
    EXPECT_EQ(saved.Pixel(15, 30), before.Pixel(15, 30));
}

TEST_F(FrameEditorTest, TextIsLetteredInTheColourAndMovedWithThePointer) {
    models().text.Type("Hi");
    models().fontSize.Type("16");
    models().red.Type("0");
    Click(kIdScreenAddText);
    ImageView& editor = models().editor;
    EXPECT_EQ(editor.GetDrawMode(), ImageView::kModeText);
    EXPECT_TRUE(state().unsaved);
    const auto lettered = [&](int left, int right) {
        int count = 0;
        const ScreenImage image = editor.Image();
        for (int y = 0; y < image.height; ++y) {
            for (int x = left; x < right; ++x) {
                count += image.Pixel(x, y) == 0xFFFF00u ? 1 : 0;  // green + blue
            }
        }
        return count;
    };
    EXPECT_GT(lettered(60, 100), 0);
    // Moved to the left edge: the middle is as before again.
    editor.PressAt(20, 40);
    editor.Release();
    EXPECT_EQ(lettered(60, 100), 0);
    EXPECT_GT(lettered(0, 40), 0);
    Click(kIdScreenUndo);
    EXPECT_EQ(lettered(0, 160), 0);
}

TEST_F(FrameEditorTest, FontSizeBoxIsCorrected) {
    const struct {
        const char* typed;
        const char* shown;
        int size;
    } cases[] = {{"24", "24", 24}, {"0", "1", 1}, {"", "1", 1}, {"9000", "200", 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        models().fontSize.Type(c.typed);
        EXPECT_EQ(models().fontSize.GetText(), c.shown);
        EXPECT_EQ(models().editor.GetFontSize(), c.size);
    }
}

TEST_F(FrameEditorTest, ColoursGoToTheSelectedPaletteButtonAndTheProfile) {
    models().palette[2].Click();
    EXPECT_EQ(state().selectedPaletteButton, kIdScreenPaletteFirst + 2);
    EXPECT_TRUE(models().palette[2].GetCheck());
    EXPECT_FALSE(models().palette[0].GetCheck());
    // Palette colour 3 is 65280 (green): the boxes show it.
    EXPECT_EQ(models().green.GetText(), "255");
    EXPECT_EQ(models().red.GetText(), "0");

    models().red.Type("300");
    EXPECT_EQ(models().red.GetText(), "255");
    EXPECT_EQ(models().palette[2].GetColor(), 0x00FFFFu);
    EXPECT_EQ(store.GetConfigInt(profileId, "default_color3"), 0x00FFFF);
    EXPECT_EQ(models().editor.GetColorValue(), 0x00FFFFu);
    EXPECT_EQ(models().picker.GetSelectColor(), 0x00FFFFu);

    models().colourBar.Pick(0xFF0000);  // blue
    EXPECT_EQ(models().picker.GetSelectColor(), 0xFF0000u);
    EXPECT_EQ(models().blue.GetText(), "255");
    EXPECT_EQ(store.GetConfigInt(profileId, "default_color3"), 0xFF0000);

    models().picker.Pick(0x123456);
    EXPECT_EQ(models().red.GetText(), "86");
    EXPECT_EQ(models().green.GetText(), "52");
    EXPECT_EQ(models().blue.GetText(), "18");
    EXPECT_EQ(store.GetConfigInt(profileId, "default_color3"), 0x123456);
    EXPECT_EQ(store.GetConfigInt(profileId, "default_color1"), 8331093);
}

TEST_F(FrameEditorTest, PreviewPlaysTheEditedFramesWithTheirTimes) {
    models().frames.Select(1);
    models().editor.PressAt(1, 1);
    models().editor.Release();
    Click(kIdScreenPreviewMode);
    EXPECT_TRUE(models().state.PreviewMode());
    EXPECT_TRUE(models().editor.PreviewMode());
    const auto frames = models().editor.PreviewFrames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[1].file, models().frames.GetItemEditImageFile(1));
    EXPECT_EQ(frames[3].delay, 500);
    // No editing while it plays.
    const ScreenImage shown = models().editor.Image();
    models().editor.PressAt(5, 5);
    models().editor.Release();
    EXPECT_EQ(models().editor.Image(), shown);

    Click(kIdScreenEditMode);
    EXPECT_FALSE(models().state.PreviewMode());
    EXPECT_TRUE(models().state.EditingEnabled());
}

}  // namespace
}  // namespace zanvor::test
