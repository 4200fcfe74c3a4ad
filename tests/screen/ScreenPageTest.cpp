// The screen page driven as a user would: the library list and slot view after loading,
// new, delete and select, unsaved changes, saving, and profile refreshes and resets.

#include <filesystem>

#include "ScreenPageFixture.h"
#include "screen/PngFile.h"
#include "screen/TimeNames.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ScreenPageTest, FirstLoadShowsTheFactoryAnimationInTheSlotOnly) {
    InstallFactoryGif("twelve_frames.gif");
    LoadPage();

    EXPECT_EQ(models().library.GetItemCount(), 0);
    const auto slots = models().screenSlots.GetItems();
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].image, dataFolder() + "default_led/" + kModel + "/0.png");
    EXPECT_EQ(slots[0].firstText, Text(871) + " 12");
    EXPECT_EQ(slots[0].secondText, Text(872) + " 256");
    EXPECT_EQ(models().screenSlots.GetCurSel(), 0);
    EXPECT_EQ(state().currentAnimation, 0);
    EXPECT_FALSE(models().state.EditingEnabled());
    EXPECT_EQ(CountRows("t_ledframe_data"), 12);

    // The palette comes from the profile's configuration values.
    EXPECT_EQ(models().palette[0].GetColor(), 8331093u);
    EXPECT_EQ(models().palette[5].GetColor(), 14237951u);
}

TEST_F(ScreenPageTest, LibraryListsUserAnimationsAndShowsTheFirst) {
    InstallFactoryGif("still.gif");
    LoadPage();  // the factory animation gets id 1
    const int first = StoreAnimation("varied_delays.gif");
    const int second = StoreAnimation("twelve_frames.gif");
    Reload();

    const auto items = models().library.GetItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].ledId, first);
    EXPECT_EQ(items[0].frameCount, 5);
    EXPECT_EQ(items[1].ledId, second);
    EXPECT_TRUE(fs::exists(items[0].preview));
    EXPECT_EQ(models().library.GetCurSel(), 0);
    EXPECT_EQ(state().currentAnimation, first);
    EXPECT_TRUE(models().state.EditingEnabled());
    EXPECT_EQ(FrameNames(),
              (std::vector<std::string>{"0.png", "1.png", "2.png", "3.png", "4.png"}));
    EXPECT_EQ(models().frames.GetCurSel(), 0);
    EXPECT_TRUE(models().editor.HasImage());

    models().library.Select(1);
    EXPECT_EQ(state().currentAnimation, second);
    EXPECT_EQ(models().frames.GetItemCount(), 12);
}

TEST_F(ScreenPageTest, NewAnimationIsListedCurrentAndAsksForPicturesWhenChosen) {
    LoadPage();
    Click(kIdScreenNew);
    ASSERT_EQ(models().library.GetItemCount(), 1);
    const int id = models().library.GetItemLEDId(0);
    EXPECT_EQ(state().currentAnimation, id);
    EXPECT_EQ(models().library.GetCurSel(), 0);
    EXPECT_TRUE(models().state.EditingEnabled());
    EXPECT_TRUE(IsTimeName(library.Animation(id).file_dir));
    EXPECT_TRUE(Shown("open").empty());

    // Choosing an animation without frames opens the picture dialog at once.
    Click(kIdScreenNew);
    dialogs.QueueFiles({ScreenFixture("still.gif")});
    models().library.Select(0);
    EXPECT_EQ(Shown("open").size(), 1u);
    EXPECT_EQ(models().frames.GetItemCount(), 1);
    EXPECT_TRUE(state().unsaved);
}

TEST_F(ScreenPageTest, DeletingSelectsTheEntryBeforeOrTheNewFirst) {
    LoadPage();
    const int a = StoreAnimation("still.gif");
    const int b = StoreAnimation("still.gif");
    const int c = StoreAnimation("still.gif");
    Reload();

    models().library.Select(1);  // b
    dialogs.QueueAnswer(false);
    Click(kIdScreenDelete);
    EXPECT_EQ(models().library.GetItemCount(), 3);
    EXPECT_EQ(Shown("question"), (std::vector<std::string>{Pair(836, 835)}));

    dialogs.QueueAnswer(true);
    Click(kIdScreenDelete);
    EXPECT_EQ(models().library.GetItemLEDId(models().library.GetCurSel()), a);
    EXPECT_EQ(state().currentAnimation, a);

    dialogs.QueueAnswer(true);
    Click(kIdScreenDelete);  // a was the first: the new first (c) is selected
    EXPECT_EQ(models().library.GetCurSel(), 0);
    EXPECT_EQ(state().currentAnimation, c);
    EXPECT_EQ(models().frames.GetItemCount(), 1);
    EXPECT_EQ(library.Animation(a).led_id, 0);
    EXPECT_EQ(library.Animation(b).led_id, 0);

    dialogs.QueueAnswer(true);
    Click(kIdScreenDelete);
    EXPECT_EQ(state().currentAnimation, 0);
    EXPECT_EQ(models().frames.GetItemCount(), 0);
    EXPECT_FALSE(models().state.EditingEnabled());
    EXPECT_TRUE(FilesBelow(LibraryRoot()).empty());
}

