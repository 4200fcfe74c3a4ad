// The capture's poll with a scripted packet source, and the aurora page's own controls.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "device/DeviceManager.h"
#include "device/SessionState.h"
#include "lighting/AuroraPage.h"
#include "lighting/KeyboardAudio.h"
#include "lighting/SignalGenerator.h"
#include "lighting/Visualizer.h"
#include "platform/Registry.h"
#include "store/DataStore.h"
#include "support/TestHome.h"
#include "ui/AuroraEffect.h"
#include "ui/LoadText.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor {
namespace {

// Packets the test queues, handed out as a sound server would.
class ScriptedLoopback : public AudioLoopback {
  public:
    void Push(const std::vector<float>& audio, size_t framesPerPacket) {
        std::lock_guard lock(mutex_);
        for (size_t f = 0; f < audio.size() / 2; f += framesPerPacket) {
            const size_t n = std::min(framesPerPacket, audio.size() / 2 - f);
            packets_.emplace_back(audio.begin() + 2 * f, audio.begin() + 2 * (f + n));
        }
    }
    int Starts() const {
        std::lock_guard lock(mutex_);
        return starts_;
    }
    bool Started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }

    std::string Device() const {
        std::lock_guard lock(mutex_);
        return device_;
    }
    void SetDevices(std::vector<AudioDevice> devices) {
        std::lock_guard lock(mutex_);
        devices_ = std::move(devices);
    }

    void Start(const std::string& device) override {
        std::lock_guard lock(mutex_);
        ++starts_;
        started_ = true;
        device_ = device;
    }
    void SelectDevice(const std::string& device) override {
        std::lock_guard lock(mutex_);
        device_ = device;
    }
    void Stop() override {
        std::lock_guard lock(mutex_);
        started_ = false;
    }
    size_t ReadPacket(std::vector<float>& frames) override {
        std::lock_guard lock(mutex_);
        if (packets_.empty()) {
            return 0;
        }
        frames = std::move(packets_.front());
        packets_.pop_front();
        return frames.size() / 2;
    }
    int SampleRate() const override { return 48000; }
    int Channels() const override { return 2; }
    CaptureStatus Status() const override { return {}; }
    bool ListDevices(std::vector<AudioDevice>& devices) override {
        std::lock_guard lock(mutex_);
        devices = devices_;
        return !devices_.empty();
    }

  private:
    mutable std::mutex mutex_;  // guards every member below
    std::deque<std::vector<float>> packets_;
    std::vector<AudioDevice> devices_;
    std::string device_;
    int starts_ = 0;
    bool started_ = false;
};

TEST(KeyboardAudioTest, FeedsItsConsumersAndFallsSilentWhenNothingArrives) {
    auto source = std::make_unique<ScriptedLoopback>();
    ScriptedLoopback& packets = *source;
    KeyboardAudio audio(std::move(source));
    AuroraEffect effect;
    Visualizer renderer;
    int matrixCalls = 0;
    float matrixBand = 0;
    audio.SetAuroraEffect(&effect);
    audio.SetVisualizer(&renderer);
    audio.SetMatrixScreen([&](const float* bands, int count, float volume, const float*, int) {
        ++matrixCalls;
        matrixBand = bands[0];
        EXPECT_EQ(count, 7);
        EXPECT_EQ(volume, 1.0f);
    });

    // Half a second of a tone, drained in polls of whatever is waiting (10-ms packets).
    packets.Push(SineWave(440, 0.5, 48000, 2, 0.3f), 480);
    for (int poll = 0; poll < 5; ++poll) {
        audio.ReadPackets();
    }
    EXPECT_GT(effect.Audio().level, 0.5f);
    EXPECT_GT(audio.Snapshot().level, 0.5f);
    // The first poll drained everything; the next few, empty, publish nothing new.
    EXPECT_EQ(matrixCalls, 1);
    EXPECT_GT(matrixBand, 0.0f);
    renderer.ComputeBars();
    EXPECT_GT(*std::max_element(renderer.Bars().begin(), renderer.Bars().end()), 0.0f);

    // Nothing more arrives: after a short grace every poll publishes silence.
    for (int poll = 0; poll < 200; ++poll) {
        audio.ReadPackets();
    }
    EXPECT_EQ(effect.Audio().level, 0.0f);
    EXPECT_EQ(audio.Snapshot().level, 0.0f);
    EXPECT_LT(audio.Snapshot().peakHold, 0.01f);
    EXPECT_EQ(matrixCalls, 1 + (200 + 4 - KeyboardAudio::kSilentAfterPolls + 1));
}

