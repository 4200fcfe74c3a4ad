// What the effect control draws in each mode, from the audio features it is given.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <vector>

#include "support/TestHome.h"
#include "ui/AuroraEffect.h"

namespace zanvor {
namespace {

int Brightness(uint32_t c) {
    return static_cast<int>((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF));
}

// A keyboard of 4 rows x 10 columns of 20-pixel keys on a 200 x 80 picture (codes 100 + 10 r + c)
// and one light of the top bar.
class AuroraEffectModesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        effect.SetWidthAndHeight(200, 80);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 10; ++c) {
                effect.AddKeyItem("", Code(r, c), {c * 20, r * 20, c * 20 + 20, r * 20 + 20}, r, c);
            }
        }
        effect.AddKeyItem("", 310, {0, 0, 0, 0}, 0, 3, AuroraItemKind::TopBar);
        effect.Initialize();
    }
    static int Code(int row, int column) { return 100 + 10 * row + column; }
    uint32_t ColourOf(int code) const {
        for (const AuroraItem& item : effect.GetKeyItems()) {
            if (item.code == code) {
                return item.color;
            }
        }
        ADD_FAILURE() << "no item " << code;
        return 0;
    }
    void Spectrum(const std::array<float, 32>& bands) {
        std::array<float, 64> wide{};
        effect.SetFFTSpectrum(bands.data(), wide.data());
    }

    AuroraEffect effect;
};

TEST_F(AuroraEffectModesTest, MusicModeShowsTheColourMapAndTheBarColours) {
    effect.SetColorMap(3, 2, 0x123456);
    effect.SetBarColor(AuroraItemKind::TopBar, 3, 0x00FF00);
    effect.Advance(16);
    EXPECT_EQ(ColourOf(Code(2, 3)), 0x123456u);
    EXPECT_EQ(ColourOf(Code(0, 0)), 0u);
    EXPECT_EQ(ColourOf(310), 0x00FF00u);
    // Out-of-range cells are ignored, not written elsewhere.
    effect.SetColorMap(kColorMapColumns, 0, 0xFFFFFF);
    effect.SetColorMap(0, -1, 0xFFFFFF);
    effect.Advance(16);
    EXPECT_EQ(ColourOf(Code(0, 0)), 0u);

    // Without layer 1 the mode's own picture is gone; the invert layer turns black to white.
    effect.DeleteLightLayer(kLayerBase);
    effect.AddLightLayer(kLayerInvert, 0, 0, 0, 0);
    effect.Advance(16);
    EXPECT_EQ(ColourOf(Code(2, 3)), 0xFFFFFFu);
}

TEST_F(AuroraEffectModesTest, RippleStartsOnABeatSpreadsAndFades) {
    effect.SetAuroraMode(kAuroraModeRipple);
    effect.SetMusicColorful(false);
    effect.SetMusicColor(0x0000FF);
    effect.Advance(16);
    int quiet = 0;
    for (const AuroraItem& item : effect.GetKeyItems()) {
        quiet = std::max(quiet, Brightness(item.color));
    }
    EXPECT_LT(quiet, 60);  // only the dim glow

    // A strong beat starts a ripple in the middle of the keyboard.
    effect.SetBeatData(true, 0.9f, 120, 0, 0, 0);
    effect.Advance(16);
    effect.SetBeatData(false, 0.5f, 120, 0, 0, 0);
    effect.Advance(100);
    // Early on the ring is near the middle; later it has moved outwards.
    const int middleEarly = Brightness(ColourOf(Code(2, 5)));
    const int outerEarly = Brightness(ColourOf(Code(2, 8)));
    effect.Advance(600);
    const int middleLater = Brightness(ColourOf(Code(2, 5)));
    const int outerLater = Brightness(ColourOf(Code(2, 8)));
    EXPECT_GT(middleEarly, 100);
    EXPECT_LT(middleLater, middleEarly);
    EXPECT_GT(outerLater, outerEarly + 50);
    effect.Advance(1500);
    EXPECT_LT(Brightness(ColourOf(Code(2, 8))), 60);  // gone
}

