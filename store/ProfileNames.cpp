#include "store/ProfileNames.h"

#include <algorithm>
#include <string_view>

#include "ui/LoadText.h"

namespace zanvor {

namespace {

// Prefixes of the default names stored by earlier versions.
constexpr std::string_view kEnglishDefault = "Profile";
constexpr std::string_view kChineseDefault = "配置文件";
constexpr std::string_view kCustomDefault = "我的專屬配寘";

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsNumber(std::string_view text) {
    return !text.empty() && text.size() <= 4 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<base in any language> <n>" as "<base in the current language> <n>"; false for any other
// name.
bool LocaliseDefaultName(const std::string& stored, int baseTextId, std::string& shown) {
    const std::string current = LoadText("KB.DIALOG", baseTextId);
    if (current.empty()) {
        return false;
    }
    for (const std::string& base : LoadTextInEveryLanguage("KB.DIALOG", baseTextId)) {
        if (stored.size() > base.size() + 1 && StartsWith(stored, base) &&
            stored[base.size()] == ' ' &&
            IsNumber(std::string_view(stored).substr(base.size() + 1))) {
            shown = current + stored.substr(base.size());
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ProfileDisplayName(const std::string& stored) {
    std::string shown;
    if (LocaliseDefaultName(stored, kTextNewProfileBase, shown) ||
        LocaliseDefaultName(stored, kTextProfileBase, shown)) {
        return shown;
    }
    if (StartsWith(stored, kEnglishDefault)) {
        return LoadText("KB.DIALOG", kTextProfileBase) + stored.substr(kEnglishDefault.size());
    }
    if (StartsWith(stored, kChineseDefault)) {
        return LoadText("KB.DIALOG", kTextProfileBase) + stored.substr(kChineseDefault.size());
    }
    if (StartsWith(stored, kCustomDefault)) {
        return LoadText("KB.DIALOG", kTextNewProfileBase) + stored.substr(kCustomDefault.size());
    }
    return stored;
}

}  // namespace zanvor
