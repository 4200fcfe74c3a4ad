#include "qt/KeyboardView.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QRubberBand>
#include <QToolTip>
#include <cmath>

#include "qt/Theme.h"

namespace zanvor {

namespace {

constexpr int kKnobCode = 0xFF;

QColor FromBgr(uint32_t color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QString Caption(const KeyItem& item) {
    return QString::fromStdString(item.functionCaption.empty() ? item.caption
                                                               : item.functionCaption);
}

bool IsKnob(const KeyItem& item) {
    return item.drawnAsKnob || item.code == kKnobCode;
}

}  // namespace

KeyboardView::KeyboardView(KeyboardCtrl& model, QWidget* parent) : QWidget(parent), model_(model) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

KeyboardView::~KeyboardView() = default;

QSize KeyboardView::sizeHint() const {
    return {900, 340};
}

QSize KeyboardView::minimumSizeHint() const {
    return {480, 180};
}

void KeyboardView::Reload() {
    items_ = model_.GetKeyItems();
    mode_ = model_.GetKeyboardCtrlMode();
    lightModeColor_ = model_.GetLightModeColor();
    if (focused_ != 0 && std::none_of(items_.begin(), items_.end(),
                                      [this](const KeyItem& k) { return k.code == focused_; })) {
        focused_ = 0;
    }
    update();
}

QRectF KeyboardView::Bounds() const {
    if (items_.empty()) {
        return {};
    }
    int left = items_.front().rect.left;
    int top = items_.front().rect.top;
    int right = items_.front().rect.right;
    int bottom = items_.front().rect.bottom;
    for (const KeyItem& item : items_) {
        left = std::min(left, item.rect.left);
        top = std::min(top, item.rect.top);
        right = std::max(right, item.rect.right);
        bottom = std::max(bottom, item.rect.bottom);
    }
    return QRectF(left, top, right - left, bottom - top);
}

QRectF KeyboardView::Map(const Rect& rect) const {
    const QRectF bounds = Bounds();
    if (bounds.isEmpty()) {
        return {};
    }
    // The case adds a margin around the keys; the picture keeps its aspect ratio.
    const qreal margin = 24;
    const qreal scale = std::min((width() - 2 * margin) / bounds.width(),
                                 (height() - 2 * margin) / bounds.height());
    const qreal offsetX = (width() - bounds.width() * scale) / 2;
    const qreal offsetY = (height() - bounds.height() * scale) / 2;
    return QRectF(offsetX + (rect.left - bounds.left()) * scale,
                  offsetY + (rect.top - bounds.top()) * scale, rect.Width() * scale,
                  rect.Height() * scale);
}

QRect KeyboardView::KeyRect(int code) const {
    for (const KeyItem& item : items_) {
        if (item.code == code) {
            return Map(item.rect).toRect();
        }
    }
    return {};
}

namespace {

// Every word on one line of its own width at most, and all lines within the area.
bool FitsWrapped(const QString& caption, const QFontMetricsF& metrics, const QRectF& area) {
    for (const QString& word : caption.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > area.width()) {
            return false;
        }
    }
    return metrics.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, caption).height() <=
           area.height();
}

// The words laid out line by line within the area, as many lines as its height takes; what
// does not fit is abbreviated at the end of the last line and of words wider than a line.
QString AbbreviatedLines(const QString& caption, const QFontMetricsF& metrics, const QRectF& area) {
    const int maxLines = std::max(1, static_cast<int>(area.height() / metrics.lineSpacing()));
    const QStringList words = caption.simplified().split(' ', Qt::SkipEmptyParts);
    QStringList lines;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (static_cast<int>(lines.size()) == maxLines - 1) {
            lines << metrics.elidedText(words.mid(i).join(' '), Qt::ElideRight, area.width());
            break;
        }
        if (!lines.isEmpty() &&
            metrics.horizontalAdvance(lines.back() + ' ' + words[i]) <= area.width()) {
            lines.back() += ' ' + words[i];
        } else {
            lines << metrics.elidedText(words[i], Qt::ElideRight, area.width());
        }
    }
    return lines.join('\n');
}

}  // namespace

KeyCaptionFit FitKeyCaption(const QString& caption, const QRectF& cap, QFont font) {
    constexpr qreal kSmallest = 5.5;
    KeyCaptionFit fit{caption, font, cap.adjusted(3, 2, -3, -2), true};
    qreal pointSize = std::clamp(cap.height() * 0.24, kSmallest, 11.0);
    fit.font.setPointSizeF(pointSize);
    QFontMetricsF metrics(fit.font);
    while (pointSize > kSmallest && !FitsWrapped(caption, metrics, fit.area)) {
        pointSize -= 0.5;
        fit.font.setPointSizeF(pointSize);
        metrics = QFontMetricsF(fit.font);
    }
    if (FitsWrapped(caption, metrics, fit.area)) {
        return fit;
    }
    // Too long at the smallest size within the key's margins: the whole cap, in lines of a
    // smaller size still, and abbreviated only when that is not enough (the tooltip has it
    // all).
    fit.area = cap.adjusted(1, 1, -1, -1);
    const QString simple = caption.simplified();
    // "Play/Pause" may break after its slash.
    QString slashBreaks = simple;
    slashBreaks.replace('/', QStringLiteral("/ "));
    constexpr qreal kSmallestLine = 4.5;
    for (pointSize = kSmallest; pointSize >= kSmallestLine; pointSize -= 0.5) {
        fit.font.setPointSizeF(pointSize);
        metrics = QFontMetricsF(fit.font);
        for (const QString& text : {simple, slashBreaks}) {
            if (FitsWrapped(text, metrics, fit.area)) {
                fit.text = text;
                return fit;
            }
        }
    }
    fit.text = slashBreaks;
    fit.font.setPointSizeF(kSmallestLine);
    fit.text = AbbreviatedLines(fit.text, QFontMetricsF(fit.font), fit.area);
    return fit;
}

