#include "qt/LightControls.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <cmath>

#include "qt/TabBarLayout.h"
#include "qt/Theme.h"
#include "ui/LoadText.h"

namespace zanvor {

QWidget* MakePanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("panel");
    panel->setAttribute(Qt::WA_StyledBackground);
    return panel;
}

QLabel* MakeSectionTitle(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("sectionTitle");
    return label;
}

// ---- TabBarView ----

TabBarView::TabBarView(TabCtrl& model, QWidget* parent) : QTabBar(parent), model_(model) {
    setDrawBase(false);
    setExpanding(false);
    // In a narrow window the tabs scroll: shortened captions ("Kl...") said nothing.
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index != model_.GetCurSel()) {
            model_.Choose(index);
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

TabBarView::~TabBarView() = default;

void TabBarView::Reload() {
    const QSignalBlocker blocker(this);
    const std::vector<TabItem> items = model_.GetItems();
    while (count() > static_cast<int>(items.size())) {
        removeTab(count() - 1);
    }
    while (count() < static_cast<int>(items.size())) {
        addTab(QString());
    }
    int visible = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        setTabText(static_cast<int>(i), QString::fromStdString(items[i].text));
        setTabVisible(static_cast<int>(i), items[i].visible);
        visible += items[i].visible ? 1 : 0;
    }
    setCurrentIndex(model_.GetCurSel());
    RelayoutTabs(*this);
    // A single zone needs no tabs.
    setVisible(model_.IsVisible() && visible > 1);
}

// ---- ComboListView ----

ComboListView::ComboListView(ComboBox& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setFocusPolicy(Qt::StrongFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != model_.GetCurSel()) {
            model_.Choose(row);
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) {
        Reload((changes & ModelBinding::Bit(ComboBox::kChangeItems)) != 0);
    });
    Reload(true);
}

ComboListView::~ComboListView() = default;

void ComboListView::Reload(bool items) {
    const QSignalBlocker blocker(this);
    if (items) {
        clear();
        for (const ComboItem& item : model_.GetItems()) {
            addItem(QString::fromStdString(item.text));
        }
    }
    setCurrentRow(model_.GetCurSel());
    if (currentItem() != nullptr) {
        scrollToItem(currentItem());
    }
    setVisible(model_.IsVisible());
}

// ---- SliderView ----

SliderView::SliderView(SliderCtrl& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label_ = new QLabel(this);
    label_->setMinimumWidth(80);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setFocusPolicy(Qt::StrongFocus);
    value_ = new QLabel(this);
    value_->setMinimumWidth(30);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label_->setBuddy(slider_);
    layout->addWidget(label_);
    layout->addWidget(slider_, 1);
    layout->addWidget(value_);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        value_->setNum(value);
        if (!slider_->isSliderDown() && value != model_.GetPos()) {
            model_.Move(value);
        }
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] {
        if (slider_->value() != model_.GetPos()) {
            model_.Move(slider_->value());
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

SliderView::~SliderView() = default;

void SliderView::SetLabel(const QString& text) {
    label_->setText(text);
    slider_->setAccessibleName(text);
}

void SliderView::Reload() {
    if (slider_->isSliderDown()) {
        return;  // the user's drag wins until it ends
    }
    const QSignalBlocker blocker(slider_);
    slider_->setRange(model_.GetMin(), model_.GetMax());
    slider_->setValue(model_.GetPos());
    value_->setNum(model_.GetPos());
    setVisible(model_.IsVisible());
}

// ---- ChoiceView ----

ChoiceView::ChoiceView(ComboBox& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    group_ = new QButtonGroup(this);
    connect(group_, &QButtonGroup::idClicked, this, [this](int index) {
        if (index != model_.GetCurSel()) {
            model_.Choose(index);
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) {
        Reload((changes & ModelBinding::Bit(ComboBox::kChangeItems)) != 0);
    });
    Reload(true);
}

ChoiceView::~ChoiceView() = default;

void ChoiceView::Reload(bool items) {
    const std::vector<ComboItem> entries = model_.GetItems();
    if (items || group_->buttons().size() != static_cast<int>(entries.size())) {
        for (QAbstractButton* button : group_->buttons()) {
            group_->removeButton(button);
            delete button;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            auto* button = new QRadioButton(QString::fromStdString(entries[i].text), this);
            group_->addButton(button, static_cast<int>(i));
            layout()->addWidget(button);
        }
        static_cast<QHBoxLayout*>(layout())->addStretch(1);
    }
    const int selected = model_.GetCurSel();
    for (QAbstractButton* button : group_->buttons()) {
        const QSignalBlocker blocker(button);
        button->setChecked(group_->id(button) == selected);
    }
    setVisible(model_.IsVisible());
}

// ---- SwatchesView ----

SwatchesView::SwatchesView(ComboBox& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

SwatchesView::~SwatchesView() = default;

void SwatchesView::Reload() {
    const std::vector<ComboItem> items = model_.GetItems();
    if (buttons_.size() != items.size()) {
        for (QPushButton* button : buttons_) {
            delete button;
        }
        buttons_.clear();
        for (size_t i = 0; i < items.size(); ++i) {
            auto* button = new QPushButton(this);
            button->setFixedSize(26, 26);
            button->setCursor(Qt::PointingHandCursor);
            connect(button, &QPushButton::clicked, this,
                    [this, i] { model_.Choose(static_cast<int>(i)); });
            static_cast<QGridLayout*>(layout())->addWidget(button, static_cast<int>(i) / 3,
                                                           static_cast<int>(i) % 3);
            buttons_.push_back(button);
        }
        static_cast<QGridLayout*>(layout())->setColumnStretch(3, 1);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const QColor color = ToQColor(static_cast<uint32_t>(items[i].data));
        buttons_[i]->setStyleSheet(
            QString("QPushButton { background: %1; border: 2px solid #2C3142;"
                    " border-radius: 13px; padding: 0; min-height: 0; }"
                    "QPushButton:hover, QPushButton:focus { border-color: "
                    "#00D8F0; }")
                .arg(color.name()));
        buttons_[i]->setToolTip(QString::fromStdString(items[i].text));
        buttons_[i]->setAccessibleName(buttons_[i]->toolTip());
    }
    setVisible(model_.IsVisible());
}

// ---- ColorWheelView ----

ColorWheelView::ColorWheelView(ColorCtrl& model, QWidget* parent) : QWidget(parent), model_(model) {
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        if (!dragging_) {
            shown_ = ToQColor(model_.GetColor());
        }
        setVisible(model_.IsVisible());
        update();
    });
    shown_ = ToQColor(model_.GetColor());
    setVisible(model_.IsVisible());
}

ColorWheelView::~ColorWheelView() = default;

QRectF ColorWheelView::Disc() const {
    const qreal d = std::min(width(), height()) - 8.0;
    return QRectF((width() - d) / 2, (height() - d) / 2, d, d);
}

QColor ColorWheelView::ColorAt(const QPointF& point) const {
    const QRectF disc = Disc();
    const QPointF offset = point - disc.center();
    const qreal radius = disc.width() / 2;
    const qreal distance = std::hypot(offset.x(), offset.y());
    qreal hue = std::atan2(-offset.y(), offset.x()) / (2 * M_PI);
    if (hue < 0) {
        hue += 1;
    }
    const qreal saturation = radius > 0 ? std::min<qreal>(1.0, distance / radius) : 0;
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(saturation), 1.0f);
}

void ColorWheelView::resizeEvent(QResizeEvent* event) {
    disc_ = QImage();
    QWidget::resizeEvent(event);
}

void ColorWheelView::paintEvent(QPaintEvent*) {
    const QRectF disc = Disc();
    if (disc_.size() != size()) {
        disc_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        disc_.fill(Qt::transparent);
        const qreal radius = disc.width() / 2;
        for (int y = 0; y < height(); ++y) {
            for (int x = 0; x < width(); ++x) {
                const QPointF point(x + 0.5, y + 0.5);
                if (std::hypot(point.x() - disc.center().x(), point.y() - disc.center().y()) <=
                    radius) {
                    disc_.setPixelColor(x, y, ColorAt(point));
                }
            }
        }
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(0, 0, disc_);
    painter.setPen(QPen(theme::kBorder, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc);
    // The marker at the shown colour's hue and saturation.
    float hue = 0;
    float saturation = 0;
    float value = 0;
    shown_.getHsvF(&hue, &saturation, &value);
    const qreal angle = std::max(0.0f, hue) * 2 * M_PI;
    const QPointF marker =
        disc.center() + QPointF(std::cos(angle), -std::sin(angle)) * saturation * disc.width() / 2;
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(shown_);
    painter.drawEllipse(marker, 6, 6);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(marker, 8, 8);
}

void ColorWheelView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        shown_ = ColorAt(event->position());
        update();
    }
}

void ColorWheelView::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        shown_ = ColorAt(event->position());
        update();
    }
}

