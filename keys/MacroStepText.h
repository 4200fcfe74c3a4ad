#pragma once

// The text form of macro steps for scripts and the command line, one word per step:
//
//   down:KEY[@MS]        a key pressed         KEY: a key name ("A", "Esc", "LShift", "Enter")
//   up:KEY[@MS]          a key released             or a virtual-key code in hex ("0x41")
//   mouse-down:BUTTON[@MS]                     BUTTON: left right middle back forward
//   mouse-up:BUTTON[@MS]                               (wheel-up, wheel-down: half a turn)
//   pause:MS[@MS]        a pause of 1-10000 ms
//   scroll:up[@MS]       one wheel turn (a press and a release)
//   scroll:down[@MS]
//
// @MS is the delay after the step in milliseconds, 0-31000 (default 10). A value outside its
// limits, or a key code beyond the virtual keys (0x01-0xFF), makes the word no step.
// Names and keywords are matched without regard to case.

#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// The valid forms, for help texts and error messages.
extern const char* const kMacroStepForms;

// The virtual key of a key name or hex code (0x01-0xFF); 0 when unknown.
int ParseMacroKey(std::string_view text);

// Parses step words into steps (type, value, delay_time and the list text desc). False with
// the first word that is not a step in `badWord`, why in `reason` ("a pause is 1 to 10000
// ms"), and `steps` unchanged.
bool ParseMacroSteps(const std::vector<std::string>& words, std::vector<MacroRecordData>& steps,
                     std::string& badWord, std::string& reason);

// The words of stored steps: every step as the grammar writes it, with its delay. A wheel press
// directly followed by its release with no delay in between is one "scroll" word.
std::vector<std::string> FormatMacroSteps(const std::vector<MacroRecordData>& steps);

}  // namespace zanvor
