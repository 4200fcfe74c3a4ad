#include <gtest/gtest.h>

#include <vector>

#include "lighting/ColourFill.h"
#include "lighting/EffectStream.h"
#include "lighting/SignalGenerator.h"
#include "lighting/Visualizer.h"

using namespace zanvor;

namespace {

// Draws one frame with fixed bars and returns the finished picture.
ColourImage DrawWithBars(Visualizer& renderer, const std::vector<std::pair<int, float>>& bars) {
    renderer.Bars().fill(0);
    for (const auto& [index, value] : bars) {
        renderer.Bars()[index] = value;
    }
    renderer.DrawAndPublish();
    ColourImage out{};
    renderer.ReadFinished(
        [&out](const ColourImage& composed, const ColourImage&) { out = composed; });
    return out;
}

VisualizerParams RedBarsOnBlack(int brightness) {
    VisualizerParams params;
    params.foreType = kFillRed;
    params.foreBrightness = brightness;
    params.backType = kFillBlack;
    params.backBrightness = 100;
    return params;
}

}  // namespace

TEST(MusicRendererTest, BarsDecideForegroundAndBackgroundPixels) {
    Visualizer renderer;
    renderer.SetParams(RedBarsOnBlack(50));

    // Red at 50 %: s = trunc(50 x 2.55) = 127, 255 x 127 / 256 = 126.
    const uint32_t red = 126;
    ColourImage picture = DrawWithBars(renderer, {});
    for (uint32_t pixel : picture) {
        ASSERT_EQ(pixel, 0u);  // all bars 0: background everywhere, the top row included
    }

    picture = DrawWithBars(renderer, {{10, 1.0f}, {20, 0.5f}});
    for (int y = 1; y < kImageRows; ++y) {
        EXPECT_EQ(PixelAt(picture, y, 10), red) << y;
        // Half a bar: rows whose height (64 - y) / 64 is below 0.5, i.e. y > 32.
        EXPECT_EQ(PixelAt(picture, y, 20), y > 32 ? red : 0u) << y;
        EXPECT_EQ(PixelAt(picture, y, 11), 0u) << y;
    }

    // bar 5 at 0.55 lights the top row from column 64 to column 191.
    picture = DrawWithBars(renderer, {{5, 0.55f}});
    for (int x = 0; x < kImageColumns; ++x) {
        EXPECT_EQ(PixelAt(picture, 0, x), x >= 64 && x <= 191 ? red : 0u) << x;
    }
}

TEST(MusicRendererTest, HueAdvancesEveryFrameAndWrapsAt360) {
    Visualizer renderer;
    for (int frame = 0; frame < 72; ++frame) {
        renderer.DrawAndPublish();
    }
    EXPECT_EQ(renderer.Hue(), 360);
    renderer.DrawAndPublish();
    EXPECT_EQ(renderer.Hue(), 5);
}

TEST(MusicRendererTest, ComputeBarsRisesWithSoundAndFallsInSilence) {
    Visualizer renderer;
    renderer.ComputeBars();
    for (float bar : renderer.Bars()) {
        EXPECT_EQ(bar, 0.0f);
    }
    // A waveform as the capture passes it: 256 points of (value, value), gained by 2 x 300
    // (the default sensitivity) from a tone at a third of full scale.
    std::vector<float> wave(kWaveLength);
    const std::vector<float> tone = SineWave(300, 0.05, 12000, 1, 0.3f * 600);
    for (int i = 0; i < kWavePoints; ++i) {
        wave[2 * i] = wave[2 * i + 1] = tone[i];
    }
    renderer.SetInput(wave.data(), kWaveLength);
    renderer.ComputeBars();
    const auto& bars = renderer.Bars();
    const float loud = *std::max_element(bars.begin(), bars.end());
    EXPECT_GT(loud, 0.3f);
    EXPECT_LE(loud, 1.0f);
    // The tone stands out: the bars far from it stay low instead of all standing full.
    EXPECT_LT(*std::min_element(bars.begin(), bars.end()), 0.2f);
    const int peak = static_cast<int>(std::max_element(bars.begin(), bars.end()) - bars.begin());
    EXPECT_LT(peak, 64);  // 300 Hz in a 0-1.5 kHz spread over 256 bars: around bar 51
    renderer.ClearInput();
    for (int i = 0; i < 5; ++i) {
        renderer.ComputeBars();
    }
    const float after = *std::max_element(renderer.Bars().begin(), renderer.Bars().end());
    EXPECT_LT(after, loud * 0.5f);
}

