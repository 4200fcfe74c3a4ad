#include "keys/KeyEvents.h"

#include "keys/KeyCodeTables.h"

namespace zanvor {

namespace {

constexpr int kScanKeypadEnter = 0x1C;
constexpr int kVirtualKeyKeypadEnter = 0x6C;

// Num Lock off makes the hook report keypad keys as navigation keys; their scan codes without
// the extended flag still say which keypad key it was.
int KeypadCorrected(int virtualKey, int scanCode, int flags, bool pressed) {
    if (flags == (pressed ? 0x00 : kKeyFlagUp)) {
        for (const KeypadScanCode& entry : KeypadScanCodeTable()) {
            if (entry.scanCode == scanCode) {
                return entry.virtualKey;
            }
        }
    } else if (flags == (pressed ? kKeyFlagExtended : kKeyFlagExtended | kKeyFlagUp) &&
               scanCode == kScanKeypadEnter) {
        return kVirtualKeyKeypadEnter;
    }
    return virtualKey;
}

}  // namespace

std::string SystemKeyName(int virtualKey) {
    for (const SystemKeyNameEntry& entry : SystemKeyNameTable()) {
        if (entry.virtualKey == virtualKey) {
            return entry.name;
        }
    }
    return {};
}

KeyEventInfo KeyEventName(int message, int virtualKey, int scanCode, int flags,
                          KeyEventPurpose purpose) {
    KeyEventInfo info;
    if (message == kMessageKeyDown || message == kMessageSysKeyDown) {
        info.pressed = true;
    } else if (message != kMessageKeyUp && message != kMessageSysKeyUp) {
        return info;
    }
    if (purpose == KeyEventPurpose::Recording) {
        virtualKey = KeypadCorrected(virtualKey, scanCode, flags, info.pressed);
    }
    if (virtualKey == 0) {
        return info;
    }
    info.named = true;
    info.virtualKey = virtualKey;
    info.name = SystemKeyName(virtualKey);
    const auto fixed =
        purpose == KeyEventPurpose::Recording ? RecordingKeyNames() : KeyTestKeyNames();
    for (const FixedKeyName& entry : fixed) {
        if (entry.virtualKey == virtualKey) {
            info.virtualKey = entry.becomes;
            info.name = entry.name;
            break;
        }
    }
    return info;
}

MouseEventInfo MouseEventName(int message, int mouseData) {
    const int xButton = (mouseData >> 16) & 0xFFFF;
    for (const HookMouseEvent& entry : HookMouseEventTable()) {
        if (entry.message == message && (entry.xButton == 0 || entry.xButton == xButton)) {
            return {true, entry.pressed, entry.code, entry.name};
        }
    }
    return {};
}

MouseEventInfo RawMouseEventName(int buttonFlags) {
    for (const RawMouseEvent& entry : RawMouseEventTable()) {
        if ((buttonFlags & entry.flag) != 0) {
            return {true, entry.pressed, entry.code, entry.name};
        }
    }
    return {false, true, 0, {}};
}

}  // namespace zanvor
