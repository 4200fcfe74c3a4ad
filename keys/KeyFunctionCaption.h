#pragma once

// The caption a key's function is shown with (on the keyboard picture, in its tooltip and in
// `zanvorctl key list`), made in the current language each time it is shown.

#include <string>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// The caption of the row's function in the active language. Functions whose names come from
// the language file (mouse, media, shortcut and keyboard functions, the fixed function) are
// named from their code, so a row assigned in another language reads in this one; a macro
// shows its current name (`macros` as DataStore::ListMacros gives them). Language-neutral
// captions (key names, read-back short names such as "BL-MOD" or ">-<", "Special") and rows
// without a function keep the caption stored in the row.
std::string KeyFunctionCaption(const KeyMacroData& row, const std::vector<MacroData>& macros);

}  // namespace zanvor