TEST(MusicRendererTest, FillsGiveTheirColours) {
    struct Case {
        int type;
        int brightness;
        int row;
        int column;
        uint32_t colour;
    };
    const Case cases[] = {
        {kFillWhite, 100, 10, 10, 0xFDFDFD},  // s = trunc(100 x 2.55) = 254; 255 x 254 / 256 = 253
        {kFillOrange, 100, 5, 200, 0x003FFD},         {kFillBlue, 0, 5, 5, 0},  // brightness 0
        {kFillGreenYellowRed, 100, 63, 0, 0x00FD00},   // bottom row: first entry, green
        {kFillGreenYellowRed, 100, 1, 0, 0x0000FD},    // near the top: last entry, red
        {kFillGreenYellowRed, 100, 0, 255, 0x0000FD},  // top row, right end: last entry
        {kFillGreenYellowRed, 100, 0, 128, 0x00FD00},  // top row, middle: first entry
        {kFillCyclingColour, 100, 0, 0, 0x0000FE},     // hue 0: red
    };
    for (const Case& c : cases) {
        ColourImage image{};
        FillColourField(c.type, c.brightness, 0, image);
        EXPECT_EQ(PixelAt(image, c.row, c.column), c.colour) << c.type << " " << c.row;
    }
    ColourImage untouched{};
    untouched.fill(0x123456);
    FillColourField(kFillNone, 100, 0, untouched);
    EXPECT_EQ(PixelAt(untouched, 3, 3), 0x123456u);
}

TEST(MusicRendererTest, IntegerHsvCoversTheSectors) {
    struct Case {
        int hue;
        uint32_t colour;
    };
    // Full saturation and value 255: the low component is 255 / 256 = 0.
    const Case cases[] = {{0, 0x0000FF},   {60, 0x00FFFF},  {120, 0x00FF00},
                          {180, 0xFFFF00}, {240, 0xFF0000}, {300, 0xFF00FF},
                          {360, 0x0000FF}, {-60, 0xFF00FF}, {30, 0x007FFF}};
    for (const Case& c : cases) {
        EXPECT_EQ(HsvColour(c.hue, 255, 255), c.colour) << c.hue;
    }
    EXPECT_EQ(HsvColour(90, 0, 200), 0xC8C8C8u);  // no saturation: grey
}

TEST(MusicRendererTest, GridMapsSpreadTheKeysOverThePicture) {
    const GridMaps grid = BuildGridMaps(6, 21);
    ASSERT_EQ(grid.rows, 6);
    ASSERT_EQ(grid.columns, 21);
    EXPECT_EQ(std::vector<int>(grid.rowMap.begin(), grid.rowMap.begin() + 6),
              (std::vector<int>{7, 17, 27, 37, 47, 57}));
    for (int j = 0; j < 21; ++j) {
        EXPECT_EQ(grid.columnMap[j], 12 * j);
    }
    EXPECT_TRUE(BuildGridMaps(0, 21).Empty());
    EXPECT_TRUE(BuildGridMaps(6, 0).Empty());
    EXPECT_EQ(BuildGridMaps(12, 40).rows, 8);
}

TEST(MusicRendererTest, EffectFramePutsColoursAtLedPositions) {
    std::vector<std::pair<int, uint32_t>> items(104);
    for (int i = 0; i < 104; ++i) {
        items[i] = {4 + i, 0x030201u * static_cast<uint32_t>(i % 50 + 1)};
    }
    items[103].first = 999;  // no LED
    // LEDs in reverse order of the items, so an item index used as a position shows.
    const LedLookup ledOf = [](int code) { return code == 999 ? -1 : 106 - code; };
    std::array<uint8_t, kEffectFrameBuffer> frame;
    EXPECT_EQ(BuildEffectFrame(items, ledOf, frame), 318u);  // (104 + 2) x 3
    // Item 0 (code 4) sits at LED 102: R, G, B = 1, 2, 3.
    EXPECT_EQ(frame[3 * 102], 0x01);
    EXPECT_EQ(frame[3 * 102 + 1], 0x02);
    EXPECT_EQ(frame[3 * 102 + 2], 0x03);
    // Item 1 (code 5) at LED 101: 2, 4, 6.
    EXPECT_EQ(frame[3 * 101], 0x02);
    EXPECT_EQ(frame[3 * 101 + 2], 0x06);
    // LED 103 and up belong to no item.
    EXPECT_EQ(frame[3 * 103], 0);
    EXPECT_EQ(frame[3 * 105 + 2], 0);

    // Positions beyond the buffer are skipped, not written past it.
    const std::vector<std::pair<int, uint32_t>> far{{1, 0xFFFFFFu}};
    EXPECT_EQ(BuildEffectFrame(
                  far, [](int) { return 400; }, frame),
              9u);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), static_cast<long>(frame.size()));
}
