#include "platform/Locale.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/Registry.h"

namespace zanvor {

namespace {

struct LocaleLcid {
    const char* name;  // "ll" (the language's main LCID) or "ll_CC"
    int lcid;
};

// Windows LCIDs of the common languages and regions.
constexpr LocaleLcid kLcids[] = {
    {"ar", 1025},    {"ar_EG", 3073}, {"ar_SA", 1025},   {"be", 1059},      {"bg", 1026},
    {"ca", 1027},    {"cs", 1029},    {"da", 1030},      {"de", 1031},      {"de_AT", 3079},
    {"de_CH", 2055}, {"de_DE", 1031}, {"de_LU", 4103},   {"el", 1032},      {"en", 1033},
    {"en_AU", 3081}, {"en_CA", 4105}, {"en_GB", 2057},   {"en_IE", 6153},   {"en_IN", 16393},
    {"en_NZ", 5129}, {"en_US", 1033}, {"en_ZA", 7177},   {"es", 3082},      {"es_AR", 11274},
    {"es_ES", 3082}, {"es_MX", 2058}, {"es_US", 21514},  {"et", 1061},      {"eu", 1069},
    {"fa", 1065},    {"fi", 1035},    {"fr", 1036},      {"fr_BE", 2060},   {"fr_CA", 3084},
    {"fr_CH", 4108}, {"fr_FR", 1036}, {"ga", 2108},      {"gl", 1110},      {"he", 1037},
    {"hi", 1081},    {"hr", 1050},    {"hu", 1038},      {"id", 1057},      {"is", 1039},
    {"it", 1040},    {"it_CH", 2064}, {"ja", 1041},      {"ka", 1079},      {"kk", 1087},
    {"ko", 1042},    {"lt", 1063},    {"lv", 1062},      {"mk", 1071},      {"ms", 1086},
    {"nb", 1044},    {"nl", 1043},    {"nl_BE", 2067},   {"nn", 2068},      {"no", 1044},
    {"pl", 1045},    {"pt", 1046},    {"pt_BR", 1046},   {"pt_PT", 2070},   {"ro", 1048},
    {"ru", 1049},    {"sk", 1051},    {"sl", 1060},      {"sq", 1052},      {"sr", 2074},
    {"sv", 1053},    {"sv_FI", 2077}, {"th", 1054},      {"tr", 1055},      {"uk", 1058},
    {"vi", 1066},    {"zh", 2052},    {"zh_CN", 2052},   {"zh_HK", 3076},   {"zh_MO", 5124},
    {"zh_SG", 4100}, {"zh_TW", 1028}, {"zh_HANS", 2052}, {"zh_HANT", 1028},
};

// The language's main LCID for a regional one (German of Austria → German), which the user
// reads as well when no file of the region is installed. Chinese keeps its script: the
// simplified regions go to 2052, the traditional ones to 1028. Portuguese of Portugal keeps
// its own LCID: Brazilian Portuguese is not offered in its place.
int MainLcidOfLanguage(int lcid) {
    constexpr int kPrimaryMask = 0x3FF;
    switch (lcid & kPrimaryMask) {
        case 0x04:  // Chinese
            return lcid == 2052 || lcid == 4100 ? 2052 : 1028;
        case 0x0A:  // Spanish: the modern sort is the main one
            return 3082;
        case 0x16:  // Portuguese
            return lcid;
        default:
            return 0x400 | (lcid & kPrimaryMask);
    }
}

int Find(const std::string& name) {
    for (const auto& entry : kLcids) {
        if (name == entry.name) {
            return entry.lcid;
        }
    }
    return 0;
}

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace

int LcidFromLocaleName(const std::string& locale) {
    // "ll_CC.codeset@modifier": drop codeset and modifier; "-" separates like "_".
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    std::replace(name.begin(), name.end(), '-', '_');
    const size_t underscore = name.find('_');
    std::string language = name.substr(0, underscore);
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (underscore != std::string::npos) {
        std::string region = name.substr(underscore + 1);
        std::transform(region.begin(), region.end(), region.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (const int lcid = Find(language + "_" + region)) {
            return lcid;
        }
        // "zh_Hant_TW": the script alone names the language.
        if (const int lcid = Find(language + "_" + region.substr(0, region.find('_')))) {
            return lcid;
        }
    }
    const int lcid = Find(language);
    return lcid != 0 ? lcid : kEnglishLcid;
}

std::string LocaleNameOfLcid(int lcid) {
    // The table holds the language ("de") and its regions ("de_DE"): the region whose LCID it
    // is names it best; a language without one is named alone.
    std::string language;
    for (const auto& entry : kLcids) {
        const std::string name = entry.name;
        if (entry.lcid != lcid) {
            continue;
        }
        if (name.size() == 5 && name[2] == '_') {
            return name;
        }
        if (language.empty()) {
            language = name;
        }
    }
    return language;
}

int UserDefaultUiLanguage() {
    if (const char* list = NonEmptyEnv("LANGUAGE")) {
        const std::string first(list, std::strcspn(list, ":"));
        if (!first.empty()) {
            return LcidFromLocaleName(first);
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = NonEmptyEnv(name)) {
            return LcidFromLocaleName(value);
        }
    }
    return kEnglishLcid;
}

LanguageChoice ChooseLanguageFrom(int stored, const std::vector<int>& available, int userDefault) {
    const auto listed = [&](int lcid) {
        return std::find(available.begin(), available.end(), lcid) != available.end();
    };
    int candidate = stored != 0 ? stored : userDefault;
    if (!listed(candidate) && listed(MainLcidOfLanguage(candidate))) {
        candidate = MainLcidOfLanguage(candidate);
    }
    LanguageChoice choice;
    choice.active = listed(candidate) ? candidate : kEnglishLcid;
    choice.store = stored == 0 || choice.active != stored;
    return choice;
}

int ChooseLanguage(const std::vector<int>& available, int userDefault) {
    const LanguageChoice choice = ChooseLanguageFrom(ReadLanguageId(), available, userDefault);
    if (choice.store) {
        WriteRegistryInt(kLcidValue, choice.active);
    }
    return choice.active;
}

}  // namespace zanvor
