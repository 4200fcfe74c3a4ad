#include "qt/MacroPageView.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "keys/MacroTexts.h"
#include "qt/MacroPanels.h"
#include "qt/MouseButtons.h"
#include "qt/ProfileViews.h"

namespace zanvor {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

QWidget* Panel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("panel");
    panel->setAttribute(Qt::WA_StyledBackground);
    return panel;
}

// A panel asking for one width whatever it shows (its height as its content needs), so the
// columns beside it do not move when its content changes; a narrow window still shrinks it to
// its minimum width.
class SteadyPanel : public QWidget {
  public:
    SteadyPanel(int width, QWidget* parent) : QWidget(parent), width_(width) {
        setObjectName("panel");
        setAttribute(Qt::WA_StyledBackground);
    }
    QSize sizeHint() const override { return {width_, QWidget::sizeHint().height()}; }

  private:
    int width_;
};

QLabel* Label(QWidget* parent, const char* objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

// Buttons of the page without a model of their own, and their captions.
constexpr std::pair<int, int> kMacroButtons[] = {{kIdAddMacro, kTextAddMacro},
                                                 {kIdDeleteMacro, kTextDeleteMacro}};
constexpr std::pair<int, int> kStepButtons[] = {{kIdInsertStep, kTextInsert},
                                                {kIdMoveStepUp, kTextMoveUp},
                                                {kIdMoveStepDown, kTextMoveDown},
                                                {kIdDeleteStep, kTextDeleteStep},
                                                {kIdClearSteps, kTextClearSteps}};

}  // namespace

