// The library's folders and rows: the default library made from the factory GIF, import and
// export of GIF files, deleting, storing frames, a folder deleted behind the program's back,
// and the reset.

#include <filesystem>

#include "ScreenFixture.h"
#include "screen/PngFile.h"
#include "screen/TimeNames.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

TEST_F(LibraryTest, FirstStartMakesTheFactoryAnimationAndTheSlotRow) {
    InstallFactoryGif("twelve_frames.gif");
    ASSERT_EQ(library.CreateDefaultLibrary(), 1);

    const auto layers = Rows(
        "SELECT led_id, profile, type, name, frame_size, file_dir, first_file "
        "FROM t_ledlayer_data");
    ASSERT_EQ(layers.size(), 1u);
    const std::string folder = layers[0][5];
    EXPECT_TRUE(IsTimeName(folder));
    EXPECT_EQ(layers[0], (std::vector<std::string>{"1", "1", "0", folder, "12", folder, "0.png"}));

    const auto frames = Rows(
        "SELECT name, file_name, delay_time, frame_index FROM t_ledframe_data "
        "WHERE led_id = 1 ORDER BY frame_index");
    ASSERT_EQ(frames.size(), 12u);
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string name = std::to_string(i) + ".png";
        EXPECT_EQ(frames[i], (std::vector<std::string>{name, name, "100", std::to_string(i)}));
        EXPECT_TRUE(fs::exists(LibraryRoot() + folder + "/" + name));
    }

    const std::string preview = dataFolder() + "default_led/" + kModel + "/0.png";
    EXPECT_EQ(Rows("SELECT profile, frame_size, file_name FROM t_tftscreen_data"),
              (std::vector<std::vector<std::string>>{{"1", "12", preview}}));
    ScreenImage previewPicture;
    ScreenImage firstFrame;
    ASSERT_TRUE(ReadPng(preview, previewPicture));
    ASSERT_TRUE(ReadPng(LibraryRoot() + folder + "/0.png", firstFrame));
    EXPECT_EQ(previewPicture, firstFrame);
    EXPECT_EQ(firstFrame.width, 160);

    // The factory animation is marked as such; the library is not made a second time.
    const auto animations = library.ListAnimations();
    ASSERT_EQ(animations.size(), 1u);
    EXPECT_TRUE(animations[0].factory);
    EXPECT_EQ(animations[0].durationMs, 1200);
    EXPECT_EQ(library.CreateDefaultLibrary(), 0);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 1);
}

TEST_F(LibraryTest, NoFactoryGifOrNoScreenMakesNoDefaultLibrary) {
    EXPECT_EQ(library.CreateDefaultLibrary(), 0);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);

    InstallFactoryGif("twelve_frames.gif");
    LibraryPlace keysOnly = Place();
    keysOnly.format = ScreenFormat{};
    library.SetPlace(keysOnly);
    EXPECT_EQ(library.CreateDefaultLibrary(), 0);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
    EXPECT_FALSE(fs::exists(LibraryRoot()));
}

TEST_F(LibraryTest, AStillFactoryPictureWithoutDisplayTimeGets100) {
    InstallFactoryGif("still.gif");
    ASSERT_EQ(library.CreateDefaultLibrary(), 1);
    EXPECT_EQ(Rows("SELECT delay_time FROM t_ledframe_data"),
              (std::vector<std::vector<std::string>>{{"100"}}));
}

TEST_F(LibraryTest, ImportedGifExportsWithTheSameFramesSizesAndDisplayTimes) {
    TempDir out;
    for (const char* fixture : {"varied_delays.gif", "twelve_frames.gif"}) {
        SCOPED_TRACE(fixture);
        const LibraryOutcome imported = library.ImportGif(ScreenFixture(fixture));
        ASSERT_TRUE(imported.Ok()) << DescribeOutcome(imported);
        const std::string exported = out.path() + "exported.gif";
        const LibraryOutcome written = library.ExportGif(imported.animationId, exported);
        ASSERT_TRUE(written.Ok()) << DescribeOutcome(written);

        const DecodedGif before = DecodeFile(ScreenFixture(fixture));
        const DecodedGif after = DecodeFile(exported);
        ASSERT_EQ(after.error, GifError::kNone);
        EXPECT_EQ(after.frames.size(), before.frames.size());
        EXPECT_EQ(after.delaysMs, before.delaysMs);
        EXPECT_EQ(after.frames, before.frames);
    }
}

TEST_F(LibraryTest, ImportFitsLargerPicturesToTheScreen) {
    const LibraryOutcome imported = library.ImportGif(ScreenFixture("large_square.gif"));
    ASSERT_TRUE(imported.Ok());
    EXPECT_EQ(imported.frameCount, 3);
    const auto frames = library.ListFrames(imported.animationId);
    ASSERT_EQ(frames.size(), 3u);
    ScreenImage first;
    ASSERT_TRUE(ReadPng(frames[0].storedFile, first));
    EXPECT_EQ(first.width, 160);
    EXPECT_EQ(first.height, 80);
    // The square picture is 80 × 80 in the middle; the sides stay black.
    EXPECT_EQ(first.Pixel(10, 40), 0u);
    EXPECT_NE(first.Pixel(80, 40), 0u);
}

