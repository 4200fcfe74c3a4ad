// The music and aurora page end to end on a virtual keyboard: opening the page streams effect
// frames (command 0x2E) on the worker's idle pass, with every key's colour at the LED position
// the keyboard reported; the lighting page stops the stream; the mode tabs start and stop the
// music renderer; a refused frame asks for a refresh.

#include <gtest/gtest.h>

#include <fstream>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "lighting/AuroraPage.h"
#include "lighting/LightRows.h"
#include "store/DataStore.h"
#include "support/SimReports.h"
#include "ui/MainView.h"

namespace zanvor::test {
namespace {

class AuroraStreamTest : public SimSessionTest {
  protected:
    void Open(int deviceType) {
        Start(std::to_string(deviceType) + ":cable");
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(dialog->session.deviceOnline.load());
        keyboard = sim->Keyboard(deviceType);
        ASSERT_TRUE(keyboard);
    }
    AuroraPage& Page() { return dialog->Pages().aurora; }

    // The LED position the keyboard reported for each key code: its 0x32 table by key index.
    std::map<int, int> ReportedLeds() {
        const std::vector<uint8_t> table = keyboard->BlockData(0x32);
        std::map<int, int> leds;
        const KeyMaps maps = dialog->session.KeyMapsCopy();
        for (const auto& [code, index] : maps.codeToKeyIndex) {
            if (index >= 0 && index < static_cast<int>(table.size()) && table[index] != 0xFF) {
                leds[code] = table[index];
            }
        }
        return leds;
    }

    bool FramesArrive(int count) {
        const int start = keyboard->EffectFramesCompleted();
        return Eventually([&] { return keyboard->EffectFramesCompleted() >= start + count; });
    }

    std::shared_ptr<VirtualKeyboard> keyboard;
};

TEST_F(AuroraStreamTest, MusicModeStreamsTheBackgroundToEveryKeysLed) {
    Open(103);
    // Foreground "effect colours" with silence draws nothing over a yellow background: every
    // key shows yellow at 100 % (255 x 254 / 256 = 253), whatever the sound card plays.
    ASSERT_TRUE(Page().SetBackType(kFillYellow));
    ASSERT_TRUE(Page().SetForeType(kFillNone));
    ASSERT_TRUE(Page().SetBackBrightness(100));
    EXPECT_EQ(keyboard->EffectFramesCompleted(), 0);

    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(5));
    // Wait for a frame drawn from the yellow picture (the renderer starts with the page).
    const std::map<int, int> leds = ReportedLeds();
    ASSERT_FALSE(leds.empty());
    const int someLed = leds.begin()->second;
    ASSERT_TRUE(Eventually([&] {
        const std::vector<uint8_t> frame = keyboard->LastEffectFrame();
        return frame.size() > static_cast<size_t>(3 * someLed + 2) && frame[3 * someLed] == 0xFD;
    }));

    const std::vector<uint8_t> frame = keyboard->LastEffectFrame();
    const size_t items = dialog->auroraEffect.ItemCount();
    EXPECT_EQ(frame.size(), (items + 2) * 3);
    std::set<int> lit;
    for (const auto& [code, led] : leds) {
        if (static_cast<size_t>(3 * led + 2) >= frame.size()) {
            continue;
        }
        lit.insert(led);
        EXPECT_EQ(frame[3 * led], 0xFD) << "key " << code << " LED " << led;
        EXPECT_EQ(frame[3 * led + 1], 0xFD) << "key " << code << " LED " << led;
        EXPECT_EQ(frame[3 * led + 2], 0x00) << "key " << code << " LED " << led;
    }
    for (size_t p = 0; p < frame.size() / 3; ++p) {
        if (!lit.count(static_cast<int>(p))) {
            EXPECT_EQ(frame[3 * p], 0) << "LED " << p << " belongs to no key";
        }
    }
    // The stream is framed by begin and end, and the rows went to the database.
    EXPECT_GT(keyboard->EndCount(), keyboard->EffectFramesCompleted());
    MusicLayerData row;
    ASSERT_TRUE(store.GetMusicLayer(dialog->session.currentProfile.load(), row));
    EXPECT_EQ(row.foremode, kFillNone);
    EXPECT_EQ(row.backmode, kFillYellow);
}

TEST_F(AuroraStreamTest, LightingPageStopsTheStreamAndTheAuroraPageStartsIt) {
    Open(103);
    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(3));
    EXPECT_TRUE(Page().Audio().Capturing());

    // Other pages keep the stream going.
    dialog->mainView.SelectPage(kPageKeys);
    ASSERT_TRUE(FramesArrive(3));

