#include "keys/KeyFunctionText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "keys/ActionCode.h"
#include "keys/FunctionLists.h"
#include "keys/KeyCodeTables.h"
#include "keys/KeyCodes.h"
#include "ui/LoadText.h"

namespace zanvor {

const char* const kKeyFunctionForms =
    "none, fixed, key:K[+MOD...] (K a usage like 0x04 or a caption like Esc; MOD one of LCtrl "
    "LShift LAlt LWin RCtrl RShift RAlt RWin), mouse:N (90-97), media:N (100-122), "
    "shortcut:N (150-160), fn:N (1-53), special:N (0-255), macro:ID[:PLAYTYPE[:COUNT]] "
    "(PLAYTYPE 0-3, COUNT 1-255)";

namespace {

// Modifier names of the grammar, bit 0 to bit 7.
constexpr std::array<const char*, 8> kModifierNames = {"LCtrl", "LShift", "LAlt", "LWin",
                                                       "RCtrl", "RShift", "RAlt", "RWin"};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool HasHexPrefix(std::string_view text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// A whole decimal or 0x-hex number.
bool ParseNumber(std::string_view text, int& value) {
    text = Trim(text);
    int base = 10;
    if (HasHexPrefix(text)) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) {
        return false;
    }
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, base);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(Trim(text.substr(start, end - start)));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// The list caption of a catalogue function (key list first, then knob list); empty if none.
std::string CatalogueCaption(int type, int code) {
    for (const auto& list : {BuildKeyFunctionList(), BuildKnobFunctionList()}) {
        for (const KeyFunction& entry : list) {
            if (entry.type == type && entry.code == code) {
                return entry.name;
            }
        }
    }
    return std::string();
}

// The caption a key usage is drawn with.
std::string KeyCaption(int usage) {
    std::string name = UsageName(usage);
    if (!name.empty()) {
        return name;
    }
    for (const KeyListEntry& entry : KeyListKeys()) {
        if (entry.usage == usage) {
            return entry.caption;
        }
    }
    if (usage == 0) {
        return std::string();
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", usage);
    return text;
}

bool Fail(std::string& error, const std::string& reason) {
    error = reason + "; valid forms: " + kKeyFunctionForms;
    return false;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

bool ParseKey(std::string_view argument, KeyMacroData& out, std::string& error) {
    const std::vector<std::string_view> parts = Split(argument, '+');
    int usage = 0;
    if (parts.front().empty() || !ParseKeyUsage(parts.front(), usage)) {
        return Fail(error, "unknown key " + Quoted(parts.front()));
    }
    int mask = 0;
    for (size_t i = 1; i < parts.size(); ++i) {
        const auto it =
            std::find_if(kModifierNames.begin(), kModifierNames.end(),
                         [&](const char* name) { return EqualsNoCase(parts[i], name); });
        if (it == kModifierNames.end()) {
            return Fail(error, "unknown modifier " + Quoted(parts[i]));
        }
        mask |= 1 << (it - kModifierNames.begin());
    }
    out.macro_type = kFunctionKey;
    out.macro_value = usage;
    out.macro_value2 = mask;
    out.macro_value3 = 0;
    out.macro_desc = CombinationCaption(mask, KeyCaption(usage));
    return true;
}

bool ParseCatalogueCode(std::string_view argument, std::string_view kind, int type, int low,
                        int high, bool fallbackCaption, KeyMacroData& out, std::string& error) {
    int code = 0;
    if (!ParseNumber(argument, code) || code < low || code > high) {
        return Fail(error, std::string(kind) + " needs a number from " + std::to_string(low) +
                               " to " + std::to_string(high));
    }
    std::string caption = CatalogueCaption(type, code);
    if (caption.empty()) {
        if (!fallbackCaption) {
            return Fail(error,
                        "there is no " + std::string(kind) + " function " + std::to_string(code));
        }
        caption = std::string(kind) + ":" + std::to_string(code);
    }
    out.macro_type = type;
    out.macro_value = code;
    out.macro_value2 = 0;
    out.macro_value3 = 0;
    out.macro_desc = caption;
    return true;
}

bool ParseMacro(std::string_view argument, const std::vector<MacroData>& macros, KeyMacroData& out,
                std::string& error) {
    const std::vector<std::string_view> parts = Split(argument, ':');
    int id = 0;
    if (parts.size() > 3 || !ParseNumber(parts[0], id)) {
        return Fail(error, "macro needs an id, then optionally a play type and a play count");
    }
    const auto macro = std::find_if(macros.begin(), macros.end(),
                                    [id](const MacroData& m) { return m.macro_id == id; });
    if (macro == macros.end()) {
        return Fail(error, "there is no macro with id " + std::to_string(id));
    }
    int playType = 0;
    if (parts.size() > 1 && (!ParseNumber(parts[1], playType) || playType < 0 || playType > 3)) {
        return Fail(error, "the play type of a macro is 0, 1, 2 or 3");
    }
    int count = 0;
    if (parts.size() > 2 && (!ParseNumber(parts[2], count) || count < 1 || count > 255)) {
        return Fail(error, "the play count of a macro is a number from 1 to 255");
    }
    out.macro_type = kFunctionMacro;
    out.macro_value = id;
    out.macro_value2 = playType;
    out.macro_value3 = count;
    out.macro_desc = MacroDisplayName(macro->name);
    return true;
}

}  // namespace

bool ParseKeyUsage(std::string_view text, int& usage) {
    text = Trim(text);
    if (HasHexPrefix(text)) {
        int value = 0;
        if (!ParseNumber(text, value) || value < 0 || value > 0xFF) {
            return false;
        }
        usage = value;
        return true;
    }
    if (text.empty()) {
        return false;
    }
    for (const UsageCaption& entry : UsageCaptionTable()) {
        if (EqualsNoCase(text, entry.caption)) {
            usage = entry.usage;
            return true;
        }
    }
    for (const KeyListEntry& entry : KeyListKeys()) {
        if (EqualsNoCase(text, entry.caption)) {
            usage = entry.usage;
            return true;
        }
    }
    // Rows and files made before the caption's spelling was corrected.
    if (EqualsNoCase(text, "Backsapce")) {
        usage = 0x2A;
        return true;
    }
    return false;
}

bool ParseKeyFunction(std::string_view text, const std::vector<MacroData>& macros,
                      KeyMacroData& function, std::string& error) {
    text = Trim(text);
    const size_t colon = text.find(':');
    const std::string_view keyword = Trim(text.substr(0, colon));
    const bool hasArgument = colon != std::string_view::npos;
    const std::string_view argument = hasArgument ? Trim(text.substr(colon + 1)) : "";

    KeyMacroData out = function;
    bool ok = false;
    if (EqualsNoCase(keyword, "none") && !hasArgument) {
        out.macro_type = kFunctionKey;
        out.macro_value = 0;
        out.macro_value2 = 0;
        out.macro_value3 = 0;
        out.macro_desc.clear();
        ok = true;
    } else if (EqualsNoCase(keyword, "fixed") && !hasArgument) {
        out.macro_type = kFunctionFixed;
        out.macro_value = 0;
        out.macro_value2 = 0;
        out.macro_value3 = 0;
        out.macro_desc = LoadText("KB.DIALOG", 213);
        ok = true;
    } else if (!hasArgument || argument.empty()) {
        return Fail(error, "unknown function " + Quoted(text));
    } else if (EqualsNoCase(keyword, "key")) {
        ok = ParseKey(argument, out, error);
    } else if (EqualsNoCase(keyword, "mouse")) {
        ok = ParseCatalogueCode(argument, "mouse", kFunctionMouse, 90, 97, false, out, error);
    } else if (EqualsNoCase(keyword, "media")) {
        ok = ParseCatalogueCode(argument, "media", kFunctionMedia, 100, 122, false, out, error);
    } else if (EqualsNoCase(keyword, "shortcut")) {
        ok = ParseCatalogueCode(argument, "shortcut", kFunctionShortcut, 150, 160, false, out,
                                error);
    } else if (EqualsNoCase(keyword, "fn")) {
        ok = ParseCatalogueCode(argument, "fn", kFunctionInternal, 1, 53, true, out, error);
    } else if (EqualsNoCase(keyword, "special")) {
        int value = 0;
        if (!ParseNumber(argument, value) || value < 0 || value > 255) {
            return Fail(error, "special needs a number from 0 to 255");
        }
        out.macro_type = kFunctionSpecial;
        out.macro_value = value;
        out.macro_value2 = 0;
        out.macro_value3 = 0;
        out.macro_desc = "Special";
        ok = true;
    } else if (EqualsNoCase(keyword, "macro")) {
        ok = ParseMacro(argument, macros, out, error);
    } else {
        return Fail(error, "unknown function " + Quoted(text));
    }
    if (ok) {
        function = out;
    }
    return ok;
}

bool IsOfferedKeyFunction(const KeyMacroData& function, std::string& error) {
    const int type = function.macro_type;
    if (type == kFunctionKey && function.macro_value > 0) {
        return true;
    }
    if (type == kFunctionMacro) {
        return true;
    }
    if (type == kFunctionMouse || type == kFunctionMedia || type == kFunctionShortcut ||
        type == kFunctionInternal) {
        for (const KeyFunction& entry : BuildKeyFunctionList()) {
            if (entry.type == type && entry.code == function.macro_value) {
                return true;
            }
        }
    }
    // Not Fail(): its list of every form would name the very function refused here.
    error = "keys cannot take " + FormatKeyFunction(function) +
            ": the key-assignment page does not offer it; a key takes key:K[+MOD...], mouse:N, "
            "media:N, shortcut:N, fn:N or macro:ID[:PLAYTYPE[:COUNT]] with a code of the "
            "function lists ('key reset KEY' gives a key its factory function)";
    return false;
}

std::string FormatKeyFunction(const KeyMacroData& row) {
    const int type = row.macro_type;
    const std::string value = std::to_string(row.macro_value);
    if (type == kFunctionFixed) {
        return "fixed";
    }
    if (type == kFunctionKey) {
        if (row.macro_value == 0 && row.macro_value2 == 0) {
            return "none";
        }
        char text[16];
        std::snprintf(text, sizeof text, "key:0x%02X", row.macro_value & 0xFF);
        std::string result = text;
        for (int bit = 0; bit < 8; ++bit) {
            if (row.macro_value2 & (1 << bit)) {
                result += std::string("+") + kModifierNames[static_cast<size_t>(bit)];
            }
        }
        return result;
    }
    if (type == kFunctionMacro) {
        std::string result = "macro:" + value;
        if (row.macro_value2 != 0 || row.macro_value3 != 0) {
            result += ":" + std::to_string(row.macro_value2);
        }
        if (row.macro_value3 != 0) {
            result += ":" + std::to_string(row.macro_value3);
        }
        return result;
    }
    if (type == kFunctionMouse) {
        return "mouse:" + value;
    }
    if (type == kFunctionMedia) {
        return "media:" + value;
    }
    if (type == kFunctionShortcut) {
        return "shortcut:" + value;
    }
    if (type >= kFunctionSpecial && type <= kFunctionSpecialLast) {
        return "special:" + value;
    }
    if (type == kFunctionInternal) {
        return "fn:" + value;
    }
    return "none";
}

bool ResolveLayoutKey(std::string_view text, const std::vector<KeyItem>& keys, int& usage,
                      std::string& error) {
    text = Trim(text);
    auto isKey = [](const KeyItem& item) { return item.code > 0 && item.code != kUsageKnob; };
    if (HasHexPrefix(text)) {
        int value = 0;
        if (ParseNumber(text, value)) {
            for (const KeyItem& item : keys) {
                if (isKey(item) && item.code == value) {
                    usage = value;
                    return true;
                }
            }
        }
        error = "this keyboard has no key with usage " + Quoted(text);
        return false;
    }
    std::vector<int> found;
    for (const KeyItem& item : keys) {
        if (isKey(item) && EqualsNoCase(text, item.caption)) {
            found.push_back(item.code);
        }
    }
    if (found.size() == 1) {
        usage = found.front();
        return true;
    }
    if (found.empty()) {
        error = "this keyboard has no key " + Quoted(text) +
                " (give its caption or its usage in hex, like 0x04)";
        return false;
    }
    error = "several keys are called " + Quoted(text) + "; give the usage instead:";
    for (int code : found) {
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02X", code);
        error += hex;
    }
    return false;
}

}  // namespace zanvor