TEST_F(ScreenPageTest, SavingAfterDeletingFrameTwoOfFiveStoresFourDenseRows) {
    LoadPage();
    const int id = StoreAnimation("varied_delays.gif");
    Reload();

    models().frames.Select(2);
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);
    EXPECT_EQ(Shown("question"), (std::vector<std::string>{Pair(843, 844)}));
    EXPECT_EQ(models().frames.GetCurSel(), 2);  // the frame now at the same place
    EXPECT_TRUE(state().unsaved);

    Click(kIdScreenSave);
    EXPECT_FALSE(state().unsaved);
    // The frame being worked on stays chosen and shown.
    EXPECT_EQ(models().frames.GetCurSel(), 2);
    EXPECT_EQ(state().currentFrame, 2);
    ScreenImage chosen;
    ScreenImage first;
    ASSERT_TRUE(ReadPng(models().frames.GetItemImageFile(2), chosen));
    ASSERT_TRUE(ReadPng(models().frames.GetItemImageFile(0), first));
    ASSERT_NE(chosen, first);
    EXPECT_EQ(models().editor.Image(), chosen);
    EXPECT_EQ(Rows("SELECT file_name, frame_index FROM t_ledframe_data WHERE led_id = " +
                   std::to_string(id) + " ORDER BY frame_index"),
              (std::vector<std::vector<std::string>>{
                  {"0.png", "0"}, {"1.png", "1"}, {"3.png", "2"}, {"4.png", "3"}}));
    EXPECT_EQ(Rows("SELECT frame_size FROM t_ledlayer_data WHERE led_id = " + std::to_string(id)),
              (std::vector<std::vector<std::string>>{{"4"}}));
    EXPECT_EQ(models().library.GetItemFrameSize(0), 4);
}

// A name typed for a library entry is stored, shown, kept over a reload and offered as the
// export's file name; blanks around it go, and an empty name makes the entry unnamed again.
TEST_F(ScreenPageTest, LibraryEntriesCanBeNamed) {
    LoadPage();
    const int id = StoreAnimation("varied_delays.gif");
    Reload();
    EXPECT_EQ(models().library.GetItem(0)->text, "");

    struct Case {
        std::string typed;
        std::string shown;
    };
    const Case cases[] = {{"  Rain / night \n", "Rain / night"}, {"Snow", "Snow"}, {"   ", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        models().library.RequestRename(0, c.typed);
        EXPECT_EQ(models().library.GetItem(0)->text, c.shown);
        Reload();
        EXPECT_EQ(models().library.GetItem(0)->text, c.shown) << "kept in the database";
        EXPECT_EQ(ScreenLibrary::GivenName(library.Animation(id)), c.shown);
    }
    EXPECT_EQ(library.Animation(id).name, library.Animation(id).file_dir);

    models().library.RequestRename(0, "Rain/night");
    dialogs.QueueFile(std::nullopt);
    Click(kIdScreenExport);
    EXPECT_EQ(Shown("save"), (std::vector<std::string>{" | Rain-night.gif"}));
}

TEST_F(ScreenPageTest, FrameMessagesWithNothingToWorkOn) {
    LoadPage();
    Click(kIdScreenNew);
    Click(kIdScreenCopyFrame);
    Click(kIdScreenDeleteFrame);
    Click(kIdScreenAddText);
    EXPECT_EQ(Shown("message"),
              (std::vector<std::string>{Pair(840, 842), Pair(845, 844), Pair(839, 838)}));
    EXPECT_FALSE(state().unsaved);
}

TEST_F(ScreenPageTest, UnsavedChangesAreSavedOrDroppedAsTheUserAnswers) {
    LoadPage();
    const int first = StoreAnimation("varied_delays.gif");
    const int second = StoreAnimation("still.gif");
    Reload();

    // Declined: the deleted frame is back when the animation is shown again.
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);
    dialogs.QueueAnswer(false);
    models().library.Select(1);
    EXPECT_EQ(Shown("question").back(), Pair(831, 830));
    EXPECT_EQ(state().currentAnimation, second);
    EXPECT_FALSE(state().unsaved);
    models().library.Select(0);
    EXPECT_EQ(models().frames.GetItemCount(), 5);

    // Accepted: the first animation is saved before the second is shown.
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);
    dialogs.QueueAnswer(true);
    models().library.Select(1);
    EXPECT_EQ(store.CountLedFrames(first), 4);
    EXPECT_EQ(models().library.GetItemFrameSize(0), 4);
    EXPECT_EQ(models().library.GetCurSel(), 1);
}

