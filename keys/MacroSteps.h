#pragma once

// Macro steps as t_macrorecord stores them and the record list shows them: their types, the
// texts of the list, the limits of delays and pauses, and the room left in the keyboard's macro
// memory.

#include <string>

namespace zanvor {

// Step types (the `type` of a step).
inline constexpr int kStepPause = 1;      // value: the pause in ms
inline constexpr int kStepKeyDown = 2;    // value: virtual-key code
inline constexpr int kStepKeyUp = 3;      // value: virtual-key code
inline constexpr int kStepMouseDown = 4;  // value: button bit
inline constexpr int kStepMouseUp = 5;    // value: button bit

// Mouse button bits of mouse steps.
inline constexpr int kMouseLeft = 1;
inline constexpr int kMouseRight = 2;
inline constexpr int kMouseMiddle = 4;
inline constexpr int kMouseBack = 8;
inline constexpr int kMouseForward = 16;

// A mouse step whose text holds one of these is a wheel turn (its value is not used).
inline constexpr const char* kScrollUpName = "Scroll Up";
inline constexpr const char* kScrollDownName = "Scroll Down";

// Delays and pauses in milliseconds.
inline constexpr int kDefaultStepDelay = 10;  // the delay a new step starts with
inline constexpr int kMaxStepDelay = 31000;   // the longest delay a recording measures
inline constexpr int kMinPause = 1;           // pauses and the fixed delay: 1-10000
inline constexpr int kMaxPause = 10000;

// Delay types of a macro (how a recording fills in delays).
inline constexpr int kDelayNone = 0;
inline constexpr int kDelayMeasured = 1;
inline constexpr int kDelayFixed = 2;

// At most this many macros.
inline constexpr int kMacroLimit = 10;

bool IsPressStep(int type);
bool IsKeyStep(int type);
bool IsMouseStep(int type);

// "↓  name" for a press (types 2 and 4), "↑  name" for a release (3 and 5).
std::string StepText(int type, const std::string& name);
// The name in a press or release text (after the arrow and its two spaces); the whole text for
// other texts.
std::string StepName(const std::string& text);
// "%d ms".
std::string PauseText(int milliseconds);

// "MouseL", "MouseR", "MouseM", "Backward" or "Forward" for a button bit; "" for others.
std::string MouseButtonName(int bit);

// How many steps the keyboard's macro memory (capacityBytes) takes over all macros:
// (capacity - 40) / 4; below 0 counts as 0.
int MacroStepCapacity(int capacityBytes);

// Limits that the page and the command line apply.
int ClampPause(int milliseconds);      // 1-10000
int ClampStepDelay(int milliseconds);  // 0-31000

// The leading decimal number of a text ("42 ms" -> 42), `fallback` when it has none. Very long
// numbers saturate rather than overflow.
int LeadingNumber(const std::string& text, int fallback);

}  // namespace zanvor
