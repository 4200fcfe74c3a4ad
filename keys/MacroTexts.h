#pragma once

// Text ids (language file section "KB.DIALOG") of the macro page.

namespace zanvor {

inline constexpr int kTextCopy = 31;
inline constexpr int kTextMouseLeft = 220;
inline constexpr int kTextMouseMiddle = 222;
inline constexpr int kTextMouseRight = 223;
inline constexpr int kTextMouseForward = 227;
inline constexpr int kTextMouseBack = 228;
inline constexpr int kTextNewMacro = 351;
inline constexpr int kTextRecord = 358;
inline constexpr int kTextStopRecording = 359;
inline constexpr int kTextMacrosTitle = 368;
inline constexpr int kTextKeyFieldTip = 385;
inline constexpr int kTextMemoryFull = 386;
inline constexpr int kTextSelectMacro = 387;
inline constexpr int kTextKindMouse = 393;
inline constexpr int kTextKindKey = 394;
inline constexpr int kTextKindPause = 395;
inline constexpr int kTextMenuPause = 397;
inline constexpr int kTextMenuClick = 398;
inline constexpr int kTextMenuKeyHere = 400;
inline constexpr int kTextMenuPauseHere = 401;
inline constexpr int kTextMenuDeleteStep = 402;
inline constexpr int kTextMenuClickHere = 403;
inline constexpr int kTextMenuKey = 415;
inline constexpr int kTextMenuScrollUp = 416;
inline constexpr int kTextMenuScrollDown = 417;
inline constexpr int kTextMacroLimit = 430;

inline constexpr int kTextAddMacro = 1701;
inline constexpr int kTextDeleteMacro = 1702;
inline constexpr int kTextSteps = 1703;
inline constexpr int kTextDelayTitle = 1704;
inline constexpr int kTextDelayNone = 1705;
inline constexpr int kTextDelayMeasured = 1706;
inline constexpr int kTextDelayFixed = 1707;
inline constexpr int kTextInsert = 1708;
inline constexpr int kTextMoveUp = 1709;
inline constexpr int kTextMoveDown = 1710;
inline constexpr int kTextDeleteStep = 1711;
inline constexpr int kTextClearSteps = 1712;
inline constexpr int kTextStepTitle = 1713;
inline constexpr int kTextRecordingHint = 1714;
inline constexpr int kTextRenameHint = 1715;
inline constexpr int kTextLeftOut = 1716;
inline constexpr int kTextNotSent = 1717;
inline constexpr int kTextNotSaved = 1718;
inline constexpr int kTextDelayColumn = 1719;
inline constexpr int kTextMemoryUnknown = 1721;
inline constexpr int kTextNoSteps = 1723;
inline constexpr int kTextMemoryUse = 1724;
inline constexpr int kTextStepColumn = 1725;
inline constexpr int kTextUnusedMacro = 1726;
inline constexpr int kTextMacrosPage = 1434;

// Every text of the macro page and its view (a test checks them in every language file).
inline constexpr int kMacroTextIds[] = {
    kTextCopy,           kTextMouseLeft,     kTextMouseMiddle, kTextMouseRight,
    kTextMouseForward,   kTextMouseBack,     kTextNewMacro,    kTextRecord,
    kTextStopRecording,  kTextMacrosTitle,   kTextKeyFieldTip, kTextMemoryFull,
    kTextSelectMacro,    kTextKindMouse,     kTextKindKey,     kTextKindPause,
    kTextMenuPause,      kTextMenuClick,     kTextMenuKeyHere, kTextMenuPauseHere,
    kTextMenuDeleteStep, kTextMenuClickHere, kTextMenuKey,     kTextMenuScrollUp,
    kTextMenuScrollDown, kTextMacroLimit,    kTextAddMacro,    kTextDeleteMacro,
    kTextSteps,          kTextDelayTitle,    kTextDelayNone,   kTextDelayMeasured,
    kTextDelayFixed,     kTextInsert,        kTextMoveUp,      kTextMoveDown,
    kTextDeleteStep,     kTextClearSteps,    kTextStepTitle,   kTextRecordingHint,
    kTextRenameHint,     kTextLeftOut,       kTextNotSent,     kTextNotSaved,
    kTextDelayColumn,    kTextMemoryUnknown, kTextNoSteps,     kTextMemoryUse,
    kTextMacrosPage,     kTextStepColumn,    kTextUnusedMacro,
};

}  // namespace zanvor
