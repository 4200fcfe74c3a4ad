// Update archives and version answers over arbitrary bytes: unpacking must never crash, never
// write outside its folder (whatever the entry names hold: "..", NUL bytes, backslashes,
// control characters) and leave nothing behind when it fails; the version answer must only
// ever yield dot-separated decimal numbers.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "update/ArchiveUnpack.h"
#include "update/Versions.h"

namespace {

namespace fs = std::filesystem;

// The target folder lies this many folders deep below the fuzzing folder, so an entry that
// climbs out of it lands where the walk below sees it.
constexpr int kDepth = 8;

// <tmp>/zanvor-fuzz-XXXXXX/ holding the folder chain d/d/.../target/ and the archive.
const std::string& Root() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "zanvor-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            __builtin_trap();
        }
        return pattern + "/";
    }();
    return folder;
}

const std::string& Target() {
    static const std::string folder = [] {
        std::string path = Root();
        for (int i = 0; i < kDepth; ++i) {
            path += "d/";
        }
        return path + "target/";
    }();
    return folder;
}

// Whether `path` (below the root) is one the unpack may have made or found: the archive, a
// folder of the chain, the target folder or anything below it.
bool Allowed(const fs::path& path) {
    const std::string text = path.string();
    if (text == Root() + "update.zip") {
        return true;
    }
    if (text.rfind(Target(), 0) == 0 || text + "/" == Target()) {
        return true;
    }
    std::string chain = Root();
    for (int i = 0; i < kDepth; ++i) {
        chain += "d";
        if (text == chain) {
            return true;
        }
        chain += "/";
    }
    return false;
}

void CheckVersion(std::string_view text) {
    const auto version = zanvor::ParseVersionAnswer(text);
    if (!version) {
        return;
    }
    // Numbers separated by single dots, nothing else.
    if (version->empty() || version->front() == '.' || version->back() == '.' ||
        version->find("..") != std::string::npos ||
        version->find_first_not_of("0123456789.") != std::string::npos) {
        __builtin_trap();
    }
    const int order = zanvor::CompareVersions(*version, "1.0.2.0");
    if (order != zanvor::CompareVersions(*version, "1.0.2.0.0") || order < -1 || order > 1 ||
        zanvor::CompareVersions(*version, *version) != 0 ||
        zanvor::CompareVersions("1.0.2.0", *version) != -order) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckVersion(text);

    const std::string archive = Root() + "update.zip";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    std::error_code ec;
    fs::create_directories(Target(), ec);
    const zanvor::UnpackResult result = zanvor::UnpackArchive(archive, Target(), {1024 * 1024, 64});
    // Nothing outside the target folder, ever.
    for (auto it = fs::recursive_directory_iterator(Root(), ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec || !Allowed(it->path())) {
            __builtin_trap();
        }
    }
    // Every file reported is below the folder by its name as the system reads it.
    for (const std::string& file : result.files) {
        if (file.find('\0') != std::string::npos || file.rfind(Target(), 0) != 0 ||
            fs::path(file).lexically_normal().string().rfind(Target(), 0) != 0) {
            __builtin_trap();
        }
    }
    if (!result.ok && !fs::is_empty(Target(), ec)) {
        __builtin_trap();
    }
    fs::remove_all(Target(), ec);
    return 0;
}
