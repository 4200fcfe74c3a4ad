#include "qt/AuroraPageView.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "lighting/AuroraPage.h"
#include "qt/ControlViews.h"
#include "qt/Theme.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

// "R", "G", "B" in this language; the next two ids follow the red one.
constexpr int kTextRedChannel = 1690;

QColor FromBgr(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

uint32_t ToBgr(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

QWidget* Panel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("panel");
    panel->setAttribute(Qt::WA_StyledBackground);
    return panel;
}

}  // namespace

EffectView::EffectView(AuroraEffect& model, QWidget* parent) : QWidget(parent), model_(model) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    items_ = model_.GetKeyItems();
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) {
        items_ = model_.GetKeyItems();
        update();
    });
}

EffectView::~EffectView() = default;

void EffectView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The keys and bars as placed on the keyboard picture, scaled into the widget.
    QRectF bounds;
    for (const AuroraItem& item : items_) {
        const QRectF r(item.rect.left, item.rect.top, item.rect.Width(), item.rect.Height());
        if (!r.isEmpty()) {
            bounds = bounds.isNull() ? r : bounds.united(r);
        }
    }
    if (bounds.isEmpty()) {
        return;
    }
    const qreal margin = 24;
    const qreal scale = std::min((width() - 2 * margin) / bounds.width(),
                                 (height() - 2 * margin) / bounds.height());
    const qreal dx = (width() - bounds.width() * scale) / 2;
    const qreal dy = (height() - bounds.height() * scale) / 2;
    auto map = [&](const Rect& r) {
        return QRectF(dx + (r.left - bounds.left()) * scale, dy + (r.top - bounds.top()) * scale,
                      r.Width() * scale, r.Height() * scale);
    };
    const QRectF body(dx - 14, dy - 14, bounds.width() * scale + 28, bounds.height() * scale + 28);
    painter.setPen(QPen(theme::kBorder, 1.5));
    painter.setBrush(QColor(0x10, 0x12, 0x19));
    painter.drawRoundedRect(body, 16, 16);
    for (const AuroraItem& item : items_) {
        const QRectF cell = map(item.rect);
        if (cell.isEmpty()) {
            continue;
        }
        const QRectF cap = cell.adjusted(2, 2, -2, -2);
        const QColor lit = FromBgr(item.color);
        // A soft glow around lit keys, as the light spills from under the caps.
        if (item.color != 0) {
            QColor glow = lit;
            glow.setAlpha(70);
            painter.setPen(Qt::NoPen);
            painter.setBrush(glow);
            painter.drawRoundedRect(cap.adjusted(-3, -3, 3, 3), 7, 7);
        }
        painter.setPen(QPen(item.color != 0 ? lit.lighter(130) : theme::kBorder, 1.0));
        painter.setBrush(item.color != 0 ? lit : theme::kKeyCap);
        const qreal radius = std::min(5.0, cap.height() * 0.18);
        painter.drawRoundedRect(cap, radius, radius);
    }
}

