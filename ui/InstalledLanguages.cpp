#include "ui/InstalledLanguages.h"

#include <algorithm>
#include <filesystem>

#include "ui/LanguageFile.h"

namespace zanvor {

namespace {

// The LCID a file name stands for ("1031.lan" → 1031), 0 for any other name.
int LcidOfFileName(const std::filesystem::path& path) {
    if (path.extension() != ".lan") {
        return 0;
    }
    const std::string stem = path.stem().string();
    if (stem.empty() || stem.size() > 5 ||
        !std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    return std::stoi(stem);
}

}  // namespace

std::vector<InstalledLanguage> FindInstalledLanguages(const std::string& applicationFolder) {
    std::vector<InstalledLanguage> languages;
    std::error_code ec;
    auto it = std::filesystem::directory_iterator(applicationFolder + "language", ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const int lcid = LcidOfFileName(it->path());
        LanguageFile file;
        if (lcid <= 0 || !it->is_regular_file(ec) ||
            !LanguageFile::Load(it->path().string(), file)) {
            continue;
        }
        std::string name = file.Value("KB.DIALOG", std::to_string(kLanguageNameTextId));
        languages.push_back({lcid, name.empty() ? std::to_string(lcid) : std::move(name)});
    }
    // UTF-8 byte order puts Latin before Cyrillic before the CJK scripts.
    std::sort(languages.begin(), languages.end(), [](const auto& a, const auto& b) {
        return a.name != b.name ? a.name < b.name : a.lcid < b.lcid;
    });
    return languages;
}

std::vector<int> LanguageIds(const std::vector<InstalledLanguage>& languages) {
    std::vector<int> ids;
    for (const InstalledLanguage& language : languages) {
        ids.push_back(language.lcid);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string DescribeLanguages(const std::vector<InstalledLanguage>& languages) {
    std::vector<InstalledLanguage> byId = languages;
    std::sort(byId.begin(), byId.end(),
              [](const auto& a, const auto& b) { return a.lcid < b.lcid; });
    std::string text;
    for (const InstalledLanguage& language : byId) {
        text += (text.empty() ? "" : ", ") + std::to_string(language.lcid) + " " + language.name;
    }
    return text;
}

}  // namespace zanvor
