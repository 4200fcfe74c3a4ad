// How long a GIF import takes to refuse bad files (a truncated file, zero frames, 50 MB, a
// claimed 65535 x 65535 canvas, no GIF at all) and to accept the factory animation. Each
// case is timed over a few runs; prints the slowest run per case in milliseconds.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "screen/GifCodec.h"

using namespace zanvor;

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main() {
    const std::string factory = ApplicationFolder() + "gif/Zanvor Vista 96/0.gif";
    const std::vector<uint8_t> good = Read(factory);
    if (good.empty()) {
        std::fprintf(stderr, "gif_refusal: %s is missing\n", factory.c_str());
        return 1;
    }
    const std::string folder = std::filesystem::temp_directory_path() / "zanvor-gif-bench/";
    std::filesystem::create_directories(folder);

    std::vector<uint8_t> huge = {'G',  'I', 'F', '8', '9', 'a',  0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                                 0x2C, 0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF, 0,    2, 0};
    const std::vector<uint8_t> empty = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 16, 0, 0, 0, 0, 0x3B};
    std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> text(4096, 'x');
    Write(folder + "huge.gif", huge);
    Write(folder + "empty.gif", empty);
    Write(folder + "truncated.gif", truncated);
    Write(folder + "text.gif", text);
    Write(folder + "big.gif", good);
    std::filesystem::resize_file(folder + "big.gif", 50u * 1024 * 1024);

    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"factory animation (accepted)", factory}, {"truncated", folder + "truncated.gif"},
        {"zero frames", folder + "empty.gif"},     {"50 MB", folder + "big.gif"},
        {"65535 x 65535", folder + "huge.gif"},    {"not a GIF", folder + "text.gif"},
    };
    for (const auto& c : cases) {
        double slowest = 0;
        GifError result = GifError::kNone;
        for (int run = 0; run < 5; ++run) {
            GifFrames frames;
            const auto t0 = std::chrono::steady_clock::now();
            result = ReadGifFitted(c.path, 160, 80, frames);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count();
            slowest = std::max(slowest, ms);
        }
        std::printf("%-30s %8.2f ms  (result %d)\n", c.name, slowest, static_cast<int>(result));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
