#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace zanvor {

// The screen editor's tool icons, drawn as lines in `colour`: "pen", "eraser", "undo",
// "text", "picture", "copy", "delete".
QIcon ScreenToolIcon(const QString& name, const QColor& colour);

}  // namespace zanvor
