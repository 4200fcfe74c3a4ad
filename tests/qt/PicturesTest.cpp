// Pictures the window reads from paths the user chose (the background pictures): something
// that is not a regular file never blocks the window, and GIFs are read by the program's own
// decoder, animation included.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "HubWindowFixture.h"
#include "qt/MainWindow.h"
#include "qt/Pictures.h"
#include "support/GifBytes.h"
#include "support/TestHome.h"

namespace zanvor::test {
namespace {

// Runs `read` on a thread of its own; when it is still blocked after a few seconds it is
// released by a writer opening (and closing) the FIFO, and the test fails.
template <typename Read>
bool EndsWithoutWaiting(const std::string& fifo, Read read) {
    std::atomic<bool> done{false};
    std::thread reader([&] {
        read();
        done = true;
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const bool ended = done;
    while (!done) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    return ended;
}

TEST(PicturesTest, WhatIsNotAPictureFileIsRefusedAtOnce) {
    TestApplication();
    TempDir dir;
    const std::string fifo = dir.path() + "background.gif";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const QString path = QString::fromStdString(fifo);
    bool empty = false;
    EXPECT_TRUE(EndsWithoutWaiting(fifo, [&] { empty = LoadPixmap(path).isNull(); }))
        << "reading a FIFO as a picture waited for a writer";
    EXPECT_TRUE(empty);
    EXPECT_TRUE(EndsWithoutWaiting(fifo, [&] { empty = LoadGifFrames(path).frames.empty(); }))
        << "reading a FIFO as an animation waited for a writer";
    EXPECT_TRUE(empty);

    for (const QString& other : {QString("/dev/zero"), QString::fromStdString(dir.path())}) {
        SCOPED_TRACE(other.toStdString());
        EXPECT_TRUE(LoadPixmap(other).isNull());
        EXPECT_TRUE(LoadGifFrames(other).frames.empty());
    }
}

// An animated background in a GIF without any colour table, which Qt's decoder does not read
// as the program's does: the window shows each frame as the screen library would.
TEST(PicturesTest, AnAnimatedBackgroundIsDecodedAndPlayedByTheProgramsDecoder) {
    TestApplication();
    TempDir dir;
    const std::string gif = dir.path() + "background.gif";
    const std::vector<uint8_t> bytes =
        GifFile(2, 2, {}, {GifImage(0, 0, 2, 2, {3, 3, 3, 3}), GifImage(0, 0, 2, 2, {1, 1, 1, 1})});
    WriteFile(gif, std::string(bytes.begin(), bytes.end()));

    const PictureFrames frames = LoadGifFrames(QString::fromStdString(gif));
    ASSERT_EQ(frames.frames.size(), 2u);
    // Without a colour table index 3 of 4 is white and index 1 a dark grey.
    EXPECT_EQ(frames.frames[0].toImage().pixelColor(0, 0), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(frames.frames[1].toImage().pixelColor(0, 0), QColor(0x55, 0x55, 0x55));

    BackgroundArea area;
    area.resize(64, 32);
    area.SetPictures(QString(), QString::fromStdString(gif));
    std::set<QRgb> shown;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (shown.size() < 2 && std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        shown.insert(area.grab().toImage().pixel(32, 16));
    }
    EXPECT_EQ(shown, (std::set<QRgb>{qRgb(0xFF, 0xFF, 0xFF), qRgb(0x55, 0x55, 0x55)}));
}

}  // namespace
}  // namespace zanvor::test
