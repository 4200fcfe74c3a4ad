// Keeps the code and the installed language files in step: every text the code looks up
// with literal arguments exists in every language file, and all language files carry the
// same text ids.

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestHome.h"
#include "ui/LanguageFile.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;

struct TextUse {
    std::string section;
    std::string id;
    std::string where;  // file:line
};

// Every LoadText("SECTION", 123) call with literal arguments in a source text.
std::vector<TextUse> FindTextUses(const std::string& source, const std::string& file) {
    static const std::regex call(R"re(\bLoadText\s*\(\s*"([^"\\]*)"\s*,\s*([0-9]+)\s*\))re");
    std::vector<TextUse> uses;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), call);
         it != std::sregex_iterator(); ++it) {
        const auto line = 1 + std::count(source.begin(), source.begin() + it->position(), '\n');
        // "011" and "11" name the same text.
        const std::string id = std::to_string(std::stoll((*it)[2].str()));
        uses.push_back({(*it)[1].str(), id, file + ":" + std::to_string(line)});
    }
    return uses;
}

std::vector<TextUse> ScanSourceTree(const fs::path& root) {
    std::vector<TextUse> uses;
    auto it = fs::recursive_directory_iterator(root);
    for (; it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        if (it->is_directory()) {
            const bool skip = name.rfind("build", 0) == 0 || name[0] == '.' ||
                              (it.depth() == 0 && name == "tests");
            if (skip) {
                it.disable_recursion_pending();
            }
            continue;
        }
        const std::string ext = path.extension().string();
        if (ext != ".cpp" && ext != ".h") {
            continue;
        }
        const auto found =
            FindTextUses(test::ReadFile(path.string()), fs::relative(path, root).string());
        uses.insert(uses.end(), found.begin(), found.end());
    }
    return uses;
}

std::map<std::string, LanguageFile> InstalledLanguageFiles() {
    std::map<std::string, LanguageFile> files;
    for (const auto& entry :
         fs::directory_iterator(fs::path(ZANVOR_SOURCE_DIR) / "data" / "language")) {
        if (entry.path().extension() == ".lan") {
            LanguageFile file;
            EXPECT_TRUE(LanguageFile::Load(entry.path().string(), file)) << entry.path();
            files.emplace(entry.path().filename().string(), std::move(file));
        }
    }
    return files;
}

TEST(LanguageTextIdsTest, FindsLiteralCallsOnly) {
    const std::string source =
        "a = LoadText(\"KB.DIALOG\", 509);\n"
        "b = LoadText( \"CAPTION\" ,\n  12 );\n"
        "c = LoadText(section, 3);\n"          // not literal: the caller's business
        "d = LoadText(\"OEM\", kBrand);\n"     // not literal
        "e = MyLoadText(\"KB.DIALOG\", 1);\n"  // another function
        "f = LoadText(\"KB.DIALOG\", 011);\n";
    const auto uses = FindTextUses(source, "x.cpp");
    ASSERT_EQ(uses.size(), 3u);
    EXPECT_EQ(uses[0].section + "/" + uses[0].id + "@" + uses[0].where, "KB.DIALOG/509@x.cpp:1");
    EXPECT_EQ(uses[1].section + "/" + uses[1].id + "@" + uses[1].where, "CAPTION/12@x.cpp:2");
    EXPECT_EQ(uses[2].section + "/" + uses[2].id, "KB.DIALOG/11");
}

TEST(LanguageTextIdsTest, EveryLanguageFileIsWellFormed) {
    const auto files = InstalledLanguageFiles();
    ASSERT_TRUE(files.count("1033.lan"));
    ASSERT_TRUE(files.count("1045.lan"));
    for (const auto& [name, file] : files) {
        for (const std::string& problem : file.Problems()) {
            ADD_FAILURE() << name << ": " << problem;
        }
        for (const auto& [section, key] : file.Keys()) {
            EXPECT_FALSE(file.Value(section, key).empty())
                << name << ": [" << section << "] " << key << " has no text";
        }
        EXPECT_EQ(file.Value("OEM", "1"), "ZANVOR") << name;
    }
}

TEST(LanguageTextIdsTest, AllLanguageFilesHaveTheSameTextIds) {
    const auto files = InstalledLanguageFiles();
    std::set<std::pair<std::string, std::string>> all;
    for (const auto& [name, file] : files) {
        const auto keys = file.Keys();
        all.insert(keys.begin(), keys.end());
    }
    for (const auto& [name, file] : files) {
        for (const auto& [section, key] : all) {
            EXPECT_TRUE(file.Has(section, key))
                << name << " lacks [" << section << "] " << key << " that another file has";
        }
    }
}

TEST(LanguageTextIdsTest, EveryTextTheCodeUsesExistsInEveryLanguage) {
    const auto files = InstalledLanguageFiles();
    const auto uses = ScanSourceTree(ZANVOR_SOURCE_DIR);
    for (const TextUse& use : uses) {
        for (const auto& [name, file] : files) {
            EXPECT_TRUE(file.Has(use.section, use.id))
                << use.where << ": LoadText(\"" << use.section << "\", " << use.id
                << ") is missing from " << name;
        }
    }
}

}  // namespace
}  // namespace zanvor
