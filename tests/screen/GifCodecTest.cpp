// GIF decoding and encoding: frames and display times of real files, how partial frames,
// transparency and disposal build up the canvas, refusal of bad files, and encode/decode
// round trips.

#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ScreenFixture.h"
#include "screen/PngFile.h"
#include "support/GifBytes.h"
#include "support/Rows.h"
#include "ui/EffectImage.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A frame of a hand-made GIF: a rectangle of palette indexes with its control block.
struct CraftedFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<GifPixelType> indexes;
    int disposal = DISPOSE_DO_NOT;
    int transparent = NO_TRANSPARENT_COLOR;
    int delayCs = 0;
};

// Writes a GIF through giflib exactly as described (global palette of four colours: black,
// red, green, blue), so the decoder can be checked against what the file says.
void WriteCraftedGif(const std::string& path, int width, int height,
                     const std::vector<CraftedFrame>& frames) {
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* palette = GifMakeMapObject(4, colours);
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, width, height, 8, 0, palette), GIF_OK);
    for (const CraftedFrame& frame : frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = frame.disposal;
        control.TransparentColor = frame.transparent;
        control.DelayTime = frame.delayCs;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ASSERT_EQ(
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension),
            GIF_OK);
        ASSERT_EQ(
            EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, false, nullptr),
            GIF_OK);
        std::vector<GifPixelType> indexes = frame.indexes;
        for (int y = 0; y < frame.height; ++y) {
            ASSERT_EQ(EGifPutLine(gif, indexes.data() + y * frame.width, frame.width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(palette);
}

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;

TEST(GifDecodeTest, ReadsFramesSizesAndDisplayTimesOfRealFiles) {
    struct Case {
        const char* file;
        size_t frames;
        int width;
        int height;
        std::vector<int> delays;
    };
    const Case cases[] = {
        {"twelve_frames.gif", 12, 160, 80, std::vector<int>(12, 100)},
        {"varied_delays.gif", 5, 160, 80, {30, 50, 120, 500, 70}},
        {"large_square.gif", 3, 320, 320, {80, 80, 80}},
        {"still.gif", 1, 160, 80, {0}},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        SCOPED_TRACE(c.file);
        const DecodedGif decoded = DecodeFile(ScreenFixture(c.file));
        ASSERT_EQ(decoded.error, GifError::kNone);
        ASSERT_EQ(decoded.frames.size(), c.frames);
        EXPECT_EQ(decoded.delaysMs, c.delays);
        for (const ScreenImage& frame : decoded.frames) {
            EXPECT_EQ(frame.width, c.width);
            EXPECT_EQ(frame.height, c.height);
        }
    });
    // The fixtures' frames differ from each other: a white marker square on a background of
    // the frame's own colour.
    const DecodedGif twelve = DecodeFile(ScreenFixture("twelve_frames.gif"));
    EXPECT_EQ(twelve.frames[0].Pixel(2, 6), 0xFFFFFFu);
    EXPECT_NE(twelve.frames[0].Pixel(80, 60), twelve.frames[1].Pixel(80, 60));
}

TEST(GifDecodeTest, PartialFramesTransparencyAndDisposalBuildTheCanvas) {
    TempDir dir;
    const std::string path = dir.path() + "crafted.gif";
    // 4 × 2 canvas. Frame 1: all red. Frame 2: a 2 × 1 green patch at (1, 0) whose second
    // pixel is transparent, then restored to the background. Frame 3: a blue pixel at (3, 1),
    // then put back to what was there before. Frame 4: nothing but a transparent pixel.
    WriteCraftedGif(
        path, 4, 2,
        {
            {0, 0, 4, 2, std::vector<GifPixelType>(8, 1), DISPOSE_DO_NOT, NO_TRANSPARENT_COLOR, 5},
            {1, 0, 2, 1, {2, 0}, DISPOSE_BACKGROUND, 0, 10},
            {3, 1, 1, 1, {3}, DISPOSE_PREVIOUS, NO_TRANSPARENT_COLOR, 0},
            {0, 0, 1, 1, {0}, DISPOSE_DO_NOT, 0, 7},
        });
    const DecodedGif decoded = DecodeFile(path);
    ASSERT_EQ(decoded.error, GifError::kNone);
    ASSERT_EQ(decoded.frames.size(), 4u);
    EXPECT_EQ(decoded.delaysMs, (std::vector<int>{50, 100, 0, 70}));

    const auto row = [](const ScreenImage& image, int y) {
        std::vector<uint32_t> pixels;
        for (int x = 0; x < image.width; ++x) {
            pixels.push_back(image.Pixel(x, y));
        }
        return pixels;
    };
    using Row = std::vector<uint32_t>;
    EXPECT_EQ(row(decoded.frames[0], 0), (Row{kRed, kRed, kRed, kRed}));
    // The transparent pixel of the patch keeps the red below it.
    EXPECT_EQ(row(decoded.frames[1], 0), (Row{kRed, kGreen, kRed, kRed}));
    // The patch's area went back to the background (black) before frame 3.
    EXPECT_EQ(row(decoded.frames[2], 0), (Row{kRed, 0, 0, kRed}));
    EXPECT_EQ(row(decoded.frames[2], 1), (Row{kRed, kRed, kRed, kBlue}));
    // The blue pixel was undone again; the transparent frame changes nothing.
    EXPECT_EQ(row(decoded.frames[3], 0), (Row{kRed, 0, 0, kRed}));
    EXPECT_EQ(row(decoded.frames[3], 1), (Row{kRed, kRed, kRed, kRed}));
}

TEST(GifDecodeTest, FramesReachingOutsideTheCanvasAreClipped) {
    TempDir dir;
    const std::string path = dir.path() + "outside.gif";
    WriteCraftedGif(path, 2, 2, {{1, 1, 3, 3, std::vector<GifPixelType>(9, 3)}});
    const DecodedGif decoded = DecodeFile(path);
    ASSERT_EQ(decoded.error, GifError::kNone);
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.frames[0].width, 2);
    EXPECT_EQ(decoded.frames[0].Pixel(1, 1), kBlue);
    EXPECT_EQ(decoded.frames[0].Pixel(0, 0), 0u);
}

