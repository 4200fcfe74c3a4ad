#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <vector>

namespace zanvor {

// The program's icon, drawn in code so it never depends on a file being installed.
QIcon AppIcon();
// An icon from a picture file, or the fallback when the file is missing or unreadable.
QIcon LoadPicture(const QString& path, const QIcon& fallback);

// A picture file, or a null pixmap when it is missing or unreadable. Only a regular file of
// sane size is read (a FIFO or a device named as the user's background never blocks the
// window), and a GIF goes through the program's own decoder (its first frame).
QPixmap LoadPixmap(const QString& path);

// Every frame of a GIF with its display time, for an animated picture.
struct PictureFrames {
    std::vector<QPixmap> frames;
    std::vector<int> delaysMs;
};
// The frames of the GIF at path, read as LoadPixmap reads; empty when it is no readable GIF.
PictureFrames LoadGifFrames(const QString& path);

// A keyboard drawn in the theme's colours: lit keys when connected, dim and crossed by an
// unplugged cable otherwise. Stands in for any keyboard picture that cannot be loaded.
QPixmap DrawnKeyboard(const QSize& size, bool connected);

// The picture at path scaled into size (aspect kept), or the drawn keyboard.
QPixmap KeyboardPictureOr(const QString& path, const QSize& size, bool connected);

// Small line icons drawn in the current text colour: "settings", "background", "cable",
// "receiver", "back", "layer".
QIcon LineIcon(const QString& name, const QColor& color);

// The default page background: a dark gradient with a faint accent glow.
QPixmap DrawnBackground(const QSize& size);

}  // namespace zanvor
