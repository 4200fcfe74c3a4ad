// Update archives and version answers over arbitrary bytes: unpacking must never crash, never
// write outside its folder and leave nothing behind when it fails; the version answer must
// only ever yield digits and dots.

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

// <tmp>/zanvor-fuzz-XXXXXX/ with the archive beside the folder it unpacks into.
const std::string& Workspace() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "zanvor-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            __builtin_trap();
        }
        return pattern + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto version = zanvor::ParseVersionAnswer(text)) {
        if (version->empty() || version->find_first_not_of("0123456789.") != std::string::npos) {
            __builtin_trap();
        }
        zanvor::CompareVersions(*version, "1.0.2.0");
    }

    const std::string archive = Workspace() + "update.zip";
    const std::string target = Workspace() + "target/";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    std::error_code ec;
    fs::create_directories(target, ec);
    const zanvor::UnpackResult result = zanvor::UnpackArchive(archive, target, {1024 * 1024, 64});
    // Only the archive and the target folder are ever in the workspace.
    for (const auto& entry : fs::directory_iterator(Workspace(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name != "update.zip" && name != "target") {
            __builtin_trap();
        }
    }
    if (!result.ok && !fs::is_empty(target, ec)) {
        __builtin_trap();
    }
    fs::remove_all(target, ec);
    return 0;
}
