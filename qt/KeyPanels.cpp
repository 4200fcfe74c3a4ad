#include "qt/KeyPanels.h"
#include "qt/ModelBinding.h"

#include <algorithm>
#include <array>
#include <string>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include "qt/Theme.h"
#include "ui/CKeyTestCtrl.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ModifierCaptions.h"

namespace zanvor {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString ModifierCaption(int bit) {
    switch (bit) {
        case 0:
            return Text(LoadText("KB.DIALOG", 1446));
        case 1:
            return Text(LoadText("KB.DIALOG", 1447));
        case 2:
            return Text(LoadText("KB.DIALOG", 1448));
        case 3:
            return Text(LoadText("KB.DIALOG", 1449));
        case 4:
            return Text(LoadText("KB.DIALOG", 1450));
        case 5:
            return Text(LoadText("KB.DIALOG", 1451));
        case 6:
            return Text(LoadText("KB.DIALOG", 1452));
        default:
            return Text(LoadText("KB.DIALOG", 1453));
    }
}

QString PlayOptionCaption(int option) {
    switch (option) {
        case 0:
            return Text(LoadText("KB.DIALOG", 1441));
        case 1:
            return Text(LoadText("KB.DIALOG", 1442));
        case 2:
            return Text(LoadText("KB.DIALOG", 1443));
        default:
            return Text(LoadText("KB.DIALOG", 1444));
    }
}

// The padding of a list entry (the theme's QListView::item).
constexpr int kItemPadding = 6;

QLabel* SectionTitle(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("sectionTitle");
    return label;
}

}  // namespace

// The caption of a function tab; empty for a value the page does not use.
QString FunctionTabCaption(int tab) {
    switch (tab) {
        case 0:
            return QString::fromStdString(LoadText("KB.DIALOG", 1432));
        case 2:
            return QString::fromStdString(LoadText("KB.DIALOG", 1433));
        case 3:
            return QString::fromStdString(LoadText("KB.DIALOG", 1434));
        case 5:
            return QString::fromStdString(LoadText("KB.DIALOG", 1435));
        case 6:
            return QString::fromStdString(LoadText("KB.DIALOG", 1436));
        case 7:
            return QString::fromStdString(LoadText("KB.DIALOG", 1437));
        case 12:
            return QString::fromStdString(LoadText("KB.DIALOG", 1438));
        case 13:
            return QString::fromStdString(LoadText("KB.DIALOG", 1439));
        default:
            return QString::number(tab);
    }
}

// ---- LayerView ----

LayerView::LayerView(KeyLayerCtrl& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    label_ = new QLabel(this);
    label_->setObjectName("hintLabel");
    layout->addWidget(label_);
    auto* group = new QButtonGroup(this);
    for (int layer = 0; layer < 4; ++layer) {
        auto* button = new QPushButton(QString::number(layer + 1), this);
        button->setCheckable(true);
        button->setMinimumWidth(40);
        button->setFocusPolicy(Qt::StrongFocus);
        group->addButton(button, layer);
        layout->addWidget(button);
        buttons_[layer] = button;
        connect(button, &QPushButton::clicked, this, [this, layer] { model_.ChooseLayer(layer); });
    }
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

LayerView::~LayerView() {
    language_.Reset();
}

void LayerView::ApplyTexts() {
    label_->setText(Text(LoadText("KB.DIALOG", 1430)));
    for (int layer = 0; layer < 4; ++layer) {
        buttons_[layer]->setToolTip(Text(LoadText("KB.DIALOG", 1431)).arg(layer + 1));
    }
}

void LayerView::Refresh() {
    const int layer = std::clamp(model_.GetCurKeyLayer(), 0, 3);
    buttons_[layer]->setChecked(true);
    setVisible(model_.IsVisible());
}

// ---- FunctionListView ----

FunctionListView::FunctionListView(KeyFuncValue& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    tabs_ = new QTabBar(this);
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(true);
    tabs_->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(tabs_);
    tabs_->setObjectName("functionTabs");
    tabs_->setElideMode(Qt::ElideNone);
    list_ = new QListWidget(this);
    list_->setViewMode(QListView::ListMode);
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    list_->setUniformItemSizes(true);
    list_->setSpacing(4);
    list_->setGridSize(
        QSize(fontMetrics().averageCharWidth() * 24, fontMetrics().height() * 2 + 8));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(list_, 1);
    emptyHint_ = new QLabel(list_->viewport());
    emptyHint_->setObjectName("hintLabel");
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->hide();
    auto* hintLayout = new QVBoxLayout(list_->viewport());
    hintLayout->setContentsMargins(16, 8, 16, 8);
    hintLayout->addWidget(emptyHint_);
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0) {
            model_.ClickTab(tabs_->tabData(index).toInt());
        }
    });
    // Keyboard users change tabs with the arrow keys: the same as a click.
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && tabs_->tabData(index).toInt() != model_.GetCurTab()) {
            model_.ClickTab(tabs_->tabData(index).toInt());
        }
    });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { model_.ClickItem(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { model_.ClickItem(list_->row(item)); });
    binding_ =
        std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) { Reload(changes); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    Reload(~0u);
}

