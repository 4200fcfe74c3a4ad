#pragma once

// The keyboard's three-byte action codes and their conversion to and from key rows.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// Byte 0 = kind, bytes 1 and 2 = arguments.
using ActionCode = std::array<std::uint8_t, 3>;

// Action code kinds.
inline constexpr std::uint8_t kActionShortcut = 0x02;
inline constexpr std::uint8_t kActionSystem = 0x05;  // sub 0x02 special value, sub 0x03 fixed
inline constexpr std::uint8_t kActionKey = 0x10;
inline constexpr std::uint8_t kActionConsumer = 0x30;
inline constexpr std::uint8_t kActionMouse = 0x40;
inline constexpr std::uint8_t kActionInternal = 0x50;
inline constexpr std::uint8_t kActionMacro = 0x60;       // macro number, play type
inline constexpr std::uint8_t kActionMacroCount = 0x61;  // macro number, play count

// Writes the action code of the row's function (macro_type, macro_value, macro_value2,
// macro_value3) into dest. A row of type 0 writes nothing, so a whole-table write keeps the
// factory entry there; a code without an entry gives zero arguments. `macros` is the macro
// list in list order (DataStore::ListMacros); a macro is sent as its position in that list.
void EncodeAction(const KeyMacroData& row, std::span<std::uint8_t, 3> dest,
                  const std::vector<MacroData>& macros);
// The same, reading the macro list from the data store when the row is a macro.
void EncodeAction(const KeyMacroData& row, std::span<std::uint8_t, 3> dest);

// Reads an action code into the row: sets macro_type, macro_value, macro_value2 and
// macro_value3, and macro_desc where the code has a caption (otherwise the row keeps its
// caption). `macros` as for EncodeAction.
void DecodeAction(std::span<const std::uint8_t, 3> code, KeyMacroData& row,
                  const std::vector<MacroData>& macros);
// The same, reading the macro list from the data store when the code is a macro.
void DecodeAction(std::span<const std::uint8_t, 3> code, KeyMacroData& row);

// A table entry read from the keyboard into a row that writes the same entry back: the
// decoded function when it encodes to `entry` again; otherwise, when `entry` is the factory
// entry, "keep the factory entry" (type 0). False, with the row as it was, when neither holds:
// no function of the lists stands for what the keyboard has there (an unknown media usage, an
// internal function with an argument), and a row that wrote something else would replace it.
bool ReadBackEntry(std::span<const std::uint8_t, 3> entry, std::span<const std::uint8_t, 3> factory,
                   KeyMacroData& row, const std::vector<MacroData>& macros);

// The name of a macro as the key-assignment page shows it: a stored name that starts with one
// of the default prefixes ("New Macro", "新建巨集", "新建宏") gets the prefix of the active
// language instead; any other name is shown as stored.
std::string MacroDisplayName(const std::string& storedName);

}  // namespace zanvor
