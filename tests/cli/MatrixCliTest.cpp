// zanvorctl matrix on the virtual keyboard of type 102: what the keyboard holds afterwards.

#include <gtest/gtest.h>

#include "CliFixture.h"
#include "platform/Paths.h"

namespace zanvor {
namespace {

class MatrixCliTest : public test::CliTest {
  protected:
    // The hex text of `count` bytes from `offset` of a field of the virtual keyboard's state.
    std::string KeyboardHex(const char* field, size_t offset, size_t count) {
        const nlohmann::json state = nlohmann::json::parse(
            test::ReadFile(home() + "state/zanvor-hub/sim-102.json"), nullptr, false);
        return state[field].get<std::string>().substr(2 * offset, 2 * count);
    }
};

TEST_F(MatrixCliTest, BadArgumentsAreUsageErrorsAndOtherKeyboardsHaveNoMatrixScreen) {
    const struct {
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"--device 101 matrix show", 1, "no matrix screen"},
        {"--device 101 matrix paint 1=FF0000", 1, "no matrix screen"},
        {"--device 102 matrix mode 9", 2, "no mode 9"},
        {"--device 102 matrix mode Tornado", 2, "no mode Tornado"},
        {"--device 102 matrix mode 3 --brightness 101", 2, "brightness runs from 0 to 100"},
        {"--device 102 matrix mode 3 --speed 6", 2, "speed runs from 1 to 5"},
        {"--device 102 matrix mode 1 --preset 22", 2, "no presets"},
        {"--device 102 matrix mode 0x80 --preset 5", 2, "no preset 5"},
        {"--device 102 matrix mode 0x80 --amplitude 101", 2, "amplitude runs from 0 to 100"},
        {"--device 102 matrix mode 0 --colourful on", 2, "no multi-colour"},
        {"--device 102 matrix paint 49=FF0000", 2, "0 to 48"},
        {"--device 102 matrix paint 3:FF0000", 2, "LED=RRGGBB"},
        {"--device 102 matrix paint", 2, "nothing to paint"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
}

TEST_F(MatrixCliTest, AModeReachesTheMatrixGroupAndTheSwitchTurnsItOffAndOn) {
    const Run run = Zanvorctl("--device 102 matrix mode Wave --speed 1 --colour 00FF80");
    ASSERT_EQ(run.status, 0) << run.err;
    // 00, mode 3, brightness 80, speed 5 - 1, single colour, index 0, 00 FF 80.
    EXPECT_EQ(KeyboardHex("parameter_block", 29, 9), "00035004000000ff80");
    const nlohmann::json shown = Json("--device 102 matrix show");
    EXPECT_EQ(shown["mode"], 3);
    EXPECT_EQ(shown["name"], "Wave");
    EXPECT_EQ(shown["colour"], "00FF80");
    EXPECT_EQ(shown["colourful"], false);
    EXPECT_EQ(shown["modes"].size(), 8u);
    EXPECT_EQ(shown["presets"].size(), 18u);

    ASSERT_EQ(Zanvorctl("--device 102 matrix off").status, 0);
    EXPECT_EQ(KeyboardHex("parameter_block", 30, 1), "00");
    ASSERT_EQ(Zanvorctl("--device 102 matrix on").status, 0);
    EXPECT_EQ(KeyboardHex("parameter_block", 30, 1), "03");
}

TEST_F(MatrixCliTest, ThePresetListIsInOneLanguage) {
    ASSERT_EQ(Zanvorctl("app language 1045").status, 0);
    const Run run = Zanvorctl("--device 102 matrix show");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("(dźwięk)"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("(sound)"), std::string::npos) << run.out;
}

TEST_F(MatrixCliTest, TheLiveModeKeepsItsPresetAndAmplitude) {
    const Run run = Zanvorctl("--device 102 matrix mode 0x80 --preset 22 --amplitude 70");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json shown = Json("--device 102 matrix show");
    EXPECT_EQ(shown["mode"], 0x80);
    EXPECT_EQ(shown["preset"], 22);
    EXPECT_EQ(shown["preset_name"], "Level meter");
    EXPECT_EQ(shown["amplitude"], 70);
}

TEST_F(MatrixCliTest, PaintingStoresTheCustomColoursAndKeepsTheLedsNotNamed) {
    Run run = Zanvorctl("--device 102 matrix paint --all 000000 0=FF0000 48=0000FF");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(KeyboardHex("matrix_colours", 0, 6), "ff0000000000");
    EXPECT_EQ(KeyboardHex("matrix_colours", 3 * 48, 3), "0000ff");

    run = Zanvorctl("--device 102 matrix paint 1=00FF00");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(KeyboardHex("matrix_colours", 0, 9), "ff000000ff00000000");
    EXPECT_EQ(KeyboardHex("matrix_colours", 3 * 48, 3), "0000ff");
}

}  // namespace
}  // namespace zanvor
