#pragma once

// Texts that tell the user why a change did not reach the keyboard, shared by every page.

#include "ui/PageRegistry.h"

namespace zanvor {

// Section "KB.DIALOG".
inline constexpr int kTextTablesNotRead = 1900;  // the keyboard was not read yet
inline constexpr int kTextNoKeyboardOnline = 1901;
inline constexpr int kTextTaskDropped = 1902;      // the keyboard went away before the change
inline constexpr int kTextTransferFailed = 1903;   // the keyboard did not take the change
inline constexpr int kTextNotSentTitle = 1904;     // title of the messages above
inline constexpr int kTextLightingNotRead = 1962;  // the LED positions were not read yet
inline constexpr int kTextSetColorsUnread = 1963;  // painting over colours never read

// The result of a task whose transfer the keyboard did not take.
TaskResult TransferFailed();

}  // namespace zanvor
