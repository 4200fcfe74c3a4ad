#include "keys/SpecialKeyRows.h"

#include "keys/KeyCodes.h"

namespace zanvor {

bool IsDeadSpecialKeyRow(const KeyMacroData& row) {
    const bool special = row.key_code == kUsageFnKey || row.key_code == kUsageAcBackKey ||
                         row.key_code == kUsageCalcKey;
    return special && row.fn_layer == 0 && row.macro_type == kFunctionKey &&
           row.macro_value == row.key_code && row.macro_value2 == 0;
}

std::size_t RestoreSpecialKeyRows(std::vector<KeyMacroData>& rows) {
    std::size_t restored = 0;
    for (KeyMacroData& row : rows) {
        if (!IsDeadSpecialKeyRow(row)) {
            continue;
        }
        row.macro_type = kFunctionNone;
        row.macro_value = 0;
        row.macro_value3 = 0;
        row.macro_desc = row.layout_desc.empty() ? UsageName(row.key_code) : row.layout_desc;
        ++restored;
    }
    return restored;
}

}  // namespace zanvor