TEST(GifDecodeTest, BadFilesAreRefusedWithTheirReason) {
    TempDir dir;
    const std::vector<uint8_t> good = ReadBytes(ScreenFixture("twelve_frames.gif"));
    ASSERT_GT(good.size(), 1000u);
    const auto cut = [&](size_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + size);
    };
    // Header, logical screen descriptor (little-endian size, no palette), then the rest.
    const auto screen = [](uint16_t width, uint16_t height, std::vector<uint8_t> rest) {
        std::vector<uint8_t> bytes = {
            'G', 'I', 'F', '8', '9', 'a', static_cast<uint8_t>(width & 0xFF),
            static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(height & 0xFF),
            static_cast<uint8_t>(height >> 8), 0x80, 0, 0,
            // two-colour global palette: black, white
            0, 0, 0, 255, 255, 255};
        for (const uint8_t byte : rest) {
            bytes.push_back(byte);
        }
        return bytes;
    };
    // An image descriptor of a huge frame on a small canvas.
    const std::vector<uint8_t> hugeFrame = {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0};

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        GifError expected;
    };
    const Case cases[] = {
        {"cut in the header", cut(10), GifError::kDamaged},
        {"cut in the first frame", cut(200), GifError::kDamaged},
        {"cut half-way", cut(good.size() / 2), GifError::kDamaged},
        {"trailer missing", cut(good.size() - 1), GifError::kDamaged},
        {"no frames", screen(16, 16, {0x3B}), GifError::kNoFrames},
        {"canvas of 65535 x 65535", screen(0xFFFF, 0xFFFF, {0x3B}), GifError::kPictureTooLarge},
        {"frame of 65535 x 65535", screen(16, 16, hugeFrame), GifError::kPictureTooLarge},
        {"canvas of 0 x 0", screen(0, 0, {0x3B}), GifError::kDamaged},
        {"text", {'h', 'e', 'l', 'l', 'o', '\n'}, GifError::kNotGif},
        {"empty", {}, GifError::kNotGif},
        {"JPEG", ReadBytes(ScreenFixture("picture.jpg")), GifError::kNotGif},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.path() + "bad.gif";
        WriteBytes(path, c.bytes);
        EXPECT_EQ(DecodeFile(path).error, c.expected);
    }

    // A file over the size limit is refused before it is read (a sparse file of 50 MB).
    const std::string big = dir.path() + "big.gif";
    WriteBytes(big, good);
    fs::resize_file(big, 50u * 1024 * 1024);
    EXPECT_EQ(DecodeFile(big).error, GifError::kFileTooLarge);
    EXPECT_EQ(DecodeFile(dir.path() + "missing.gif").error, GifError::kUnreadable);

    GifLimits fewFrames;
    fewFrames.maxFrames = 11;
    EXPECT_EQ(DecodeFile(ScreenFixture("twelve_frames.gif"), fewFrames).error,
              GifError::kTooManyFrames);
}

