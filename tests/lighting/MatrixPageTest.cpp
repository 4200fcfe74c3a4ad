// The matrix screen page over the virtual keyboard of type 102: the zone's rows, what each
// mode posts, the bytes of the mode write, the custom colours and the live frames.

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <memory>

#include "LightFixture.h"
#include "lighting/KeyboardAudio.h"
#include "lighting/MatrixPage.h"
#include "ui/PageRegistry.h"

namespace zanvor::test {
namespace {

// A sound source that never delivers anything (the page tests need no sound).
class SilentLoopback : public AudioLoopback {
  public:
    void Start(const std::string&) override {}
    void SelectDevice(const std::string&) override {}
    void Stop() override {}
    size_t ReadPacket(std::vector<float>&) override { return 0; }
    int SampleRate() const override { return 48000; }
    int Channels() const override { return 2; }
    CaptureStatus Status() const override { return {}; }
    bool ListDevices(std::vector<AudioDevice>&) override { return false; }
};

Bytes Range(const Bytes& bytes, size_t first, size_t count) {
    return Bytes(bytes.begin() + first, bytes.begin() + first + count);
}

class MatrixPageTest : public LightDeviceTest {
  protected:
    void Start(const std::function<void(VirtualKeyboardModel&)>& tweak = {}) {
        StartDevice(102, tweak);
        page = std::make_unique<MatrixPage>(*manager, store, session, poster, audio, taskDone);
        page->LoadMatrixPage();
        sim->ClearReports();
    }
    void TearDown() override {
        page.reset();
        LightDeviceTest::TearDown();
    }
    void Choose(int mode) {
        ASSERT_TRUE(page->modeList.SelectData(mode)) << mode;
        page->SelectMatrixMode(mode);
    }
    // Runs what the page posted, in order, as the worker would; returns the codes run.
    std::vector<int> RunPosted() {
        std::vector<int> ran;
        while (!poster.tasks.empty()) {
            const int code = poster.tasks.front();
            poster.tasks.erase(poster.tasks.begin());
            ran.push_back(code);
            if (code == kTaskWriteMatrixMode) {
                page->TaskWriteMatrixMode();
            } else if (code == kTaskReadMatrixColors) {
                page->TaskReadMatrixColors();
            } else if (code == kTaskWriteMatrixColors) {
                page->TaskWriteMatrixColors();
            } else {
                ADD_FAILURE() << "unexpected task " << code;
            }
        }
        return ran;
    }
    // Puts a custom colour table into the keyboard: LED n = (n, 2n, 255 - n).
    Bytes StoreKeyboardColors() {
        MatrixColorTable table{};
        for (int n = 0; n < kMatrixLedCount; ++n) {
            table[3 * n] = static_cast<uint8_t>(n);
            table[3 * n + 1] = static_cast<uint8_t>(2 * n);
            table[3 * n + 2] = static_cast<uint8_t>(255 - n);
        }
        EXPECT_TRUE(manager->WriteBlockChecked(kCommandMatrixWriteColors, table));
        sim->ClearReports();
        return Bytes(table.begin(), table.end());
    }

    RecordingPoster poster;
    KeyboardAudio audio{std::make_unique<SilentLoopback>()};
    std::atomic<bool> taskDone{false};
    std::unique_ptr<MatrixPage> page;
};

TEST_F(MatrixPageTest, ANewProfileGetsTheEightRowsWithMode0Active) {
    Start();
    std::vector<LightData> rows;
    ASSERT_EQ(store.ListLightRows(1, kLightMatrix, rows), 8);
    const std::vector<std::tuple<int, std::string, int>> expected = {
        {0, "900", 0x013}, {1, "901", 0x033}, {2, "902", 0x033}, {3, "903", 0x033},
        {4, "904", 0x033}, {5, "905", 0x131}, {6, "906", 0x131}, {0x80, "907", 0x433}};
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& [mode, name, flags] = expected[i];
        EXPECT_EQ(rows[i].mode, mode);
        EXPECT_EQ(rows[i].name, name);
        EXPECT_EQ(rows[i].config_func, flags);
        EXPECT_EQ(rows[i].brightness, 80);
        EXPECT_EQ(rows[i].speed, 3);
        EXPECT_EQ(rows[i].colorful, 1);
        EXPECT_EQ(rows[i].color_value, 0x0000FF);
    }
    EXPECT_EQ(store.GetActiveLightMode(1, kLightMatrix), 0);
    EXPECT_EQ(page->modeList.GetCount(), 8);
    EXPECT_EQ(page->modeList.GetCurData(-1), 0);
    EXPECT_FALSE(session.liveMatrixOn.load());
    EXPECT_TRUE(poster.tasks.empty());
    // The keyboard's matrix maxima set the sliders.
    EXPECT_EQ(page->brightness.GetMax(), 100);
    EXPECT_EQ(page->speed.GetMax(), 5);