KeyCaptionFit KeyboardView::CaptionFit(int code) const {
    const qreal unit = Map(Rect{0, 0, 1, 1}).width();
    for (const KeyItem& item : items_) {
        if (item.code == code) {
            const QRectF cap = Map(item.rect).adjusted(unit * 1.5 + 1, unit * 1.5 + 1,
                                                       -unit * 1.5 - 1, -unit * 1.5 - 1);
            return FitKeyCaption(Caption(item), cap, font());
        }
    }
    return {};
}

int KeyboardView::CodeAt(const QPointF& point) const {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (Map(it->rect).contains(point)) {
            return it->code;
        }
    }
    return 0;
}

void KeyboardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (items_.empty()) {
        return;
    }
    const QRectF bounds = Bounds();
    const Rect all{int(bounds.left()), int(bounds.top()), int(bounds.right()),
                   int(bounds.bottom())};
    const QRectF keys = Map(all);
    const qreal unit = keys.width() / std::max(1.0, bounds.width());
    const QRectF body = keys.adjusted(-14, -14, 14, 14);
    QLinearGradient caseGradient(body.topLeft(), body.bottomLeft());
    caseGradient.setColorAt(0, QColor(0x1C, 0x20, 0x2C));
    caseGradient.setColorAt(1, QColor(0x12, 0x14, 0x1C));
    painter.setPen(QPen(theme::kBorder, 1.5));
    painter.setBrush(caseGradient);
    painter.drawRoundedRect(body, 16, 16);

    QFont captionFont = font();
    for (const KeyItem& item : items_) {
        const QRectF cell = Map(item.rect);
        const QRectF cap =
            cell.adjusted(unit * 1.5 + 1, unit * 1.5 + 1, -unit * 1.5 - 1, -unit * 1.5 - 1);
        const bool hovered = item.code == hovered_;
        const bool focused = item.code == focused_ && hasFocus();
        QColor fill = hovered ? theme::kKeyCapHover : theme::kKeyCap;
        QColor edge = theme::kBorder;
        if (mode_ == KeyboardCtrl::kModePerKeyColor) {
            fill = FromBgr(item.color);
            fill.setAlpha(210);
        } else if (lightModeColor_ != 0) {
            edge = FromBgr(lightModeColor_);
        }
        if (item.selected) {
            // A glow behind the selected key.
            QColor glow = theme::kAccent;
            glow.setAlpha(90);
            painter.setPen(Qt::NoPen);
            painter.setBrush(glow);
            if (IsKnob(item)) {
                painter.drawEllipse(cap.adjusted(-4, -4, 4, 4));
            } else {
                painter.drawRoundedRect(cap.adjusted(-4, -4, 4, 4), 8, 8);
            }
            edge = theme::kAccent;
        }
        painter.setBrush(fill);
        painter.setPen(QPen(focused ? Qt::white : edge, item.selected || focused ? 2.2 : 1.0,
                            focused && !item.selected ? Qt::DashLine : Qt::SolidLine));
        if (IsKnob(item)) {
            const qreal d = std::min(cap.width(), cap.height());
            const QRectF circle(cap.center().x() - d / 2, cap.center().y() - d / 2, d, d);
            QRadialGradient knob(circle.center(), d / 2);
            knob.setColorAt(0, QColor(0x3A, 0x40, 0x52));
            knob.setColorAt(1, QColor(0x1A, 0x1D, 0x28));
            painter.setBrush(knob);
            painter.drawEllipse(circle);
            // The knob's grip marks.
            painter.setPen(QPen(theme::kMutedText, 1.2));
            for (int i = 0; i < 12; ++i) {
                const qreal angle = i * M_PI / 6;
                const QPointF c = circle.center();
                painter.drawLine(c + QPointF(std::cos(angle), std::sin(angle)) * d * 0.36,
                                 c + QPointF(std::cos(angle), std::sin(angle)) * d * 0.46);
            }
            continue;
        }
        painter.drawRoundedRect(cap, std::min(6.0, cap.height() * 0.18),
                                std::min(6.0, cap.height() * 0.18));
        const QString caption = Caption(item);
        if (caption.isEmpty()) {
            continue;
        }
        const KeyCaptionFit fit = FitKeyCaption(caption, cap, captionFont);
        captionFont = fit.font;
        painter.setFont(captionFont);
        QColor textColor = item.selected ? Qt::white : theme::kText;
        if (mode_ == KeyboardCtrl::kModePerKeyColor && fill.lightness() > 150) {
            textColor = theme::kWindow;
        }
        if (item.remapped) {
            textColor = item.selected ? Qt::white : theme::kAccent;
        }
        painter.setPen(textColor);
        painter.setClipRect(cap);
        painter.drawText(fit.area, Qt::AlignCenter | (fit.wrap ? Qt::TextWordWrap : 0), fit.text);
        painter.setClipping(false);
    }
}

