// The matrix screen end to end on a virtual keyboard of type 102: the tab follows what the
// keyboard reports, the live mode streams frames on the worker's idle pass (and only then keeps
// the worker awake), and an audio preset follows real sound played into a private sound server.

#include <gtest/gtest.h>

#include <algorithm>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "lighting/KeyboardAudio.h"
#include "lighting/MatrixPage.h"
#include "support/SoundServer.h"
#include "ui/MainView.h"

namespace zanvor::test {
namespace {

using namespace std::chrono_literals;

class MatrixStreamTest : public SimSessionTest {
  protected:
    void Open(const std::string& selection, int deviceType) {
        Start(selection);
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(dialog->session.deviceOnline.load());
        keyboard = sim->Keyboard(deviceType);
        ASSERT_TRUE(keyboard);
    }
    MatrixPage& Page() { return dialog->Pages().matrix; }
    // The user picks an entry of a list by its value.
    static void ChooseData(ComboBox& list, int data) {
        const std::vector<ComboItem> items = list.GetItems();
        const auto it = std::find_if(items.begin(), items.end(),
                                     [data](const ComboItem& item) { return item.data == data; });
        ASSERT_NE(it, items.end()) << data;
        list.Choose(static_cast<int>(it - items.begin()));
    }
    bool FramesArrive(int count) {
        const int start = keyboard->MatrixFramesCompleted();
        return Eventually([&] { return keyboard->MatrixFramesCompleted() >= start + count; });
    }
    // LEDs lit in the last frame the keyboard received.
    int LitLeds() {
        const std::vector<uint8_t> frame = keyboard->BlockData(0x3C);
        int lit = 0;
        for (size_t n = 0; n + 1 < frame.size(); n += 2) {
            lit += (frame[n] | frame[n + 1]) != 0 ? 1 : 0;
        }
        return lit;
    }

    std::shared_ptr<VirtualKeyboard> keyboard;
};

TEST_F(MatrixStreamTest, TheLiveModeStreamsOnTheIdlePassOnlyWhileItIsChosen) {
    Open("101:cable,102:cable", 102);
    EXPECT_TRUE(dialog->mainView.TabVisible(kPageMatrix));
    EXPECT_EQ(Page().modeList.GetCount(), 8);
    dialog->mainView.SelectPage(kPageMatrix);
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());

    const int begins = keyboard->BeginCount();
    const int ends = keyboard->EndCount();
    ChooseData(Page().modeList, kMatrixModeLive);
    ASSERT_TRUE(FramesArrive(5));
    EXPECT_TRUE(dialog->Registry().IdleWorkWanted());
    // The frames go inside one bracket: opened once, never closed.
    EXPECT_EQ(keyboard->BeginCount() - begins, 1);
    EXPECT_EQ(keyboard->EndCount(), ends);
    EXPECT_GT(LitLeds(), 0);

    // Other pages keep the stream.
    dialog->mainView.SelectPage(kPageKeys);
    ASSERT_TRUE(FramesArrive(3));

    ChooseData(Page().modeList, 1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());
    const int frames = keyboard->MatrixFramesCompleted();
    dialog->PostTask(kTaskSetLiveMode);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(keyboard->MatrixFramesCompleted(), frames);
    EXPECT_EQ(keyboard->BlockData(0x14)[30], 0x01);

    // Another keyboard: no matrix screen, no tab, no stream.
    ChooseData(Page().modeList, kMatrixModeLive);
    dialog->mainView.SelectPage(kPageHome);
    dialog->deviceList.ClickDevice(101);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(dialog->mainView.TabVisible(kPageMatrix));
    EXPECT_FALSE(dialog->session.liveMatrixOn.load());
}

TEST_F(MatrixStreamTest, AnAudioPresetFollowsTheSoundAndGoesDarkInSilence) {
    TempDir dir;
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    PrivateSoundServer server(folder);
    const PulseServerVariable reachesOnlyIt(server.Address());
    if (!server.Start()) {
        GTEST_SKIP() << "no PulseAudio server could be started (is pulseaudio installed?)";
    }
    const std::string tone = folder + "/tone.wav";
    WriteSineWav(tone, 440, 3.0);

    Open("102:cable", 102);
    dialog->mainView.SelectPage(kPageMatrix);
    ChooseData(Page().modeList, kMatrixModeLive);
    ChooseData(Page().presetList, 22);  // the level meter
    KeyboardAudio& audio = dialog->Pages().audio;
    ASSERT_TRUE(WaitUntil([&] { return audio.Status().capturing; }, 10s));
    ASSERT_TRUE(Eventually([&] { return LitLeds() == 0; }));

    server.Play("first", tone);
    EXPECT_TRUE(Eventually([&] { return LitLeds() > 10; }));
    server.JoinPlayer();
    EXPECT_TRUE(WaitUntil(
        [&] {
            dialog->PumpMessages();
            return LitLeds() == 0;
        },
        10s));

    // Another preset that needs no sound lets the capture go.
    ChooseData(Page().presetList, 4);
    EXPECT_FALSE(audio.Capturing());
}

}  // namespace
}  // namespace zanvor::test