AuroraPageView::AuroraPageView(AuroraEffect& effect, AuroraPage& page, QWidget* parent)
    : QWidget(parent), page_(page) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 12, 32, 20);
    layout->setSpacing(12);

    auto* picture = Panel(this);
    auto* pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(16, 8, 16, 8);
    auto* header = new QHBoxLayout();
    header->setSpacing(10);
    modes_ = new QTabBar(picture);
    modes_->setDrawBase(false);
    modes_->setExpanding(false);
    modes_->setFocusPolicy(Qt::StrongFocus);
    modes_->setUsesScrollButtons(true);  // never a cut caption, also in the smallest window
    modes_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    header->addWidget(modes_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    header->addStretch(1);
    BuildSoundRow(header, picture);
    pictureLayout->addLayout(header);
    // Why the music stays dark, whole and on its own line: the header has no room for it.
    soundNotice_ = new QLabel(picture);
    soundNotice_->setObjectName("hintLabel");
    soundNotice_->setWordWrap(true);
    soundNotice_->hide();
    pictureLayout->addWidget(soundNotice_);
    effect_ = new EffectView(effect, picture);
    pictureLayout->addWidget(effect_, 1);
    layout->addWidget(picture, 1);

    auto* lower = new QHBoxLayout();
    lower->setSpacing(12);
    musicPanel_ = BuildMusicPanel();
    picturePanel_ = Panel(this);
    auto* pictureColumn = new QVBoxLayout(picturePanel_);
    pictureColumn->setContentsMargins(16, 10, 16, 12);
    pictureTitle_ = new QLabel(picturePanel_);
    pictureTitle_->setObjectName("sectionTitle");
    pictureColumn->addWidget(pictureTitle_);
    pictureButton_ = new QPushButton(picturePanel_);
    pictureButton_->setMinimumWidth(220);
    pictureButton_->setMaximumWidth(420);
    connect(pictureButton_, &QPushButton::clicked, this, [this] { page_.imageButton.Click(); });
    const auto showPicture = [this](uint32_t) {
        const QString caption = QString::fromStdString(page_.imageButton.GetCaption());
        pictureButton_->setText(
            pictureButton_->fontMetrics().elidedText(caption, Qt::ElideMiddle, 380));
        pictureButton_->setToolTip(caption);
    };
    bindings_.push_back(std::make_unique<ModelBinding>(page_.imageButton, this, showPicture));
    showPicture(0);  // the caption was set before the view existed
    pictureColumn->addWidget(pictureButton_);
    pictureColumn->addStretch(1);
    colourPanel_ = BuildColourPanel();
    lower->addWidget(musicPanel_, 4);
    lower->addWidget(picturePanel_, 4);
    lower->addWidget(colourPanel_, 3);
    lower->addWidget(BuildLayerPanel(), 5);
    layout->addLayout(lower, 0);

    connect(modes_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && page_.modeTabs.GetCurSel() != index) {
            page_.modeTabs.Choose(index);
        }
        ShowModeControls();
    });
    bindings_.push_back(
        std::make_unique<ModelBinding>(page_.modeTabs, this, [this](uint32_t) { ReloadModes(); }));
    // The level meter and the capture status are refreshed only while the page is shown, and
    // slowly while nothing is captured, so a window at rest wakes up for nothing.
    meterTimer_ = new QTimer(this);
    meterTimer_->setInterval(kMeterIdleMs);
    connect(meterTimer_, &QTimer::timeout, this, [this] { RefreshSound(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    ReloadModes();
}

AuroraPageView::~AuroraPageView() {
    language_.Reset();
    bindings_.clear();
}

QSlider* AuroraPageView::AddSlider(Slider& model, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(model.Minimum(), model.Maximum());
    slider->setValue(model.GetPos());
    connect(slider, &QSlider::valueChanged, this, [&model](int value) {
        if (value != model.GetPos()) {
            model.Drag(value);
        }
    });
    bindings_.push_back(std::make_unique<ModelBinding>(model, slider, [slider, &model](uint32_t) {
        const QSignalBlocker blocker(slider);
        slider->setRange(model.Minimum(), model.Maximum());
        slider->setValue(model.GetPos());
    }));
    return slider;
}

QCheckBox* AuroraPageView::AddCheck(SwitchButton& model, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setChecked(model.GetCheck());
    connect(box, &QCheckBox::clicked, this, [&model, box] {
        model.Click();
        box->setChecked(model.GetCheck());
    });
    bindings_.push_back(std::make_unique<ModelBinding>(model, box, [box, &model](uint32_t) {
        const QSignalBlocker blocker(box);
        box->setChecked(model.GetCheck());
    }));
    return box;
}

QWidget* AuroraPageView::BuildMusicPanel() {
    QWidget* panel = Panel(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 10, 16, 12);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    auto caption = [&](int id, int row) {
        auto* label = new QLabel(panel);
        label->setWordWrap(true);  // a second line rather than a cut caption when narrow
        labels_.push_back({label, id});
        grid->addWidget(label, row, 0);
    };
    auto* title = new QLabel(panel);
    title->setObjectName("sectionTitle");
    labels_.push_back({title, 600});
    grid->addWidget(title, 0, 0, 1, 2);
    // The lists give way in a narrow window (their open list shows whole names) so that the
    // captions beside them stay whole.
    const auto narrowList = [panel](ComboBox& model) {
        auto* list = new ComboView(model, panel);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(8);
        return list;
    };
    caption(1781, 1);
    grid->addWidget(narrowList(page_.foreList), 1, 1);
    caption(1782, 2);
    grid->addWidget(narrowList(page_.backList), 2, 1);
    caption(1783, 3);
    grid->addWidget(AddSlider(page_.amplitude, panel), 3, 1);
    caption(1785, 4);
    grid->addWidget(AddSlider(page_.foreBrightness, panel), 4, 1);
    caption(1784, 5);
    grid->addWidget(AddSlider(page_.backBrightness, panel), 5, 1);
    grid->setColumnStretch(1, 1);
    return panel;
}

QWidget* AuroraPageView::BuildColourPanel() {
    QWidget* panel = Panel(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 10, 16, 12);
    column->setSpacing(8);
    auto* title = new QLabel(panel);
    title->setObjectName("sectionTitle");
    labels_.push_back({title, 1796});
    column->addWidget(title);
    auto* swatches = new QGridLayout();
    swatches->setSpacing(6);
    int index = 0;
    for (uint32_t colour : ColourPicker::kSwatches) {
        auto* swatch = new QPushButton(panel);
        swatch->setFixedSize(26, 26);
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->setAccessibleName(FromBgr(colour).name());
        swatch->setStyleSheet(QString("QPushButton { background: %1; border: 1px solid #5A6072; "
                                      "border-radius: 13px; } QPushButton:hover, "
                                      "QPushButton:focus { border: 2px solid #00D8F0; }")
                                  .arg(FromBgr(colour).name()));
        connect(swatch, &QPushButton::clicked, this, [this, colour] { page_.colour.Pick(colour); });
        swatches->addWidget(swatch, index / 5, index % 5);
        ++index;
    }
    // The colour wheel: the system's colour chooser.
    auto* wheel = new QPushButton(panel);
    wheel->setFixedSize(26, 26);
    wheel->setCursor(Qt::PointingHandCursor);
    wheel->setObjectName("colourWheel");
    wheel->setStyleSheet(
        "QPushButton { border: 1px solid #5A6072; border-radius: 13px; background: "
        "qconicalgradient(cx:0.5, cy:0.5, angle:0, stop:0 #ff0000, stop:0.17 #ffff00, "
        "stop:0.33 #00ff00, stop:0.5 #00ffff, stop:0.67 #0000ff, stop:0.83 #ff00ff, "
        "stop:1 #ff0000); } QPushButton:hover, QPushButton:focus { border: 2px solid #00D8F0; }");
    connect(wheel, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(FromBgr(page_.colour.GetColour()), this);
        if (chosen.isValid()) {
            page_.colour.Pick(ToBgr(chosen));
        }
    });
    swatches->addWidget(wheel, 1, 4);
    column->addLayout(swatches);
    auto* rgbRow = new QHBoxLayout();
    rgbRow->setSpacing(4);
    for (int i = 0; i < 3; ++i) {
        auto* channel = new QLabel(panel);
        labels_.push_back({channel, kTextRedChannel + i});
        rgbRow->addWidget(channel);
        rgb_[i] = new QSpinBox(panel);
        rgb_[i]->setRange(0, 255);
        // Typed or stepped with the arrow keys: without the buttons three fit a narrow panel.
        rgb_[i]->setButtonSymbols(QAbstractSpinBox::NoButtons);
        rgb_[i]->setFixedWidth(rgb_[i]->fontMetrics().horizontalAdvance("0000") + 16);
        connect(rgb_[i], &QSpinBox::editingFinished, this, [this] {
            page_.colour.Pick(ToBgr(QColor(rgb_[0]->value(), rgb_[1]->value(), rgb_[2]->value())));
        });
        rgbRow->addWidget(rgb_[i]);
    }
    column->addLayout(rgbRow);
    bindings_.push_back(std::make_unique<ModelBinding>(page_.colour, this, [this](uint32_t) {
        const QColor c = FromBgr(page_.colour.GetColour());
        const int values[] = {c.red(), c.green(), c.blue()};
        for (int i = 0; i < 3; ++i) {
            const QSignalBlocker blocker(rgb_[i]);
            rgb_[i]->setValue(values[i]);
        }
    }));
    colourful_ = AddCheck(page_.colourful, panel);
    column->addWidget(colourful_);
    column->addStretch(1);
    return panel;
}

QWidget* AuroraPageView::BuildLayerPanel() {
    QWidget* panel = Panel(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 10, 8, 12);
    column->setSpacing(4);
    auto* title = new QLabel(panel);
    title->setObjectName("sectionTitle");
    labels_.push_back({title, 1787});
    column->addWidget(title);
    // One column that scrolls: two columns side by side were cut in a narrow window.
    auto* scroll = new QScrollArea(panel);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }");
    auto* boxes = new QWidget(scroll);
    auto* list = new QVBoxLayout(boxes);
    list->setContentsMargins(0, 0, 8, 0);
    list->setSpacing(2);
    for (int i = 0; i < kLightLayerCount; ++i) {
        layers_[i] = AddCheck(page_.layerBoxes[i], boxes);
        list->addWidget(layers_[i]);
    }
    list->addStretch(1);
    scroll->setWidget(boxes);
    // The height follows the panels beside it; the width, the widest box (ApplyTexts).
    scroll->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Ignored);
    layerScroll_ = scroll;
    column->addWidget(scroll, 1);
    return panel;
}