bool KeyboardView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int code = CodeAt(help->pos());
        for (const KeyItem& item : items_) {
            if (item.code == code) {
                QString tip = QString::fromStdString(item.caption);
                if (item.remapped && !item.functionCaption.empty()) {
                    tip += QStringLiteral(" → ") + QString::fromStdString(item.functionCaption);
                }
                QToolTip::showText(help->globalPos(), tip, this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void KeyboardView::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ && areaSelection_) {
        const QRect area = QRect(pressAt_, event->position().toPoint()).normalized();
        if (band_ != nullptr || area.width() > 4 || area.height() > 4) {
            if (band_ == nullptr) {
                band_ = new QRubberBand(QRubberBand::Rectangle, this);
            }
            band_->setGeometry(area);
            band_->show();
        }
    }
    const int code = CodeAt(event->position());
    if (code != hovered_) {
        hovered_ = code;
        setCursor(code != 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void KeyboardView::leaveEvent(QEvent*) {
    hovered_ = 0;
    update();
}

void KeyboardView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (areaSelection_) {
        pressed_ = true;
        pressAt_ = event->position().toPoint();
        return;
    }
    const int code = CodeAt(event->position());
    if (code != 0) {
        focused_ = code;
        model_.ClickKey(code, event->modifiers().testFlag(Qt::ControlModifier));
    }
}

void KeyboardView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) {
        return;
    }
    pressed_ = false;
    const bool add = event->modifiers().testFlag(Qt::ControlModifier);
    if (band_ != nullptr && band_->isVisible()) {
        const QRect area = band_->geometry();
        band_->hide();
        model_.SelectArea(ToModel(area), add);
        return;
    }
    const int code = CodeAt(event->position());
    if (code != 0) {
        focused_ = code;
        model_.ClickKey(code, add);
    }
}

Rect KeyboardView::ToModel(const QRect& area) const {
    const QRectF bounds = Bounds();
    const QRectF all =
        Map(Rect{int(bounds.left()), int(bounds.top()), int(bounds.right()), int(bounds.bottom())});
    if (all.isEmpty()) {
        return {};
    }
    const qreal scale = all.width() / bounds.width();
    const auto x = [&](int px) {
        return int(std::floor(bounds.left() + (px - all.left()) / scale));
    };
    const auto y = [&](int px) { return int(std::floor(bounds.top() + (px - all.top()) / scale)); };
    return Rect{x(area.left()), y(area.top()), x(area.right() + 1), y(area.bottom() + 1)};
}

void KeyboardView::focusInEvent(QFocusEvent* event) {
    if (focused_ == 0 && !items_.empty()) {
        const int selected = model_.GetSelectKey();
        focused_ = selected != 0 ? selected : items_.front().code;
    }
    update();
    QWidget::focusInEvent(event);
}

void KeyboardView::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void KeyboardView::MoveFocus(int dx, int dy) {
    const auto current = std::find_if(items_.begin(), items_.end(),
                                      [this](const KeyItem& k) { return k.code == focused_; });
    if (current == items_.end()) {
        if (!items_.empty()) {
            focused_ = items_.front().code;
        }
        update();
        return;
    }
    const QPointF from = QRectF(Map(current->rect)).center();
    int best = 0;
    qreal bestScore = 1e18;
    for (const KeyItem& item : items_) {
        if (item.code == current->code) {
            continue;
        }
        const QPointF delta = QRectF(Map(item.rect)).center() - from;
        const qreal along = dx != 0 ? delta.x() * dx : delta.y() * dy;
        const qreal across = dx != 0 ? std::abs(delta.y()) : std::abs(delta.x());
        if (along <= 1) {
            continue;
        }
        const qreal score = along + across * 3;
        if (score < bestScore) {
            bestScore = score;
            best = item.code;
        }
    }
    if (best != 0) {
        focused_ = best;
        update();
    }
}

void KeyboardView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            MoveFocus(-1, 0);
            return;
        case Qt::Key_Right:
            MoveFocus(1, 0);
            return;
        case Qt::Key_Up:
            MoveFocus(0, -1);
            return;
        case Qt::Key_Down:
            MoveFocus(0, 1);
            return;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (focused_ != 0) {
                model_.ClickKey(focused_, event->modifiers().testFlag(Qt::ControlModifier));
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace zanvor