// GIFs that encoders rarely write but mainstream decoders read, made byte by byte: screen
// import and the picture mode of the effect control read each of them, and alike.
TEST(GifDecodeTest, ReadsWhatMainstreamDecodersReadEverywhereAlike) {
    TempDir dir;
    const std::vector<uint32_t> palette = {0, kRed, kGreen, kBlue};
    const GifImagePart greenScreen = GifImage(0, 0, 2, 2, {2, 2, 2, 2});
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> last;  // the last frame, row by row
    };
    const Case cases[] = {
        {"LZW minimum code size 11",
         GifFile(2, 2, palette, {GifImage(0, 0, 2, 2, {1, 2, 3, 0}, 11)}),
         {kRed, kGreen, kBlue, 0}},
        {"LZW minimum code size 9",
         GifFile(2, 2, palette, {GifImage(0, 0, 2, 2, {3, 2, 1, 3}, 9)}),
         {kBlue, kGreen, kRed, kBlue}},
        {"many codes at size 11, wider than a dictionary",
         GifFile(64, 80, palette, {GifImage(0, 0, 64, 80, std::vector<int>(64 * 80, 3), 11)}),
         std::vector<uint32_t>(64 * 80, kBlue)},
        {"no colour table at all: greys",
         GifFile(4, 1, {}, {GifImage(0, 0, 4, 1, {0, 1, 2, 3}, 2)}),
         {0, 0x555555, 0xAAAAAA, 0xFFFFFF}},
        {"a transparent frame reaching past the screen is cut at its edges",
         GifFile(2, 2, palette,
                 {greenScreen, GifImage(0, 0, 3, 3, {0, 1, 0, 0, 0, 0, 3, 3, 3}, 2, 0)}),
         {kGreen, kRed, kGreen, kGreen}},
        {"a frame wholly outside the screen draws nothing",
         GifFile(2, 2, palette, {greenScreen, GifImage(5, 5, 2, 2, {1, 1, 1, 1}, 2, 0)}),
         {kGreen, kGreen, kGreen, kGreen}},
        {"image data ending early leaves the rest as it was",
         GifFile(2, 2, palette, {greenScreen, GifImage(0, 0, 2, 2, {3})}),
         {kBlue, kGreen, kGreen, kGreen}},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        const std::string path = dir.path() + "case.gif";
        WriteBytes(path, c.bytes);
        const DecodedGif decoded = DecodeFile(path);
        ASSERT_EQ(decoded.error, GifError::kNone);
        ASSERT_FALSE(decoded.frames.empty());
        const ScreenImage& last = decoded.frames.back();
        std::vector<uint32_t> pixels;
        for (int y = 0; y < last.height; ++y) {
            for (int x = 0; x < last.width; ++x) {
                pixels.push_back(last.Pixel(x, y));
            }
        }
        EXPECT_EQ(pixels, c.last);

        EffectImage effect;
        ASSERT_EQ(LoadEffectImage(path, effect), ImageLoadResult::kLoaded);
        EXPECT_EQ(effect.frames.size(), decoded.frames.size());
        EXPECT_EQ(effect.frames.back(), c.last);
    });

    // What is broken stays refused: code sizes no LZW stream can have.
    for (const int codeSize : {0, 12}) {
        SCOPED_TRACE(codeSize);
        const std::string path = dir.path() + "bad.gif";
        WriteBytes(path, GifFile(2, 2, palette, {GifImage(0, 0, 2, 2, {1, 1, 1, 1}, codeSize)}));
        EXPECT_EQ(DecodeFile(path).error, GifError::kDamaged);
        EffectImage effect;
        EXPECT_EQ(LoadEffectImage(path, effect), ImageLoadResult::kUnreadable);
    }
}