void AuroraPageView::BuildSoundRow(QHBoxLayout* row, QWidget* parent) {
    soundStatus_ = new QLabel(parent);
    soundStatus_->setObjectName("hintLabel");
    soundStatus_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The status gives way to the mode tabs; its whole text is in the tooltip.
    soundStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(soundStatus_, 1);
    level_ = new QProgressBar(parent);
    level_->setRange(0, 100);
    level_->setTextVisible(false);
    level_->setFixedSize(90, 8);
    row->addWidget(level_, 0, Qt::AlignVCenter);
    auto* devices = new ComboView(page_.audioDevices, parent);
    devices->setMaximumWidth(260);
    // Gives way to the mode tabs in a narrow window; the open list shows whole names.
    devices->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    devices->setMinimumContentsLength(10);
    row->addWidget(devices, 0, Qt::AlignVCenter);
    deviceCombo_ = devices;
}

void AuroraPageView::hideEvent(QHideEvent* event) {
    meterTimer_->stop();
    QWidget::hideEvent(event);
}

void AuroraPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    meterTimer_->start();
    QTimer::singleShot(0, this, [this] { RefreshSound(); });
    // The sound server's devices may have changed while the page was hidden.
    QTimer::singleShot(0, this, [this] { page_.RefreshAudioDevices(); });
}

