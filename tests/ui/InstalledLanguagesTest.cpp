#include "ui/InstalledLanguages.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestHome.h"

namespace zanvor {
namespace {

std::vector<std::string> Names(const std::vector<InstalledLanguage>& languages) {
    std::vector<std::string> names;
    for (const InstalledLanguage& language : languages) {
        names.push_back(std::to_string(language.lcid) + " " + language.name);
    }
    return names;
}

TEST(InstalledLanguagesTest, EveryLanguageFileIsOfferedUnderItsOwnName) {
    test::TempDir folder;
    const std::string language = folder.path() + "language/";
    std::filesystem::create_directories(language + "1050.lan");  // a folder, not a file
    test::WriteFile(language + "1031.lan", "\xEF\xBB\xBF[KB.DIALOG]\n5=Deutsch\n11=Beenden\n");
    test::WriteFile(language + "1049.lan", "[KB.DIALOG]\n5=Русский\n");
    test::WriteFile(language + "1033.lan", "[KB.DIALOG]\n5=English\n");
    test::WriteFile(language + "1040.lan", "[KB.DIALOG]\n11=Esci\n");  // no name of its own
    test::WriteFile(language + "notes.lan", "[KB.DIALOG]\n5=Notes\n");
    test::WriteFile(language + "1036.lan.bak", "[KB.DIALOG]\n5=Français\n");
    test::WriteFile(language + "2052.txt", "[KB.DIALOG]\n5=简体中文\n");

    const auto languages = FindInstalledLanguages(folder.path());
    EXPECT_EQ(Names(languages), (std::vector<std::string>{"1040 1040", "1031 Deutsch",
                                                          "1033 English", "1049 Русский"}));
    EXPECT_EQ(LanguageIds(languages), (std::vector<int>{1031, 1033, 1040, 1049}));
    EXPECT_EQ(DescribeLanguages(languages), "1031 Deutsch, 1033 English, 1040 1040, 1049 Русский");
    EXPECT_TRUE(FindInstalledLanguages(folder.path() + "missing/").empty());
}

TEST(InstalledLanguagesTest, TheShippedLanguagesNameThemselves) {
    const auto languages = FindInstalledLanguages(std::string(ZANVOR_SOURCE_DIR) + "/data/");
    EXPECT_EQ(Names(languages),
              (std::vector<std::string>{"1031 Deutsch", "1033 English", "3082 Español",
                                        "1036 Français", "1045 Polski", "1046 Português (Brasil)",
                                        "1049 Русский", "1041 日本語", "2052 简体中文"}));
}

}  // namespace
}  // namespace zanvor