TEST_F(AuroraEffectModesTest, SpectrumSweepLightsTheLoudBandsFromTheBottom) {
    effect.SetAuroraMode(kAuroraModeSweep);
    effect.SetMusicColorful(false);
    effect.SetMusicColor(0x00FF00);
    std::array<float, 32> bands{};
    for (int i = 0; i < 8; ++i) {
        bands[i] = 0.9f;  // loud bass at the left
    }
    Spectrum(bands);
    effect.Advance(1000);  // the sweep line is in the middle now
    EXPECT_GT(Brightness(ColourOf(Code(3, 0))), Brightness(ColourOf(Code(3, 9))));
    EXPECT_GT(Brightness(ColourOf(Code(3, 0))), 200);
    EXPECT_LT(Brightness(ColourOf(Code(0, 9))), 60);
    // The sweep moves: the same key changes as the line passes.
    const uint32_t before = ColourOf(Code(1, 5));
    effect.Advance(400);
    EXPECT_NE(ColourOf(Code(1, 5)), before);
}

TEST_F(AuroraEffectModesTest, PictureModePlaysAGifOverTheKeys) {
    // Two frames of one pixel: red for 100 ms, then blue for 200 ms.
    const std::vector<uint8_t> gif = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00,
        0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF,        // red, blue
        0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00,              // 100 ms
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,  // 1 x 1
        0x02, 0x02, 0x44, 0x01, 0x00,                                // index 0
        0x21, 0xF9, 0x04, 0x00, 0x14, 0x00, 0x00, 0x00,              // 200 ms
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,  //
        0x02, 0x02, 0x4C, 0x01, 0x00,                                // index 1
        0x3B};
    test::TempDir dir;
    const std::string path = dir.path() + "two.gif";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));

    ASSERT_EQ(effect.SetGIFImage(path), ImageLoadResult::kLoaded);
    EXPECT_EQ(effect.GetImagePath(), path);
    effect.SetAuroraMode(kAuroraModeImage);
    struct Step {
        double advance;
        uint32_t colour;
    };
    // Times from the start: 50 red, 150 blue, 290 blue, 350 red again (the GIF loops at 300).
    for (const Step& step :
         {Step{50, 0x0000FF}, Step{100, 0xFF0000}, Step{140, 0xFF0000}, Step{60, 0x0000FF}}) {
        effect.Advance(step.advance);
        EXPECT_EQ(ColourOf(Code(1, 1)), step.colour);
        EXPECT_EQ(ColourOf(Code(3, 9)), step.colour);
    }

    // Video and unreadable files are refused; the picture stays.
    std::ofstream(dir.path() + "clip.mp4") << "not really";
    std::ofstream(dir.path() + "text.png") << "not a picture";
    EXPECT_EQ(effect.SetGIFImage(dir.path() + "clip.mp4"), ImageLoadResult::kVideo);
    EXPECT_EQ(effect.SetGIFImage(dir.path() + "text.png"), ImageLoadResult::kUnreadable);
    EXPECT_EQ(effect.SetGIFImage(dir.path() + "missing.gif"), ImageLoadResult::kUnreadable);
    EXPECT_EQ(effect.GetImagePath(), path);
}

TEST_F(AuroraEffectModesTest, LightGettersFollowTheSpectrumAndTheBass) {
    effect.SetMusicColorful(false);
    effect.SetMusicColor(0x0000FF);
    std::array<float, 32> bands{};
    bands[0] = 1.0f;  // the first column of the matrix full, the rest silent
    Spectrum(bands);
    effect.SetBeatData(false, 0, 0, 0.5f, 0, 0);

    std::array<uint32_t, 7 * 19> matrix{};
    effect.GetMatrixLightsColors(matrix.data(), 7, 19, true, 255);
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(matrix[row * 19], 0x0000FFu) << row;
        EXPECT_EQ(matrix[row * 19 + 18], 0u) << row;
    }
    std::array<uint32_t, 10> side{};
    effect.GetSideLightsColors(side.data(), 10, true, 128);
    // Half the bass: the lower five lights, at half brightness.
    EXPECT_EQ(std::count(side.begin(), side.begin() + 5, 0u), 5);
    EXPECT_EQ(side[9], 0x000080u);
    std::array<uint32_t, 24> top{};
    effect.GetTopLightsColors(top.data(), 24, true, 255);
    EXPECT_EQ(top[0], 0x0000FFu);  // mean band 1/32: two of 24 lit from the left
    EXPECT_EQ(top[23], 0u);
}

}  // namespace
}  // namespace zanvor
