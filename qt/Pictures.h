#pragma once

#include <QIcon>
#include <QString>

namespace zanvor {

// The program's icon, drawn in code so it never depends on a file being installed.
QIcon AppIcon();
// An icon from a picture file, or the fallback when the file is missing or unreadable.
QIcon LoadPicture(const QString& path, const QIcon& fallback);

}  // namespace zanvor
