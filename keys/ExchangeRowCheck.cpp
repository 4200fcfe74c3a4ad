#include "keys/ExchangeRowCheck.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <utility>

#include "keys/KeyCodeTables.h"
#include "keys/KeyCodes.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

constexpr const char* kSection = "KB.DIALOG";
constexpr int kTextRow = 2160;           // "Row %s (layer %s, key %s): %s"
constexpr int kTextBadLayer = 2161;      // "the layer is not 0 to 3"
constexpr int kTextUnknownKey = 2162;    // "this keyboard has no such key"
constexpr int kTextDuplicate = 2163;     // "the key is in row %s already"
constexpr int kTextUnknownType = 2164;   // "unknown function type %s"
constexpr int kTextUnknownCode = 2165;   // "%s is not a function of this type"
constexpr int kTextBadUsage = 2166;      // "the key usage is not a number from 0 to 255"
constexpr int kTextBadMask = 2167;       // "the modifier mask is not a number from 0 to 255"
constexpr int kTextNoMacro = 2168;       // "there is no macro with id %s"
constexpr int kTextBadPlayType = 2169;   // "the play type is not 0 to 3"
constexpr int kTextBadPlayCount = 2170;  // "the play count is not a number from 0 to 255"
constexpr int kTextBadSpecial = 2171;    // "the value is not a number from 0 to 255"
constexpr int kTextTooManyRows = 2172;   // "The file holds %s key rows; ... at most %s."

constexpr int kMaxPlayType = 3;

// The language text with each "%s" replaced by the next argument.
std::string Fill(int id, std::initializer_list<std::string> arguments) {
    const std::string text = LoadText(kSection, id);
    std::string out;
    auto next = arguments.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%s") == 0 && next != arguments.end()) {
            out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsByte(int value) {
    return value >= 0 && value <= 0xFF;
}

template <typename Table, typename Accepts>
bool InTable(const Table& table, int code, Accepts accepts) {
    return std::any_of(table.begin(), table.end(),
                       [&](const auto& entry) { return entry.code == code && accepts(entry); });
}

// Why the row's function is not one the keyboard can hold; empty when it is.
std::string FunctionProblem(const KeyMacroData& row, const KeyRowLimits& limits) {
    const auto unknownCode = [&] {
        return Fill(kTextUnknownCode, {std::to_string(row.macro_value)});
    };
    const auto any = [](const auto&) { return true; };
    switch (row.macro_type) {
        case kFunctionNone:
        case kFunctionFixed:
            return {};
        case kFunctionKey:
            if (!IsByte(row.macro_value)) {
                return Fill(kTextBadUsage, {});
            }
            return IsByte(row.macro_value2) ? std::string() : Fill(kTextBadMask, {});
        case kFunctionMacro:
            if (limits.macroIds.count(row.macro_value) == 0) {
                return Fill(kTextNoMacro, {std::to_string(row.macro_value)});
            }
            if (row.macro_value2 < 0 || row.macro_value2 > kMaxPlayType) {
                return Fill(kTextBadPlayType, {});
            }
            return IsByte(row.macro_value3) ? std::string() : Fill(kTextBadPlayCount, {});
        case kFunctionMouse:
            return InTable(MouseFunctionTable(), row.macro_value, any) ? std::string()
                                                                       : unknownCode();
        case kFunctionMedia:
            // Codes only read back from a keyboard send no usage at all.
            return InTable(MediaFunctionTable(), row.macro_value,
                           [](const MediaFunction& f) { return f.encodes; })
                       ? std::string()
                       : unknownCode();
        case kFunctionShortcut:
            // A shortcut that encodes without a key would leave the key dead.
            return InTable(ShortcutFunctionTable(), row.macro_value,
                           [](const ShortcutFunction& f) {
                               return f.action[0] != 0x10 || f.action[2] != 0;
                           })
                       ? std::string()
                       : unknownCode();
        case kFunctionInternal:
            return InTable(InternalFunctionTable(), row.macro_value, any) ? std::string()
                                                                          : unknownCode();
        default:
            if (row.macro_type >= kFunctionSpecial && row.macro_type <= kFunctionSpecialLast) {
                return IsByte(row.macro_value) ? std::string() : Fill(kTextBadSpecial, {});
            }
            return Fill(kTextUnknownType, {std::to_string(row.macro_type)});
    }
}

std::string KeyText(int key) {
    char text[16];
    std::snprintf(text, sizeof text, IsByte(key) ? "0x%02X" : "%d", key);
    return text;
}

}  // namespace

std::string CheckImportedRows(const std::vector<KeyMacroData>& rows, const KeyRowLimits& limits) {
    const size_t most = limits.keys.size() * kKeyLayerCount;
    if (rows.size() > most) {
        return Fill(kTextTooManyRows, {std::to_string(rows.size()), std::to_string(most)});
    }
    // (layer, key) -> the row (from 1) that names it first.
    std::map<std::pair<int, int>, size_t> seen;
    for (size_t i = 0; i < rows.size(); ++i) {
        const KeyMacroData& row = rows[i];
        const auto refuse = [&](const std::string& reason) {
            return Fill(kTextRow, {std::to_string(i + 1), std::to_string(row.fn_layer),
                                   KeyText(row.key_code), reason});
        };
        if (row.fn_layer < 0 || row.fn_layer >= kKeyLayerCount) {
            return refuse(Fill(kTextBadLayer, {}));
        }
        if (row.key_code == kUsageKnob || limits.keys.count(row.key_code) == 0) {
            return refuse(Fill(kTextUnknownKey, {}));
        }
        const auto [first, added] = seen.emplace(std::make_pair(row.fn_layer, row.key_code), i + 1);
        if (!added) {
            return refuse(Fill(kTextDuplicate, {std::to_string(first->second)}));
        }
        if (row.macro_value == 0 && row.macro_value2 == 0) {
            continue;
        }
        if (std::string problem = FunctionProblem(row, limits); !problem.empty()) {
            return refuse(problem);
        }
    }
    return {};
}

}  // namespace zanvor
