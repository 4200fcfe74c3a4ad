#include <gtest/gtest.h>

#include <filesystem>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "screen/ScreenModels.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;

// The screen page inside the main window, on virtual keyboards: the factory library of the
// model with a screen, the page's tab, import and export through the worker, the reset.
class ScreenFlowTest : public test::SimSessionTest {
  protected:
    static constexpr const char* kModel = "Zanvor Vista 96";

    void PickKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
    }
    ScreenPage& Screen() { return dialog->Pages().screen; }
    std::string LibraryRoot() const { return DataFolder() + "led/" + kModel + "/"; }
    static std::string Fixture(const std::string& name) {
        return std::string(ZANVOR_TEST_FIXTURES) + "/screen/" + name;
    }
    int Animations() {
        std::vector<LedLayerData> layers;
        return store.ListLedLayers(layers);
    }
};

TEST_F(ScreenFlowTest, TheModelWithAScreenGetsItsFactoryAnimationAndTheScreenTab) {
    Start("101:cable,103:cable");
    PickKeyboard(103);
    EXPECT_TRUE(dialog->mainView.TabVisible(kPageScreen));

    ScreenModels& models = Screen().Models();
    ASSERT_EQ(models.screenSlots.GetItemCount(), 1);
    EXPECT_EQ(models.screenSlots.GetItems()[0].firstText, LoadText("KB.DIALOG", 871) + " 24");
    EXPECT_TRUE(fs::exists(models.screenSlots.GetItems()[0].image));
    EXPECT_EQ(models.library.GetItemCount(), 0);
    std::vector<LedLayerData> layers;
    ASSERT_EQ(store.ListLedLayers(layers), 1);
    EXPECT_EQ(layers[0].frame_size, 24);
    EXPECT_EQ(store.CountLedFrames(layers[0].led_id), 24);
    EXPECT_TRUE(fs::exists(LibraryRoot() + layers[0].file_dir + "/23.png"));

    PickKeyboard(101);
    EXPECT_FALSE(dialog->mainView.TabVisible(kPageScreen));
}

TEST_F(ScreenFlowTest, ImportAndExportRunOnTheWorkerEvenWithoutTheKeyboard) {
    Start("103:cable");
    PickKeyboard(103);
    sim->ClearReports();

    dialogs.QueueFile(Fixture("varied_delays.gif"));
    dialog->OnMessage(kIdScreenImport, 1);
    ASSERT_TRUE(WaitIdle());
    ScreenModels& models = Screen().Models();
    ASSERT_EQ(models.library.GetItemCount(), 1);
    EXPECT_EQ(models.frames.GetItemCount(), 5);
    EXPECT_FALSE(dialogs.BusyShown());
    // The library is the program's own: nothing went to the keyboard.
    EXPECT_TRUE(sim->Reports().empty());

    sim->Unplug(103, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));
    test::TempDir out;
    dialogs.QueueFile(out.path() + "out.gif");
    dialog->OnMessage(kIdScreenExport, 1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(fs::exists(out.path() + "out.gif"));
    EXPECT_FALSE(dialogs.BusyShown());
}

TEST_F(ScreenFlowTest, TheFactoryResetClearsTheLibraryAndMakesTheDefaultOneAgain) {
    Start("103:cable");
    PickKeyboard(103);
    dialogs.QueueFile(Fixture("still.gif"));
    dialog->OnMessage(kIdScreenImport, 1);
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Animations(), 2);
    const std::string imported =
        LibraryRoot() +
        Screen().Library().Animation(Screen().Models().library.GetItemLEDId(0)).file_dir;
    ASSERT_TRUE(fs::exists(imported));

    dialogs.QueueAnswer(true);
    ASSERT_TRUE(dialog->ResetToDefaults());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Animations(), 1);
    EXPECT_FALSE(fs::exists(imported));
    EXPECT_EQ(Screen().Models().library.GetItemCount(), 0);
    EXPECT_EQ(Screen().Models().screenSlots.GetItemCount(), 1);
}

}  // namespace
}  // namespace zanvor
