#include "keys/KeyFunctionCaption.h"

#include "keys/ActionCode.h"
#include "keys/KeyCodeTables.h"
#include "keys/KeyCodes.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

constexpr int kFixedFunctionCaption = 213;

// The text of `textId`, or the stored caption when the language file lacks it.
std::string TextOr(int textId, const std::string& stored) {
    std::string text = textId > 0 ? LoadText("KB.DIALOG", textId) : std::string();
    return text.empty() ? stored : text;
}

std::string MouseCaption(const KeyMacroData& row) {
    for (const MouseFunction& entry : MouseFunctionTable()) {
        if (entry.code == row.macro_value) {
            return TextOr(entry.captionId, row.macro_desc);
        }
    }
    return row.macro_desc;
}

std::string MediaCaption(const KeyMacroData& row) {
    for (const MediaFunction& entry : MediaFunctionTable()) {
        if (entry.code != row.macro_value) {
            continue;
        }
        if (entry.readBackLiteral != nullptr && row.macro_desc == entry.readBackLiteral) {
            return row.macro_desc;
        }
        return TextOr(entry.listCaptionId != 0 ? entry.listCaptionId : entry.readBackCaptionId,
                      row.macro_desc);
    }
    return row.macro_desc;
}

std::string ShortcutCaption(const KeyMacroData& row) {
    for (const ShortcutFunction& entry : ShortcutFunctionTable()) {
        if (entry.code == row.macro_value) {
            return TextOr(entry.captionId, row.macro_desc);
        }
    }
    return row.macro_desc;
}

std::string InternalCaption(const KeyMacroData& row) {
    for (const InternalFunction& entry : InternalFunctionTable()) {
        if (entry.code != row.macro_value) {
            continue;
        }
        // A row read back from the keyboard shows the function's short name, which is the same
        // in every language.
        const bool shortName =
            (entry.readBackCaption != nullptr && row.macro_desc == entry.readBackCaption) ||
            (entry.listCaption != nullptr && row.macro_desc == entry.listCaption);
        return shortName ? row.macro_desc : TextOr(entry.captionId, row.macro_desc);
    }
    return row.macro_desc;
}

std::string MacroCaption(const KeyMacroData& row, const std::vector<MacroData>& macros) {
    for (const MacroData& macro : macros) {
        if (macro.macro_id == row.macro_value) {
            return MacroDisplayName(macro.name);
        }
    }
    return row.macro_desc;
}

}  // namespace

std::string KeyFunctionCaption(const KeyMacroData& row, const std::vector<MacroData>& macros) {
    switch (row.macro_type) {
        case kFunctionFixed:
            return TextOr(kFixedFunctionCaption, row.macro_desc);
        case kFunctionMacro:
            return MacroCaption(row, macros);
        case kFunctionMouse:
            return MouseCaption(row);
        case kFunctionMedia:
            return MediaCaption(row);
        case kFunctionShortcut:
            return ShortcutCaption(row);
        case kFunctionInternal:
            return InternalCaption(row);
        default:
            return row.macro_desc;
    }
}

}  // namespace zanvor