FunctionListView::~FunctionListView() {
    language_.Reset();
}

void FunctionListView::AddPanel(QWidget* panel) {
    static_cast<QVBoxLayout*>(layout())->addWidget(panel);
}

int FunctionListView::TabIndex(int tab) const {
    for (int index = 0; index < tabs_->count(); ++index) {
        if (tabs_->tabData(index).toInt() == tab) {
            return index;
        }
    }
    return -1;
}

void FunctionListView::ApplyTexts() {
    for (int index = 0; index < tabs_->count(); ++index) {
        tabs_->setTabText(index, FunctionTabCaption(tabs_->tabData(index).toInt()));
    }
    emptyHint_->setText(Text(LoadText("KB.DIALOG", 2105)));
}

void FunctionListView::Reload(uint32_t changes) {
    if (changes & ModelBinding::Bit(KeyFuncValue::kChangeTabs)) {
        const QSignalBlocker blocker(tabs_);
        const std::vector<int> tabs = model_.Tabs();
        while (tabs_->count() > 0) {
            tabs_->removeTab(0);
        }
        for (int tab : tabs) {
            const int index = tabs_->addTab(FunctionTabCaption(tab));
            tabs_->setTabData(index, tab);
        }
    }
    {
        const QSignalBlocker blocker(tabs_);
        const int index = TabIndex(model_.GetCurTab());
        if (index >= 0) {
            tabs_->setCurrentIndex(index);
        }
    }
    if (changes & ModelBinding::Bit(KeyFuncValue::kChangeItems)) {
        list_->clear();
        // Cells as wide as the longest caption of the tab, within bounds, so entries that
        // differ only at their end ("Custom lighting 1", "… 2") stay apart. Around the text:
        // the gap between cells, the entry's padding and focus border, and the style's text
        // margins.
        const QFontMetrics metrics = list_->fontMetrics();
        const int charWidth = metrics.averageCharWidth();
        const int textMargin =
            list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
        const int around = 8 + 2 * (kItemPadding + 1 + textMargin) + 4;
        int widest = 0;
        for (const KeyFuncItem& item : model_.Items()) {
            widest = std::max(widest, metrics.horizontalAdvance(Text(item.caption)));
        }
        list_->setGridSize(QSize(std::clamp(widest + around, charWidth * 24, charWidth * 64),
                                 list_->gridSize().height()));
        for (const KeyFuncItem& item : model_.Items()) {
            auto* entry = new QListWidgetItem(Text(item.caption), list_);
            entry->setTextAlignment(Qt::AlignCenter);
            entry->setSizeHint(list_->gridSize() - QSize(8, 6));
            // The whole caption on hover, for entries the grid cuts.
            entry->setToolTip(Text(item.note.empty() ? item.caption : item.note));
        }
    }
    {
        const QSignalBlocker blocker(list_);
        const int selected = model_.GetCurSel();
        if (selected >= 0 && selected < list_->count()) {
            list_->setCurrentRow(selected);
            list_->scrollToItem(list_->item(selected));
        } else {
            list_->clearSelection();
        }
    }
    list_->setVisible(model_.ListVisible());
    const bool noMacros = model_.GetCurTab() == 3 && list_->count() == 0;
    if (noMacros) {
        emptyHint_->setText(Text(LoadText("KB.DIALOG", 2105)));
    }
    emptyHint_->setVisible(noMacros);
    setVisible(model_.IsVisible());
}

