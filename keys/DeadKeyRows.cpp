#include "keys/DeadKeyRows.h"

#include <algorithm>
#include <iterator>

namespace zanvor {

bool IsDeadKeyRow(const KeyMacroData& row) {
    const bool special = std::find(std::begin(kDeadKeyUsages), std::end(kDeadKeyUsages),
                                   row.key_code) != std::end(kDeadKeyUsages);
    return special && row.fn_layer == 0 && row.macro_type == kFunctionKey &&
           row.macro_value == row.key_code && row.macro_value2 == 0;
}

std::size_t RestoreDeadKeyRows(std::vector<KeyMacroData>& rows) {
    std::size_t restored = 0;
    for (KeyMacroData& row : rows) {
        if (!IsDeadKeyRow(row)) {
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
