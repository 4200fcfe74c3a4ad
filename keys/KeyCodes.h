#pragma once

// Conversions between key usages, virtual keys and modifier masks, and the captions of keys
// and modifier combinations.

#include <string>

namespace zanvor {

// Key usages of the program's own, beside the HID keyboard usages.
inline constexpr int kUsageAcBackKey = 0xD1;  // the key whose factory function is AC Back
inline constexpr int kUsageCalcKey = 0xD2;    // the key whose factory function is the calculator
inline constexpr int kUsageFnKey = 0xF0;
inline constexpr int kUsageKnob = 0xFF;  // the knob in the keyboard picture
inline constexpr int kUsageFirstModifier = 0xE0;
inline constexpr int kUsageLastModifier = 0xE7;

// Function types (the macro_type of a key row).
inline constexpr int kFunctionNone = 0;
inline constexpr int kFunctionFixed = 1;
inline constexpr int kFunctionKey = 2;
inline constexpr int kFunctionMacro = 3;
inline constexpr int kFunctionMouse = 5;
inline constexpr int kFunctionMedia = 6;
inline constexpr int kFunctionShortcut = 7;
inline constexpr int kFunctionSpecial = 8;  // 8..11 all mean "special"
inline constexpr int kFunctionSpecialLast = 11;
inline constexpr int kFunctionInternal = 12;

// The caption of a key usage; empty for usages without one.
std::string UsageName(int usage);

// The key usage of a captured or recorded virtual key; 0 for keys without one (including the
// generic Shift, Ctrl and Alt codes 0x10-0x12).
int VirtualKeyToUsage(int virtualKey);

// The modifier mask bit of a modifier usage (0xE0 -> 0x01 ... 0xE7 -> 0x80); every other value
// is returned unchanged.
int ModifierBit(int value);

// The modifier usage of a mask with exactly one bit set (0x01 -> 0xE0 ... 0x80 -> 0xE7), or 0.
int ModifierUsageOfMask(int mask);

// The modifier mask as text in bit order: "LCtrl+ LShift" for 0x03 (the first name plain,
// every further one appended as "+ Name"); empty for 0.
std::string ModifierMaskText(int mask);

// The caption of a key combination: "<modifiers> + <key name>", or only the part present.
std::string CombinationCaption(int mask, const std::string& keyName);

}  // namespace zanvor
