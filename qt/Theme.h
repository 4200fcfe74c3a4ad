#pragma once

#include <QColor>

class QApplication;

namespace zanvor {

// The program's one look: a dark palette with a cyan accent, applied to the whole
// application together with its style sheet.
namespace theme {
inline const QColor kWindow(0x0E, 0x10, 0x16);
inline const QColor kPanel(0x17, 0x1A, 0x24);
inline const QColor kPanelRaised(0x1F, 0x23, 0x30);
inline const QColor kBorder(0x2C, 0x31, 0x42);
inline const QColor kText(0xE8, 0xEA, 0xF2);
inline const QColor kMutedText(0x8C, 0x93, 0xA8);
inline const QColor kAccent(0x00, 0xD8, 0xF0);
inline const QColor kAccentAlt(0xA8, 0x4C, 0xFF);
inline const QColor kGood(0x3C, 0xE0, 0x8C);
inline const QColor kWarn(0xFF, 0xB0, 0x3A);
inline const QColor kKeyCap(0x24, 0x28, 0x36);
inline const QColor kKeyCapHover(0x2E, 0x34, 0x46);
}  // namespace theme

// Applies the palette, the Fusion style and the style sheet.
void ApplyTheme(QApplication& application);

}  // namespace zanvor
