#pragma once

// The text form of a key function for scripts and the command line:
//
//   none                       no function (the key sends nothing: type 2 without a key)
//   fixed                      the fixed function (type 1)
//   key:K[+MOD...]             a key with modifiers; K a usage in hex (0x04) or a key caption
//                              ("Esc"); MOD one of LCtrl LShift LAlt LWin RCtrl RShift RAlt RWin
//   mouse:N                    mouse function 90-97
//   media:N                    media function 100-122
//   shortcut:N                 Windows shortcut 150-160
//   fn:N                       keyboard-internal function 1-53
//   special:N                  raw special value 0-255
//   macro:ID[:PLAYTYPE[:COUNT]]  a macro by id, play type 0-3, play count 1-255
//
// Keywords and names are matched without regard to case. Numbers are decimal or 0x-hex.

#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor {

// The valid forms, for error messages and help texts.
extern const char* const kKeyFunctionForms;

// Parses a function into the five function fields of `function` (macro_type, macro_value,
// macro_value2, macro_value3, macro_desc, the caption drawn on the key); the other fields are
// left alone. `macros` is the macro list (DataStore::ListMacros) that macro ids are checked
// against. False with a one-line reason (naming the valid forms) and `function` unchanged for
// text that is not a valid function.
bool ParseKeyFunction(std::string_view text, const std::vector<MacroData>& macros,
                      KeyMacroData& function, std::string& error);

// True when the key-assignment page offers the function for a key: a key with or without
// modifiers, or an entry of the page's lists (mouse, media, shortcut and keyboard functions of
// the key function catalogue). Macros are checked by the caller (they need steps). Otherwise
// false with a one-line reason.
bool IsOfferedKeyFunction(const KeyMacroData& function, std::string& error);

// The text form of a row's function; a row without a function, or of a type the grammar does
// not name, gives "none".
std::string FormatKeyFunction(const KeyMacroData& row);

// A key usage as the grammar's K: "0x04" (0x00-0xFF) or a key caption (the key captions of the
// keyboard picture's texts first, then those of the function lists). False when unknown.
bool ParseKeyUsage(std::string_view text, int& usage);

// Resolves KEY against the keys of the keyboard picture: a usage in hex that one of the keys has,
// or the caption of exactly one key. The knob is not a key here. False with a one-line reason
// (unknown key, or a caption several keys share, naming their usages).
bool ResolveLayoutKey(std::string_view text, const std::vector<KeyItem>& keys, int& usage,
                      std::string& error);

}  // namespace zanvor
