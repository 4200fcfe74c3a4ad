// The screen page's commands that leave the library: send (checks, then "not supported"),
// import and export through the worker's jobs, slot selection.

#include <filesystem>

#include "ScreenPageFixture.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

class ScreenCommandsTest : public ScreenPageTest {
  protected:
    void SetUp() override {
        ScreenPageTest::SetUp();
        InstallFactoryGif("still.gif");
        LoadPage();
    }
    // An animation of `count` frames (rows only), listed and current.
    int AnimationWithFrames(int count) {
        std::string folder;
        const int id = library.CreateAnimation(folder);
        std::vector<LedFrameData> rows(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            rows[static_cast<size_t>(i)].led_id = id;
            rows[static_cast<size_t>(i)].file_name = "0.png";
            rows[static_cast<size_t>(i)].frame_index = i;
        }
        store.InsertLedFrames(rows);
        Reload();
        models().library.Select(models().library.GetItemCount() - 1);
        return id;
    }
    // Runs the job the page posted, as the worker would, and delivers its message.
    void RunJob(int code) {
        ASSERT_EQ(poster.tasks, (std::vector<int>{code}));
        poster.tasks.clear();
        code == kTaskScreenImport ? page->Commands().TaskImportGif()
                                  : page->Commands().TaskExportGif();
        Deliver();
    }
};

TEST_F(ScreenCommandsTest, SendChecksFramesAndCapacityThenSaysItIsNotSupported) {
    Click(kIdScreenSend);  // no animation: nothing at all
    EXPECT_TRUE(dialogs.History().empty());

    AnimationWithFrames(0);
    dialogs.ClearHistory();
    Click(kIdScreenSend);
    EXPECT_EQ(Shown("message"), (std::vector<std::string>{Pair(847, 848)}));

    AnimationWithFrames(300);
    dialogs.ClearHistory();
    dialogs.QueueAnswer(false);
    Click(kIdScreenSend);
    const auto questions = Shown("question");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find(" 300 "), std::string::npos);
    EXPECT_EQ(questions[0].substr(questions[0].size() - Text(848).size()), Text(848));
    EXPECT_TRUE(Shown("message").empty());

    dialogs.QueueAnswer(true);
    Click(kIdScreenSend);
    EXPECT_EQ(Shown("message"), (std::vector<std::string>{Pair(1669, 848)}));

    AnimationWithFrames(256);
    dialogs.ClearHistory();
    Click(kIdScreenSend);
    EXPECT_TRUE(Shown("question").empty());
    EXPECT_EQ(Shown("message"), (std::vector<std::string>{Pair(1669, 848)}));

    // Nothing is ever posted for the keyboard and no progress dialog opens.
    EXPECT_TRUE(poster.tasks.empty());
    EXPECT_TRUE(Shown("progress").empty());
    Click(kIdScreenRestore);
    EXPECT_TRUE(poster.tasks.empty());
}

TEST_F(ScreenCommandsTest, ImportWithABusyQueueKeepsThePathOnly) {
    queueEmpty = false;
    dialogs.QueueFile(ScreenFixture("varied_delays.gif"));
    Click(kIdScreenImport);
    EXPECT_EQ(page->Commands().GifPath(), ScreenFixture("varied_delays.gif"));
    EXPECT_TRUE(poster.tasks.empty());
    EXPECT_FALSE(dialogs.BusyShown());

    // A file that does not exist is not kept either.
    dialogs.QueueFile(ScreenFixture("no_such.gif"));
    queueEmpty = true;
    Click(kIdScreenImport);
    EXPECT_EQ(page->Commands().GifPath(), ScreenFixture("varied_delays.gif"));
    EXPECT_TRUE(poster.tasks.empty());
}

TEST_F(ScreenCommandsTest, ImportedGifIsListedSelectedAndShown) {
    dialogs.QueueFile(ScreenFixture("varied_delays.gif"));
    Click(kIdScreenImport);
    EXPECT_TRUE(dialogs.BusyShown());
    RunJob(kTaskScreenImport);

    EXPECT_FALSE(dialogs.BusyShown());
    ASSERT_EQ(models().library.GetItemCount(), 1);
    EXPECT_EQ(models().library.GetCurSel(), 0);
    EXPECT_EQ(models().library.GetItemFrameSize(0), 5);
    EXPECT_EQ(state().currentAnimation, models().library.GetItemLEDId(0));
    EXPECT_EQ(models().frames.GetItemCount(), 5);
    EXPECT_TRUE(models().state.EditingEnabled());
    EXPECT_TRUE(Shown("message").empty());
}