void ColorWheelView::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        shown_ = ColorAt(event->position());
        model_.Pick(FromQColor(shown_));
    }
}

// ---- ColorButtonView ----

ColorButtonView::ColorButtonView(ColorCtrl& model, QWidget* parent)
    : QPushButton(parent), model_(model) {
    setCursor(Qt::PointingHandCursor);
    chooser_ = [this](const QColor& current) {
        return QColorDialog::getColor(current, window(),
                                      QString::fromStdString(LoadText("KB.DIALOG", 1637)));
    };
    connect(this, &QPushButton::clicked, this, [this] {
        const QColor chosen = chooser_(ToQColor(model_.GetColor()));
        if (chosen.isValid()) {
            model_.Pick(FromQColor(chosen));
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

ColorButtonView::~ColorButtonView() = default;

void ColorButtonView::Reload() {
    const QColor color = ToQColor(model_.GetColor());
    setText(color.name().toUpper());
    const QColor ink = color.lightness() > 140 ? QColor(0x0E, 0x10, 0x16) : QColor(Qt::white);
    setStyleSheet(QString("QPushButton { background: %1; color: %2; border: 1px solid #2C3142; }"
                          "QPushButton:hover, QPushButton:focus { border-color: #00D8F0; }")
                      .arg(color.name(), ink.name()));
    setVisible(model_.IsVisible());
}

// ---- NumberFieldView ----

NumberFieldView::NumberFieldView(EditCtrl& model, QWidget* parent)
    : QLineEdit(parent), model_(model) {
    setValidator(new QIntValidator(0, 999, this));
    setMaximumWidth(56);
    setAlignment(Qt::AlignRight);
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.Type(text.toStdString()); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        const QString text = QString::fromStdString(model_.GetText());
        if (text != this->text()) {
            setText(text);
        }
        setVisible(model_.IsVisible());
    });
    setText(QString::fromStdString(model_.GetText()));
    setVisible(model_.IsVisible());
}

NumberFieldView::~NumberFieldView() = default;

// ---- CheckView ----

CheckView::CheckView(SwitchButton& model, QWidget* parent) : QCheckBox(parent), model_(model) {
    setChecked(model_.GetCheck());
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        setChecked(model_.GetCheck());
        setVisible(model_.IsVisible());
    });
    setVisible(model_.IsVisible());
}

CheckView::~CheckView() = default;

void CheckView::nextCheckState() {
    model_.Click();
    setChecked(model_.GetCheck());
}

}  // namespace zanvor
