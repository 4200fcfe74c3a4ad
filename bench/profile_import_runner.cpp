// Time of importing the fullest profile file a keyboard can take (every key usage on four
// layers) into a fresh database, in one transaction (row by row with a transaction each it
// takes seconds), and of refusing a file of 100 000 key items, which no keyboard can hold.
// Prints the median and the slowest of several imports.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
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
        // Key usages 1..254 on four layers, then on beyond them.
        text += "<item fn_layer=\"" + std::to_string(i % 4) + "\" key_code=\"" +
                std::to_string(i / 4 + 1) +
                "\" layout_value=\"1\" layout_desc=\"d\" macro_type=\"2\" macro_value=\"1\" "
                "macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"m\" />";
    }
    return text + "</key_macro></profile>";
}

struct Run {
    const char* what;
    int items;
    ImportStatus status;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    std::set<int> keys;
    for (int usage = 1; usage <= 254; ++usage) {
        keys.insert(usage);
    }
    const Run runs[] = {
        {"import", static_cast<int>(keys.size()) * 4, ImportStatus::Imported},
        {"refusal", 100000, ImportStatus::Refused},
    };
    char pattern[] = "/tmp/zanvor-import-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("profile_import: mkdtemp");
        return 1;
    }
    const std::string folder = std::string(pattern) + "/";
    int status = 0;
    for (const Run& run : runs) {
        const std::string file = folder + run.what + ".xml";
        std::ofstream(file, std::ios::binary) << ImportFile(run.items);
        std::vector<double> times;
        for (int i = 0; i < rounds && status == 0; ++i) {
            const std::string data = folder + run.what + std::to_string(i) + "/";
            std::filesystem::create_directories(data + "db");
            DataStore store;
            if (!store.OpenDeviceDatabase(data, "Bench")) {
                std::fprintf(stderr, "profile_import: cannot open a database in %s\n",
                             data.c_str());
                status = 1;
                break;
            }
            ProfileData profile;
            profile.name = "Profile 1";
            profile.icon_image = kProfileIconFile;
            store.InsertProfile(profile);
            const auto t0 = std::chrono::steady_clock::now();
            const ImportResult result = ImportProfileFile(store, file, keys);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
            const size_t expectedRows =
                run.status == ImportStatus::Imported ? static_cast<size_t>(run.items) : 0;
            if (result.status != run.status || result.keyRows != expectedRows) {
                std::fprintf(stderr, "profile_import: the %s went wrong\n", run.what);
                status = 1;
            }
            store.CloseDatabase();
        }
        if (status != 0) {
            break;
        }
        std::sort(times.begin(), times.end());
        std::printf("profile %s of %d items: median %.1f ms, slowest %.1f ms (%d runs)\n", run.what,
                    run.items, times[times.size() / 2], times.back(), rounds);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
