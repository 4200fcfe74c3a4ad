#include "qt/ControlViews.h"

#include <QEnterEvent>
#include <QPainter>

#include "qt/Theme.h"

namespace zanvor {

SwitchView::SwitchView(SwitchButton& model, QWidget* parent)
    : QAbstractButton(parent), model_(model) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setChecked(model_.GetCheck());
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        setChecked(model_.GetCheck());
        setVisible(model_.IsVisible());
    });
    setVisible(model_.IsVisible());
}

SwitchView::~SwitchView() = default;

QSize SwitchView::sizeHint() const {
    const QFontMetrics metrics(font());
    const int height = std::max(24, metrics.height() + 8);
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + 12;
    return {height * 2 + 4 + textWidth, height};
}

void SwitchView::nextCheckState() {
    // The model decides; the view shows what it holds.
    model_.Click();
    setChecked(model_.GetCheck());
}

void SwitchView::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SwitchView::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SwitchView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal h = std::min<qreal>(height(), 22);
    const QRectF track(1, (height() - h) / 2, h * 2 - 2, h);
    const bool on = isChecked();
    QColor trackColor = on ? theme::kAccent.darker(hovered_ ? 110 : 130) : theme::kPanelRaised;
    painter.setPen(QPen(hasFocus() || hovered_ ? theme::kAccent : theme::kBorder, 1.2));
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, h / 2, h / 2);
    const qreal d = h - 6;
    const qreal x = on ? track.right() - d - 3 : track.left() + 3;
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? QColor(Qt::white) : theme::kMutedText);
    painter.drawEllipse(QRectF(x, track.top() + 3, d, d));
    if (!text().isEmpty()) {
        painter.setPen(isEnabled() ? theme::kText : theme::kMutedText);
        painter.drawText(QRectF(track.right() + 10, 0, width() - track.right() - 10, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }
}

ComboView::ComboView(ComboBox& model, QWidget* parent) : QComboBox(parent), model_(model) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int index) { model_.Choose(index); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) {
        Reload((changes & ModelBinding::Bit(ComboBox::kChangeItems)) != 0);
    });
    Reload(true);
}

ComboView::~ComboView() = default;

void ComboView::Reload(bool items) {
    const QSignalBlocker blocker(this);
    if (items) {
        clear();
        for (const ComboItem& item : model_.GetItems()) {
            addItem(QString::fromStdString(item.text), item.data);
        }
    }
    setCurrentIndex(model_.GetCurSel());
    setVisible(model_.IsVisible());
}

}  // namespace zanvor
