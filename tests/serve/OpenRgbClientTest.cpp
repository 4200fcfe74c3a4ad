// The hub driven by a lighting program nobody here wrote: the npm package openrgb-sdk, run by
// node against the SDK server of the program's own objects on a virtual keyboard. The client
// reads the controller list, streams Direct colours, which must reach the keyboard as live
// effect frames at the LEDs the keyboard reported, tries a built-in mode, which the keyboard
// must show while the profile keeps its own, and loads a profile by name, whose mode the
// keyboard must then show.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "app/DevicePages.h"
#include "app/SimSession.h"
#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "serve/KeyboardHub.h"
#include "store/DataStore.h"

namespace zanvor::test {
namespace {

std::string ClientFolder() {
    return std::string(ZANVOR_SOURCE_DIR) + "/tests/serve/client";
}

bool NodeFound() {
    return std::system("node --version > /dev/null 2>&1") == 0;
}

class OpenRgbClientTest : public SimSessionTest {
  protected:
    // Runs the client script while the UI thread's messages are pumped (`watch` runs after
    // each pump); its output lines.
    std::vector<nlohmann::json> RunClient(uint16_t port, size_t modeIndex,
                                          const std::string& profile, int& status,
                                          const std::function<void()>& watch) {
        const std::string command = "cd '" + ClientFolder() + "' && node drive.js " +
                                    std::to_string(port) + " " + std::to_string(modeIndex) + " '" +
                                    profile + "' 2>&1";
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
                status = pclose(pipe);
            }
            done = true;
        });
        while (!done.load()) {
            dialog->PumpMessages();
            watch();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        runner.join();
        std::vector<nlohmann::json> lines;
        std::istringstream in(output);
        for (std::string line; std::getline(in, line);) {
            const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
            if (parsed.is_discarded()) {
                ADD_FAILURE() << "client said: " << line;
            } else {
                lines.push_back(parsed);
            }
        }
        return lines;
    }
};

TEST_F(OpenRgbClientTest, ClientReadsTheKeyboardStreamsDirectColoursTriesAModeAndLoadsAProfile) {
    if (!NodeFound()) {
        GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
    }
    if (!std::filesystem::exists(ClientFolder() + "/node_modules/openrgb-sdk/package.json")) {
        GTEST_SKIP() << "the npm package openrgb-sdk is not installed in " << ClientFolder()
                     << " (scripts/setup installs it)";
    }
    Start("101:cable");
    dialog->deviceList.ClickDevice(101);
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(dialog->session.deviceOnline.load());
    ASSERT_TRUE(dialog->session.ConnectionRead());
    dialog->Pages().lighting.SetWriteDelay(std::chrono::milliseconds(0));
    std::shared_ptr<VirtualKeyboard> keyboard = sim->Keyboard(101);

    KeyboardHub hub(*dialog);
    SdkServerOptions options;
    options.port = 0;
    std::string error;
    ASSERT_TRUE(hub.Start(options, &error)) << error;
    const std::vector<SdkController> described = hub.Controllers();
    ASSERT_EQ(described.size(), 1u);
    // A built-in mode other than the one the keyboard shows.
    const int profile = dialog->session.currentProfile.load();
    const int stored = store.GetActiveLightMode(profile, kLightMain);
    size_t tried = 0;
    for (size_t i = 1; i < described[0].modes.size() && tried == 0; ++i) {
        if (described[0].modes[i].value != stored) {
            tried = i;
        }
    }
    ASSERT_NE(tried, 0u);
    // The second profile shows a third mode, neither the stored nor the tried one.
    ProfileList& profiles = dialog->Pages().profile.List();
    ASSERT_GE(profiles.GetItemCount(), 2);
    const std::string otherName = profiles.GetItemText(1);
    const int other = profiles.GetItemData(1);
    ASSERT_NE(other, profile);
    ASSERT_TRUE(EnsureDefaultLightRows(store, other, 101));
    int otherMode = 0;
    for (const SdkMode& mode : described[0].modes) {
        if (mode.value > 0 && !IsCustomMode(mode.value) && mode.value != stored &&
            mode.value != described[0].modes[tried].value) {
            otherMode = mode.value;
            break;
        }
    }
    ASSERT_NE(otherMode, 0);
    ASSERT_TRUE(store.SetActiveLightMode(other, kLightMain, otherMode));

    const auto mainModeShown = [&] {
        const std::vector<uint8_t> block = keyboard->BlockData(0x14);
        ParameterBlock parameters{};
        std::copy_n(block.begin(), std::min(block.size(), parameters.size()), parameters.begin());
        return ReadDeviceLightModes(parameters).main;
    };
    const int triedValue = described[0].modes[tried].value;
    bool triedShown = false;
    int status = -1;
    const std::vector<nlohmann::json> lines = RunClient(hub.Port(), tried, otherName, status, [&] {
        triedShown = triedShown || mainModeShown() == triedValue;
    });
    ASSERT_EQ(status, 0);
    ASSERT_EQ(lines.size(), 5u);

    const nlohmann::json& list = lines[0];
    EXPECT_EQ(list["count"], 1);
    EXPECT_EQ(list["name"], described[0].name);
    EXPECT_EQ(list["vendor"], "Zanvor");
    ASSERT_GE(list["zones"].size(), 2u);  // the keys and the light bars
    EXPECT_EQ(list["zones"][0]["name"], "Keys");
    EXPECT_EQ(list["zones"][0]["type"], kSdkZoneMatrix);
    EXPECT_EQ(list["zones"][1]["type"], kSdkZoneLinear);
    EXPECT_EQ(list["modes"][0], "Direct");
    EXPECT_EQ(list["modes"].size(), described[0].modes.size());
    EXPECT_EQ(list["leds"], described[0].leds.size());
    EXPECT_EQ(list["colors"], described[0].leds.size());

    // Every key's LED (as the keyboard reported it) got the client's colour.
    EXPECT_GE(keyboard->EffectFramesCompleted(), 1);
    const std::vector<uint8_t> frame = keyboard->LastEffectFrame();
    const LightPositionMap map = dialog->session.LightMap();
    int lit = 0;
    for (const SdkLed& led : described[0].leds) {
        const int position = map.LedOf(static_cast<int>(led.value));
        if (position < 0) {
            continue;
        }
        ASSERT_LT(static_cast<size_t>(3 * position + 2), frame.size()) << led.name;
        EXPECT_EQ(frame[3 * position], 0x12) << led.name;
        EXPECT_EQ(frame[3 * position + 1], 0x34) << led.name;
        EXPECT_EQ(frame[3 * position + 2], 0x56) << led.name;
        ++lit;
    }
    EXPECT_GT(lit, 60);

    // The tried mode reached the keyboard; the profile keeps its own.
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(triedShown);
    EXPECT_EQ(store.GetActiveLightMode(profile, kLightMain), stored);
    EXPECT_FALSE(dialog->Pages().direct.Active());

    // The client listed the profiles as the window does and loaded one by name: the keyboard
    // shows that profile's mode.
    std::vector<std::string> shown;
    for (int i = 0; i < profiles.GetItemCount(); ++i) {
        shown.push_back(profiles.GetItemText(i));
    }
    EXPECT_EQ(lines[3]["names"], shown);
    ASSERT_TRUE(Eventually([&] {
        return dialog->session.currentProfile.load() == other && mainModeShown() == otherMode;
    })) << "profile "
        << dialog->session.currentProfile.load() << " of " << other << ", mode " << mainModeShown()
        << " of " << otherMode;
    EXPECT_EQ(store.GetActiveProfile(), other);
    hub.Stop();
}

}  // namespace
}  // namespace zanvor::test
