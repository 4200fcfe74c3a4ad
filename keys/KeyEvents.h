#pragma once

// Names of key and mouse events while recording a macro, capturing a key and in the key
// test. Events arrive in the Windows form the stored macro steps use (window message, virtual
// key, scan code, hook flags); InputMapping.h turns Linux input into that form.

#include <string>

namespace zanvor {

// Keyboard messages.
inline constexpr int kMessageKeyDown = 0x0100;
inline constexpr int kMessageKeyUp = 0x0101;
inline constexpr int kMessageSysKeyDown = 0x0104;
inline constexpr int kMessageSysKeyUp = 0x0105;

// Hook flags of a key event.
inline constexpr int kKeyFlagExtended = 0x01;
inline constexpr int kKeyFlagUp = 0x80;

// Mouse messages of the low-level mouse hook.
inline constexpr int kMessageLeftDown = 0x0201;
inline constexpr int kMessageLeftUp = 0x0202;
inline constexpr int kMessageRightDown = 0x0204;
inline constexpr int kMessageRightUp = 0x0205;
inline constexpr int kMessageMiddleDown = 0x0207;
inline constexpr int kMessageMiddleUp = 0x0208;
inline constexpr int kMessageXDown = 0x020B;
inline constexpr int kMessageXUp = 0x020C;

enum class KeyEventPurpose {
    Recording,  // macro recording and key capture: keypad correction, "Web-..." names
    KeyTest,    // the key test: no keypad correction, short media names
};

struct KeyEventInfo {
    bool named = false;    // false: the event is ignored
    bool pressed = false;  // press or release
    int virtualKey = 0;    // after the keypad correction and the generic-modifier conversion
    std::string name;      // may be empty for keys without a name
};

// Names one keyboard event. Only the four key messages are named; with purpose Recording a
// keypad key reported with its navigation virtual key gets its keypad virtual key back.
KeyEventInfo KeyEventName(int message, int virtualKey, int scanCode, int flags,
                          KeyEventPurpose purpose);

// The name of a virtual key's key as a US English layout shows it ("Page Up", "Num 7"); empty
// for keys without one.
std::string SystemKeyName(int virtualKey);

struct MouseEventInfo {
    bool named = false;  // false: the event is ignored (movement, wheel, other buttons)
    bool pressed = false;
    int code = 0;
    std::string name;
};

// Names a message of the low-level mouse hook (recording). `mouseData` carries the extra
// button in its high word. Button codes 1, 2, 4, 8, 16.
MouseEventInfo MouseEventName(int message, int mouseData);

// Names a raw-input mouse record (key test) by its button flags. Button codes 1, 2, 3, 7, 8;
// without a button flag the result is not named (empty name, code 0, a press).
MouseEventInfo RawMouseEventName(int buttonFlags);

}  // namespace zanvor
