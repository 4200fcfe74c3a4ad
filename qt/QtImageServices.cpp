#include "qt/QtImageServices.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "platform/FileRead.h"
#include "screen/PngFile.h"

namespace zanvor {

namespace {}  // namespace

QImage ToQImage(const ScreenImage& image) {
    if (image.Empty()) {
        return {};
    }
    return QImage(image.rgba.data(), image.width, image.height, image.width * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

ScreenImage FromQImage(const QImage& source) {
    ScreenImage image;
    if (source.isNull()) {
        return image;
    }
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    image.width = rgba.width();
    image.height = rgba.height();
    image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(image.rgba.data() + static_cast<size_t>(y) * image.width * 4,
                    rgba.constScanLine(y), static_cast<size_t>(image.width) * 4);
    }
    return image;
}

bool QtImageServices::ReadPicture(const std::string& path, ScreenImage& image) {
    image = ScreenImage();
    // Only a regular file, read without waiting and only up to the limit.
    std::string bytes;
    if (ReadRegularFile(path, kMaxUserFileBytes, bytes) != FileReadResult::kOk) {
        return false;
    }
    // GIFs go through the program's own decoder, so the desktop program reads the same GIFs
    // as screen import and the command line.
    if (bytes.compare(0, 4, "GIF8") == 0) {
        return FileImageServices::ReadPicture(path, image);
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // A picture claiming more than any screen needs is refused before it is decoded.
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        return false;
    }
    const QImage read = reader.read();
    if (read.isNull()) {
        return false;
    }
    image = FromQImage(read);
    return true;
}

bool QtImageServices::DrawText(ScreenImage& image, const std::string& text, int fontSize,
                               uint32_t colour, int x, int y) {
    if (text.empty() || image.Empty()) {
        return false;
    }
    QImage canvas = ToQImage(image);
    {
        QPainter painter(&canvas);
        QFont font = painter.font();
        font.setPixelSize(std::max(fontSize, 1));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(static_cast<int>(colour & 0xFF),
                              static_cast<int>((colour >> 8) & 0xFF),
                              static_cast<int>((colour >> 16) & 0xFF)));
        const QString shown = QString::fromStdString(text);
        const QFontMetrics metrics(font);
        const QRect bounds = metrics.boundingRect(shown);
        painter.drawText(x - bounds.width() / 2, y + (metrics.ascent() - metrics.descent()) / 2,
                         shown);
    }
    image = FromQImage(canvas);
    return true;
}

}  // namespace zanvor
