#include "keys/ActionCode.h"

#include <algorithm>
#include <string_view>

#include "keys/KeyCodeTables.h"
#include "keys/KeyCodes.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

constexpr const char* kDialogSection = "KB.DIALOG";
constexpr int kFixedFunctionCaption = 213;
constexpr int kMacroPrefixCaption = 351;
constexpr const char* kSpecialCaption = "Special";

std::uint8_t Low(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

bool IsModifierUsage(int usage) {
    return usage >= kUsageFirstModifier && usage <= kUsageLastModifier;
}

// Position of the macro in the list, or -1.
int MacroNumber(const std::vector<MacroData>& macros, int macroId) {
    for (size_t i = 0; i < macros.size(); ++i) {
        if (macros[i].macro_id == macroId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ActionCode EncodeKey(const KeyMacroData& row) {
    const int usage = row.macro_value;
    const int mask = row.macro_value2;
    if (IsModifierUsage(usage)) {
        // A modifier is sent as a bit of the mask with no key, whether it stands alone or
        // together with other modifiers; byte 2 only ever carries a real key usage.
        return {kActionKey, Low(mask | ModifierBit(usage)), 0x00};
    }
    return {kActionKey, Low(mask), Low(usage)};
}

ActionCode EncodeMacro(const KeyMacroData& row, const std::vector<MacroData>& macros) {
    const int number = MacroNumber(macros, row.macro_value);
    // Unknown macros and positions that do not fit the number byte play nothing rather than
    // another macro.
    if (number < 0 || number > 0xFF) {
        return {0x00, 0x00, 0x00};
    }
    const int playType = row.macro_value2;
    const int playCount = row.macro_value3;
    if (playType != 0 || playCount < 2) {
        return {kActionMacro, Low(number), Low(playType)};
    }
    return {kActionMacroCount, Low(number), static_cast<std::uint8_t>(std::min(playCount, 0xFF))};
}

ActionCode EncodeMouse(int code) {
    for (const MouseFunction& entry : MouseFunctionTable()) {
        if (entry.code == code) {
            return {kActionMouse, entry.argument, entry.buttons};
        }
    }
    return {kActionMouse, 0x00, 0x00};
}

ActionCode EncodeMedia(int code) {
    for (const MediaFunction& entry : MediaFunctionTable()) {
        if (entry.code == code && entry.encodes) {
            return {kActionConsumer, Low(entry.usage), Low(entry.usage >> 8)};
        }
    }
    return {kActionConsumer, 0x00, 0x00};
}

ActionCode EncodeShortcut(int code) {
    for (const ShortcutFunction& entry : ShortcutFunctionTable()) {
        if (entry.code == code) {
            return entry.action;
        }
    }
    return {0x00, 0x00, 0x00};
}

void DecodeKey(std::uint8_t modifiers, std::uint8_t key, KeyMacroData& row) {
    row.macro_type = kFunctionKey;
    if (key != 0 || modifiers == 0) {
        row.macro_value = key;
        row.macro_value2 = modifiers;
        row.macro_desc = UsageName(key);
        return;
    }
    // Modifiers only: one modifier reads back as that modifier key. Several keep their mask,
    // so writing the row back sends the same combination.
    const int usage = ModifierUsageOfMask(modifiers);
    if (usage != 0) {
        row.macro_value = usage;
        row.macro_desc = UsageName(usage);
    } else {
        row.macro_value2 = modifiers;
        row.macro_desc = ModifierMaskText(modifiers);
    }
}

void DecodeShortcut(std::uint8_t sub, KeyMacroData& row) {
    row.macro_type = kFunctionShortcut;
    for (const ShortcutFunction& entry : ShortcutFunctionTable()) {
        if (entry.readBackSub != 0 && entry.readBackSub == sub) {
            row.macro_value = entry.code;
            row.macro_desc = LoadText(kDialogSection, entry.captionId);
            return;
        }
    }
}

void DecodeMedia(std::uint8_t low, std::uint8_t high, KeyMacroData& row) {
    row.macro_type = kFunctionMedia;
    const int usage = low | (high << 8);
    for (const MediaFunction& entry : MediaFunctionTable()) {
        if (entry.usage == usage) {
            row.macro_value = entry.code;
            row.macro_desc = entry.readBackLiteral != nullptr
                                 ? std::string(entry.readBackLiteral)
                                 : LoadText(kDialogSection, entry.readBackCaptionId);
            return;
        }
    }
}

void DecodeMouse(std::uint8_t argument, std::uint8_t buttons, KeyMacroData& row) {
    row.macro_type = kFunctionMouse;
    for (const MouseFunction& entry : MouseFunctionTable()) {
        const bool matches =
            entry.buttons == buttons && (entry.readBack == MouseFunction::kByButtons ||
                                         (entry.readBack == MouseFunction::kByButtonsAndArgument &&
                                          entry.argument == argument));
        if (matches) {
            row.macro_value = entry.code;
            row.macro_desc = LoadText(kDialogSection, entry.captionId);
            return;
        }
    }
}

void DecodeInternal(std::uint8_t code, std::uint8_t extra, KeyMacroData& row) {
    row.macro_type = kFunctionInternal;
    row.macro_value = code;
    if (extra != 0) {
        return;
    }
    for (const InternalFunction& entry : InternalFunctionTable()) {
        if (entry.code == code) {
            if (entry.readBackCaption != nullptr) {
                row.macro_desc = entry.readBackCaption;
            }
            return;
        }
    }
}

void DecodeSystem(std::uint8_t sub, std::uint8_t value, KeyMacroData& row) {
    if (sub == 0x03) {
        row.macro_type = kFunctionFixed;
        row.macro_desc = LoadText(kDialogSection, kFixedFunctionCaption);
    } else if (sub == 0x02) {
        row.macro_type = kFunctionSpecial;
        row.macro_value = value;
        row.macro_desc = kSpecialCaption;
    }
}

void DecodeMacro(std::uint8_t kind, std::uint8_t number, std::uint8_t argument, KeyMacroData& row,
                 const std::vector<MacroData>& macros) {
    row.macro_type = kFunctionMacro;
    // 60 carries the play type, 61 the play count: each goes back to the field it came from,
    // so the row encodes to the same bytes again.
    if (kind == kActionMacroCount) {
        row.macro_value3 = argument;
    } else {
        row.macro_value2 = argument;
    }
    if (number < macros.size()) {
        row.macro_value = macros[number].macro_id;
        row.macro_desc = MacroDisplayName(macros[number].name);
    }
}

}  // namespace

void EncodeAction(const KeyMacroData& row, std::span<std::uint8_t, 3> dest,
                  const std::vector<MacroData>& macros) {
    ActionCode code = {0x00, 0x00, 0x00};
    switch (row.macro_type) {
        case kFunctionNone:
            return;
        case kFunctionFixed:
            code = {kActionSystem, 0x03, 0x00};
            break;
        case kFunctionKey:
            code = EncodeKey(row);
            break;
        case kFunctionMacro:
            code = EncodeMacro(row, macros);
            break;
        case kFunctionMouse:
            code = EncodeMouse(row.macro_value);
            break;
        case kFunctionMedia:
            code = EncodeMedia(row.macro_value);
            break;
        case kFunctionShortcut:
            code = EncodeShortcut(row.macro_value);
            break;
        case 8:
        case 9:
        case 10:
        case kFunctionSpecialLast:
            code = {kActionSystem, 0x02, Low(row.macro_value)};
            break;
        case kFunctionInternal:
            code = {kActionInternal, Low(row.macro_value), 0x00};
            break;
        default:
            break;
    }
    std::copy(code.begin(), code.end(), dest.begin());
}

void DecodeAction(std::span<const std::uint8_t, 3> code, KeyMacroData& row,
                  const std::vector<MacroData>& macros) {
    row.macro_type = kFunctionNone;
    row.macro_value = 0;
    row.macro_value2 = 0;
    row.macro_value3 = 0;
    switch (code[0]) {
        case kActionKey:
            DecodeKey(code[1], code[2], row);
            break;
        case kActionShortcut:
            DecodeShortcut(code[1], row);
            break;
        case kActionConsumer:
            DecodeMedia(code[1], code[2], row);
            break;
        case kActionMouse:
            DecodeMouse(code[1], code[2], row);
            break;
        case kActionInternal:
            DecodeInternal(code[1], code[2], row);
            break;
        case kActionSystem:
            DecodeSystem(code[1], code[2], row);
            break;
        case kActionMacro:
        case kActionMacroCount:
            DecodeMacro(code[0], code[1], code[2], row, macros);
            break;
        default:
            break;
    }
}

bool ReadBackEntry(std::span<const std::uint8_t, 3> entry, std::span<const std::uint8_t, 3> factory,
                   KeyMacroData& row, const std::vector<MacroData>& macros) {
    KeyMacroData decoded = row;
    DecodeAction(entry, decoded, macros);
    ActionCode again = {0x00, 0x00, 0x00};
    EncodeAction(decoded, again, macros);
    if (decoded.macro_type != kFunctionNone &&
        std::equal(again.begin(), again.end(), entry.begin())) {
        row = std::move(decoded);
        return true;
    }
    if (std::equal(entry.begin(), entry.end(), factory.begin())) {
        row.macro_type = kFunctionNone;
        row.macro_value = 0;
        row.macro_value2 = 0;
        row.macro_value3 = 0;
        row.macro_desc = row.layout_desc;
        return true;
    }
    return false;
}

std::string MacroDisplayName(const std::string& storedName) {
    static constexpr std::string_view kPrefixes[] = {"New Macro", "新建巨集", "新建宏"};
    for (std::string_view prefix : kPrefixes) {
        if (std::string_view(storedName).starts_with(prefix)) {
            return LoadText(kDialogSection, kMacroPrefixCaption) + storedName.substr(prefix.size());
        }
    }
    return storedName;
}

}  // namespace zanvor
