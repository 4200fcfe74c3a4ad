#include "qt/DeviceListView.h"
#include "qt/ModelBinding.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "qt/Pictures.h"
#include "qt/Theme.h"

namespace zanvor {

namespace {

constexpr int kModeCable = 0;
constexpr int kModeReceiver = 1;

bool ModeOnline(const DeviceListItem& item, int mode) {
    const auto it = item.modes.find(mode);
    return it != item.modes.end() && it->second.state > 0;
}

// The battery of the first connection that reports one.
bool Battery(const DeviceListItem& item, int& level, bool& charging) {
    for (const auto& [mode, state] : item.modes) {
        if (state.state > 0 && state.battery > 0) {
            level = state.battery;
            charging = state.charging != 0;
            return true;
        }
    }
    return false;
}

void DrawBattery(QPainter& painter, const QRectF& rect, int level, bool charging) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(rect.left(), rect.top(), rect.width() - 3, rect.height());
    painter.setPen(QPen(theme::kMutedText, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(body, 2, 2);
    painter.fillRect(
        QRectF(body.right(), rect.center().y() - rect.height() / 4, 3, rect.height() / 2),
        theme::kMutedText);
    const QColor fill = level <= 15   ? QColor(0xFF, 0x4D, 0x5E)
                        : level <= 30 ? theme::kWarn
                                      : theme::kGood;
    const QRectF inner = body.adjusted(2, 2, -2, -2);
    painter.fillRect(QRectF(inner.left(), inner.top(),
                            inner.width() * std::clamp(level, 0, 100) / 100.0, inner.height()),
                     fill);
    if (charging) {
        QPainterPath bolt;
        const QPointF c = body.center();
        const qreal s = body.height() * 0.45;
        bolt.moveTo(c + QPointF(s * 0.2, -s));
        bolt.lineTo(c + QPointF(-s * 0.5, s * 0.15));
        bolt.lineTo(c + QPointF(0, s * 0.15));
        bolt.lineTo(c + QPointF(-s * 0.2, s));
        bolt.lineTo(c + QPointF(s * 0.5, -s * 0.15));
        bolt.lineTo(c + QPointF(0, -s * 0.15));
        bolt.closeSubpath();
        painter.setPen(QPen(theme::kWindow, 1));
        painter.setBrush(Qt::white);
        painter.drawPath(bolt);
    }
    painter.restore();
}

}  // namespace

DeviceCard::DeviceCard(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // The picture gives way first in a low window; name and status lines keep their room.
    setMinimumSize(200, 96 + fontMetrics().height() * 4 + 30);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize DeviceCard::sizeHint() const {
    const int line = fontMetrics().height();
    return {280, 150 + line * 4 + 30};
}

void DeviceCard::SetItem(const DeviceListItem& item, bool selected) {
    const bool pictureChanged = item.imgConnected != item_.imgConnected ||
                                item.imgDisconnected != item_.imgDisconnected ||
                                item.Connected() != item_.Connected() || picture_.isNull();
    item_ = item;
    selected_ = selected;
    if (pictureChanged) {
        const bool connected = item_.Connected();
        const QString path =
            QString::fromStdString(connected ? item_.imgConnected : item_.imgDisconnected);
        picture_ = LoadPixmap(path);
    }
    setText(QString::fromStdString(item_.name));
    setAccessibleName(QString::fromStdString(item_.name));
    setAccessibleDescription(StatusText());
    setToolTip(QString::fromStdString(item_.name) + "\n" + StatusText());
    update();
}

QString DeviceCard::StatusText() const {
    return DeviceStatusText(item_);
}

QString DeviceStatusText(const DeviceListItem& item) {
    QStringList parts;
    if (ModeOnline(item, kModeCable)) {
        parts << QString::fromStdString(LoadText("KB.DIALOG", 1407));
    }
    if (ModeOnline(item, kModeReceiver)) {
        parts << QString::fromStdString(LoadText("KB.DIALOG", 1408));
    }
    if (parts.isEmpty()) {
        return QString::fromStdString(LoadText("KB.DIALOG", 1410));
    }
    return QString::fromStdString(LoadText("KB.DIALOG", 1409)) + " · " + parts.join(" · ");
}

void DeviceCard::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void DeviceCard::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void DeviceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool online = item_.Connected();
    QColor fill = hovered_ || hasFocus() ? theme::kPanelRaised : theme::kPanel;
    painter.setBrush(fill);
    QPen pen(selected_ ? theme::kAccent : theme::kBorder, selected_ ? 2.5 : 1.2);
    painter.setPen(pen);
    painter.drawRoundedRect(frame, 12, 12);
    if (hasFocus()) {
        // The focus ring: a dashed white line inside the frame, seen on the selected card too.
        QPen ring(theme::kText, 1.5, Qt::DashLine);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(4, 4, -4, -4), 9, 9);
    }

    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const QRectF pictureArea = frame.adjusted(14, 14, -14, -(line * 4 + 30));
    QPixmap shown = picture_.isNull()
                        ? DrawnKeyboard(pictureArea.size().toSize() * devicePixelRatioF(), online)
                        : picture_.scaled(pictureArea.size().toSize() * devicePixelRatioF(),
                                          Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(devicePixelRatioF());
    const QSizeF logical = shown.deviceIndependentSize();
    painter.setOpacity(online ? 1.0 : 0.55);
    painter.drawPixmap(QPointF(pictureArea.center().x() - logical.width() / 2,
                               pictureArea.center().y() - logical.height() / 2),
                       shown);
    painter.setOpacity(1.0);

    // Name, then the connection line with its icon, then the battery.
    QRectF textArea(frame.left() + 16, pictureArea.bottom() + 8, frame.width() - 32, line * 3 + 8);
    QFont nameFont = font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(font().pointSizeF() * 1.15);
    painter.setFont(nameFont);
    painter.setPen(theme::kText);
    const QFontMetrics nameMetrics(nameFont);
    painter.drawText(
        QRectF(textArea.left(), textArea.top(), textArea.width(), nameMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(text(), Qt::ElideRight, int(textArea.width())));
    painter.setFont(font());
    const qreal statusTop = textArea.top() + nameMetrics.height() + 4;
    const qreal dot = line * 0.45;
    painter.setPen(Qt::NoPen);
    painter.setBrush(online ? theme::kGood : theme::kMutedText);
    painter.drawEllipse(QRectF(textArea.left(), statusTop + (line - dot) / 2, dot, dot));
    qreal x = textArea.left() + dot + 8;
    if (online) {
        const QString icon = ModeOnline(item_, kModeReceiver) && !ModeOnline(item_, kModeCable)
                                 ? "receiver"
                                 : "cable";
        LineIcon(icon, theme::kMutedText)
            .paint(&painter, QRect(int(x), int(statusTop), line, line));
        x += line + 6;
    }
    painter.setPen(online ? theme::kText : theme::kMutedText);
    painter.drawText(QRectF(x, statusTop, textArea.right() - x, line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(StatusText(), Qt::ElideRight, int(textArea.right() - x)));
    int level = 0;
    bool charging = false;
    if (online && Battery(item_, level, charging)) {
        const qreal top = statusTop + line + 6;
        DrawBattery(painter, QRectF(textArea.left(), top + line * 0.15, line * 1.9, line * 0.7),
                    level, charging);
        painter.setPen(theme::kText);
        QString label = QString("%1%").arg(level);
        if (charging) {
            label += " · " + QString::fromStdString(LoadText("KB.DIALOG", 1411));
        }
        painter.drawText(QRectF(textArea.left() + line * 2.3, top, textArea.width(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

DeviceListView::DeviceListView(CDeviceList& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(16);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) {
        if (changes & ModelBinding::Bit(CDeviceList::kChangeItems)) {
            Rebuild();
        } else {
            Refresh();
        }
    });
    language_ = SubscribeTexts(this, [this] { Refresh(); });
    Rebuild();
}

DeviceListView::~DeviceListView() {
    language_.Reset();
}

DeviceCard* DeviceListView::CardFor(int deviceType) const {
    for (DeviceCard* card : cards_) {
        if (card->Item().deviceType == deviceType) {
            return card;
        }
    }
    return nullptr;
}

void DeviceListView::Rebuild() {
    Rebuild(model_.GetDevices());
}

void DeviceListView::Rebuild(const std::vector<DeviceListItem>& items) {
    for (DeviceCard* card : cards_) {
        card->deleteLater();
    }
    cards_.clear();
    while (layout_->count() > 0) {
        delete layout_->takeAt(0);
    }
    for (const DeviceListItem& item : items) {
        auto* card = new DeviceCard(this);
        const int deviceType = item.deviceType;
        connect(card, &QAbstractButton::clicked, this,
                [this, deviceType] { model_.ClickDevice(deviceType); });
        layout_->addWidget(card);
        cards_.push_back(card);
    }
    layout_->addStretch(1);
    Apply(items);
}

void DeviceListView::Refresh() {
    const std::vector<DeviceListItem> items = model_.GetDevices();
    if (items.size() != cards_.size()) {
        Rebuild(items);
        return;
    }
    Apply(items);
}

void DeviceListView::Apply(const std::vector<DeviceListItem>& items) {
    const int selected = model_.GetSelectDevice();
    for (size_t i = 0; i < items.size(); ++i) {
        cards_[i]->SetItem(items[i], items[i].deviceType == selected);
    }
}

}  // namespace zanvor
