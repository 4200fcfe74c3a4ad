// Time of importing a profile file of 100 000 key items into a fresh database: the whole
// import runs in one transaction (row by row with a transaction each it takes minutes).
// Prints the median and the slowest of several imports.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keys/ExchangePage.h"
#include "store/DataStore.h"
#include "store/Records.h"

using namespace zanvor;

namespace {

std::string ImportFile(int items) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile><profileinfo name=\"Imported\" "
        "/><key_macro>";
    text.reserve(static_cast<size_t>(items) * 160);
    for (int i = 0; i < items; ++i) {
        text += "<item fn_layer=\"" + std::to_string(i % 4) + "\" key_code=\"" +
                std::to_string(i / 4 + 1) +
                "\" layout_value=\"1\" layout_desc=\"d\" macro_type=\"2\" macro_value=\"1\" "
                "macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"m\" />";
    }
    return text + "</key_macro></profile>";
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    constexpr int kItems = 100000;
    char pattern[] = "/tmp/zanvor-import-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("profile_import: mkdtemp");
        return 1;
    }
    const std::string folder = std::string(pattern) + "/";
    const std::string file = folder + "import.xml";
    std::ofstream(file, std::ios::binary) << ImportFile(kItems);

    std::vector<double> times;
    int status = 0;
    for (int i = 0; i < rounds && status == 0; ++i) {
        const std::string data = folder + "data" + std::to_string(i) + "/";
        std::filesystem::create_directories(data + "db");
        DataStore store;
        if (!store.OpenDeviceDatabase(data, "Bench")) {
            std::fprintf(stderr, "profile_import: cannot open a database in %s\n", data.c_str());
            status = 1;
            break;
        }
        ProfileData profile;
        profile.name = "Profile 1";
        profile.icon_image = kProfileIconFile;
        store.InsertProfile(profile);
        const auto t0 = std::chrono::steady_clock::now();
        const ImportResult result = ImportProfileFile(store, file);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
        if (result.status != ImportStatus::Imported || result.keyRows != kItems) {
            std::fprintf(stderr, "profile_import: the import failed\n");
            status = 1;
        }
        store.CloseDatabase();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (status != 0) {
        return status;
    }
    std::sort(times.begin(), times.end());
    std::printf("profile import of %d items: median %.0f ms, slowest %.0f ms (%d runs)\n", kItems,
                times[times.size() / 2], times.back(), rounds);
    return 0;
}
