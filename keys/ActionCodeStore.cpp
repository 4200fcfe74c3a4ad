#include "keys/ActionCode.h"
#include "keys/KeyCodes.h"
#include "store/DataStore.h"

namespace zanvor {

// Only macros need the macro list; every other function is converted without a query.

void EncodeAction(const KeyMacroData& row, std::span<std::uint8_t, 3> dest) {
    std::vector<MacroData> macros;
    if (row.macro_type == kFunctionMacro) {
        DataStore::Instance().ListMacros(macros);
    }
    EncodeAction(row, dest, macros);
}

void DecodeAction(std::span<const std::uint8_t, 3> code, KeyMacroData& row) {
    std::vector<MacroData> macros;
    if (code[0] == kActionMacro || code[0] == kActionMacroCount) {
        DataStore::Instance().ListMacros(macros);
    }
    DecodeAction(code, row, macros);
}

}  // namespace zanvor