TEST_F(LibraryTest, RefusedGifLeavesNoFolderAndNoRows) {
    TempDir dir;
    const std::string truncated = dir.path() + "truncated.gif";
    {
        const std::string good = ReadFile(ScreenFixture("twelve_frames.gif"));
        WriteFile(truncated, good.substr(0, good.size() / 2));
    }
    const std::string text = dir.path() + "text.gif";
    WriteFile(text, "not a picture");
    const std::string big = dir.path() + "big.gif";
    WriteFile(big, ReadFile(ScreenFixture("twelve_frames.gif")));
    fs::resize_file(big, 50u * 1024 * 1024);

    struct Case {
        std::string path;
        GifError expected;
    };
    const Case cases[] = {
        {truncated, GifError::kDamaged},
        {text, GifError::kNotGif},
        {big, GifError::kFileTooLarge},
        {dir.path() + "missing.gif", GifError::kUnreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const LibraryOutcome outcome = library.ImportGif(c.path);
        EXPECT_EQ(outcome.status, LibraryStatus::kBadGif);
        EXPECT_EQ(outcome.gif, c.expected);
        EXPECT_FALSE(DescribeOutcome(outcome).empty());
        EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
        EXPECT_EQ(CountRows("t_ledframe_data"), 0);
        EXPECT_TRUE(FilesBelow(LibraryRoot()).empty());
    }
}

TEST_F(LibraryTest, ImportIntoAModelWithoutScreenIsRefused) {
    LibraryPlace keysOnly = Place();
    keysOnly.format = ScreenFormat{};
    library.SetPlace(keysOnly);
    EXPECT_EQ(library.ImportGif(ScreenFixture("twelve_frames.gif")).status,
              LibraryStatus::kNoScreen);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
}

TEST_F(LibraryTest, StoringFramesRewritesTheRowsDenselyAndDropsUnusedPictures) {
    const LibraryOutcome imported = library.ImportGif(ScreenFixture("varied_delays.gif"));
    ASSERT_TRUE(imported.Ok());
    std::vector<FrameEntry> frames = library.ListFrames(imported.animationId);
    ASSERT_EQ(frames.size(), 5u);

    // Frame 2 deleted; frame 0 edited (its edit file holds a red picture).
    frames.erase(frames.begin() + 2);
    TempDir edits;
    frames[0].editFile = edits.path() + "edit.png";
    ASSERT_TRUE(WritePng(frames[0].editFile, ScreenImage::Filled(160, 80, 0x0000FF)));
    const LibraryOutcome stored = library.StoreFrames(imported.animationId, frames);
    ASSERT_TRUE(stored.Ok()) << DescribeOutcome(stored);

    EXPECT_EQ(Rows("SELECT file_name, delay_time, frame_index FROM t_ledframe_data "
                   "ORDER BY frame_index"),
              (std::vector<std::vector<std::string>>{{"0.png", "30", "0"},
                                                     {"1.png", "50", "1"},
                                                     {"3.png", "500", "2"},
                                                     {"4.png", "70", "3"}}));
    EXPECT_EQ(Rows("SELECT frame_size, first_file FROM t_ledlayer_data"),
              (std::vector<std::vector<std::string>>{{"4", "0.png"}}));
    const std::string folder = fs::path(frames[0].storedFile).parent_path().string() + "/";
    EXPECT_EQ(FilesBelow(folder), (std::vector<std::string>{"0.png", "1.png", "3.png", "4.png"}));
    ScreenImage first;
    ASSERT_TRUE(ReadPng(folder + "0.png", first));
    EXPECT_EQ(first.Pixel(3, 3), 0x0000FFu);
}

TEST_F(LibraryTest, PicturesAndCopiesGetNewTimeNamesInTheAnimationFolder) {
    std::string folder;
    const int id = library.CreateAnimation(folder);
    ASSERT_GT(id, 0);
    EXPECT_TRUE(fs::is_directory(LibraryRoot() + folder));

    const std::string first = library.AddPicture(id, ScreenFixture("still.gif"));
    const std::string second = library.AddPicture(id, ScreenFixture("still.gif"));
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    const std::string name = fs::path(first).filename().string();
    EXPECT_EQ(first, LibraryRoot() + folder + "/" + name);
    EXPECT_TRUE(IsTimeName(name.substr(0, 17)));
    EXPECT_EQ(name.substr(17), ".png");
    const std::string copy = library.CopyFrame(id, first);
    EXPECT_NE(copy, first);
    EXPECT_EQ(ReadFile(copy), ReadFile(first));
    // A file that is no picture adds nothing.
    EXPECT_TRUE(library.AddPicture(id, ScreenFixture("../exchange/two_keys.xml")).empty());
    EXPECT_EQ(FilesBelow(LibraryRoot() + folder).size(), 3u);
}

TEST_F(LibraryTest, DeletingRemovesFolderAndRowsButNeverMoreThanTheAnimation) {
    const LibraryOutcome imported = library.ImportGif(ScreenFixture("varied_delays.gif"));
    ASSERT_TRUE(imported.Ok());
    ASSERT_TRUE(library.DeleteAnimation(imported.animationId).Ok());
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
    EXPECT_EQ(CountRows("t_ledframe_data"), 0);
    EXPECT_TRUE(FilesBelow(LibraryRoot()).empty());
    EXPECT_EQ(library.DeleteAnimation(imported.animationId).status, LibraryStatus::kNotFound);

    // Rows whose folder name is empty or a path lose their rows only: the other animation
    // and files beside the library stay.
    const LibraryOutcome kept = library.ImportGif(ScreenFixture("still.gif"));
    ASSERT_TRUE(kept.Ok());
    WriteFile(dataFolder() + "led/keep.txt", "x");
    for (const char* folder : {"", "..", "../..", "a/b"}) {
        SCOPED_TRACE(folder);
        const int id = store.InsertLedLayer(folder);
        ASSERT_GT(id, 0);
        EXPECT_TRUE(library.DeleteAnimation(id).Ok());
        EXPECT_TRUE(fs::exists(dataFolder() + "led/keep.txt"));
        EXPECT_EQ(library.ListFrames(kept.animationId).size(), 1u);
        EXPECT_TRUE(fs::exists(library.ListFrames(kept.animationId)[0].storedFile));
    }
}

TEST_F(LibraryTest, FactoryAnimationIsKept) {
    InstallFactoryGif("still.gif");
    ASSERT_EQ(library.CreateDefaultLibrary(), 1);
    EXPECT_EQ(library.DeleteAnimation(1).status, LibraryStatus::kFactory);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 1);
}