// A picture with many colours: a smooth gradient over the whole frame.
ScreenImage Gradient(int width, int height, int shift) {
    ScreenImage image = ScreenImage::Filled(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t red = static_cast<uint32_t>((x * 255 / (width - 1) + shift) & 0xFF);
            const uint32_t green = static_cast<uint32_t>(y * 255 / (height - 1));
            const uint32_t blue = static_cast<uint32_t>((x + y) & 0xFF);
            image.SetPixel(x, y, red | (green << 8) | (blue << 16));
        }
    }
    return image;
}

TEST(GifEncodeTest, FewColoursComeBackExactlyWithTheirDisplayTimes) {
    TempDir dir;
    std::vector<ScreenImage> frames;
    for (int n = 0; n < 3; ++n) {
        ScreenImage frame = ScreenImage::Filled(160, 80, 0x102030u * static_cast<uint32_t>(n));
        DrawLine(frame, 0, n, 159, 79 - n, 3, 0x00D8F0);
        frames.push_back(frame);
    }
    const std::string path = dir.path() + "out.gif";
    ASSERT_EQ(WriteGif(path, frames, {30, 55, 500}), GifError::kNone);

    const DecodedGif decoded = DecodeFile(path);
    ASSERT_EQ(decoded.error, GifError::kNone);
    EXPECT_EQ(decoded.frames, frames);
    // Hundredths of a second: 55 ms is stored as 6.
    EXPECT_EQ(decoded.delaysMs, (std::vector<int>{30, 60, 500}));
}

TEST(GifEncodeTest, ManyColoursAreReducedAndOtherSizesFitted) {
    TempDir dir;
    const std::vector<ScreenImage> frames = {Gradient(160, 80, 0), Gradient(160, 80, 40),
                                             Gradient(40, 40, 0)};
    const std::string path = dir.path() + "out.gif";
    ASSERT_EQ(WriteGif(path, frames, {100, 100, 100}), GifError::kNone);

    const DecodedGif decoded = DecodeFile(path);
    ASSERT_EQ(decoded.error, GifError::kNone);
    ASSERT_EQ(decoded.frames.size(), 3u);
    for (const ScreenImage& frame : decoded.frames) {
        EXPECT_EQ(frame.width, 160);
        EXPECT_EQ(frame.height, 80);
    }
    // 256 colours for thousands of different ones: on average every channel stays close,
    // and no pixel is far off (a swapped channel or a wrong palette would be).
    int worst = 0;
    int64_t total = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 160; ++x) {
            const uint32_t a = frames[0].Pixel(x, y);
            const uint32_t b = decoded.frames[0].Pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const int difference = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                                static_cast<int>((b >> shift) & 0xFF));
                worst = std::max(worst, difference);
                total += difference;
            }
        }
    }
    EXPECT_LE(total / (160 * 80 * 3), 8);
    EXPECT_LE(worst, 64);
    // The square third frame sits in the middle of the wide canvas, black beside it.
    EXPECT_EQ(decoded.frames[2].Pixel(5, 40), 0u);
    EXPECT_NE(decoded.frames[2].Pixel(100, 40), 0u);
}

TEST(GifEncodeTest, NothingIsLeftWhenTheFileCannotBeWritten) {
    TempDir dir;
    const std::vector<ScreenImage> frames = {ScreenImage::Filled(8, 8, kRed)};
    EXPECT_EQ(WriteGif(dir.path() + "no/such/folder/out.gif", frames, {100}),
              GifError::kUnreadable);
    EXPECT_EQ(WriteGif(dir.path() + "empty.gif", {}, {}), GifError::kNoFrames);
    EXPECT_TRUE(FilesBelow(dir.path()).empty());
}

TEST(PngFileTest, WritesAndReadsBackOpaquePictures) {
    TempDir dir;
    ScreenImage picture = Gradient(33, 17, 5);
    const std::string path = dir.path() + "frame.png";
    ASSERT_TRUE(WritePng(path, picture));
    ScreenImage read;
    ASSERT_TRUE(ReadPng(path, read));
    EXPECT_EQ(read, picture);
    EXPECT_EQ(FilesBelow(dir.path()), (std::vector<std::string>{"frame.png"}));

    WriteFile(dir.path() + "not.png", "no picture here");
    EXPECT_FALSE(ReadPng(dir.path() + "not.png", read));
    EXPECT_TRUE(read.Empty());
}

}  // namespace
}  // namespace zanvor::test
