#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "screen/FileImageServices.h"
#include "screen/GifCodec.h"
#include "screen/ScreenLibrary.h"
#include "store/DataStore.h"
#include "store/StoreFixture.h"
#include "support/TestHome.h"

namespace zanvor::test {

inline std::string ScreenFixture(const std::string& name) {
    return std::string(ZANVOR_TEST_FIXTURES) + "/screen/" + name;
}

// Everything a GIF file decodes to, read with the codec's own sink (no fitting).
struct DecodedGif {
    GifError error = GifError::kNone;
    std::vector<ScreenImage> frames;
    std::vector<int> delaysMs;
};

inline DecodedGif DecodeFile(const std::string& path, const GifLimits& limits = {}) {
    DecodedGif decoded;
    decoded.error = ReadGifFile(path, limits, [&](const ScreenImage& canvas, int delayMs) {
        decoded.frames.push_back(canvas);
        decoded.delaysMs.push_back(delayMs);
    });
    return decoded;
}

// Every file below a folder, as paths relative to it.
inline std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        files.push_back(std::filesystem::relative(it->path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A library of the model "Zanvor Vista 96" (160 × 80 screen) on its own data folder and
// database, with an application folder of its own for factory GIFs.
class LibraryTest : public ::testing::Test {
  protected:
    static constexpr const char* kModel = "Zanvor Vista 96";

    void SetUp() override {
        ASSERT_TRUE(CreateFolders(data_.path() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(data_.path(), kModel));
        library.SetPlace(Place());
    }

    LibraryPlace Place() const {
        return LibraryPlace{data_.path(), app_.path(), kModel, ScreenFormat{160, 80}};
    }
    const std::string& dataFolder() const { return data_.path(); }
    std::string LibraryRoot() const { return data_.path() + "led/" + kModel + "/"; }

    // Installs a fixture as factory GIF `slot` of the model.
    void InstallFactoryGif(const std::string& fixture, int slot = 0) {
        const std::string folder = app_.path() + "gif/" + kModel + "/";
        ASSERT_TRUE(CreateFolders(folder));
        std::filesystem::copy_file(ScreenFixture(fixture), folder + std::to_string(slot) + ".gif",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    std::vector<std::vector<std::string>> Rows(const std::string& sql) const {
        return QueryRows(DataStore::DatabasePath(data_.path(), kModel), sql);
    }
    int CountRows(const std::string& table) const {
        const auto rows = Rows("SELECT count(*) FROM " + table);
        return rows.empty() ? -1 : std::stoi(rows[0][0]);
    }

  private:
    TempDir data_;  // before the store: removed only after the store closed
    TempDir app_;

  protected:
    DataStore store;
    FileImageServices images;
    ScreenLibrary library{store, images};
};

}  // namespace zanvor::test