TEST(KeyboardAudioTest, CaptureRunsWhileAnyUserNeedsIt) {
    auto source = std::make_unique<ScriptedLoopback>();
    ScriptedLoopback& packets = *source;
    KeyboardAudio audio(std::move(source));
    EXPECT_FALSE(audio.Capturing());
    audio.Use(KeyboardAudio::kUserAurora, true);
    audio.Use(KeyboardAudio::kUserMatrix, true);
    EXPECT_TRUE(audio.Capturing());
    EXPECT_EQ(packets.Starts(), 1);
    audio.Use(KeyboardAudio::kUserAurora, false);
    EXPECT_TRUE(audio.Capturing());
    EXPECT_TRUE(packets.Started());
    audio.Use(KeyboardAudio::kUserMatrix, false);
    EXPECT_FALSE(audio.Capturing());
    EXPECT_FALSE(packets.Started());
}

class AuroraPageTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        ClearLanguageCache();
        auto source = std::make_unique<ScriptedLoopback>();
        sound = source.get();
        audio = std::make_unique<KeyboardAudio>(std::move(source));
        page =
            std::make_unique<AuroraPage>(devices, store, session, poster, dialogs, effect, *audio);
    }
    void TearDown() override {
        page.reset();
        audio.reset();
        IsolatedHomeTest::TearDown();
    }
    std::string LastMessage() const {
        const auto shown = dialogs.History();
        return shown.empty() ? std::string() : shown.back().text;
    }

    struct NoPoster : TaskPoster {
        void PostTask(int) override {}
        void PostTaskIfIdle(int) override {}
        void PostWindowMessage(uint32_t, uintptr_t, intptr_t) override {}
    } poster;
    DeviceManager devices;
    DataStore store;
    SessionState session;
    ScriptedDialogs dialogs;
    AuroraEffect effect;
    ScriptedLoopback* sound = nullptr;
    std::unique_ptr<KeyboardAudio> audio;
    std::unique_ptr<AuroraPage> page;
};

TEST_F(AuroraPageTest, TheChosenSoundDeviceIsCapturedAndRemembered) {
    AudioDevice speakers;
    speakers.name = "alsa_output.speakers";
    speakers.description = "Speakers";
    speakers.sink = true;
    AudioDevice microphone;
    microphone.name = "alsa_input.mic";
    microphone.description = "Microphone";
    sound->SetDevices({speakers, microphone});
    page->RefreshAudioDevices();
    const std::vector<ComboItem> items = page->audioDevices.GetItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, LoadText("KB.DIALOG", 1793));  // "Default" follows the system
    EXPECT_EQ(items[2].text, "Microphone");

    page->audioDevices.Choose(2);
    page->OnControl(kIdAuroraAudioDevice, ComboBox::kEventSelectionChanged);
    EXPECT_EQ(ReadRegistryText(kAudioDeviceValue), "alsa_input.mic");
    page->Audio().Use(KeyboardAudio::kUserAurora, true);
    EXPECT_EQ(sound->Device(), "alsa_input.mic");

    // A new start of the program captures the remembered device and shows it chosen.
    page->Audio().Use(KeyboardAudio::kUserAurora, false);
    auto source = std::make_unique<ScriptedLoopback>();
    ScriptedLoopback* again = source.get();
    again->SetDevices({speakers, microphone});
    page.reset();
    audio = std::make_unique<KeyboardAudio>(std::move(source));
    page = std::make_unique<AuroraPage>(devices, store, session, poster, dialogs, effect, *audio);
    page->RefreshAudioDevices();
    EXPECT_EQ(page->audioDevices.GetCurSel(), 2);
    page->Audio().Use(KeyboardAudio::kUserAurora, true);
    EXPECT_EQ(again->Device(), "alsa_input.mic");
    page->Audio().Use(KeyboardAudio::kUserAurora, false);

    // "Default" again: the default playback device is followed.
    page->audioDevices.Choose(0);
    page->OnControl(kIdAuroraAudioDevice, ComboBox::kEventSelectionChanged);
    EXPECT_EQ(ReadRegistryText(kAudioDeviceValue), "");
}