    // Loading again keeps the rows.
    page->LoadMatrixPage();
    EXPECT_EQ(store.ListLightRows(1, kLightMatrix, rows), 8);
}

TEST_F(MatrixPageTest, ABuiltInModeWritesTheMatrixGroupOnly) {
    Start();
    const Bytes before = Keyboard().BlockData(0x14);
    Choose(3);
    page->SetSpeed(1);
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteMatrixMode, kTaskWriteMatrixMode}));
    const std::vector<uint8_t> commands = Commands();
    // Begin, the 0x3D announcement, the block read and written in two chunks each, end.
    EXPECT_EQ(std::vector<uint8_t>(commands.begin(), commands.begin() + 7),
              (std::vector<uint8_t>{0x10, 0x3D, 0x14, 0x14, 0x15, 0x15, 0x11}));
    const Received announce = Writes()[1];
    EXPECT_EQ(announce.length, 0x38);
    const Bytes after = Keyboard().BlockData(0x14);
    // Mode 3, brightness 80, speed byte 5 - 1, multi-colour, index 0, red.
    EXPECT_EQ(Range(after, 29, 9), (Bytes{0x00, 0x03, 0x50, 0x04, 0x01, 0x00, 0xFF, 0x00, 0x00}));
    for (size_t i = 0; i < 64; ++i) {
        if (i < 29 || i > 37) {
            EXPECT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
}

TEST_F(MatrixPageTest, BelowProtocolVersion2TheBlockIsWrittenBackUnchanged) {
    Start([](VirtualKeyboardModel& model) { model.lighting_protocol_version = 1; });
    const Bytes before = Keyboard().BlockData(0x14);
    Choose(2);
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteMatrixMode}));
    EXPECT_EQ(BlockWritten(0x15), before);
}

TEST_F(MatrixPageTest, AFailedBlockReadWritesNothingButEnds) {
    Start();
    sim->RefuseCommand(0x14, true);
    session.light.matrixMode = 2;
    EXPECT_FALSE(page->TaskWriteMatrixMode().ok);
    EXPECT_TRUE(BlockWritten(0x15).empty());
    EXPECT_EQ(Commands().back(), 0x11);
}

TEST_F(MatrixPageTest, TheCustomModeReadsItsColoursAndEachPaintWritesThem) {
    Start();
    const Bytes stored = StoreKeyboardColors();
    Choose(5);
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteMatrixMode, kTaskReadMatrixColors}));
    EXPECT_EQ(Range(Keyboard().BlockData(0x14), 30, 1), Bytes{0x05});
    const std::vector<MatrixItem> items = page->screen.GetKeyItems();
    ASSERT_EQ(items.size(), 49u);
    EXPECT_EQ(items[10].index, 10);
    EXPECT_EQ(items[10].color, MakeColor(10, 20, 245));

    page->screen.SetMatrixScreenColor(MakeColor(0x12, 0x34, 0x56));
    page->screen.PaintLed(0);
    page->screen.PaintLed(48);
    page->OnScreenPainted();
    page->screen.PaintLed(1);
    page->OnScreenPainted();
    sim->ClearReports();
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteMatrixColors, kTaskWriteMatrixColors}));
    const Bytes table = Keyboard().BlockData(0x3A);
    ASSERT_EQ(table.size(), 147u);
    for (const int led : {0, 1, 48}) {
        EXPECT_EQ(Range(table, 3 * led, 3), (Bytes{0x12, 0x34, 0x56})) << "LED " << led;
    }
    EXPECT_EQ(Range(table, 3 * 2, 3 * 46), Range(stored, 3 * 2, 3 * 46));
    // Painting in another mode writes nothing.
    Choose(1);
    poster.tasks.clear();
    page->OnScreenPainted();
    EXPECT_TRUE(poster.tasks.empty());
}

