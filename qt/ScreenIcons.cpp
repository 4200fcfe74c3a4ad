#include "qt/ScreenIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <utility>

namespace zanvor {

namespace {

// Draws one icon on a 24 × 24 grid.
void Draw(QPainter& p, const QString& name) {
    if (name == "pen") {
        QPainterPath path;
        path.moveTo(5, 19);
        path.lineTo(6, 15);
        path.lineTo(16, 5);
        path.lineTo(19, 8);
        path.lineTo(9, 18);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(14, 7), QPointF(17, 10));
    } else if (name == "eraser") {
        QPainterPath path;
        path.moveTo(4, 15);
        path.lineTo(13, 6);
        path.lineTo(19, 12);
        path.lineTo(12, 19);
        path.lineTo(8, 19);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(8, 11), QPointF(14, 17));
        p.drawLine(QPointF(12, 19), QPointF(20, 19));
    } else if (name == "undo") {
        QPainterPath path;
        path.moveTo(6, 10);
        path.lineTo(15, 10);
        path.cubicTo(21, 10, 21, 19, 15, 19);
        path.lineTo(9, 19);
        p.drawPath(path);
        p.drawLine(QPointF(6, 10), QPointF(10, 6));
        p.drawLine(QPointF(6, 10), QPointF(10, 14));
    } else if (name == "text") {
        p.drawLine(QPointF(6, 6), QPointF(18, 6));
        p.drawLine(QPointF(12, 6), QPointF(12, 19));
        p.drawLine(QPointF(9, 19), QPointF(15, 19));
    } else if (name == "picture") {
        p.drawRoundedRect(QRectF(3, 5, 15, 12), 2, 2);
        QPainterPath hill;
        hill.moveTo(4, 16);
        hill.lineTo(9, 11);
        hill.lineTo(13, 15);
        hill.lineTo(15, 13);
        hill.lineTo(17, 15);
        p.drawPath(hill);
        p.drawLine(QPointF(19, 15), QPointF(19, 22));
        p.drawLine(QPointF(15.5, 18.5), QPointF(22.5, 18.5));
    } else if (name == "copy") {
        p.drawRoundedRect(QRectF(8, 8, 11, 12), 2, 2);
        p.drawPolyline(QPolygonF({QPointF(16, 5), QPointF(5, 5), QPointF(5, 17)}));
    } else if (name == "delete") {
        p.drawLine(QPointF(5, 7), QPointF(19, 7));
        p.drawLine(QPointF(10, 4), QPointF(14, 4));
        p.drawPolyline(QPolygonF({QPointF(7, 7), QPointF(8, 20), QPointF(16, 20), QPointF(17, 7)}));
        p.drawLine(QPointF(10.5, 10), QPointF(10.5, 17));
        p.drawLine(QPointF(13.5, 10), QPointF(13.5, 17));
    }
}

}  // namespace

QIcon ScreenToolIcon(const QString& name, const QColor& colour) {
    QIcon icon;
    // Disabled tools are drawn in the theme's disabled text colour: the generated grey of a
    // light icon would hardly differ on the dark panels.
    for (const auto& [mode, pen] :
         {std::pair{QIcon::Normal, colour}, std::pair{QIcon::Disabled, QColor(0x5A, 0x60, 0x72)}}) {
        for (const int size : {24, 48}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(size / 24.0, size / 24.0);
            painter.setPen(QPen(pen, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            Draw(painter, name);
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

}  // namespace zanvor
