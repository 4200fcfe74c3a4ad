// Capture from a real sound server: a private PulseAudio server with null sinks, played into
// with paplay. Checks that the features follow what is played, that capture follows the
// default sink, and that the program survives the server going away and finds it again.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "lighting/KeyboardAudio.h"
#include "support/SoundServer.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using namespace std::chrono_literals;
using test::WaitUntil;

int BandOf440() {
    const int bin = static_cast<int>(std::lround(440.0 * kSpectrumSize / 48000));
    for (int j = 63; j >= 0; --j) {
        const double a = j / 64.0;
        if (static_cast<int>(a * a * a * kSpectrumBins) <= bin) {
            return j;
        }
    }
    return 0;
}

int Loudest(const AudioFeatureSnapshot& f) {
    return static_cast<int>(std::max_element(f.bands64.begin(), f.bands64.end()) -
                            f.bands64.begin());
}

TEST(RealCaptureTest, FollowsTheDefaultSinkAndSurvivesTheServer) {
    test::TempDir dir;
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    test::PrivateSoundServer server(folder);
    const test::PulseServerVariable reachesOnlyIt(server.Address());
    if (!server.Start()) {
        GTEST_SKIP() << "no PulseAudio server could be started (is pulseaudio installed?)";
    }
    const std::string tone = folder + "/tone.wav";
    test::WriteSineWav(tone, 440, 4.0);

    KeyboardAudio audio;
    audio.Use(KeyboardAudio::kUserMonitor, true);
    ASSERT_TRUE(WaitUntil([&] { return audio.Status().capturing; }, 10s));
    EXPECT_EQ(audio.Status().device, "first");
    EXPECT_TRUE(audio.Status().followsDefault);

    // What is played into the default sink arrives with its level and its spectrum.
    server.Play("first", tone);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const AudioFeatureSnapshot f = audio.Snapshot();
            return f.level > 0.5f && Loudest(f) == BandOf440();
        },
        10s));
    server.JoinPlayer();

    // A new default sink: capture moves to it.
    ASSERT_TRUE(server.Pactl({"load-module", "module-null-sink", "sink_name=second"}));
    ASSERT_TRUE(server.Pactl({"set-default-sink", "second"}));
    ASSERT_TRUE(WaitUntil(
        [&] { return audio.Status().device == "second" && audio.Status().capturing; }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return audio.Snapshot().level == 0.0f; }, 10s));
    server.Play("second", tone);
    EXPECT_TRUE(WaitUntil([&] { return audio.Snapshot().level > 0.5f; }, 10s));
    server.JoinPlayer();

    std::vector<AudioDevice> devices;
    ASSERT_TRUE(audio.ListDevices(devices));
    const auto second = std::find_if(devices.begin(), devices.end(),
                                     [](const AudioDevice& d) { return d.name == "second"; });
    ASSERT_NE(second, devices.end());
    EXPECT_TRUE(second->sink);
    EXPECT_TRUE(second->isDefault);

    // The server goes away: nothing is captured, the features fall silent, nothing crashes.
    server.Kill();
    EXPECT_TRUE(WaitUntil([&] { return !audio.Status().serverConnected; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return audio.Snapshot().level == 0.0f; }, 10s));
    const uint64_t polls = audio.Snapshot().polls;
    EXPECT_TRUE(WaitUntil([&] { return audio.Snapshot().polls > polls + 10; }, 5s));

    // A server comes back: capture resumes on its default sink.
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(WaitUntil(
        [&] { return audio.Status().capturing && audio.Status().device == "first"; }, 20s));
    server.Play("first", tone);
    EXPECT_TRUE(WaitUntil([&] { return audio.Snapshot().level > 0.5f; }, 10s));
    server.JoinPlayer();
    audio.Use(KeyboardAudio::kUserMonitor, false);
    EXPECT_FALSE(audio.Capturing());
}

}  // namespace
}  // namespace zanvor
