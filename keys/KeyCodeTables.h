#pragma once

// The constant code tables of keys, macros and the knob. Pure data; the conversions that use
// them live in KeyCodes.h, ActionCode.h, FunctionLists.h and KeyEvents.h.

#include <array>
#include <cstdint>
#include <span>

namespace zanvor {

// --- Key usages ------------------------------------------------------------------------------

// A key usage (HID keyboard usage page 0x07, plus the program's own codes) and its caption.
struct UsageCaption {
    int usage;
    const char* caption;
};
// Every key usage that has a caption in the keyboard picture and in read-back rows.
std::span<const UsageCaption> UsageCaptionTable();

// A Windows virtual-key code and the key usage it stands for.
struct VirtualKeyUsage {
    int virtualKey;
    int usage;
};
// Every virtual key that converts to a key usage (captured and recorded keys).
std::span<const VirtualKeyUsage> VirtualKeyUsageTable();

// --- Function catalogues ---------------------------------------------------------------------

// A mouse function (type 5): action code 40, argument, button mask.
struct MouseFunction {
    int code;
    std::uint8_t argument;
    std::uint8_t buttons;
    int captionId;  // LoadText("KB.DIALOG", id)
    // How the function is recognised when a table is read back: by the button mask alone, or
    // by the button mask together with the argument byte.
    enum ReadBack { kByButtons, kByButtonsAndArgument } readBack;
};
std::span<const MouseFunction> MouseFunctionTable();

// A media function (type 6): action code 30 followed by the consumer usage, low byte first.
struct MediaFunction {
    int code;
    std::uint16_t usage;          // HID consumer usage (page 0x0C)
    bool encodes;                 // false: only produced by reading a table back (encodes 30 00 00)
    int listCaptionId;            // caption in the function lists, 0 when never listed
    int readBackCaptionId;        // caption of a read-back row, 0 when readBackLiteral is used
    const char* readBackLiteral;  // fixed read-back caption instead of a language text
};
std::span<const MediaFunction> MediaFunctionTable();

// A Windows shortcut (type 7).
struct ShortcutFunction {
    int code;
    std::array<std::uint8_t, 3> action;  // what the code encodes to
    int captionId;
    // Byte 1 of an action code of kind 0x02 that reads back as this code; 0 when the code is
    // never read back (codes stored as kind 0x10 read back as keys with modifiers).
    std::uint8_t readBackSub;
};
std::span<const ShortcutFunction> ShortcutFunctionTable();

// A keyboard-internal function (type 12): action code 50, code, 00.
struct InternalFunction {
    int code;
    const char* listCaption;      // the function's short name, part of the list's caption
    const char* readBackCaption;  // nullptr: a read-back row keeps its caption
    int captionId;                // text id of what the function does, shown in the lists
};
// In the order the function lists show them.
std::span<const InternalFunction> InternalFunctionTable();

// A keyboard key of the function lists (type 2): key usage and list caption.
struct KeyListEntry {
    int usage;
    const char* caption;
};
// The 103 keys of the function lists, in list order.
std::span<const KeyListEntry> KeyListKeys();

// Orders of the function lists (codes of the tables above).
std::span<const int> KeyListMouseOrder();
std::span<const int> KeyListMediaOrder();
std::span<const int> KeyListShortcutOrder();
std::span<const int> KnobListMediaOrder();

// --- Modifier combinations -------------------------------------------------------------------

// Names of the modifier mask bits 0..7, plain (first name of a caption) and prefixed (every
// further name).
const std::array<const char*, 8>& ModifierNames();
const std::array<const char*, 8>& PrefixedModifierNames();

// --- Key and mouse event names ---------------------------------------------------------------

// A virtual key with a fixed event name. `becomes` is the virtual key the event continues
// with (the generic Shift, Ctrl and Alt codes become their left-hand codes).
struct FixedKeyName {
    int virtualKey;
    int becomes;
    const char* name;
};
// Fixed names while recording a macro or capturing a key.
std::span<const FixedKeyName> RecordingKeyNames();
// Fixed names in the key test.
std::span<const FixedKeyName> KeyTestKeyNames();

// The key-name service: a virtual key and the name of its key on a US English layout.
struct SystemKeyNameEntry {
    int virtualKey;
    const char* name;
};
std::span<const SystemKeyNameEntry> SystemKeyNameTable();

// A keypad key whose unextended scan code selects its keypad virtual key (the hook reports
// the navigation virtual key for these when Num Lock is off).
struct KeypadScanCode {
    int scanCode;
    int virtualKey;
};
std::span<const KeypadScanCode> KeypadScanCodeTable();

// A mouse event of the low-level mouse hook.
struct HookMouseEvent {
    int message;
    int xButton;  // high word of mouseData for the extra buttons; 0 for the others
    const char* name;
    int code;  // button bit, the same as the mouse functions' button mask
    bool pressed;
};
std::span<const HookMouseEvent> HookMouseEventTable();

// A button flag of a raw-input mouse record, in the order they are tested.
struct RawMouseEvent {
    int flag;
    const char* name;
    int code;
    bool pressed;
};
std::span<const RawMouseEvent> RawMouseEventTable();

}  // namespace zanvor
