#include "qt/MacroPanels.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "keys/MacroSteps.h"
#include "keys/MacroTexts.h"
#include "qt/OptionFieldView.h"
#include "qt/Theme.h"
#include "ui/CRecordList.h"
#include "ui/MacroDelayPanel.h"
#include "ui/MacroStepEditor.h"
#include "ui/RecordButton.h"

namespace zanvor {

namespace {

const QColor kRecordRed(0xFF, 0x4D, 0x5E);

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

QLabel* SectionTitle(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("sectionTitle");
    return label;
}

// Digits only: the page limits the value when the field is left.
QValidator* DigitsValidator(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression("[0-9]{0,6}"), parent);
}

// Mouse buttons of the step editor: button bit and caption.
constexpr std::pair<int, int> kButtons[] = {{kMouseLeft, kTextMouseLeft},
                                            {kMouseRight, kTextMouseRight},
                                            {kMouseMiddle, kTextMouseMiddle},
                                            {kMouseBack, kTextMouseBack},
                                            {kMouseForward, kTextMouseForward}};

}  // namespace

// ---- RecordListView ----

RecordListView::RecordListView(CRecordList& model, QWidget* parent)
    : QTableWidget(parent), model_(model) {
    setColumnCount(2);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setShowGrid(false);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setStyleSheet(
        "QTableWidget { background: #12151E; border: 1px solid #2C3142; border-radius: 8px;"
        " outline: none; }"
        "QTableWidget::item:hover { background: #1F2330; }"
        "QTableWidget::item:selected { background: #0A3A44; color: #FFFFFF; }"
        "QHeaderView::section { background: #171A24; color: #8C93A8; border: none;"
        " border-bottom: 1px solid #2C3142; padding: 6px 8px; }");
    connect(this, &QTableWidget::itemSelectionChanged, this, [this] {
        const int row = currentRow();
        if (row >= 0 && row != model_.GetCurSel()) {
            model_.ClickItem(row);
        }
    });
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row != model_.GetCurSel()) {
            model_.ClickItem(row);
        }
    });
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        bool ok = false;
        const int delay = item->text().trimmed().toInt(&ok);
        if (item->column() != 1 || !ok || !model_.EditDelay(item->row(), delay)) {
            Reload(ModelBinding::Bit(CRecordList::kChangeItems));
        }
    });
    connect(this, &QTableWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { model_.RequestContext(rowAt(at.y())); });
    binding_ =
        std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) { Reload(changes); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Reload(~0u);
}

RecordListView::~RecordListView() {
    language_.Reset();
}

void RecordListView::ApplyTexts() {
    setHorizontalHeaderLabels({Text(kTextStepColumn), Text(kTextDelayColumn)});
    viewport()->update();
}