TEST_F(MatrixPageTest, AFailedColourReadShowsBlackButPaintingKeepsTheKeyboardsColours) {
    Start();
    const Bytes stored = StoreKeyboardColors();
    sim->RefuseCommand(0x3A, true);
    Choose(5);
    RunPosted();
    for (const MatrixItem& item : page->screen.GetKeyItems()) {
        EXPECT_EQ(item.color, 0u) << "LED " << item.index;
    }
    sim->RefuseCommand(0x3A, false);
    page->screen.SetMatrixScreenColor(MakeColor(0xFF, 0xFF, 0xFF));
    page->screen.PaintLed(4);
    page->OnScreenPainted();
    RunPosted();
    Bytes expected = stored;
    std::fill(expected.begin() + 12, expected.begin() + 15, 0xFF);
    EXPECT_EQ(Keyboard().BlockData(0x3A), expected);
    EXPECT_EQ(page->screen.GetKeyItems()[5].color, MakeColor(5, 10, 250));

    // When the colours cannot be read again either, nothing is written and the job says why.
    sim->RefuseCommand(0x3A, true);
    page->TaskReadMatrixColors();
    page->screen.PaintLed(6);
    sim->ClearReports();
    const TaskResult result = page->TaskWriteMatrixColors();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(BlockWritten(0x3B).empty());
}

TEST_F(MatrixPageTest, TheLiveModeWritesNoBlockAndStreamsRgb565Frames) {
    Start();
    Choose(0x80);
    EXPECT_TRUE(poster.tasks.empty()) << "no parameter block write";
    EXPECT_TRUE(session.liveMatrixOn.load());
    // A new profile stores preset 1, which the list does not offer: its first preset is shown.
    EXPECT_EQ(page->presetList.GetCurData(-1), 4);
    EXPECT_EQ(page->screen.GetPresetMode(), 4);

    ASSERT_TRUE(page->StreamMatrixFrame());
    ASSERT_TRUE(page->StreamMatrixFrame());
    // The first frame opens the bracket; later frames go inside it, with no end.
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x3C, 0x3C, 0x3C, 0x3C}));
    const MatrixFrameBytes sent = LiveFrame(page->screen.Colors());
    EXPECT_EQ(Keyboard().BlockData(0x3C), Bytes(sent.begin(), sent.end()));

    // A device job ran: the next frame opens the bracket again.
    taskDone = true;
    sim->ClearReports();
    page->StreamMatrixFrame();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x3C, 0x3C}));

    // (255, 128, 8) is 0xFC01: bytes 0x01, 0xFC for every LED.
    page->screen.SetPresetMode(kMatrixPresetPainted);
    MatrixFrame orange;
    orange.fill(MakeColor(255, 128, 8));
    page->screen.SetColors(orange);
    page->StreamMatrixFrame();
    const Bytes frame = Keyboard().BlockData(0x3C);
    ASSERT_EQ(frame.size(), 98u);
    for (size_t n = 0; n < 49; ++n) {
        EXPECT_EQ(Range(frame, 2 * n, 2), (Bytes{0x01, 0xFC})) << "LED " << n;
    }

    // A refused frame makes the next one begin again.
    sim->RefuseCommand(0x3C, true);
    EXPECT_FALSE(page->StreamMatrixFrame());
    sim->RefuseCommand(0x3C, false);
    sim->ClearReports();
    page->StreamMatrixFrame();
    EXPECT_EQ(Commands().front(), 0x10);
}

TEST_F(MatrixPageTest, NoFramesLeaveTheLiveModeOrAnotherKeyboard) {
    Start();
    Choose(0x80);
    Choose(2);
    EXPECT_FALSE(session.liveMatrixOn.load());
    RunPosted();
    sim->ClearReports();
    page->StreamMatrixFrame();
    EXPECT_TRUE(Writes().empty());

    Choose(0x80);
    session.currentDeviceType = 101;
    page->StreamMatrixFrame();
    EXPECT_TRUE(Writes().empty());
}

