#include "qt/ScreenPageView.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "qt/ColourViews.h"
#include "qt/ControlViews.h"
#include "qt/ScreenCanvasView.h"
#include "qt/ScreenIcons.h"
#include "qt/ScreenListViews.h"
#include "qt/Theme.h"
#include "screen/ScreenPage.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

// A page panel in the look of the other pages, with a title above its contents.
QWidget* Panel(QWidget* parent, QVBoxLayout*& layout, QLabel*& title) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("panel");
    panel->setAttribute(Qt::WA_StyledBackground);
    layout = new QVBoxLayout(panel);
    layout->setContentsMargins(14, 8, 14, 12);
    layout->setSpacing(8);
    title = new QLabel(panel);
    title->setObjectName("sectionTitle");
    layout->addWidget(title);
    return panel;
}

// Texts of the buttons and tools: (control id, caption or tooltip text id).
constexpr std::pair<int, int> kButtonTexts[] = {
    {kIdScreenNew, 803},         {kIdScreenImport, 804},      {kIdScreenDelete, 805},
    {kIdScreenEditMode, 808},    {kIdScreenPreviewMode, 809}, {kIdScreenAddText, 838},
    {kIdScreenAddPictures, 814}, {kIdScreenCopyFrame, 815},   {kIdScreenPen, 816},
    {kIdScreenEraser, 817},      {kIdScreenDeleteFrame, 818}, {kIdScreenUndo, 885},
    {kIdScreenSave, 819},        {kIdScreenExport, 820},      {kIdScreenSend, 821},
};

// Section titles in the order the columns build them.
constexpr int kTitleTexts[] = {1674, 1675, 1676, 1677};
// "R", "G", "B" in this language; the next two ids follow the red one.
constexpr int kTextRedChannel = 1690;

}  // namespace

ScreenPageView::ScreenPageView(ScreenPage& page, std::function<void(int controlId)> click,
                               QWidget* parent)
    : QWidget(parent), page_(page), click_(std::move(click)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 32, 20);
    layout->setSpacing(12);
    layout->addWidget(BuildLibraryColumn());
    layout->addWidget(BuildEditorColumn(), 1);
    layout->addWidget(BuildColourColumn());

    ScreenModels& models = page_.Models();
    for (ControlModel* model :
         std::initializer_list<ControlModel*>{&models.state, &models.editor, &models.library}) {
        bindings_.push_back(
            std::make_unique<ModelBinding>(*model, this, [this](uint32_t) { RefreshState(); }));
    }
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
}

ScreenPageView::~ScreenPageView() {
    bindings_.clear();
    language_.Reset();
}

QPushButton* ScreenPageView::AddButton(int controlId, QWidget* parent) {
    auto* button = new QPushButton(parent);
    connect(button, &QPushButton::clicked, this, [this, controlId] { click_(controlId); });
    buttons_.emplace_back(controlId, button);
    return button;
}

QToolButton* ScreenPageView::AddTool(int controlId, const QString& icon, QWidget* parent) {
    auto* tool = new QToolButton(parent);
    tool->setIcon(ScreenToolIcon(icon, theme::kText));
    tool->setIconSize(QSize(20, 20));
    tool->setFocusPolicy(Qt::StrongFocus);
    connect(tool, &QToolButton::clicked, this, [this, controlId] { click_(controlId); });
    buttons_.emplace_back(controlId, tool);
    return tool;
}

QAbstractButton* ScreenPageView::Button(int controlId) const {
    for (const auto& [id, button] : buttons_) {
        if (id == controlId) {
            return button;
        }
    }
    return nullptr;
}

QWidget* ScreenPageView::BuildLibraryColumn() {
    auto* column = new QWidget(this);
    column->setFixedWidth(226);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    QVBoxLayout* slotLayout = nullptr;
    QLabel* title = nullptr;
    layout->addWidget(Panel(column, slotLayout, title));
    titles_.push_back(title);
    slots_ = new ScreenSlotView(page_.Models().screenSlots, column);
    slotLayout->addWidget(slots_);

    QVBoxLayout* libraryLayout = nullptr;
    QWidget* libraryPanel = Panel(column, libraryLayout, title);
    titles_.push_back(title);
    library_ = new ScreenLibraryView(page_.Models().library, libraryPanel);
    libraryLayout->addWidget(library_, 1);
    auto* buttons = new QGridLayout();
    buttons->setSpacing(6);
    buttons->addWidget(AddButton(kIdScreenNew, libraryPanel), 0, 0);
    buttons->addWidget(AddButton(kIdScreenDelete, libraryPanel), 0, 1);
    buttons->addWidget(AddButton(kIdScreenImport, libraryPanel), 1, 0, 1, 2);
    libraryLayout->addLayout(buttons);
    layout->addWidget(libraryPanel, 1);
    return column;
}

