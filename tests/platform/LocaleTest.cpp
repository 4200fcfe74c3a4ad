#include "platform/Locale.h"

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

// Sets the locale variables for one case and restores them afterwards.
class LocaleEnvironment {
  public:
    explicit LocaleEnvironment(const std::map<std::string, std::string>& values) {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            if (old != nullptr) {
                saved_[name] = old;
            }
            unsetenv(name);
        }
        for (const auto& [name, value] : values) {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    ~LocaleEnvironment() {
        for (const char* name : kNames) {
            const auto found = saved_.find(name);
            if (found != saved_.end()) {
                setenv(name, found->second.c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
    }

  private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<std::string, std::string> saved_;
};

TEST(LocaleTest, LocaleNamesMapToLcids) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"pl_PL.UTF-8", 1045},
        {"pl", 1045},
        {"en_US.UTF-8", 1033},
        {"en", 1033},
        {"en_GB.UTF-8", 2057},
        {"de_DE", 1031},
        {"de_AT@euro", 3079},
        {"de_XX", 1031},
        {"fr_CA.utf8", 3084},
        {"zh_TW", 1028},
        {"zh", 2052},
        {"zh_CN.UTF-8", 2052},
        {"zh-Hans", 2052},
        {"zh_Hant_TW", 1028},
        {"ja_JP.UTF-8", 1041},
        {"ru_RU.UTF-8", 1049},
        {"es_ES.UTF-8", 3082},
        {"pt-BR", 1046},
        {"PL_pl", 1045},
        {"C", 1033},
        {"C.UTF-8", 1033},
        {"POSIX", 1033},
        {"", 1033},
        {"xx_YY", 1033},
    };
    for (const auto& [name, lcid] : cases) {
        EXPECT_EQ(LcidFromLocaleName(name), lcid) << name;
    }
}

TEST(LocaleTest, LcidsNameTheirLocale) {
    const std::vector<std::pair<int, std::string>> cases = {
        {1031, "de_DE"}, {1033, "en_US"}, {1045, "pl"}, {1046, "pt_BR"}, {2052, "zh_CN"},
        {1041, "ja"},    {3082, "es_ES"}, {1049, "ru"}, {1028, "zh_TW"}, {99999, ""},
    };
    for (const auto& [lcid, name] : cases) {
        EXPECT_EQ(LocaleNameOfLcid(lcid), name) << lcid;
        if (!name.empty()) {
            EXPECT_EQ(LcidFromLocaleName(name), lcid) << name;
        }
    }
}

TEST(LocaleTest, UserLanguageFollowsTheVariablesInOrder) {
    const std::vector<std::pair<std::map<std::string, std::string>, int>> cases = {
        {{{"LANGUAGE", "pl:en"}, {"LC_ALL", "de_DE.UTF-8"}, {"LANG", "en_US.UTF-8"}}, 1045},
        {{{"LANGUAGE", ""}, {"LC_ALL", "de_DE.UTF-8"}, {"LANG", "pl_PL.UTF-8"}}, 1031},
        {{{"LC_MESSAGES", "pl_PL.UTF-8"}, {"LANG", "en_US.UTF-8"}}, 1045},
        {{{"LC_ALL", ""}, {"LANG", "fr_FR.UTF-8"}}, 1036},
        {{}, 1033},
    };
    for (const auto& [variables, lcid] : cases) {
        LocaleEnvironment environment(variables);
        EXPECT_EQ(UserDefaultUiLanguage(), lcid) << lcid;
    }
}

TEST(LocaleTest, StartUpChoiceFollowsTheFourSteps) {
    struct Case {
        int stored;
        std::vector<int> available;
        int user;
        int active;
        bool store;
    };
    std::vector<Case> cases = {
        {1045, {1033, 1045}, 1033, 1045, false},  // stored and listed: kept
        {1033, {1033, 1045}, 1045, 1033, false},  // stored wins over the user's language
        {0, {1033, 1045}, 1045, 1045, true},      // nothing stored: the user's language
        {0, {1033, 1045}, 1031, 1033, true},      // user's language not listed
        {1031, {1033, 1045}, 1045, 1033, true},   // stored but no longer listed
        {0, {}, 1045, 1033, true},                // no configuration file
    };
    // The user's region is not installed but the language is: its main file serves.
    const std::vector<int> shipped = {1031, 1033, 1036, 1041, 1045, 1046, 1049, 2052, 3082};
    const std::vector<Case> regional = {
        {0, shipped, 3079, 1031, true},  // German of Austria
        {0, shipped, 4108, 1036, true},  // French of Switzerland
        {0, shipped, 2058, 3082, true},  // Spanish of Mexico
        {0, shipped, 4100, 2052, true},  // Chinese of Singapore: simplified
        {0, shipped, 1028, 1033, true},  // Chinese of Taiwan: traditional, not installed
        {0, shipped, 2070, 1033, true},  // Portuguese of Portugal: only Brazil's is installed
        {0, shipped, 1041, 1041, true},
        {3079, shipped, 1033, 1031, true},  // stored by hand: mended and written back
    };
    cases.insert(cases.end(), regional.begin(), regional.end());
    for (const Case& c : cases) {
        const LanguageChoice choice = ChooseLanguageFrom(c.stored, c.available, c.user);
        EXPECT_EQ(choice.active, c.active) << c.stored << "/" << c.user;
        EXPECT_EQ(choice.store, c.store) << c.stored << "/" << c.user;
    }
}

class ChooseLanguageTest : public test::IsolatedHomeTest {};

TEST_F(ChooseLanguageTest, FirstStartWithAnUnlistedLanguageStores1033) {
    EXPECT_EQ(ChooseLanguage({1033, 1045}, 1031), 1033);
    EXPECT_EQ(ReadRegistryText(kLcidValue), "1033");
}

TEST_F(ChooseLanguageTest, FirstStartWithAListedLanguageStoresIt) {
    EXPECT_EQ(ChooseLanguage({1033, 1045}, 1045), 1045);
    EXPECT_EQ(ReadRegistryText(kLcidValue), "1045");
    // The next start keeps it whatever the user's locale says now.
    EXPECT_EQ(ChooseLanguage({1033, 1045}, 1033), 1045);
}

TEST_F(ChooseLanguageTest, StoredListedLanguageIsKeptUnchanged) {
    ASSERT_TRUE(WriteRegistryText(kLcidValue, "1045"));
    EXPECT_EQ(ChooseLanguage({1033, 1045}, 1033), 1045);
    EXPECT_EQ(ReadRegistryText(kLcidValue), "1045");
}

}  // namespace
}  // namespace zanvor