MacroPageView::MacroPageView(MacroPage& page, std::function<void(int)> press, QWidget* parent)
    : QWidget(parent), page_(page), press_(std::move(press)) {
    clock_.start();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(32, 12, 32, 20);
    layout->setSpacing(12);
    const auto addButton = [this](QWidget* parent, QBoxLayout* row, int id, int text) {
        auto* button = new QPushButton(parent);
        button->setProperty("textId", text);
        connect(button, &QPushButton::clicked, this, [this, id] { press_(id); });
        row->addWidget(button);
        buttons_.emplace_back(id, button);
        lockedWhileRecording_.push_back(button);
    };

    // The macros.
    QWidget* left = Panel(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(14, 12, 14, 14);
    macrosTitle_ = Label(left, "sectionTitle");
    leftLayout->addWidget(macrosTitle_);
    macros_ = new ProfileListView(page_.macros, left);
    macros_->setMinimumWidth(150);
    macros_->SetCommandHandler([this](int command) {
        if (command == kProfileCommandRename) {
            page_.macros.ShowEdit(page_.macros.GetCurSel());
        } else if (command == kProfileCommandDelete) {
            press_(kIdDeleteMacro);
        }
    });
    connect(macros_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { page_.macros.ShowEdit(macros_->row(item)); });
    leftLayout->addWidget(macros_, 1);
    renameHint_ = Label(left, "hintLabel");
    leftLayout->addWidget(renameHint_);
    for (const auto& [id, text] : kMacroButtons) {
        addButton(left, leftLayout, id, text);
    }
    left->setMinimumWidth(200);
    left->setMaximumWidth(300);
    layout->addWidget(left, 0);
    lockedWhileRecording_.push_back(macros_);

    // The steps.
    QWidget* centre = Panel(this);
    auto* centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(16, 12, 16, 14);
    auto* header = new QHBoxLayout();
    stepsTitle_ = Label(centre, "sectionTitle");
    stepsTitle_->setWordWrap(false);
    header->addWidget(stepsTitle_);
    header->addStretch(1);
    record_ = new RecordButtonView(page_.recordButton, centre);
    // The page has started or stopped by the time the click is through: take the input at
    // once, so no key typed right after the click is missed.
    connect(record_, &QPushButton::clicked, this, [this] { RefreshRecording(); });
    header->addWidget(record_);
    centreLayout->addLayout(header);
    recordingHint_ = Label(centre, "warningLabel");
    centreLayout->addWidget(recordingHint_);
    steps_ = new RecordListView(page_.records, centre);
    centreLayout->addWidget(steps_, 1);
    auto* stepRow = new QHBoxLayout();
    for (const auto& [id, text] : kStepButtons) {
        addButton(centre, stepRow, id, text);
    }
    stepRow->addStretch(1);
    centreLayout->addLayout(stepRow);
    memory_ = Label(centre, "hintLabel");
    centreLayout->addWidget(memory_);
    notice_ = Label(centre, "warningLabel");
    centreLayout->addWidget(notice_);
    layout->addWidget(centre, 1);

    // Delays and the step editor.
    // One width whatever step the editor shows: a key step's wrapped tip asked for more room
    // than a pause, and the step list shrank each time.
    QWidget* right = new SteadyPanel(320, this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(16, 12, 16, 14);
    rightLayout->setSpacing(18);
    delays_ = new DelayOptionsView(page_.delay, right);
    rightLayout->addWidget(delays_);
    editor_ = new StepEditorView(page_.stepEditor, right);
    editor_->SetKeyHandler(
        [this](int code, bool pressed) { page_.OnStepEditorKey(code, pressed); });
    rightLayout->addWidget(editor_);
    rightLayout->addStretch(1);
    right->setMinimumWidth(230);
    right->setMaximumWidth(320);
    layout->addWidget(right, 0);
    lockedWhileRecording_.push_back(delays_);
    lockedWhileRecording_.push_back(editor_);

    recordBinding_ = std::make_unique<ModelBinding>(page_.recordButton, this,
                                                    [this](uint32_t) { RefreshRecording(); });
    stepsBinding_ =
        std::make_unique<ModelBinding>(page_.records, this, [this](uint32_t) { RefreshMemory(); });
    noticeBinding_ = std::make_unique<ModelBinding>(page_.notice, this, [this](uint32_t) {
        notice_->setText(QString::fromStdString(page_.notice.Text()));
        notice_->setVisible(page_.notice.IsVisible() && !page_.notice.Text().empty());
    });
    notice_->hide();
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    RefreshRecording();
}

MacroPageView::~MacroPageView() {
    EndCapture();
    language_.Reset();
}

QPushButton* MacroPageView::Button(int controlId) const {
    for (const auto& [id, button] : buttons_) {
        if (id == controlId) {
            return button;
        }
    }
    return nullptr;
}

void MacroPageView::ApplyTexts() {
    macrosTitle_->setText(Text(kTextMacrosPage));
    renameHint_->setText(Text(kTextRenameHint));
    stepsTitle_->setText(Text(kTextSteps));
    recordingHint_->setText(Text(kTextRecordingHint));
    for (const auto& [id, button] : buttons_) {
        const QString text = Text(button->property("textId").toInt());
        // Moving a step takes little room: an arrow, its words as the tip.
        if (id == kIdMoveStepUp || id == kIdMoveStepDown) {
            button->setText(id == kIdMoveStepUp ? QString(QChar(0x2191)) : QString(QChar(0x2193)));
            button->setToolTip(text);
            button->setAccessibleName(text);
        } else {
            button->setText(id == kIdInsertStep ? text + QString(" \u25BE") : text);
        }
    }
    RefreshMemory();
}

void MacroPageView::RefreshMemory() {
    const int capacity = page_.StepCapacity();
    memory_->setVisible(capacity > 0);
    if (capacity > 0) {
        memory_->setText(Text(kTextMemoryUse).arg(page_.StepsUsed()).arg(capacity));
    }
}

void MacroPageView::RefreshRecording() {
    const bool recording = page_.recordButton.Recording();
    for (QWidget* widget : lockedWhileRecording_) {
        widget->setEnabled(!recording);
    }
    recordingHint_->setVisible(recording);
    if (recording && !capturing_) {
        StartCapture();
    } else if (!recording && capturing_) {
        EndCapture();
    }
    RefreshMemory();
}

void MacroPageView::StartCapture() {
    record_->StoreScreenRect();
    capturing_ = true;
    qApp->installEventFilter(this);
    setFocus();
    grabKeyboard();
    grabMouse();
}

void MacroPageView::EndCapture() {
    if (!capturing_) {
        return;
    }
    capturing_ = false;
    releaseKeyboard();
    releaseMouse();
    qApp->removeEventFilter(this);
}

bool MacroPageView::eventFilter(QObject* watched, QEvent* event) {
    if (!capturing_) {
        return false;
    }
    if (event->type() == QEvent::WindowDeactivate && watched == window()) {
        // Another window took the focus: the recording ends (after this event is through).
        QTimer::singleShot(0, this, [this] { page_.StopRecording(); });
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != window()) {
        return false;
    }
    return Record(event);
}

bool MacroPageView::Record(QEvent* event) {
    const qint64 now = clock_.elapsed();
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            page_.OnRecordKey(static_cast<int>(key->nativeScanCode()),
                              event->type() == QEvent::KeyPress, key->isAutoRepeat(), now);
            return true;
        }
        case QEvent::ShortcutOverride:
            // Every key belongs to the recording: no shortcut, no focus change.
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->globalPosition().toPoint();
            if (const std::optional<MouseButton> button = MouseButtonOf(mouse->button())) {
                page_.OnRecordMouse(*button, event->type() != QEvent::MouseButtonRelease, at.x(),
                                    at.y(), now);
            }
            // The click on the record button goes on to it and stops the recording.
            return !page_.recordButton.GetRect().Contains(at.x(), at.y());
        }
        default:
            return false;
    }
}

void MacroPageView::mouseReleaseEvent(QMouseEvent* event) {
    // With the mouse grabbed, the click that ends the recording arrives here.
    const QPoint at = event->globalPosition().toPoint();
    if (capturing_ && event->button() == Qt::LeftButton &&
        page_.recordButton.GetRect().Contains(at.x(), at.y())) {
        record_->click();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void MacroPageView::hideEvent(QHideEvent* event) {
    page_.StopRecording();
    QWidget::hideEvent(event);
}

void MacroPageView::ShowMenu(uint32_t message, const std::vector<MacroMenuEntry>& entries,
                             const std::function<void(uint32_t, int)>& chosen) {
    QMenu menu(this);
    for (const MacroMenuEntry& entry : entries) {
        menu.addAction(Text(entry.textId))->setData(entry.command);
    }
    QPoint at = QCursor::pos();
    if (QPushButton* insert = Button(kIdInsertStep);
        message == kMsgMacroInsertMenu && insert != nullptr) {
        at = insert->mapToGlobal(QPoint(0, insert->height()));
    }
    if (QAction* action = menu.exec(at); action != nullptr && chosen) {
        chosen(message, action->data().toInt());
    }
}

}  // namespace zanvor