QWidget* ScreenPageView::BuildEditorColumn() {
    ScreenModels& models = page_.Models();
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* editorPanel = new QWidget(column);
    editorPanel->setObjectName("panel");
    editorPanel->setAttribute(Qt::WA_StyledBackground);
    auto* editorLayout = new QVBoxLayout(editorPanel);
    editorLayout->setContentsMargins(14, 10, 14, 12);
    editorLayout->setSpacing(8);

    auto* tools = new QHBoxLayout();
    tools->setSpacing(2);
    auto* modes = new QButtonGroup(editorPanel);
    for (const int id : {kIdScreenEditMode, kIdScreenPreviewMode}) {
        QPushButton* mode = AddButton(id, editorPanel);
        mode->setCheckable(true);
        mode->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);  // never a cut caption
        modes->addButton(mode);
        tools->addWidget(mode);
    }
    tools->addSpacing(6);
    auto* drawTools = new QButtonGroup(editorPanel);
    for (const auto& [id, icon] : {std::pair{kIdScreenPen, "pen"}, {kIdScreenEraser, "eraser"}}) {
        QToolButton* tool = AddTool(id, icon, editorPanel);
        tool->setCheckable(true);
        drawTools->addButton(tool);
        tools->addWidget(tool);
        drawing_.push_back(tool);
    }
    for (const auto& [id, icon] : {std::pair{kIdScreenUndo, "undo"},
                                   {kIdScreenAddPictures, "picture"},
                                   {kIdScreenCopyFrame, "copy"},
                                   {kIdScreenDeleteFrame, "delete"}}) {
        if (id == kIdScreenAddPictures) {
            tools->addSpacing(6);
        }
        QToolButton* tool = AddTool(id, icon, editorPanel);
        tools->addWidget(tool);
        drawing_.push_back(tool);
    }
    tools->addStretch(1);
    auto* grid = new SwitchView(models.grid, editorPanel);
    gridSwitch_ = grid;
    tools->addWidget(grid);
    editorLayout->addLayout(tools);

    canvas_ = new ScreenCanvasView(models.editor, editorPanel);
    editorLayout->addWidget(canvas_, 1);
    editing_.push_back(canvas_);

    auto* textRow = new QHBoxLayout();
    textRow->setSpacing(8);
    text_ = new QLineEdit(editorPanel);
    text_->setText(QString::fromStdString(models.text.GetText()));
    connect(text_, &QLineEdit::textEdited, this,
            [this](const QString& text) { page_.Models().text.Type(text.toStdString()); });
    textRow->addWidget(text_, 1);
    fontLabel_ = new QLabel(editorPanel);
    fontLabel_->setObjectName("hintLabel");
    textRow->addWidget(fontLabel_);
    auto* fontSize = new NumberBoxView(models.fontSize, 1, FrameEditor::kMaxFontSize, editorPanel);
    textRow->addWidget(fontSize);
    QPushButton* addText = AddButton(kIdScreenAddText, editorPanel);
    addText->setIcon(ScreenToolIcon("text", theme::kText));
    textRow->addWidget(addText);
    for (QWidget* widget : std::initializer_list<QWidget*>{text_, fontSize, addText}) {
        drawing_.push_back(widget);
    }
    editorLayout->addLayout(textRow);
    layout->addWidget(editorPanel, 1);

    QVBoxLayout* framesLayout = nullptr;
    QLabel* title = nullptr;
    QWidget* framesPanel = Panel(column, framesLayout, title);
    titles_.push_back(title);
    auto* header = new QHBoxLayout();
    framesLayout->removeWidget(title);
    header->addWidget(title);
    header->addStretch(1);
    for (const int id : {kIdScreenSave, kIdScreenExport, kIdScreenSend}) {
        QPushButton* button = AddButton(id, framesPanel);
        header->addWidget(button);
        if (id != kIdScreenSend) {
            editing_.push_back(button);
        }
    }
    framesLayout->addLayout(header);
    frames_ = new FrameStripView(models.frames, framesPanel);
    framesLayout->addWidget(frames_);
    editing_.push_back(frames_);
    layout->addWidget(framesPanel);
    return column;
}

QWidget* ScreenPageView::BuildColourColumn() {
    ScreenModels& models = page_.Models();
    auto* column = new QWidget(this);
    column->setFixedWidth(204);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* colourLayout = nullptr;
    QLabel* title = nullptr;
    QWidget* panel = Panel(column, colourLayout, title);
    titles_.push_back(title);

    auto* field = new ColourFieldView(models.picker, panel);
    field->setFixedHeight(120);
    colourLayout->addWidget(field);
    colourLayout->addWidget(new HueBarView(models.colourBar, panel));

    auto* boxes = new QGridLayout();
    boxes->setHorizontalSpacing(8);
    int column_ = 0;
    for (const auto& [box, tip] :
         {std::pair{&models.red, 1683}, {&models.green, 1684}, {&models.blue, 1685}}) {
        auto* label = new QLabel(panel);
        channelLabels_.push_back(label);
        label->setObjectName("hintLabel");
        label->setAlignment(Qt::AlignCenter);
        auto* number = new NumberBoxView(*box, 0, 255, panel);
        number->setButtonSymbols(QAbstractSpinBox::NoButtons);
        number->setAlignment(Qt::AlignCenter);
        number->setToolTip(Text(tip));
        boxes->addWidget(label, 0, column_);
        boxes->addWidget(number, 1, column_);
        ++column_;
    }
    colourLayout->addLayout(boxes);

    auto* swatches = new QGridLayout();
    swatches->setSpacing(6);
    for (size_t i = 0; i < models.palette.size(); ++i) {
        swatches->addWidget(new ColourButtonView(models.palette[i], panel), static_cast<int>(i / 3),
                            static_cast<int>(i % 3), Qt::AlignCenter);
    }
    colourLayout->addLayout(swatches);
    colourLayout->addStretch(1);
    layout->addWidget(panel, 1);
    return column;
}

