// The npm package openrgb-sdk's own example scripts (rainbow and breathing), unchanged, run for
// a few seconds against the hub on a virtual keyboard: the keyboard's live frames must show
// the colours each script computes.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "app/DevicePages.h"
#include "app/SimSession.h"
#include "lighting/LightRows.h"
#include "serve/KeyboardHub.h"

namespace zanvor::test {
namespace {

std::string ClientFolder() {
    return std::string(ZANVOR_SOURCE_DIR) + "/tests/serve/client";
}

class ExampleScriptsTest : public SimSessionTest {
  protected:
    void SetUp() override {
        SimSessionTest::SetUp();
        if (std::system("node --version > /dev/null 2>&1") != 0) {
            GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
        }
        if (!std::filesystem::exists(ClientFolder() + "/node_modules/openrgb-sdk/examples")) {
            GTEST_SKIP() << "the npm package openrgb-sdk is not installed in " << ClientFolder()
                         << " (scripts/setup installs it)";
        }
        Start("101:cable");
        dialog->deviceList.ClickDevice(101);
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(dialog->session.ConnectionRead());
        dialog->Pages().lighting.SetWriteDelay(std::chrono::milliseconds(0));
        keyboard = sim->Keyboard(101);
        hub = std::make_unique<KeyboardHub>(*dialog);
        SdkServerOptions options;
        options.port = 0;
        std::string error;
        ASSERT_TRUE(hub->Start(options, &error)) << error;
        leds = hub->Controllers().at(0).leds;
        map = dialog->session.LightMap();
    }
    void TearDown() override {
        hub.reset();
        SimSessionTest::TearDown();
    }

    // Runs an example for `seconds` while the UI thread is pumped; every distinct live frame
    // the keyboard held meanwhile, as the colours of the key LEDs (LED index order).
    std::vector<std::vector<uint32_t>> RunExample(const std::string& script, int seconds) {
        const std::string command =
            "cd '" + ClientFolder() + "' && ZANVOR_SDK_PORT=" + std::to_string(hub->Port()) +
            " timeout " + std::to_string(seconds) +
            " node -r ./redirect.js node_modules/openrgb-sdk/examples/" + script + " 2>&1";
        std::string output;
        std::atomic<bool> done{false};
        std::thread runner([&] {
            FILE* pipe = popen(command.c_str(), "r");
            if (pipe != nullptr) {
                char buffer[4096];
                size_t n = 0;
                while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
                    output.append(buffer, n);
                }
                pclose(pipe);
            }
            done = true;
        });
        std::set<std::vector<uint32_t>> seen;
        std::vector<std::vector<uint32_t>> frames;
        while (!done.load()) {
            dialog->PumpMessages();
            if (keyboard->EffectFramesCompleted() > 0) {
                std::vector<uint32_t> keys = KeyColours(keyboard->LastEffectFrame());
                if (!keys.empty() && seen.insert(keys).second) {
                    frames.push_back(std::move(keys));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        runner.join();
        EXPECT_EQ(output, "") << script << " said something";
        return frames;
    }

    // The colour each key LED shows in a live frame (R, G, B at three times its position),
    // 0x00BBGGRR; LEDs the keyboard has no position for are left out.
    std::vector<uint32_t> KeyColours(const std::vector<uint8_t>& frame) const {
        std::vector<uint32_t> colours;
        for (const SdkLed& led : leds) {
            const int position = map.LedOf(static_cast<int>(led.value));
            if (position < 0) {
                continue;
            }
            const size_t at = 3 * static_cast<size_t>(position);
            if (at + 2 >= frame.size()) {
                return {};
            }
            colours.push_back(MakeColor(frame[at], frame[at + 1], frame[at + 2]));
        }
        return colours;
    }
    // The indexes (into the description's LEDs) of the LEDs KeyColours lists.
    std::vector<size_t> KeyLedIndexes() const {
        std::vector<size_t> indexes;
        for (size_t i = 0; i < leds.size(); ++i) {
            if (map.LedOf(static_cast<int>(leds[i].value)) >= 0) {
                indexes.push_back(i);
            }
        }
        return indexes;
    }

    std::shared_ptr<VirtualKeyboard> keyboard;
    std::unique_ptr<KeyboardHub> hub;
    std::vector<SdkLed> leds;
    LightPositionMap map;
};

bool Near(int a, int b) {
    return std::abs(a - b) <= 1;
}

TEST_F(ExampleScriptsTest, RainbowMovesTheScriptsRainbowAcrossTheKeys) {
    const std::vector<std::vector<uint32_t>> frames = RunExample("rainbow.js", 4);
    const std::vector<size_t> indexes = KeyLedIndexes();
    ASSERT_GT(indexes.size(), 60u);
    // The script's colour of LED i at step `offset`.
    const auto rainbow = [](size_t i, int offset, double phase) {
        const double f = 0.3;
        return static_cast<int>(
            std::lround(std::sin(f * static_cast<double>(i) - offset * f - phase) * 127 + 128));
    };
    std::set<int> steps;
    for (const std::vector<uint32_t>& keys : frames) {
        for (int offset = 0; offset < 100; ++offset) {
            bool match = true;
            // The script paints the first 120 LEDs; the others keep their colours.
            for (size_t k = 0; k < indexes.size() && indexes[k] < 120 && match; ++k) {
                const uint32_t c = keys[k];
                match = Near(RedOf(c), rainbow(indexes[k], offset, 0)) &&
                        Near(GreenOf(c), rainbow(indexes[k], offset, 2)) &&
                        Near(BlueOf(c), rainbow(indexes[k], offset, 4));
            }
            if (match) {
                steps.insert(offset);
                break;
            }
        }
    }
    // About ten steps a second for four seconds, less start-up and a loaded machine.
    EXPECT_GE(steps.size(), 5u) << frames.size() << " frames seen, " << leds.size() << " LEDs";
}

TEST_F(ExampleScriptsTest, BreathingFadesEveryKeyInRedAndOut) {
    const std::vector<std::vector<uint32_t>> frames = RunExample("breathing.js", 4);
    std::set<int> levels;
    for (const std::vector<uint32_t>& keys : frames) {
        ASSERT_FALSE(keys.empty());
        for (const uint32_t c : keys) {
            ASSERT_EQ(c, keys.front()) << "every key shows the same colour";
        }
        EXPECT_EQ(GreenOf(keys.front()), 0);
        EXPECT_EQ(BlueOf(keys.front()), 0);
        levels.insert(RedOf(keys.front()));
    }
    EXPECT_GE(levels.size(), 10u);
    ASSERT_FALSE(levels.empty());
    EXPECT_GE(*levels.rbegin(), 200) << "the breath reaches nearly full red";
}

}  // namespace
}  // namespace zanvor::test
