#include "qt/Pictures.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zanvor {

QIcon AppIcon() {
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
    if (!QFileInfo::exists(path)) {
        return fallback;
    }
    QIcon icon(path);
    return icon.isNull() ? fallback : icon;
}

}  // namespace zanvor
