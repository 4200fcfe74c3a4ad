// Keeps the code and the installed language files in step: every text the code looks up
// with literal arguments exists in every language file, and all language files carry the
// same text ids.

#include <algorithm>
#include <cctype>
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

// The format placeholders of a text, in order: printf-style ("%s", "%d", "%5.2f", "%%") and
// numbered ones ("%1".."%9").
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder(
        R"re(%([-+#0]*[0-9]*(\.[0-9]+)?(hh|h|ll|l|z)?[diouxXeEfgGcsp]|[1-9]|%))re");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

TEST(LanguageTextIdsTest, FindsPlaceholders) {
    EXPECT_EQ(Placeholders("Layer %1 of %2: %s, %d%% %5.2f %-3ld"),
              (std::vector<std::string>{"%1", "%2", "%s", "%d", "%%", "%5.2f", "%-3ld"}));
    EXPECT_TRUE(Placeholders("100 % sure").empty());
}

// Every language the program ships, with its words that are rightly spelt as in English.
struct ShippedLanguage {
    const char* file;
    std::set<std::string> sameAsEnglish;
};

// Identical in every language: the brand, the colour channel letters of the colour picker,
// the dialog button, the name of the aurora effect (a name, kept where the translator
// found no better one) and the SI abbreviation of minutes.
const std::set<std::string> kSameEverywhere = {"ZANVOR", "R", "G", "B", "OK", "Aurora"};

const std::vector<ShippedLanguage> kShippedLanguages = {
    {"1033.lan", {}},
    {"1045.lan", {}},
    // Real German words, and the animation term gamers use.
    {"1031.lan", {"Orange", "Version", "Animation", "Frames", "Frames:"}},
    // Real French words.
    {"1036.lan", {"Orange", "Version", "Macros", "Violet", "Animation", "Amplitude"}},
    {"3082.lan", {"Macros"}},  // the Spanish plural
    // The Portuguese plural and the words Brazilian players use.
    {"1046.lan", {"Macros", "Mouse", "E-mail", "Amplitude"}},
    {"1049.lan", {}},
    {"2052.lan", {}},
    {"1041.lan", {}},
};

TEST(LanguageTextIdsTest, EveryShippedLanguageIsInstalled) {
    const auto files = InstalledLanguageFiles();
    for (const ShippedLanguage& language : kShippedLanguages) {
        EXPECT_TRUE(files.count(language.file)) << language.file << " is not installed";
    }
    EXPECT_EQ(files.size(), kShippedLanguages.size()) << "a language file without a row here";
}

TEST(LanguageTextIdsTest, EveryLanguageHasExactlyTheEnglishTexts) {
    const auto files = InstalledLanguageFiles();
    ASSERT_TRUE(files.count("1033.lan"));
    const LanguageFile& english = files.at("1033.lan");
    for (const auto& [name, file] : files) {
        for (const auto& [section, key] : english.Keys()) {
            EXPECT_TRUE(file.Has(section, key)) << name << " lacks [" << section << "] " << key;
        }
        for (const auto& [section, key] : file.Keys()) {
            EXPECT_TRUE(english.Has(section, key))
                << name << " has [" << section << "] " << key << ", which English has not";
        }
    }
}

// A placeholder lost, added or swapped breaks the message the code formats. printf-style
// placeholders are filled by position, so they must come in the English order; numbered
// ones may be reordered by the translator but not dropped or repeated.
TEST(LanguageTextIdsTest, PlaceholdersMatchEnglish) {
    const auto files = InstalledLanguageFiles();
    ASSERT_TRUE(files.count("1033.lan"));
    const LanguageFile& english = files.at("1033.lan");
    for (const auto& [name, file] : files) {
        for (const auto& [section, key] : english.Keys()) {
            if (!file.Has(section, key)) {
                continue;  // reported by the test above
            }
            std::vector<std::string> want = Placeholders(english.Value(section, key));
            std::vector<std::string> got = Placeholders(file.Value(section, key));
            auto numberedLast = [](std::vector<std::string>& list) {
                auto numbered = std::stable_partition(list.begin(), list.end(), [](auto& p) {
                    return !std::isdigit(static_cast<unsigned char>(p[1]));
                });
                std::sort(numbered, list.end());
            };
            numberedLast(want);
            numberedLast(got);
            EXPECT_EQ(got, want) << name << " [" << section << "] " << key << ": \""
                                 << file.Value(section, key) << "\"";
        }
    }
}

TEST(LanguageTextIdsTest, NothingIsLeftInEnglish) {
    const auto files = InstalledLanguageFiles();
    ASSERT_TRUE(files.count("1033.lan"));
    const LanguageFile& english = files.at("1033.lan");
    for (const ShippedLanguage& language : kShippedLanguages) {
        if (std::string(language.file) == "1033.lan" || !files.count(language.file)) {
            continue;
        }
        const LanguageFile& file = files.at(language.file);
        for (const auto& [section, key] : english.Keys()) {
            const std::string text = file.Value(section, key);
            if (file.Has(section, key) && text == english.Value(section, key)) {
                EXPECT_TRUE(kSameEverywhere.count(text) || language.sameAsEnglish.count(text))
                    << language.file << " [" << section << "] " << key << " is still in English: \""
                    << text << "\"";
            }
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
