#pragma once

#include <string>
#include <vector>

namespace zanvor {

// Text id, in section "KB.DIALOG", of a language file's own name for its language ("Deutsch",
// "日本語"), as the language list shows it: a new file brings its own name.
inline constexpr int kLanguageNameTextId = 5;

struct InstalledLanguage {
    int lcid = 0;
    std::string name;  // the language's name for itself; the decimal LCID when the file has none
};

// The languages installed in "<applicationFolder>language/": every "<decimal LCID>.lan" file
// that can be read, sorted by name (Latin, then Cyrillic, then CJK scripts).
std::vector<InstalledLanguage> FindInstalledLanguages(const std::string& applicationFolder);

// The LCIDs of the languages, ascending.
std::vector<int> LanguageIds(const std::vector<InstalledLanguage>& languages);

// "1031 Deutsch, 1033 English, …" in LCID order, for help texts and messages.
std::string DescribeLanguages(const std::vector<InstalledLanguage>& languages);

}  // namespace zanvor