void ScreenPageView::ApplyTexts() {
    for (size_t i = 0; i < channelLabels_.size(); ++i) {
        channelLabels_[i]->setText(Text(kTextRedChannel + static_cast<int>(i)));
    }
    for (size_t i = 0; i < titles_.size() && i < std::size(kTitleTexts); ++i) {
        titles_[i]->setText(Text(kTitleTexts[i]));
    }
    for (const auto& [id, text] : kButtonTexts) {
        QAbstractButton* button = Button(id);
        if (button == nullptr) {
            continue;
        }
        if (qobject_cast<QToolButton*>(button) != nullptr) {
            button->setToolTip(Text(text));
            button->setAccessibleName(Text(text));
        } else {
            button->setText(Text(text));
        }
    }
    text_->setPlaceholderText(Text(1678));
    fontLabel_->setText(Text(1679));
    static_cast<QAbstractButton*>(gridSwitch_)->setText(Text(1680));
    gridSwitch_->updateGeometry();
    RefreshState();
}

void ScreenPageView::RefreshState() {
    ScreenModels& models = page_.Models();
    const bool editing = models.state.EditingEnabled();
    const bool preview = models.state.PreviewMode();
    for (QWidget* widget : editing_) {
        widget->setEnabled(editing);
    }
    for (QWidget* widget : drawing_) {
        widget->setEnabled(editing && !preview);
    }
    gridSwitch_->setEnabled(editing && !preview);
    Button(kIdScreenEditMode)->setEnabled(editing);
    Button(kIdScreenPreviewMode)->setEnabled(editing);
    Button(kIdScreenEditMode)->setChecked(!preview);
    Button(kIdScreenPreviewMode)->setChecked(preview);
    Button(kIdScreenDelete)->setEnabled(models.library.GetCurSel() >= 0);
    // Sending is offered only when it can work; the tip says why it cannot.
    const QString sendBlocked = QString::fromStdString(page_.Commands().SendBlockedReason());
    Button(kIdScreenSend)->setEnabled(editing && sendBlocked.isEmpty());
    Button(kIdScreenSend)->setToolTip(sendBlocked);
    const int mode = models.editor.GetDrawMode();
    Button(kIdScreenPen)->setChecked(mode == ImageView::kModePen);
    Button(kIdScreenEraser)->setChecked(mode == ImageView::kModeEraser);
    Button(kIdScreenUndo)->setEnabled(editing && !preview && models.editor.CanUndo());
    canvas_->SetPlaceholder(Text(editing ? 814 : 1686));
}

DelayDialog ScreenPageView::DelayDialogPresenter(QWidget* parent) {
    return [parent](int currentDelay) -> std::optional<DelayChoice> {
        QDialog dialog(parent);
        dialog.setWindowTitle(Text(837));
        dialog.setMinimumWidth(300);
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(Text(837), &dialog);
        layout->addWidget(label);
        auto* grid = new QGridLayout();
        auto* thisFrame = new QRadioButton(Text(1672), &dialog);
        auto* allFrames = new QRadioButton(Text(1673), &dialog);
        thisFrame->setChecked(true);
        auto* thisValue = new QSpinBox(&dialog);
        auto* allValue = new QSpinBox(&dialog);
        for (QSpinBox* box : {thisValue, allValue}) {
            box->setRange(kMinFrameDelay, kMaxFrameDelay);
            box->setSuffix(" ms");
            box->setValue(ClampFrameDelay(currentDelay));
        }
        allValue->setEnabled(false);
        QObject::connect(allFrames, &QRadioButton::toggled, &dialog, [=](bool all) {
            allValue->setEnabled(all);
            thisValue->setEnabled(!all);
        });
        grid->addWidget(thisFrame, 0, 0);
        grid->addWidget(thisValue, 0, 1);
        grid->addWidget(allFrames, 1, 0);
        grid->addWidget(allValue, 1, 1);
        layout->addLayout(grid);
        auto* buttons = new QDialogButtonBox(&dialog);
        buttons->addButton(Text(22), QDialogButtonBox::AcceptRole);
        buttons->addButton(Text(1467), QDialogButtonBox::RejectRole);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const bool all = allFrames->isChecked();
        return DelayChoice{all, std::to_string(all ? allValue->value() : thisValue->value())};
    };
}

}  // namespace zanvor
