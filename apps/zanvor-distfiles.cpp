// Build-time tool: writes the installation's files that are made from the program itself,
// so they never drift from it: the udev rule (from the keyboard catalogue), and zanvorctl's
// manual page and bash completion (from its grammar).
//
//     zanvor-distfiles DATA_FOLDER MAN_TEMPLATE OUTPUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/CliManual.h"
#include "device/DeviceCatalogue.h"
#include "device/UdevRule.h"
#include "platform/Paths.h"

namespace {

bool WriteWhole(const std::filesystem::path& path, const std::string& content) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(content.data(), static_cast<std::streamsize>(content.size())) ||
            !file.flush()) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zanvor-distfiles DATA_FOLDER MAN_TEMPLATE OUTPUT_FOLDER\n");
        return 2;
    }
    std::string data = argv[1];
    if (data.back() != '/') {
        data += '/';
    }
    const std::filesystem::path output = argv[3];

    zanvor::DeviceCatalogue catalogue;
    if (!zanvor::ReadCatalogueFile(data, catalogue) || catalogue.connections.empty()) {
        std::fprintf(stderr, "zanvor-distfiles: no keyboards in %sconfig.xml\n", data.c_str());
        return 1;
    }
    std::ifstream templateFile(argv[2], std::ios::binary);
    const std::string manTemplate{std::istreambuf_iterator<char>(templateFile),
                                  std::istreambuf_iterator<char>()};
    if (manTemplate.empty()) {
        std::fprintf(stderr, "zanvor-distfiles: cannot read %s\n", argv[2]);
        return 1;
    }
    std::vector<int> deviceTypes;
    for (const zanvor::KeyboardEntry& keyboard : catalogue.keyboards) {
        deviceTypes.push_back(keyboard.deviceType);
    }

    // The manual lists the languages of this data folder.
    zanvor::SetApplicationFolder(data);
    std::error_code ec;
    std::filesystem::create_directories(output, ec);
    bool ok = WriteWhole(output / zanvor::kUdevRuleFileName, zanvor::UdevRuleText(catalogue));
    zanvor::DescribeCommandLine([&](const CLI::App& cli) {
        ok = WriteWhole(output / "zanvorctl.1",
                        zanvor::CliManualPage(cli, manTemplate, ZANVOR_VERSION)) &&
             WriteWhole(output / "zanvorctl", zanvor::CliBashCompletion(cli, deviceTypes)) && ok;
        return 0;
    });
    if (!ok) {
        std::fprintf(stderr, "zanvor-distfiles: cannot write into %s\n", argv[3]);
        return 1;
    }
    return 0;
}