TEST_F(ScreenPageTest, CommandsCheckUnsavedChangesFirst) {
    LoadPage();
    const int id = StoreAnimation("varied_delays.gif");
    Reload();
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);

    // Dropping the edit before "new" puts the frames back as stored.
    dialogs.QueueAnswer(false);
    Click(kIdScreenNew);
    EXPECT_EQ(store.CountLedFrames(id), 5);
    models().library.Select(0);
    EXPECT_EQ(models().frames.GetItemCount(), 5);
}

TEST_F(ScreenPageTest, AProfileRefreshKeepsUnsavedEditsAResetStartsAfresh) {
    InstallFactoryGif("still.gif");
    LoadPage();
    StoreAnimation("varied_delays.gif");
    Reload();
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);

    // Another profile: its palette is shown, the edits stay.
    store.UpdateConfigValue(profileId, "default_color1", "255");
    LoadPage();
    EXPECT_TRUE(state().unsaved);
    EXPECT_EQ(models().frames.GetItemCount(), 4);
    EXPECT_EQ(models().palette[0].GetColor(), 255u);

    // The factory reset removes the library and makes the default one again.
    Reset();
    EXPECT_EQ(models().library.GetItemCount(), 0);
    EXPECT_FALSE(state().unsaved);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 1);
    EXPECT_EQ(FilesBelow(LibraryRoot()).size(), 2u);  // the factory folder and its frame
}

TEST_F(ScreenPageTest, LibraryChangedByTheCommandLineShowsWithoutLosingEdits) {
    LoadPage();
    const int first = StoreAnimation("varied_delays.gif");
    Reload();
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);

    // Another animation arrives: listed, while the frames being edited stay.
    const int second = StoreAnimation("still.gif");
    page->OnWindowMessage(kMsgScreenLibrary, kLibraryChanged, 0);
    ASSERT_EQ(models().library.GetItemCount(), 2);
    EXPECT_EQ(models().library.GetItemLEDId(models().library.GetCurSel()), first);
    EXPECT_EQ(models().frames.GetItemCount(), 4);
    EXPECT_TRUE(state().unsaved);

    // The animation shown is deleted: the first remaining one is shown.
    ASSERT_TRUE(library.DeleteAnimation(first).Ok());
    page->OnWindowMessage(kMsgScreenLibrary, kLibraryChanged, 0);
    EXPECT_EQ(models().library.GetItemCount(), 1);
    EXPECT_EQ(state().currentAnimation, second);
    EXPECT_FALSE(state().unsaved);
    EXPECT_EQ(models().frames.GetItemCount(), 1);
}

TEST_F(ScreenPageTest, AFolderDeletedBehindTheProgramShowsTheAnimationAsMissing) {
    LoadPage();
    StoreAnimation("varied_delays.gif");
    fs::remove_all(LibraryRoot());
    Reload();

    const auto items = models().library.GetItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].missing);
    EXPECT_TRUE(items[0].preview.empty());
    EXPECT_FALSE(models().state.EditingEnabled());
    // Its frames list as empty pictures; saving says why it cannot.
    EXPECT_EQ(models().frames.GetItemCount(), 5);
    dialogs.QueueAnswer(true);
    Click(kIdScreenDeleteFrame);
    Click(kIdScreenSave);
    EXPECT_EQ(Shown("message").back(), Text(1660) + " | " + Text(819));
    EXPECT_FALSE(fs::exists(LibraryRoot()));
}

TEST_F(ScreenPageTest, AModelWithoutScreenHasNoSlotsAndNoLibrary) {
    InstallFactoryGif("still.gif");
    library.SetPlace(LibraryPlace{});
    ScreenPageHooks hooks;
    hooks.place = [this] {
        LibraryPlace place = Place();
        place.format = ScreenFormat{};
        return place;
    };
    page = std::make_unique<ScreenPage>(store, dialogs, poster, session, hooks);
    LoadPage();
    EXPECT_EQ(models().screenSlots.GetItemCount(), 0);
    EXPECT_EQ(models().library.GetItemCount(), 0);
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
}

}  // namespace
}  // namespace zanvor::test
