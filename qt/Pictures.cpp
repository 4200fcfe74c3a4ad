#include "qt/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "platform/FileRead.h"
#include "qt/QtImageServices.h"
#include "qt/Theme.h"
#include "ui/GifDecoder.h"

namespace zanvor {

QIcon AppIcon() {
    // The installed icon theme's picture when there is one (the same drawing), so the window,
    // the tray and the desktop entry look alike.
    const QIcon installed = QIcon::fromTheme("zanvor-hub");
    if (!installed.isNull()) {
        return installed;
    }
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        QPainterPath body;
        body.addRoundedRect(QRectF(s * 0.04, s * 0.18, s * 0.92, s * 0.64), s * 0.12, s * 0.12);
        QLinearGradient gradient(0, 0, s, s);
        gradient.setColorAt(0, QColor(0x00, 0xE5, 0xFF));
        gradient.setColorAt(1, QColor(0xB0, 0x3C, 0xFF));
        painter.fillPath(body, gradient);
        // The brand's "Z" cut out of the key cap.
        QPainterPath zed;
        zed.moveTo(s * 0.30, s * 0.32);
        zed.lineTo(s * 0.70, s * 0.32);
        zed.lineTo(s * 0.40, s * 0.62);
        zed.lineTo(s * 0.70, s * 0.62);
        QPen pen(QColor(0x12, 0x14, 0x1C), s * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPath(zed);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon LoadPicture(const QString& path, const QIcon& fallback) {
    const QPixmap picture = LoadPixmap(path);
    return picture.isNull() ? fallback : QIcon(picture);
}

QPixmap LoadPixmap(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    ScreenImage image;
    if (!QtImageServices().ReadPicture(path.toStdString(), image)) {
        return {};
    }
    return QPixmap::fromImage(ToQImage(image));
}

PictureFrames LoadGifFrames(const QString& path) {
    std::vector<uint8_t> bytes;
    if (path.isEmpty() || ReadRegularFile(path.toStdString(), GifLimits().maxFileBytes, bytes) !=
                              FileReadResult::kOk) {
        return {};
    }
    PictureFrames read;
    const GifError result =
        DecodeGif(bytes, GifLimits(), [&](const ScreenImage& canvas, int delay) {
            read.frames.push_back(QPixmap::fromImage(ToQImage(canvas)));
            read.delaysMs.push_back(delay);
        });
    return result == GifError::kNone ? read : PictureFrames();
}

QPixmap DrawnKeyboard(const QSize& size, bool connected) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    if (size.isEmpty()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal bodyHeight = std::min(h * 0.8, w * 0.36);
    const QRectF body((w - w * 0.92) / 2, (h - bodyHeight) / 2, w * 0.92, bodyHeight);
    painter.setPen(QPen(connected ? theme::kAccent : theme::kBorder, std::max(1.0, w / 300)));
    painter.setBrush(QColor(0x15, 0x18, 0x22));
    painter.drawRoundedRect(body, body.height() * 0.08, body.height() * 0.08);
    const int columns = 15;
    const int rows = 5;
    const qreal gap = body.width() / 160;
    const qreal keyW = (body.width() - gap * (columns + 1)) / columns;
    const qreal keyH = (body.height() - gap * (rows + 1)) / rows;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (row == rows - 1 && column > 3 && column < 10 && column != 4) {
                continue;  // the space bar takes these places
            }
            qreal width = keyW;
            if (row == rows - 1 && column == 4) {
                width = keyW * 6 + gap * 5;
            }
            const QRectF key(body.left() + gap + column * (keyW + gap),
                             body.top() + gap + row * (keyH + gap), width, keyH);
            QColor color = theme::kKeyCap;
            if (connected) {
                // A soft cyan-to-violet sweep, as a lit keyboard would show.
                const qreal t = static_cast<qreal>(column) / (columns - 1);
                QColor glow = QColor::fromRgbF(
                    theme::kAccent.redF() * (1 - t) + theme::kAccentAlt.redF() * t,
                    theme::kAccent.greenF() * (1 - t) + theme::kAccentAlt.greenF() * t,
                    theme::kAccent.blueF() * (1 - t) + theme::kAccentAlt.blueF() * t);
                painter.setPen(QPen(glow, std::max(1.0, w / 500)));
            } else {
                painter.setPen(QPen(theme::kBorder, std::max(1.0, w / 600)));
            }
            painter.setBrush(color);
            painter.drawRoundedRect(key, keyH * 0.15, keyH * 0.15);
        }
    }
    if (!connected) {
        // An unplugged cable hanging from the keyboard's back edge.
        QPainterPath cable;
        const QPointF start(body.center().x(), body.top());
        cable.moveTo(start);
        cable.cubicTo(start + QPointF(0, -h * 0.08), start + QPointF(w * 0.12, -h * 0.02),
                      start + QPointF(w * 0.14, -h * 0.09));
        painter.setPen(
            QPen(theme::kMutedText, std::max(2.0, w / 200), Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(cable);
    }
    return pixmap;
}

QPixmap KeyboardPictureOr(const QString& path, const QSize& size, bool connected) {
    const QPixmap picture = LoadPixmap(path);
    if (picture.isNull()) {
        return DrawnKeyboard(size, connected);
    }
    return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon LineIcon(const QString& name, const QColor& color) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        p.setPen(QPen(color, std::max(1.5, s / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        if (name == "settings") {
            const QPointF c(s / 2, s / 2);
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(c);
                p.rotate(i * 45);
                p.drawLine(QPointF(0, -s * 0.30), QPointF(0, -s * 0.42));
                p.restore();
            }
            p.drawEllipse(c, s * 0.26, s * 0.26);
            p.drawEllipse(c, s * 0.10, s * 0.10);
        } else if (name == "background") {
            const QRectF frame(s * 0.12, s * 0.2, s * 0.76, s * 0.6);
            p.drawRoundedRect(frame, s * 0.06, s * 0.06);
            QPainterPath hills;
            hills.moveTo(s * 0.16, s * 0.72);
            hills.lineTo(s * 0.4, s * 0.46);
            hills.lineTo(s * 0.56, s * 0.62);
            hills.lineTo(s * 0.66, s * 0.52);
            hills.lineTo(s * 0.84, s * 0.72);
            p.drawPath(hills);
            p.drawEllipse(QPointF(s * 0.68, s * 0.34), s * 0.05, s * 0.05);
        } else if (name == "cable") {
            p.drawRoundedRect(QRectF(s * 0.36, s * 0.1, s * 0.28, s * 0.32), s * 0.04, s * 0.04);
            p.drawLine(QPointF(s * 0.44, s * 0.1), QPointF(s * 0.44, s * 0.02));
            p.drawLine(QPointF(s * 0.56, s * 0.1), QPointF(s * 0.56, s * 0.02));
            QPainterPath wire;
            wire.moveTo(s * 0.5, s * 0.42);
            wire.cubicTo(s * 0.5, s * 0.7, s * 0.2, s * 0.6, s * 0.3, s * 0.92);
            p.drawPath(wire);
        } else if (name == "receiver") {
            p.drawRoundedRect(QRectF(s * 0.38, s * 0.5, s * 0.24, s * 0.4), s * 0.04, s * 0.04);
            p.drawArc(QRectF(s * 0.3, s * 0.22, s * 0.4, s * 0.4), 45 * 16, 90 * 16);
            p.drawArc(QRectF(s * 0.18, s * 0.1, s * 0.64, s * 0.64), 45 * 16, 90 * 16);
        } else if (name == "back") {
            p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.8, s * 0.5));
            p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.42, s * 0.28));
            p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.42, s * 0.72));
        } else if (name == "layer") {
            for (int i = 0; i < 3; ++i) {
                QPolygonF diamond;
                const qreal y = s * (0.3 + i * 0.16);
                diamond << QPointF(s * 0.5, y - s * 0.14) << QPointF(s * 0.88, y)
                        << QPointF(s * 0.5, y + s * 0.14) << QPointF(s * 0.12, y);
                p.drawPolygon(diamond);
            }
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap DrawnBackground(const QSize& size) {
    QPixmap pixmap(size.isEmpty() ? QSize(16, 16) : size);
    QPainter painter(&pixmap);
    QLinearGradient base(0, 0, 0, pixmap.height());
    base.setColorAt(0, QColor(0x12, 0x15, 0x1F));
    base.setColorAt(1, theme::kWindow);
    painter.fillRect(pixmap.rect(), base);
    QRadialGradient glow(pixmap.width() * 0.8, pixmap.height() * 0.05, pixmap.width() * 0.6);
    glow.setColorAt(0, QColor(0x00, 0xD8, 0xF0, 40));
    glow.setColorAt(1, QColor(0x00, 0xD8, 0xF0, 0));
    painter.fillRect(pixmap.rect(), glow);
    QRadialGradient glow2(pixmap.width() * 0.1, pixmap.height(), pixmap.width() * 0.5);
    glow2.setColorAt(0, QColor(0xA8, 0x4C, 0xFF, 30));
    glow2.setColorAt(1, QColor(0xA8, 0x4C, 0xFF, 0));
    painter.fillRect(pixmap.rect(), glow2);
    return pixmap;
}

}  // namespace zanvor