    dialog->mainView.SelectPage(kPageLighting);
    ASSERT_FALSE(dialog->session.liveEffectOn.load());
    EXPECT_FALSE(Page().Audio().Capturing());
    EXPECT_FALSE(Page().Renderer().Active());
    // Whatever pass was running has ended once a task posted now has run.
    dialog->PostTask(kTaskSetLiveMode);
    ASSERT_TRUE(WaitIdle());
    const int frames = keyboard->EffectFramesCompleted();
    dialog->PostTask(kTaskSetLiveMode);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(keyboard->EffectFramesCompleted(), frames);

    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(3));
}

TEST_F(AuroraStreamTest, LeavingForTheLightingPageSendsTheLightModeAfterTheLastFrame) {
    Open(103);
    // A built-in mode: the lighting page itself writes nothing when it comes on screen.
    const int mode = dialog->session.light.mode.load();
    ASSERT_FALSE(IsCustomMode(mode));
    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(3));
    const std::vector<uint8_t> before = keyboard->BlockData(0x15);

    dialog->mainView.SelectPage(kPageLighting);
    ASSERT_TRUE(WaitIdle());
    // The parameter block (0x15) goes out after the last effect frame, so the keys show the
    // light mode again instead of the last music frame.
    const std::vector<uint8_t> commands = CommandBytes(ReceivedCommands(sim->Reports()));
    const auto lastFrame = std::find(commands.rbegin(), commands.rend(), 0x2E);
    const auto lastBlock = std::find(commands.rbegin(), commands.rend(), 0x15);
    ASSERT_NE(lastFrame, commands.rend());
    ASSERT_NE(lastBlock, commands.rend()) << "no light mode was sent";
    EXPECT_LT(lastBlock - commands.rbegin(), lastFrame - commands.rbegin());
    const std::vector<uint8_t> after = keyboard->BlockData(0x15);
    ASSERT_GT(after.size(), 2u);
    EXPECT_EQ(after[2], before[2]) << "the same mode as before the stream";
}

TEST_F(AuroraStreamTest, ModeTabsStopAndRestartTheRendererAndAreStoredPerProfile) {
    Open(103);
    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(1));
    Visualizer& renderer = Page().Renderer();
    EXPECT_TRUE(renderer.Active());
    ASSERT_TRUE(Eventually([&] { return renderer.FramesDrawn() > 2; }));

    Page().modeTabs.Choose(1);  // ripple
    EXPECT_FALSE(renderer.Active());
    EXPECT_EQ(dialog->auroraEffect.GetAuroraMode(), kAuroraModeRipple);
    std::string stored;
    ASSERT_TRUE(store.GetConfigValue(dialog->session.currentProfile.load(), "aurora_mode", stored));
    EXPECT_EQ(stored, "2");
    ASSERT_TRUE(FramesArrive(2));  // the effect control's own colours keep streaming

    Page().modeTabs.Choose(0);  // music again
    EXPECT_TRUE(renderer.Active());
    const uint64_t drawn = renderer.FramesDrawn();
    EXPECT_TRUE(Eventually([&] { return renderer.FramesDrawn() > drawn + 2; }));
}

TEST_F(AuroraStreamTest, ARefusedFrameAsksForARefreshAndTheNextFrameIsSentAnyway) {
    Open(103);
    dialog->mainView.SelectPage(kPageAurora);
    ASSERT_TRUE(FramesArrive(2));
    sim->RefuseCommand(0x2E, true);
    ASSERT_TRUE(Eventually([&] { return Page().FramesFailed() > 0; }));
    EXPECT_TRUE(Page().refreshWanted.load());
    sim->RefuseCommand(0x2E, false);
    ASSERT_TRUE(FramesArrive(2));
}

TEST_F(AuroraStreamTest, ProfileChangeLoadsItsMusicLayerAndMode) {
    Open(103);
    const int first = dialog->session.currentProfile.load();
    ASSERT_TRUE(Page().SetForeType(kFillBlue));
    ASSERT_TRUE(Page().SetAmplitude(45));
    Page().SelectMode(kAuroraModeSweep);

    // Another profile has its own row: the defaults (4, 300, 0, 100, 100) and mode 1.
    dialog->Pages().profile.List().ClickItem(1);
    ASSERT_TRUE(WaitIdle());
    ASSERT_NE(dialog->session.currentProfile.load(), first);
    EXPECT_EQ(Page().foreList.GetCurData(), 4);
    EXPECT_EQ(Page().amplitude.GetPos(), 30);
    EXPECT_EQ(Page().Renderer().Params().foreType, 4);
    EXPECT_EQ(Page().modeTabs.GetCurData(), kAuroraModeMusic);

    dialog->Pages().profile.List().ClickItem(0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Page().foreList.GetCurData(), kFillBlue);
    EXPECT_EQ(Page().amplitude.GetPos(), 45);
    EXPECT_EQ(Page().modeTabs.GetCurData(), kAuroraModeSweep);
}

}  // namespace
}  // namespace zanvor::test
