#pragma once

// Checking the key rows of an exchange file against what a profile of the connected model can
// hold, before anything is stored: every row would reach the keyboard as written, so a row
// naming an unknown function type, a code outside its table, a mask that does not fit a byte
// or a macro that does not exist would give a key a dead or wrong entry.

#include <set>
#include <string>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// Most layers a key has rows for.
inline constexpr int kKeyLayerCount = 4;

// What a profile of the model can hold.
struct KeyRowLimits {
    std::set<int> keys;      // key usages of the model's layout (the knob has no rows)
    std::set<int> macroIds;  // macros of the database
};

// The reason, in the user's language, why the rows cannot be imported: the first row that the
// model cannot hold ("Row 12 (layer 1, key 0x29): unknown function type 99"; rows counted
// from 1 in file order), or more rows than keys × 4 layers. Empty when every row is fine.
// A row whose macro_value and macro_value2 are both 0 stores nothing, so only its layer and
// key are checked; a row of type 0 keeps the factory entry whatever its values.
std::string CheckImportedRows(const std::vector<KeyMacroData>& rows, const KeyRowLimits& limits);

}  // namespace zanvor