// ---- MacroPlayView ----

MacroPlayView::MacroPlayView(MacroPlayPanel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    // One row: title, the play mode as a list, the count. Four radio buttons in a row were cut
    // in a narrow window, and stacked they took the height the keyboard picture needs.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(10);
    title_ = SectionTitle(this);
    layout->addWidget(title_);
    mode_ = new QComboBox(this);
    mode_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    mode_->setMinimumContentsLength(6);
    mode_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (int option = 0; option < 4; ++option) {
        mode_->addItem(QString());
    }
    mode_->setMaximumWidth(fontMetrics().averageCharWidth() * 46);
    layout->addWidget(mode_, 1);
    connect(mode_, &QComboBox::activated, this, [this](int option) { model_.ClickOption(option); });
    countLabel_ = new QLabel(this);
    count_ = new QLineEdit(this);
    count_->setValidator(new QIntValidator(1, 65535, count_));
    count_->setMaximumWidth(fontMetrics().averageCharWidth() * 8 + 20);
    countLabel_->setBuddy(count_);
    layout->addWidget(countLabel_);
    layout->addWidget(count_);
    layout->addStretch(0);
    connect(count_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.EditCount(text.toStdString()); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

MacroPlayView::~MacroPlayView() {
    language_.Reset();
}

void MacroPlayView::ApplyTexts() {
    title_->setText(Text(LoadText("KB.DIALOG", 1440)));
    for (int option = 0; option < 4; ++option) {
        mode_->setItemText(option, PlayOptionCaption(option));
        mode_->setItemData(option, PlayOptionCaption(option), Qt::ToolTipRole);
    }
    mode_->setToolTip(mode_->currentText());
    countLabel_->setText(Text(LoadText("KB.DIALOG", 1445)));
}

void MacroPlayView::Refresh() {
    {
        const QSignalBlocker blocker(mode_);
        mode_->setCurrentIndex(model_.SelectedOption());
        mode_->setToolTip(mode_->currentText());
    }
    const QString text = QString::fromStdString(model_.FieldText());
    if (count_->text() != text) {
        count_->setText(text);
    }
    count_->setEnabled(model_.FieldEnabled());
    setVisible(model_.IsVisible());
}

// ---- CombinationView ----

CombinationView::CombinationView(CombinationKeyPanel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    title_ = SectionTitle(this);
    layout->addWidget(title_);
    // A row per side ("Left", "Right") and a column per key: half as wide as the eight full
    // captions side by side, which a narrow window cut.
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(18);
    for (int row = 0; row < 2; ++row) {
        sideLabels_[row] = new QLabel(this);
        grid->addWidget(sideLabels_[row], row, 0);
    }
    for (int bit = 0; bit < CombinationKeyPanel::kModifierCount; ++bit) {
        modifiers_[bit] = new QCheckBox(this);
        grid->addWidget(modifiers_[bit], bit / 4, 1 + bit % 4);
        connect(modifiers_[bit], &QCheckBox::toggled, this,
                [this, bit](bool on) { model_.SetModifierCheck(bit, on); });
    }
    layout->addLayout(grid);
    auto* row = new QHBoxLayout();
    keyLabel_ = new QLabel(this);
    field_ = new QLineEdit(this);
    field_->setReadOnly(true);
    field_->setMinimumWidth(220);
    field_->installEventFilter(this);
    keyLabel_->setBuddy(field_);
    apply_ = new QPushButton(this);
    row->addWidget(keyLabel_);
    row->addWidget(field_, 1);
    row->addWidget(apply_);
    row->addStretch(0);  // takes only what the field, at its widest, leaves
    layout->addLayout(row);
    connect(apply_, &QPushButton::clicked, this, [this] { model_.ClickApply(); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

CombinationView::~CombinationView() {
    language_.Reset();
}

bool CombinationView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            field_->setFocus();
            model_.ClickCapture();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!model_.Capturing()) {
                // Space/Enter start the capture from the keyboard as a click does.
                if (event->type() == QEvent::KeyPress &&
                    (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return)) {
                    model_.ClickCapture();
                    return true;
                }
                return false;
            }
            if (!key->isAutoRepeat() && capture_) {
                capture_(static_cast<int>(key->nativeScanCode()),
                         event->type() == QEvent::KeyPress);
            }
            return true;
        }
        case QEvent::FocusOut:
            // Another tab, another key, another page or window: the capture ends there.
            if (model_.Capturing()) {
                model_.LeaveCapture();
            }
            return false;
        case QEvent::ShortcutOverride:
            // While capturing, Tab and every shortcut belong to the capture.
            if (model_.Capturing()) {
                event->accept();
                return true;
            }
            return false;
        default:
            return false;
    }
}

void CombinationView::ApplyTexts() {
    title_->setText(Text(LoadText("KB.DIALOG", 1439)));
    // "Left Ctrl" shows as "Ctrl" in the row "Left"; the whole caption is the box's name.
    for (int side = 0; side < 2; ++side) {
        std::array<std::string, 4> captions;
        for (int key = 0; key < 4; ++key) {
            captions[key] = ModifierCaption(side * 4 + key).toStdString();
        }
        const ModifierRowCaptions row = SplitModifierRow(captions);
        // The side's word starts the row: "Strg links" gives the row "Links".
        QString label = Text(row.side);
        if (!label.isEmpty()) {
            label[0] = label[0].toUpper();
        }
        sideLabels_[side]->setText(label);
        for (int key = 0; key < 4; ++key) {
            QCheckBox* box = modifiers_[side * 4 + key];
            box->setText(Text(row.keys[key]));
            box->setToolTip(Text(captions[key]));
            box->setAccessibleName(Text(captions[key]));
        }
    }
    keyLabel_->setText(Text(LoadText("KB.DIALOG", 1454)));
    field_->setPlaceholderText(Text(LoadText("KB.DIALOG", 1455)));
    // Wide enough for the whole hint where the row has the room; 220 pixels at least.
    field_->setMaximumWidth(
        std::max(field_->minimumWidth(),
                 field_->fontMetrics().horizontalAdvance(field_->placeholderText()) + 24));
    apply_->setText(Text(LoadText("KB.DIALOG", 1456)));
}

void CombinationView::Refresh() {
    for (int bit = 0; bit < CombinationKeyPanel::kModifierCount; ++bit) {
        const QSignalBlocker blocker(modifiers_[bit]);
        modifiers_[bit]->setChecked(model_.GetModifierCheck(bit));
    }
    field_->setText(Text(model_.CaptureText()));
    field_->setProperty("capturing", model_.Capturing());
    field_->setStyleSheet(model_.Capturing() ? "border-color: #00D8F0; background: #0A2A33;" : "");
    setVisible(model_.IsVisible());
}

// ---- KeyTestView ----

KeyTestView::KeyTestView(CKeyTestCtrl& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("panel");
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    title_ = SectionTitle(this);
    hint_ = new QLabel(this);
    hint_->setObjectName("hintLabel");
    hint_->setWordWrap(true);
    layout->addWidget(title_);
    layout->addWidget(hint_);
    layout->addStretch(1);
    setMinimumWidth(220);
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

KeyTestView::~KeyTestView() {
    language_.Reset();
}

QStringList KeyTestView::Shown() const {
    return shown_;
}

void KeyTestView::ApplyTexts() {
    title_->setText(Text(LoadText("KB.DIALOG", 1457)));
    hint_->setText(Text(LoadText("KB.DIALOG", 1458)));
}

void KeyTestView::Refresh() {
    shown_.clear();
    for (const KeyTestEntry& entry : model_.Entries()) {
        shown_ << Text(entry.caption);
    }
    setVisible(model_.IsVisible());
    update();
}

void KeyTestView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int chipHeight = metrics.height() + 12;
    int x = 16;
    int y = hint_->geometry().bottom() + 12;
    for (const QString& caption : shown_) {
        const int w = metrics.horizontalAdvance(caption) + 24;
        if (x + w > width() - 16 && x > 16) {
            x = 16;
            y += chipHeight + 8;
        }
        const QRectF chip(x, y, w, chipHeight);
        painter.setPen(QPen(theme::kAccent, 1.5));
        painter.setBrush(QColor(0x0A, 0x3A, 0x44));
        painter.drawRoundedRect(chip, chipHeight / 2.0, chipHeight / 2.0);
        painter.setPen(Qt::white);
        painter.drawText(chip, Qt::AlignCenter, caption);
        x += w + 8;
    }
}

}  // namespace zanvor