TEST_F(ScreenCommandsTest, ImportLongerThanTheSlotSaysSo) {
    TempDir dir;
    std::vector<ScreenImage> frames;
    for (uint32_t n = 0; n < 300; ++n) {
        frames.push_back(ScreenImage::Filled(16, 8, n * 0x010203u));
    }
    ASSERT_EQ(WriteGif(dir.path() + "long.gif", frames, std::vector<int>(300, 40)),
              GifError::kNone);
    dialogs.QueueFile(dir.path() + "long.gif");
    Click(kIdScreenImport);
    RunJob(kTaskScreenImport);
    EXPECT_EQ(models().library.GetItemFrameSize(0), 300);
    EXPECT_EQ(Shown("message"),
              (std::vector<std::string>{Text(867) + " 256 " + Text(868) + " 300 " + Text(833) +
                                        " | " + Text(834)}));
}

TEST_F(ScreenCommandsTest, RefusedImportSaysWhyAndListsNothing) {
    TempDir dir;
    const std::string good = ReadFile(ScreenFixture("varied_delays.gif"));
    WriteFile(dir.path() + "cut.gif", good.substr(0, good.size() - 100));
    dialogs.QueueFile(dir.path() + "cut.gif");
    Click(kIdScreenImport);
    RunJob(kTaskScreenImport);
    EXPECT_FALSE(dialogs.BusyShown());
    EXPECT_EQ(Shown("message"), (std::vector<std::string>{Pair(1652, 804)}));
    EXPECT_EQ(models().library.GetItemCount(), 0);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 1);  // the factory animation only
}

TEST_F(ScreenCommandsTest, ExportWritesTheCurrentAnimation) {
    StoreAnimation("varied_delays.gif");
    Reload();
    TempDir out;
    // No extension typed: ".gif" is added.
    dialogs.QueueFile(out.path() + "mine");
    Click(kIdScreenExport);
    EXPECT_TRUE(dialogs.BusyShown());
    const auto saves = Shown("save");
    ASSERT_EQ(saves.size(), 1u);
    RunJob(kTaskScreenExport);
    EXPECT_FALSE(dialogs.BusyShown());
    // The message names the file written.
    const auto done = Shown("message");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_NE(done[0].find(out.path() + "mine.gif"), std::string::npos) << done[0];
    dialogs.ClearHistory();

    const DecodedGif written = DecodeFile(out.path() + "mine.gif");
    ASSERT_EQ(written.error, GifError::kNone);
    EXPECT_EQ(written.delaysMs, (std::vector<int>{30, 50, 120, 500, 70}));

    // A failure is shown: a folder that cannot be written to.
    dialogs.QueueFile(out.path() + "no/such/folder/x.gif");
    Click(kIdScreenExport);
    RunJob(kTaskScreenExport);
    EXPECT_EQ(Shown("message"), (std::vector<std::string>{Pair(1663, 820)}));
}

TEST_F(ScreenCommandsTest, ExportAndImportPostOnlyIntoAnIdleQueue) {
    StoreAnimation("still.gif");
    Reload();
    queueEmpty = false;
    TempDir out;
    dialogs.QueueFile(out.path() + "x.gif");
    Click(kIdScreenExport);
    EXPECT_TRUE(poster.tasks.empty());
    EXPECT_FALSE(dialogs.BusyShown());
    EXPECT_EQ(page->Commands().GifPath(), out.path() + "x.gif");
}

TEST_F(ScreenCommandsTest, SlotSelectionRecordsTheSlotForTheWorker) {
    StoreAnimation("still.gif");
    Reload();
    models().screenSlots.Select(0);
    EXPECT_EQ(poster.tasks, (std::vector<int>{kTaskScreenSelectSlot}));
    page->Commands().TaskSelectSlot();
    EXPECT_EQ(page->Commands().WorkerSlot(), 0);
    EXPECT_EQ(state().slotCapacity, 256);
    EXPECT_TRUE(models().state.EditingEnabled());
}

}  // namespace
}  // namespace zanvor::test