TEST_F(MatrixPageTest, AudioPresetsShowTheAmplitudeSliderAndTheOthersTheSpeed) {
    Start();
    Choose(0x80);
    struct Case {
        int preset;
        bool amplitude;
    };
    for (const Case c : {Case{22, true}, Case{21, false}, Case{27, true}, Case{4, false}}) {
        ASSERT_TRUE(page->presetList.SelectData(c.preset));
        page->SelectPreset(c.preset);
        EXPECT_EQ(page->amplitude.IsVisible(), c.amplitude) << c.preset;
        EXPECT_EQ(page->speed.IsVisible(), !c.amplitude) << c.preset;
        EXPECT_EQ(page->screen.GetPresetMode(), c.preset);
        std::string stored;
        store.GetConfigValue(1, kMatrixPresetKey, stored);
        EXPECT_EQ(stored, std::to_string(c.preset));
    }
    page->SetAmplitude(80);
    std::string amplitude;
    store.GetConfigValue(1, kMatrixAmplitudeKey, amplitude);
    EXPECT_EQ(amplitude, "80");

    // Reloading the profile brings back the preset and the live mode.
    session.liveMatrixOn = false;
    page->LoadMatrixPage();
    EXPECT_EQ(page->screen.GetPresetMode(), 4);
    EXPECT_TRUE(session.liveMatrixOn.load());
    // A built-in mode never shows the amplitude.
    Choose(1);
    EXPECT_FALSE(page->amplitude.IsVisible());
}

TEST_F(MatrixPageTest, TheSwitchStopsTheStreamAndWritesMode0) {
    Start();
    Choose(0x80);
    page->SetMatrixSwitch(false);
    EXPECT_FALSE(session.liveMatrixOn.load());
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteMatrixMode}));
    EXPECT_EQ(Keyboard().BlockData(0x14)[30], 0x00);
    EXPECT_EQ(store.GetActiveLightMode(1, kLightMatrix), 0x80) << "the active mark stays";

    page->SetMatrixSwitch(true);
    EXPECT_TRUE(session.liveMatrixOn.load());
    RunPosted();
    EXPECT_EQ(Keyboard().BlockData(0x14)[30], 0x80);
}

// The picture shows what the bar shows: nothing while the screen is off, whether by its mode,
// by the switch or from the start.
TEST_F(MatrixPageTest, OffPreviewsADarkBar) {
    Start();
    const auto dark = [this] {
        const MatrixFrame colors = page->screen.Colors();
        return std::all_of(colors.begin(), colors.end(), [](uint32_t c) { return c == 0; });
    };
    EXPECT_TRUE(dark()) << "mode 0 active after loading";
    Choose(3);
    EXPECT_FALSE(dark());
    Choose(0);
    EXPECT_TRUE(dark());
    Choose(3);
    page->SetMatrixSwitch(false);
    EXPECT_TRUE(dark());
    page->SetMatrixSwitch(true);
    EXPECT_FALSE(dark());
}

TEST_F(MatrixPageTest, AColourPickClearsMultiColourAndIsWrittenWhenTheQueueIsEmpty) {
    Start();
    Choose(4);
    RunPosted();
    ASSERT_TRUE(page->colorfulBox.GetCheck());
    page->OnPaletteColor(MakeColor(0, 0x80, 0xFF));
    EXPECT_FALSE(page->colorfulBox.GetCheck());
    RunPosted();
    EXPECT_EQ(Range(Keyboard().BlockData(0x14), 30, 8),
              (Bytes{0x04, 0x50, 0x02, 0x00, 0x00, 0x00, 0x80, 0xFF}));
    // Typing 300 into the red field shows 255 and uses it.
    page->red.SetText("300");
    page->OnColorFieldChanged(page->red);
    EXPECT_EQ(page->red.GetText(), "255");
    LightData row;
    ASSERT_TRUE(store.GetLightRow(1, kLightMatrix, 4, row));
    EXPECT_EQ(row.color_value, static_cast<int>(MakeColor(255, 0x80, 0xFF)));
    // While the worker is busy a colour is stored but no write queues up.
    poster.tasks.clear();
    poster.busy = true;
    page->OnPaletteColor(MakeColor(1, 2, 3));
    EXPECT_TRUE(poster.tasks.empty());
}

TEST_F(MatrixPageTest, AProfileSwitchWritesTheProfilesBuiltInMode) {
    Start();
    PageRegistry registry;
    page->Register(registry);
    EnsureMatrixRows(store, 2);
    store.SetActiveLightMode(2, kLightMatrix, 6);
    session.currentProfile = 2;
    EXPECT_TRUE(registry.RunProfileApplySteps().ok);
    EXPECT_EQ(Keyboard().BlockData(0x14)[30], 0x06);
    EXPECT_EQ(page->modeList.GetCurData(-1), 6);
}

}  // namespace
}  // namespace zanvor::test
