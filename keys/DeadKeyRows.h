#pragma once

// Base-layer rows that turn a key with a special factory function into a plain key.

#include <cstddef>
#include <vector>

#include "keys/KeyCodes.h"
#include "store/Records.h"

namespace zanvor {

// True for a base-layer row that names the Fn, ">-<" or calculator key as a plain key of its
// own usage with no modifier. The keyboard has no plain key behind these usages, so such a row
// makes a dead key; earlier versions wrote one for the Fn key of every new profile.
bool IsDeadKeyRow(const KeyMacroData& row);

// The key usages such a row can name: Fn, ">-<" and the calculator key.
inline constexpr int kDeadKeyUsages[] = {kUsageFnKey, kUsageAcBackKey, kUsageCalcKey};

// Gives every such row back the key's factory function ("keep the keyboard's entry", shown with
// the key's own caption). Returns how many rows changed.
std::size_t RestoreDeadKeyRows(std::vector<KeyMacroData>& rows);

}  // namespace zanvor