TEST_F(AuroraPageTest, ColourChoiceEndsTheRainbowAndTheBoxBringsItBack) {
    EXPECT_TRUE(effect.GetMusicColorful());
    page->colour.Pick(0x00FF00);
    page->OnControl(kIdAuroraColour, ColourPicker::kEventPicked);
    EXPECT_EQ(effect.GetMusicColor(), 0x00FF00u);
    EXPECT_FALSE(effect.GetMusicColorful());
    EXPECT_FALSE(page->colourful.GetCheck());
    page->colourful.Click();
    page->OnControl(kIdAuroraColourful, SwitchButton::kEventClicked);
    EXPECT_TRUE(effect.GetMusicColorful());

    page->layerBoxes[2].Click();
    page->OnControl(kIdAuroraLayerFirst + 2, SwitchButton::kEventClicked);
    EXPECT_TRUE(effect.HasLightLayer(3));
    page->layerBoxes[0].Click();
    page->OnControl(kIdAuroraLayerFirst, SwitchButton::kEventClicked);
    EXPECT_FALSE(effect.HasLightLayer(1));
}

TEST_F(AuroraPageTest, PictureChoiceLoadsPicturesAndExplainsWhatItRefuses) {
    // A 1 x 1 BMP, 24 bits: one green pixel.
    const std::string bmp = home() + "green.bmp";
    const unsigned char bytes[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0,    0, 0,
                                   40,  0,   0,  0, 1, 0, 0, 0, 1, 0, 0,  0,    1, 0,
                                   24,  0,   0,  0, 0, 0, 4, 0, 0, 0, 0,  0,    0, 0,
                                   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0xFF, 0, 0};
    std::ofstream(bmp, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    std::ofstream(home() + "clip.mp4") << "frames";

    dialogs.QueueFile(bmp);
    page->imageButton.Click();
    page->OnControl(kIdAuroraImageButton, TextButton::kEventClicked);
    EXPECT_EQ(page->imageButton.GetCaption(), bmp);
    EXPECT_EQ(effect.GetImagePath(), bmp);
    // The dialog names the files in the user's language and adds the patterns itself.
    const std::vector<FileFilter> filters = dialogs.LastFilters();
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].description, LoadText("KB.DIALOG", 1964));
    EXPECT_EQ(filters[0].patterns.front(), "*.gif");

    const struct {
        std::string file;
        int text;
    } refused[] = {{home() + "clip.mp4", 1791}, {home() + "missing.png", 1790}};
    for (const auto& r : refused) {
        EXPECT_FALSE(page->LoadImage(r.file));
        EXPECT_EQ(LastMessage(), LoadText("KB.DIALOG", r.text)) << r.file;
        EXPECT_FALSE(LastMessage().empty());
        EXPECT_EQ(page->imageButton.GetCaption(), bmp);  // the last good picture stays
    }

    // A new start shows and plays the picture chosen last; one deleted since is left out
    // without a message.
    const auto restart = [this] {
        page.reset();
        page =
            std::make_unique<AuroraPage>(devices, store, session, poster, dialogs, effect, *audio);
        page->Initialize();
    };
    restart();
    EXPECT_EQ(page->imageButton.GetCaption(), bmp);
    EXPECT_EQ(effect.GetImagePath(), bmp);
    std::filesystem::remove(bmp);
    const size_t messages = dialogs.History().size();
    restart();
    EXPECT_EQ(page->imageButton.GetCaption(), LoadText("KB.DIALOG", 1788));
    EXPECT_EQ(effect.GetImagePath(), "");
    EXPECT_EQ(dialogs.History().size(), messages);
}

}  // namespace
}  // namespace zanvor
