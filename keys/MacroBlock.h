#pragma once

// The macro block: every macro of the database in the form the keyboard plays them from its own
// memory (command 0x2D). Little-endian 16-bit numbers:
//
//   0   AA 55          header
//   2   L              length of the block in bytes
//   4   N              number of macros (all of them, with or without steps)
//   6   0
//   8   N offsets      byte offset of macro i's record, 0 for a macro without one
//   ... records        per macro with steps: S (step count), 0, then S steps of 4 bytes
//
// A step is the delay after it (ms, low 16 bits), a code and flags: a key press is (usage,
// 0x81), a modifier press (its virtual key, 0x82), a mouse press (button bit, 0x83); releases
// clear bit 7 of the flags. A wheel turn is 44 07 pressed and 44 01 (up) or 44 FF (down)
// released. The block has no pause entry: a pause step's time is added to the delay of the step
// before it, so the keyboard waits that long before the step after the pause. Pauses at the
// start of a macro, with no step before them, become one entry 00 00 carrying their time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// The keyboard's work buffer holds at most this many bytes of block.
inline constexpr int kMacroBlockBufferSize = 4224;

// The four bytes of one step on its own (a pause step alone is 00 00 00 00).
std::array<uint8_t, 4> EncodeMacroStep(const MacroRecordData& step);

// The entries of a macro's steps (in record_index order) as the block holds them: pause steps
// fold into the delay before them as described above. A folded delay above 0xFFFF is sent as
// 0xFFFF. Never more entries than steps.
std::vector<std::array<uint8_t, 4>> EncodeMacroSteps(const std::vector<MacroRecordData>& steps);

// How many steps the macro at `position` may hold so that every macro still fits the block of
// a keyboard with `maximumBytes` of macro memory (and the work buffer): the header, the offset
// table, its own record header and the records of the other macros come first. `stepCounts`
// are the steps of every macro in list order (the entry at `position` is not used).
int MacroStepRoom(const std::vector<int>& stepCounts, size_t position, int maximumBytes);

struct MacroBlockMacro {
    std::string name;
    std::vector<MacroRecordData> steps;  // in record_index order
    int id = 0;
};

struct MacroBlock {
    std::vector<uint8_t> bytes;  // the block: exactly `length` bytes
    int length = 0;
    // Positions of macros with steps that did not fit and were sent without their record.
    std::vector<int> leftOut;
};

// Builds the block of `macros` (in list order) for a keyboard whose macro memory holds
// `maximumBytes`. The block never grows beyond that memory or the work buffer: a macro whose
// record would not fit is left out whole (its offset is 0, as for a macro without steps) and
// later macros that still fit are kept. No macros give an empty block.
MacroBlock BuildMacroBlock(const std::vector<MacroBlockMacro>& macros, int maximumBytes);

}  // namespace zanvor