TEST_F(LibraryTest, AFolderDeletedBehindTheProgramShowsAsMissing) {
    const LibraryOutcome imported = library.ImportGif(ScreenFixture("varied_delays.gif"));
    ASSERT_TRUE(imported.Ok());
    fs::remove_all(LibraryRoot());

    const auto animations = library.ListAnimations();
    ASSERT_EQ(animations.size(), 1u);
    EXPECT_TRUE(animations[0].missing);
    EXPECT_EQ(animations[0].frameCount, 5);
    TempDir out;
    EXPECT_EQ(library.ExportGif(imported.animationId, out.path() + "x.gif").status,
              LibraryStatus::kFolderMissing);
    EXPECT_EQ(
        library.StoreFrames(imported.animationId, library.ListFrames(imported.animationId)).status,
        LibraryStatus::kFolderMissing);
    EXPECT_TRUE(FilesBelow(out.path()).empty());
    // It can still be deleted.
    EXPECT_TRUE(library.DeleteAnimation(imported.animationId).Ok());
}

TEST_F(LibraryTest, ExportNamesTheMissingFrameAndWritesNothing) {
    const LibraryOutcome imported = library.ImportGif(ScreenFixture("varied_delays.gif"));
    ASSERT_TRUE(imported.Ok());
    const auto frames = library.ListFrames(imported.animationId);
    fs::remove(frames[3].storedFile);
    TempDir out;
    const LibraryOutcome exported = library.ExportGif(imported.animationId, out.path() + "x.gif");
    EXPECT_EQ(exported.status, LibraryStatus::kFrameMissing);
    EXPECT_EQ(exported.file, "3.png");
    EXPECT_TRUE(FilesBelow(out.path()).empty());

    std::string folder;
    const int empty = library.CreateAnimation(folder);
    EXPECT_EQ(library.ExportGif(empty, out.path() + "x.gif").status, LibraryStatus::kNoFrames);
}

TEST_F(LibraryTest, ClearingRemovesTheWholeLibraryOfTheModel) {
    InstallFactoryGif("twelve_frames.gif");
    library.CreateDefaultLibrary();
    ASSERT_TRUE(library.ImportGif(ScreenFixture("still.gif")).Ok());
    WriteFile(dataFolder() + "led/Other Model/keep.txt", "x");

    library.ClearLibrary();
    EXPECT_FALSE(fs::exists(LibraryRoot()));
    EXPECT_TRUE(fs::exists(dataFolder() + "led/Other Model/keep.txt"));
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
    EXPECT_EQ(CountRows("t_ledframe_data"), 0);
    // Loading again makes the default library anew.
    EXPECT_EQ(library.CreateDefaultLibrary(), 1);
}

}  // namespace
}  // namespace zanvor::test
