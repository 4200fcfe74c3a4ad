#pragma once

#include <string>
#include <vector>

namespace zanvor {

// Windows language ids (LCIDs) name the language files; the user's Linux locale is mapped
// onto them.
inline constexpr int kEnglishLcid = 1033;
inline constexpr int kPolishLcid = 1045;

// The LCID of a locale name such as "pl_PL.UTF-8", "en_GB", "de" or "zh_TW@euro";
// 1033 for an unknown language and for "C"/"POSIX".
int LcidFromLocaleName(const std::string& locale);

// The locale name of an LCID ("de_DE" for 1031, "pt_BR" for 1046, "zh_CN" for 2052), as
// toolkits name their translation files; empty for an unknown LCID.
std::string LocaleNameOfLcid(int lcid);

// The user's interface language: the first entry of LANGUAGE, else LC_ALL, else LC_MESSAGES,
// else LANG (the first one set and not empty), mapped with LcidFromLocaleName.
int UserDefaultUiLanguage();

// The start-up choice of the interface language.
struct LanguageChoice {
    int active = kEnglishLcid;  // the language to use
    bool store = false;         // write `active` to the setting `LCID`
};
// stored: the setting `LCID` (0 when missing or just created). A non-zero stored value is
// the candidate, otherwise the user's language; a candidate that is not available gives
// 1033. The choice is stored when the setting was 0 or the candidate was not available.
LanguageChoice ChooseLanguageFrom(int stored, const std::vector<int>& available, int userDefault);

// Runs the start-up choice against the settings: reads `LCID`, chooses and writes it back
// when needed. Returns the active language (the caller makes it active).
int ChooseLanguage(const std::vector<int>& available, int userDefault);

}  // namespace zanvor
