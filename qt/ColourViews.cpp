#include "qt/ColourViews.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>

#include "qt/Theme.h"

namespace zanvor {

QColor ToQColor(uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t FromQColor(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

// ---- colour field -----------------------------------------------------------------------------

ColourFieldView::ColourFieldView(LCDPalette3& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setCursor(Qt::CrossCursor);
    setMinimumSize(120, 80);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    Refresh();
}

ColourFieldView::~ColourFieldView() {
    binding_.reset();
}

void ColourFieldView::Refresh() {
    const QColor colour = ToQColor(model_.GetSelectColor());
    if (colour.hsvSaturation() > 0 && colour.hsvHue() >= 0 && colour.hsvHue() != hue_) {
        hue_ = colour.hsvHue();
        field_ = QImage();
    }
    update();
}

void ColourFieldView::resizeEvent(QResizeEvent* event) {
    field_ = QImage();
    QWidget::resizeEvent(event);
}

void ColourFieldView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(1, 1, -1, -1);
    if (field_.size() != area.size()) {
        field_ = QImage(area.size(), QImage::Format_RGB32);
        for (int y = 0; y < field_.height(); ++y) {
            const int value = 255 - y * 255 / std::max(field_.height() - 1, 1);
            auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
            for (int x = 0; x < field_.width(); ++x) {
                const int saturation = x * 255 / std::max(field_.width() - 1, 1);
                line[x] = QColor::fromHsv(hue_, saturation, value).rgb();
            }
        }
    }
    painter.drawImage(area.topLeft(), field_);
    painter.setPen(theme::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QColor colour = ToQColor(model_.GetSelectColor());
    const QPoint at(area.left() + colour.hsvSaturation() * (area.width() - 1) / 255,
                    area.top() + (255 - colour.value()) * (area.height() - 1) / 255);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawEllipse(at, 6, 6);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(at, 6, 6);
}

void ColourFieldView::PickAt(const QPoint& point) {
    const QRect area = rect().adjusted(1, 1, -1, -1);
    const int x = std::clamp(point.x() - area.left(), 0, area.width() - 1);
    const int y = std::clamp(point.y() - area.top(), 0, area.height() - 1);
    const QColor colour = QColor::fromHsv(hue_, x * 255 / std::max(area.width() - 1, 1),
                                          255 - y * 255 / std::max(area.height() - 1, 1));
    model_.Pick(FromQColor(colour));
}

void ColourFieldView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        PickAt(event->pos());
    }
}

void ColourFieldView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0 && isEnabled()) {
        PickAt(event->pos());
    }
}

// ---- hue bar ------------------------------------------------------------------------------------

HueBarView::HueBarView(LCDPalette2& model, QWidget* parent) : QWidget(parent), model_(model) {
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(18);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { update(); });
}

HueBarView::~HueBarView() {
    binding_.reset();
}

void HueBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width(), 0);
    for (int step = 0; step <= 6; ++step) {
        gradient.setColorAt(step / 6.0, QColor::fromHsv((step * 60) % 360, 255, 255));
    }
    painter.setPen(theme::kBorder);
    painter.setBrush(gradient);
    painter.drawRoundedRect(rect().adjusted(0, 2, -1, -3), 6, 6);
}

void HueBarView::PickAt(int x) {
    const int hue = std::clamp(x, 0, std::max(width() - 1, 1)) * 359 / std::max(width() - 1, 1);
    model_.Pick(FromQColor(QColor::fromHsv(hue, 255, 255)));
}

void HueBarView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        PickAt(event->pos().x());
    }
}

void HueBarView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0 && isEnabled()) {
        PickAt(event->pos().x());
    }
}

// ---- palette buttons ----------------------------------------------------------------------------

ColourButtonView::ColourButtonView(CColorButton& model, QWidget* parent)
    : QAbstractButton(parent), model_(model) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, [this] { model_.Click(); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { update(); });
}

ColourButtonView::~ColourButtonView() {
    binding_.reset();
}

void ColourButtonView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool ringed = model_.GetCheck() || hasFocus() || underMouse();
    painter.setPen(QPen(ringed ? theme::kAccent : theme::kBorder, model_.GetCheck() ? 2.5 : 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(outer);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(model_.GetColor()));
    painter.drawEllipse(outer.adjusted(4, 4, -4, -4));
}

// ---- number boxes -------------------------------------------------------------------------------

NumberBoxView::NumberBoxView(MEdit& model, int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent), model_(model) {
    setRange(minimum, maximum);
    setKeyboardTracking(false);
    setValue(QString::fromStdString(model_.GetText()).toInt());
    connect(this, &QSpinBox::valueChanged, this,
            [this](int value) { model_.Type(std::to_string(value)); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        const QSignalBlocker blocker(this);
        setValue(QString::fromStdString(model_.GetText()).toInt());
    });
}

NumberBoxView::~NumberBoxView() {
    binding_.reset();
}

}  // namespace zanvor