void RecordListView::Reload(uint32_t changes) {
    const QSignalBlocker blocker(this);
    if (changes & ModelBinding::Bit(CRecordList::kChangeItems)) {
        const std::vector<RecordItem> items = model_.GetRecordItems();
        setRowCount(static_cast<int>(items.size()));
        for (int row = 0; row < rowCount(); ++row) {
            const RecordItem& step = items[static_cast<size_t>(row)];
            auto* text = new QTableWidgetItem(QString::fromStdString(step.text));
            text->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            // A pause is its own wait: its length is its one time, shown in the step column.
            const bool pause = step.type == kStepPause;
            auto* delay = new QTableWidgetItem(pause ? QString() : QString::number(step.delay));
            delay->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            delay->setFlags(pause ? Qt::ItemIsSelectable | Qt::ItemIsEnabled
                                  : Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
            setItem(row, 0, text);
            setItem(row, 1, delay);
        }
    }
    const int selected = model_.GetCurSel();
    if (selected >= 0 && selected < rowCount()) {
        setCurrentCell(selected, 0);
        scrollToItem(item(selected, 0));
    } else {
        clearSelection();
        setCurrentCell(-1, -1);
    }
    if (rowCount() > 0 && (changes & ModelBinding::Bit(CRecordList::kChangeItems)) &&
        selected < 0) {
        scrollToBottom();  // a recording grows at the end
    }
    setVisible(model_.IsVisible());
    viewport()->update();
}

void RecordListView::paintEvent(QPaintEvent* event) {
    QTableWidget::paintEvent(event);
    if (rowCount() > 0) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(theme::kMutedText);
    painter.drawText(viewport()->rect().adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap,
                     Text(kTextNoSteps));
}

// ---- RecordButtonView ----

RecordButtonView::RecordButtonView(RecordButton& model, QWidget* parent)
    : QPushButton(parent), model_(model) {
    setObjectName("recordButton");
    setStyleSheet(
        "QPushButton#recordButton { padding-left: 34px; padding-right: 16px; }"
        "QPushButton#recordButton[recording=\"true\"] { border: 1px solid #FF4D5E;"
        " background: #3A1420; color: #FFFFFF; }");
    pulse_ = new QVariantAnimation(this);
    pulse_->setStartValue(1.0);
    pulse_->setKeyValueAt(0.5, 0.25);
    pulse_->setEndValue(1.0);
    pulse_->setDuration(1100);
    pulse_->setLoopCount(-1);
    connect(pulse_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(this, &QPushButton::clicked, this, [this] { model_.Click(); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { Refresh(); });
    Refresh();
}

RecordButtonView::~RecordButtonView() {
    language_.Reset();
}

void RecordButtonView::StoreScreenRect() {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    model_.SetRect({origin.x(), origin.y(), origin.x() + width(), origin.y() + height()});
}

void RecordButtonView::Refresh() {
    setText(Text(model_.CaptionId()));
    const bool recording = model_.Recording();
    if (property("recording").toBool() != recording) {
        setProperty("recording", recording);
        style()->unpolish(this);
        style()->polish(this);
    }
    if (recording && pulse_->state() != QAbstractAnimation::Running) {
        pulse_->start();
    } else if (!recording) {
        pulse_->stop();
    }
    update();
}

void RecordButtonView::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor red = kRecordRed;
    if (model_.Recording()) {
        red.setAlphaF(pulse_->currentValue().toDouble());
    } else if (!isEnabled()) {
        red = QColor(0x5A, 0x60, 0x72);
    }
    const double radius = 6.5;
    const QPointF centre(18.0, height() / 2.0);
    if (model_.Recording()) {
        painter.setPen(QPen(kRecordRed, 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius + 3, radius + 3);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawEllipse(centre, radius, radius);
}

// ---- DelayOptionsView ----

DelayOptionsView::DelayOptionsView(MacroDelayPanel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    title_ = SectionTitle(this);
    title_->setWordWrap(true);
    layout->addWidget(title_);
    auto* group = new QButtonGroup(this);
    for (int option = 0; option < 3; ++option) {
        options_[option] = new QRadioButton(this);
        group->addButton(options_[option], option);
        connect(options_[option], &QRadioButton::clicked, this,
                [this, option] { model_.ClickOption(option); });
        layout->addWidget(options_[option]);
    }
    // The fixed delay below its option, lined up with the option's text.
    auto* fixedRow = new QHBoxLayout();
    fixedRow->setContentsMargins(24, 0, 0, 0);
    field_ = new QLineEdit(this);
    field_->setValidator(DigitsValidator(field_));
    field_->setMaximumWidth(fontMetrics().averageCharWidth() * 7 + 24);
    field_->setAlignment(Qt::AlignRight);
    fixedRow->addWidget(field_);
    fixedRow->addStretch(1);
    layout->addLayout(fixedRow);
    connect(field_, &QLineEdit::editingFinished, this, [this] {
        if (field_->isEnabled()) {
            model_.EditField(field_->text().toStdString());
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

DelayOptionsView::~DelayOptionsView() {
    language_.Reset();
}

void DelayOptionsView::ApplyTexts() {
    title_->setText(Text(kTextDelayTitle));
    options_[0]->setText(Text(kTextDelayNone));
    options_[1]->setText(Text(kTextDelayMeasured));
    options_[2]->setText(Text(kTextDelayFixed));
}

void DelayOptionsView::Refresh() {
    ShowOptionField(model_, options_, field_);
}

// ---- StepEditorView ----

StepEditorView::StepEditorView(MacroStepEditor& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    title_ = SectionTitle(this);
    layout->addWidget(title_);
    kind_ = new QLabel(this);
    kind_->setStyleSheet("font-weight: 700;");
    layout->addWidget(kind_);
    field_ = new QLineEdit(this);
    field_->installEventFilter(this);
    digits_ = DigitsValidator(field_);
    layout->addWidget(field_);
    tip_ = new QLabel(this);
    tip_->setObjectName("hintLabel");
    tip_->setWordWrap(true);
    layout->addWidget(tip_);
    buttons_ = new QComboBox(this);
    layout->addWidget(buttons_);
    connect(field_, &QLineEdit::editingFinished, this, [this] {
        if (model_.GetKind() == MacroStepEditor::kKindPause) {
            model_.LeaveValueField(field_->text().toStdString());
        }
    });
    connect(buttons_, &QComboBox::activated, this,
            [this](int index) { model_.ChooseMouseButton(buttons_->itemData(index).toInt()); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Refresh(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
}

StepEditorView::~StepEditorView() {
    language_.Reset();
}

bool StepEditorView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_ || model_.GetKind() != MacroStepEditor::kKindKey) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::MouseButtonPress:
            if (!model_.Capturing()) {
                model_.FocusKeyField();
            }
            return false;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!model_.Capturing()) {
                return key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab;
            }
            if (!key->isAutoRepeat() && keys_) {
                keys_(static_cast<int>(key->nativeScanCode()), event->type() == QEvent::KeyPress);
            }
            return true;
        }
        case QEvent::ShortcutOverride:
            // While the field waits for a key, Tab and every shortcut are that key.
            if (model_.Capturing()) {
                event->accept();
                return true;
            }
            return false;
        case QEvent::FocusOut:
            model_.SetCapturing(false);
            return false;
        default:
            return false;
    }
}

void StepEditorView::ApplyTexts() {
    title_->setText(Text(kTextStepTitle));
    tip_->setText(Text(kTextKeyFieldTip));
    buttons_->clear();
    for (const auto& [bit, text] : kButtons) {
        buttons_->addItem(Text(text), bit);
    }
    Refresh();
}

void StepEditorView::Refresh() {
    const MacroStepEditor::Kind kind = model_.GetKind();
    const int kindText = kind == MacroStepEditor::kKindPause ? kTextKindPause
                         : kind == MacroStepEditor::kKindKey ? kTextKindKey
                                                             : kTextKindMouse;
    kind_->setText(Text(kindText));
    field_->setVisible(model_.FieldVisible());
    field_->setReadOnly(kind == MacroStepEditor::kKindKey);
    field_->setValidator(kind == MacroStepEditor::kKindPause ? digits_ : nullptr);
    const bool capturing = model_.Capturing();
    field_->setPlaceholderText(capturing ? Text(kTextKeyFieldTip) : QString());
    const QString value = capturing ? QString() : QString::fromStdString(model_.ValueText());
    if (field_->text() != value) {
        field_->setText(value);
    }
    field_->setStyleSheet(capturing ? "QLineEdit { border: 1px solid #00D8F0; }" : QString());
    tip_->setVisible(model_.TipVisible() && !capturing);
    buttons_->setVisible(model_.MouseSelectorVisible());
    const int index = buttons_->findData(model_.MouseButton());
    buttons_->setCurrentIndex(index);
    setVisible(model_.IsVisible());
}

}  // namespace zanvor