void AuroraPageView::ReloadModes() {
    const QSignalBlocker blocker(modes_);
    const std::vector<ComboItem> items = page_.modeTabs.GetItems();
    while (modes_->count() > static_cast<int>(items.size())) {
        modes_->removeTab(modes_->count() - 1);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const QString text = QString::fromStdString(items[i].text);
        if (static_cast<int>(i) < modes_->count()) {
            modes_->setTabText(static_cast<int>(i), text);
        } else {
            modes_->addTab(text);
        }
    }
    modes_->setCurrentIndex(std::max(0, page_.modeTabs.GetCurSel()));
    ShowModeControls();
}

void AuroraPageView::ShowModeControls() {
    const int mode = page_.modeTabs.GetCurData(kAuroraModeMusic);
    musicPanel_->setVisible(mode == kAuroraModeMusic);
    picturePanel_->setVisible(mode == kAuroraModeImage);
    colourPanel_->setVisible(mode != kAuroraModeImage);
}

void AuroraPageView::RefreshSound() {
    if (!isVisible()) {
        return;
    }
    const AudioFeatureSnapshot features = page_.Audio().Snapshot();
    level_->setValue(static_cast<int>(features.level * 100));
    const CaptureStatus status = page_.Audio().Status();
    if (status.serverConnected && !serverSeen_) {
        // The server answered after the page opened: its devices can be listed now.
        page_.RefreshAudioDevices();
    }
    serverSeen_ = status.serverConnected;
    const int interval = status.capturing ? kMeterCapturingMs : kMeterIdleMs;
    if (meterTimer_->interval() != interval) {
        meterTimer_->setInterval(interval);
    }
    const QString text = status.capturing ? Text(1794) : QString();
    const QString shown =
        soundStatus_->fontMetrics().elidedText(text, Qt::ElideRight, soundStatus_->width());
    if (soundStatus_->text() != shown) {
        soundStatus_->setText(shown);
        soundStatus_->setToolTip(text);
    }
    const bool noServer = !status.serverConnected && page_.Audio().Capturing();
    const QString notice = noServer ? Text(1795) : QString();
    if (soundNotice_->text() != notice) {
        soundNotice_->setText(notice);
    }
    soundNotice_->setVisible(noServer);
    // The device heard, by its own name, whatever the list shows.
    const QString heard = status.capturing
                              ? Text(1797).replace("%1", QString::fromStdString(status.description))
                              : notice;
    deviceCombo_->setToolTip(heard);
    level_->setToolTip(heard);
}

void AuroraPageView::ApplyTexts() {
    for (const auto& [label, id] : labels_) {
        label->setText(Text(id));
    }
    for (int i = 0; i < 3; ++i) {
        rgb_[i]->setAccessibleName(Text(kTextRedChannel + i));
    }
    pictureTitle_->setText(Text(604));
    colourful_->setText(Text(1786));
    for (int i = 0; i < kLightLayerCount; ++i) {
        layers_[i]->setText(Text(1798 + i));
    }
    // "Default (follows the system)" whole; other devices' names may give way.
    deviceCombo_->setMinimumContentsLength(std::max(10, static_cast<int>(Text(1793).size()) + 1));
    deviceCombo_->setMaximumWidth(
        std::max(260, deviceCombo_->fontMetrics().horizontalAdvance(Text(1793)) + 60));
    // The picture's panel is as tall as the music panel, so the effect layers beside it keep
    // their rows whichever mode is shown.
    picturePanel_->setMinimumHeight(musicPanel_->sizeHint().height());
    // As wide as the widest box in this language, so none is cut.
    layerScroll_->widget()->adjustSize();
    layerScroll_->setMinimumWidth(layerScroll_->widget()->sizeHint().width() +
                                  layerScroll_->verticalScrollBar()->sizeHint().width());
}

}  // namespace zanvor
