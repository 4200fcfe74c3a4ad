#include <gtest/gtest.h>

#include "CliFixture.h"
#include "platform/Paths.h"

namespace zanvor {
namespace {

class LightCliTest : public test::CliTest {
  protected:
    // What the virtual keyboard of a model holds, as its saved state document has it.
    nlohmann::json KeyboardState(int deviceType) {
        const std::string text =
            test::ReadFile(home() + "state/zanvor-hub/sim-" + std::to_string(deviceType) + ".json");
        return nlohmann::json::parse(text, nullptr, false);
    }
    // The hex text of `count` bytes from `offset` of a hex field of the state.
    static std::string Hex(const nlohmann::json& field, size_t offset, size_t count) {
        return field.get<std::string>().substr(2 * offset, 2 * count);
    }
};

TEST_F(LightCliTest, BadLightArgumentsAreUsageErrorsAndMissingLightsFailures) {
    const struct {
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"--device 103 light mode main 99", 2, "no mode 99"},
        {"--device 103 light mode main Tornado", 2, "no mode Tornado"},
        {"--device 103 light mode 3 1", 2, "unknown zone"},
        {"--device 103 light mode main 128", 2, "light custom"},
        {"--device 103 light mode main 4 --brightness 999", 2, "brightness runs from 0"},
        {"--device 103 light mode main 3 --speed 0", 2, "speed runs from 1"},
        {"--device 103 light mode main Static --speed 2", 2, "no speed"},
        {"--device 103 light mode main 2 --colour 00FF00", 2, "no colour"},
        {"--device 103 light mode main 1 --colour 12345", 2, "RRGGBB"},
        {"--device 103 light custom 5", 2, "0 to 4"},
        {"--device 103 light custom 0 Nope=FF0000", 2, "Nope"},
        {"--device 103 light custom 0 Esc=GG0000", 2, "KEY=RRGGBB"},
        {"--device 160 light show", 1, "no lighting"},
        {"--device 102 light on 1", 1, "no zone 1"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
}

TEST_F(LightCliTest, AModeAndItsSettingsReachTheKeyboardAndSurviveOffAndOn) {
    ASSERT_EQ(Zanvorctl("--device 103 light mode main Wave --speed 5 --colour 00FF80").status, 0);
    nlohmann::json shown = Json("--device 103 light show");
    ASSERT_TRUE(shown["zones"].is_array());
    const nlohmann::json main = shown["zones"][0];
    EXPECT_EQ(main["zone"], "main");
    EXPECT_EQ(main["mode"], 3);
    EXPECT_EQ(main["name"], "Wave");
    EXPECT_EQ(main["speed"], 5);
    EXPECT_EQ(main["colour"], "00FF80");
    EXPECT_EQ(main["colourful"], false);
    EXPECT_EQ(shown["zones"].size(), 2u) << "the Vista 96 has zone 1 but no zone 2";
    // Main group: 00, mode 3, brightness 200, speed 5 - 5, single colour, index 0, 00 FF 80.
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 1, 9),
              "0003c8000000"
              "00ff80");

    ASSERT_EQ(Zanvorctl("--device 103 light off").status, 0);
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 2, 1), "00");
    EXPECT_EQ(Json("--device 103 light show")["zones"][0]["enabled"], false);
    ASSERT_EQ(Zanvorctl("--device 103 light on").status, 0);
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 2, 1), "03");
}

TEST_F(LightCliTest, ACustomSetIsPaintedStoredAndShownOnTheKeysLeds) {
    const Run run = Zanvorctl("--device 103 light custom 1 --all 000000 Esc=FF0000 0x1E=0000FF");
    ASSERT_EQ(run.status, 0) << run.err;

    // The keyboard shows set 1 and holds the colours at the keys' LEDs: Esc is LED 0, key "1"
    // (key index 19) LED 34.
    const nlohmann::json state = KeyboardState(103);
    EXPECT_EQ(Hex(state["parameter_block"], 2, 1), "fd");
    EXPECT_EQ(Hex(state["parameter_block"], 10, 1), "01");
    EXPECT_EQ(Hex(state["custom_sets"][1], 0, 3), "ff0000");
    EXPECT_EQ(Hex(state["custom_sets"][1], 3 * 34, 3), "0000ff");
    EXPECT_EQ(Hex(state["custom_sets"][1], 3 * 19, 3), "000000");

    const nlohmann::json set = Json("--device 103 light custom-show 1");
    EXPECT_EQ(set["source"], "stored");
    std::map<std::string, std::string> colours;
    for (const auto& key : set["keys"]) {
        colours[key["usage"]] = key["colour"];
    }
    EXPECT_EQ(colours["0x29"], "FF0000");  // Esc
    EXPECT_EQ(colours["0x1E"], "0000FF");
    EXPECT_EQ(colours["0x2B"], "000000");  // Tab
    // The next run finds the keyboard in that set and keeps it as the profile's choice.
    EXPECT_EQ(Json("--device 103 light show")["zones"][0]["custom_set"], 1);
}

TEST_F(LightCliTest, ActivatingAProfileSendsItsLight) {
    ASSERT_EQ(Zanvorctl("--device 103 light mode main Static --colour 112233").status, 0);
    ASSERT_EQ(Zanvorctl("--device 103 profile activate 2").status, 0);
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 2, 1), "01") << "profile 2: mode 1";
    ASSERT_EQ(Zanvorctl("--device 103 profile activate 1").status, 0);
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 2, 1), "04");
    EXPECT_EQ(Hex(KeyboardState(103)["parameter_block"], 7, 3), "112233");
}

// Colours that exist only on the keyboard are never overwritten from nothing: a profile switch
// before the keyboard has reported where its LEDs are writes no colour table and says so, and
// painting over a set whose colours could not be read changes nothing.
TEST_F(LightCliTest, ColoursAreNeverWrittenWithoutTheLedsOrTheSetsColours) {
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 2").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 light custom 1 --all 0000FF").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 1").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 light custom 1 --all FF0000").status, 0);
    ASSERT_EQ(Hex(KeyboardState(101)["custom_sets"][1], 0, 3), "ff0000");

    const Run unplaced =
        Zanvorctl("--device 101 profile activate 2", "ZANVOR_SIM_FAULTS=refuse=32 ");
    EXPECT_EQ(unplaced.status, 1) << unplaced.err;
    EXPECT_NE(unplaced.err.find("was not read completely"), std::string::npos) << unplaced.err;
    EXPECT_EQ(Hex(KeyboardState(101)["custom_sets"][1], 0, 3), "ff0000");
    // Once the keyboard is read, the profile is written with its colours.
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 2").status, 0);
    EXPECT_EQ(Hex(KeyboardState(101)["custom_sets"][1], 0, 3), "0000ff");

    const Run unread =
        Zanvorctl("--device 101 light custom 2 Esc=00FF00", "ZANVOR_SIM_FAULTS=refuse=26 ");
    EXPECT_EQ(unread.status, 1) << unread.err;
    EXPECT_NE(unread.err.find("the colours of the set could not be read"), std::string::npos)
        << unread.err;
    EXPECT_EQ(Json("--device 101 light custom-show 2")["source"], "keyboard") << "nothing stored";
}

}  // namespace
}  // namespace zanvor
