#include "qt/MatrixScreenView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "qt/Theme.h"

namespace zanvor {

namespace {

constexpr double kBarPadding = 10;
constexpr double kLedGap = 3;
constexpr double kLargestLed = 22;

QColor ColourOf(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

MatrixScreenView::MatrixScreenView(MatrixScreen& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setMouseTracking(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(QStringLiteral("matrix screen"));
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        setCursor(Paintable() ? Qt::CrossCursor : Qt::ArrowCursor);
        update();
    });
}

MatrixScreenView::~MatrixScreenView() = default;

QRectF MatrixScreenView::Bar() const {
    // The LEDs are square; the bar is as wide as the view allows.
    const double available = width() - 2 * kBarPadding;
    const double led =
        std::min(kLargestLed, (available - (kMatrixLedCount - 1) * kLedGap) / kMatrixLedCount);
    const double barWidth = kMatrixLedCount * led + (kMatrixLedCount - 1) * kLedGap;
    const double barHeight = led + 2 * kBarPadding;
    return {(width() - barWidth) / 2 - kBarPadding, (height() - barHeight) / 2,
            barWidth + 2 * kBarPadding, barHeight};
}

QRectF MatrixScreenView::LedRect(int index) const {
    const QRectF bar = Bar();
    const double led = bar.height() - 2 * kBarPadding;
    return {bar.left() + kBarPadding + index * (led + kLedGap), bar.top() + kBarPadding, led, led};
}

int MatrixScreenView::LedAt(const QPointF& point) const {
    const QRectF bar = Bar();
    if (!bar.contains(point)) {
        return -1;
    }
    const double led = bar.height() - 2 * kBarPadding;
    const int index =
        static_cast<int>((point.x() - bar.left() - kBarPadding + kLedGap / 2) / (led + kLedGap));
    return std::clamp(index, 0, kMatrixLedCount - 1);
}

bool MatrixScreenView::Paintable() const {
    return isEnabled() && model_.GetPresetMode() == kMatrixPresetPainted;
}

void MatrixScreenView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = Bar();
    painter.setPen(QPen(theme::kBorder, 1));
    painter.setBrush(QColor(0x08, 0x09, 0x0D));
    painter.drawRoundedRect(bar, 8, 8);
    const MatrixFrame colours = model_.Colors();
    for (int i = 0; i < kMatrixLedCount; ++i) {
        const QRectF led = LedRect(i);
        const QColor colour = ColourOf(colours[i]);
        const bool dark = colours[i] == 0;
        if (!dark) {
            // A soft glow around a lit LED.
            QColor glow = colour;
            glow.setAlpha(70);
            painter.setPen(Qt::NoPen);
            painter.setBrush(glow);
            painter.drawRoundedRect(led.adjusted(-2, -2, 2, 2), 5, 5);
        }
        painter.setPen(QPen(dark ? theme::kBorder : colour.lighter(130), 1));
        painter.setBrush(dark ? QColor(0x14, 0x16, 0x1E) : colour);
        painter.drawRoundedRect(led, 3, 3);
    }
}

void MatrixScreenView::PaintUnder(const QPointF& point) {
    const int led = LedAt(point);
    if (led < 0) {
        return;
    }
    // A fast drag skips LEDs between two mouse events: paint the whole way.
    const int from = lastLed_ < 0 ? led : lastLed_;
    for (int i = std::min(from, led); i <= std::max(from, led); ++i) {
        model_.PaintLed(i);
    }
    lastLed_ = led;
}

void MatrixScreenView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Paintable()) {
        QWidget::mousePressEvent(event);
        return;
    }
    painting_ = true;
    lastLed_ = -1;
    PaintUnder(event->position());
}

void MatrixScreenView::mouseMoveEvent(QMouseEvent* event) {
    if (painting_) {
        PaintUnder(event->position());
    }
}

void MatrixScreenView::mouseReleaseEvent(QMouseEvent* event) {
    if (!painting_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    painting_ = false;
    if (lastLed_ >= 0) {
        model_.FinishPainting();
    }
    lastLed_ = -1;
}

}  // namespace zanvor
