#include "qt/ProfileViews.h"
#include "qt/ModelBinding.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ProfileDlg.h"
#include "app/ProgramBindings.h"
#include "qt/Pictures.h"
#include "qt/Theme.h"
#include "ui/ProfileList.h"

namespace zanvor {

namespace {

// A window's program icon from the icon theme: desktop files name their icon after the program,
// which is what the window class (or the Wayland app id) says, more often than not.
QIcon ProgramIcon(const FocusedWindow& window) {
    for (const std::string& name : {window.windowClass, window.instance, window.executable}) {
        for (const QString& candidate :
             {QString::fromStdString(name), QString::fromStdString(name).toLower()}) {
            if (!candidate.isEmpty() && QIcon::hasThemeIcon(candidate)) {
                return QIcon::fromTheme(candidate);
            }
        }
    }
    return QIcon::fromTheme("application-x-executable");
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

// ---- ProfileListView ----

ProfileListView::ProfileListView(ProfileList& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumWidth(200);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int index = row(item);
        if (index != model_.GetSelectItem()) {
            model_.ClickItem(index);
        }
    });
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int index = row(item);
        if (index != model_.GetSelectItem()) {
            model_.ClickItem(index);
        }
    });
    connect(this, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = itemAt(at);
        if (item == nullptr) {
            item = currentItem();
        }
        if (item != nullptr) {
            model_.RequestContext(row(item));
        }
    });
    binding_ =
        std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) { Reload(changes); });
    Reload(~0u);
}

ProfileListView::~ProfileListView() = default;

void ProfileListView::Reload(uint32_t changes) {
    if (changes & ModelBinding::Bit(ProfileList::kChangeItems)) {
        const QSignalBlocker blocker(this);
        const std::vector<ProfileListItem> items = model_.GetItems();
        if (count() != static_cast<int>(items.size())) {
            clear();
            for (size_t i = 0; i < items.size(); ++i) {
                addItem(QString());
            }
        }
        for (size_t i = 0; i < items.size(); ++i) {
            QListWidgetItem* entry = item(static_cast<int>(i));
            // A note follows the name, and the entry is dimmed (an unused macro slot).
            const bool noted = !items[i].note.empty();
            entry->setText(noted ? Text(items[i].text) + QStringLiteral("  \u00B7  ") +
                                       Text(items[i].note)
                                 : Text(items[i].text));
            entry->setForeground(noted ? QBrush(theme::kMutedText) : QBrush());
        }
    }
    {
        const QSignalBlocker blocker(this);
        const int selected = model_.GetSelectItem();
        if (selected >= 0 && selected < count()) {
            setCurrentRow(selected);
        } else {
            clearSelection();
        }
    }
    if (model_.Editing() && editor_ == nullptr) {
        OpenEditor();
    } else if (!model_.Editing() && editor_ != nullptr) {
        CloseEditor(false);
    }
    setVisible(model_.IsVisible());
}

void ProfileListView::OpenEditor() {
    const int index = model_.EditItem();
    QListWidgetItem* entry = item(index);
    if (entry == nullptr) {
        return;
    }
    scrollToItem(entry);
    editor_ = new QLineEdit(viewport());
    // The name alone: a note shown beside it is not part of it.
    editor_->setText(Text(model_.GetItemText(index)));
    editor_->setGeometry(visualItemRect(entry));
    editor_->selectAll();
    editor_->installEventFilter(this);
    editor_->show();
    editor_->setFocus();
}

void ProfileListView::CloseEditor(bool keep) {
    if (editor_ == nullptr) {
        return;
    }
    QPointer<QLineEdit> editor = editor_;
    editor_ = nullptr;
    const std::string text = editor->text().toStdString();
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    if (keep && model_.Editing()) {
        model_.FinishEdit(text);
    } else if (!keep && model_.Editing()) {
        model_.CancelEdit();
    }
    setFocus();
}

bool ProfileListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        const int key =
            event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
        if (key == Qt::Key_Escape) {
            CloseEditor(false);
            return true;
        }
        // Enter ends the rename and nothing else: it must not reach a dialog's default button
        // or activate the entry.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CloseEditor(true);
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // Leaving the editor keeps what was typed, as clicking elsewhere does.
            QMetaObject::invokeMethod(
                this, [this] { CloseEditor(true); }, Qt::QueuedConnection);
        }
    }
    return QListWidget::eventFilter(watched, event);
}

void ProfileListView::keyPressEvent(QKeyEvent* event) {
    if (command_ && currentRow() >= 0) {
        // The command is for the focused entry; the selection (the active profile) stays.
        if (event->key() == Qt::Key_F2) {
            model_.SetContextItem(currentRow());
            command_(kProfileCommandRename);
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            model_.SetContextItem(currentRow());
            command_(kProfileCommandDelete);
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

void ShowProfileContextMenu(QWidget* parent, const std::function<void(int)>& onCommand) {
    QMenu menu(parent);
    QAction* remove = menu.addAction(Text(LoadText("KB.DIALOG", 1463)));
    QAction* exportTo = menu.addAction(Text(LoadText("KB.DIALOG", 1464)));
    QAction* rename = menu.addAction(Text(LoadText("KB.DIALOG", 1465)));
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == nullptr || !onCommand) {
        return;
    }
    onCommand(chosen == remove     ? kProfileCommandDelete
              : chosen == exportTo ? kProfileCommandExport
                                   : kProfileCommandRename);
    (void)rename;
}

// ---- ProfilePanel ----

ProfilePanel::ProfilePanel(ProfileList& model, Actions actions, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions)) {
    setObjectName("panel");
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 14);
    title_ = new QLabel(this);
    title_->setObjectName("sectionTitle");
    layout->addWidget(title_);
    list_ = new ProfileListView(model, this);
    list_->SetCommandHandler(actions_.command);
    // A double click renames in place, as in the profile dialog.
    connect(list_, &QListWidget::itemDoubleClicked, this, [this, &model](QListWidgetItem* item) {
        if (actions_.command) {
            model.SetContextItem(list_->row(item));
            actions_.command(kProfileCommandRename);
        }
    });
    layout->addWidget(list_, 1);
    add_ = new QPushButton(this);
    import_ = new QPushButton(this);
    manage_ = new QPushButton(this);
    for (QPushButton* button : {add_, import_, manage_}) {
        layout->addWidget(button);
    }
    connect(add_, &QPushButton::clicked, this, [this] {
        if (actions_.add) {
            actions_.add();
        }
    });
    connect(import_, &QPushButton::clicked, this, [this] {
        if (actions_.import) {
            actions_.import();
        }
    });
    connect(manage_, &QPushButton::clicked, this, [this] {
        if (actions_.manage) {
            actions_.manage();
        }
    });
    add_->setVisible(static_cast<bool>(actions_.add));
    import_->setVisible(static_cast<bool>(actions_.import));
    manage_->setVisible(static_cast<bool>(actions_.manage));
    setMinimumWidth(220);
    setMaximumWidth(280);
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
}

ProfilePanel::~ProfilePanel() {
    language_.Reset();
}

void ProfilePanel::ApplyTexts() {
    title_->setText(Text(LoadText("KB.DIALOG", 1460)));
    add_->setText(Text(LoadText("KB.DIALOG", 1461)));
    import_->setText(Text(LoadText("KB.DIALOG", 1462)));
    manage_->setText(Text(LoadText("KB.DIALOG", 1466)));
}

// ---- ProfileDialogView ----

ProfileDialogView::ProfileDialogView(ProfileDlg& dialog, QWidget* parent)
    : QDialog(parent), dialog_(dialog) {
    setWindowTitle(Text(LoadText("KB.DIALOG", 1460)));
    setModal(true);
    resize(800, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    auto* title = new QLabel(Text(LoadText("KB.DIALOG", 1460)), this);
    title->setObjectName("pageTitle");
    auto* hint = new QLabel(Text(LoadText("KB.DIALOG", 1468)), this);
    hint->setObjectName("hintLabel");
    hint->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(hint);
    list_ = new ProfileListView(dialog_.List(), this);
    list_->SetCommandHandler([this](int command) {
        ProfileList& list = dialog_.List();
        int index = list.FindData(list.TakeContextData());
        if (index < 0) {
            index = list.GetSelectItem();
        }
        if (command == kProfileCommandRename) {
            list.ShowEdit(index);
        } else if (command == kProfileCommandDelete) {
            list.RequestContext(index);
        }
    });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { dialog_.List().ShowEdit(list_->row(item)); });
    auto* columns = new QHBoxLayout();
    columns->addWidget(list_, 1);
    columns->addWidget(BuildPrograms(), 1);
    layout->addLayout(columns, 1);
    auto* buttons = new QHBoxLayout();
    add_ = new QPushButton(Text(LoadText("KB.DIALOG", 1461)), this);
    ok_ = new QPushButton(Text(LoadText("KB.DIALOG", 22)), this);
    // Closing keeps what the dialog added, renamed or deleted: the button says so.
    cancel_ = new QPushButton(Text(LoadText("KB.DIALOG", 2103)), this);
    ok_->setDefault(true);
    buttons->addWidget(add_);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    connect(add_, &QPushButton::clicked, this, [this] { Press(ProfileDlg::kIdAdd); });
    connect(ok_, &QPushButton::clicked, this, [this] { Press(ProfileDlg::kIdOk); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Press(ProfileDlg::kIdCancel); });
}

ProfileDialogView::~ProfileDialogView() = default;

QWidget* ProfileDialogView::BuildPrograms() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(12, 0, 0, 0);
    programsTitle_ = new QLabel(box);
    programsTitle_->setObjectName("sectionTitle");
    programsTitle_->setWordWrap(true);  // a long profile name must not widen the dialog
    const bool available = dialog_.ProgramsAvailable();
    programsHint_ = new QLabel(available ? Text(LoadText("KB.DIALOG", kTextProgramsHint))
                                         : Text(dialog_.ProgramsUnavailableReason()),
                               box);
    // Where the desktop does not tell, the reason stands out: it explains the greyed controls.
    programsHint_->setObjectName(available ? "hintLabel" : "warningLabel");
    programsHint_->setWordWrap(true);
    programs_ = new QListWidget(box);
    programName_ = new QLineEdit(box);
    programName_->setPlaceholderText(Text(LoadText("KB.DIALOG", kTextProgramNameExample)));
    auto* prompt = new QLabel(Text(LoadText("KB.DIALOG", kTextProgramNamePrompt)), box);
    prompt->setObjectName("hintLabel");
    prompt->setWordWrap(true);
    prompt->setBuddy(programName_);
    programName_->setMaxLength(255);
    // The name is typed beside it: the button adds it at once (no further question).
    addByName_ = new QPushButton(Text(LoadText("KB.DIALOG", kTextAddProgram)), box);
    addRunning_ = new QPushButton(Text(LoadText("KB.DIALOG", kTextAddRunningProgram)), box);
    removeProgram_ = new QPushButton(Text(LoadText("KB.DIALOG", kTextRemoveProgram)), box);
    auto* byName = new QHBoxLayout();
    byName->addWidget(programName_, 1);
    byName->addWidget(addByName_);
    auto* more = new QHBoxLayout();
    more->addWidget(addRunning_);
    more->addStretch(1);
    more->addWidget(removeProgram_);
    column->addWidget(programsTitle_);
    column->addWidget(programsHint_);
    column->addWidget(programs_, 1);
    column->addWidget(prompt);
    column->addLayout(byName);
    column->addLayout(more);
    for (QWidget* control : std::initializer_list<QWidget*>{programs_, programName_, addByName_,
                                                            addRunning_, removeProgram_}) {
        control->setEnabled(available);
    }
    const auto addByName = [this] {
        if (dialog_.AddProgramByName(programName_->text().toStdString())) {
            programName_->clear();
        }
    };
    connect(addByName_, &QPushButton::clicked, this, addByName);
    connect(programName_, &QLineEdit::returnPressed, this, addByName);
    connect(addRunning_, &QPushButton::clicked, this, [this] {
        RunningProgramsMenu()->exec(addRunning_->mapToGlobal(QPoint(0, addRunning_->height())));
    });
    connect(removeProgram_, &QPushButton::clicked, this, [this] {
        dialog_.Programs().Select(programs_->currentRow());
        dialog_.RemoveSelectedProgram();
    });
    programsBinding_ = std::make_unique<ModelBinding>(dialog_.Programs(), this,
                                                      [this](uint32_t) { ReloadPrograms(); });
    profilesBinding_ = std::make_unique<ModelBinding>(dialog_.List(), this,
                                                      [this](uint32_t) { RefreshProgramsTitle(); });
    ReloadPrograms();
    RefreshProgramsTitle();
    return box;
}

void ProfileDialogView::RefreshProgramsTitle() {
    const ProfileList& list = dialog_.List();
    const int selected = list.FindData(list.GetCurData());
    programsTitle_->setText(selected >= 0
                                ? Text(BindingText(kTextProgramsOf, list.GetItemText(selected)))
                                : Text(LoadText("KB.DIALOG", kTextPrograms)));
}

void ProfileDialogView::ReloadPrograms() {
    programs_->clear();
    for (const std::string& program : dialog_.Programs().GetItems()) {
        programs_->addItem(Text(program));
    }
    removeProgram_->setEnabled(dialog_.ProgramsAvailable() && programs_->count() > 0);
}

QMenu* ProfileDialogView::RunningProgramsMenu() {
    if (picker_) {
        picker_->deleteLater();
    }
    picker_ = new QMenu(this);
    picker_->setToolTipsVisible(true);
    const std::vector<FocusedWindow> windows = dialog_.RunningWindows();
    for (const FocusedWindow& window : windows) {
        const std::string program = !window.windowClass.empty() ? window.windowClass
                                    : !window.instance.empty()  ? window.instance
                                                                : window.executable;
        const std::string title = window.title.empty() ? program : window.title;
        QAction* action =
            picker_->addAction(ProgramIcon(window), Text(title + "  (" + program + ")"));
        action->setToolTip(Text(window.executable));
        connect(action, &QAction::triggered, this,
                [this, window] { dialog_.AddProgramFromWindow(window); });
    }
    if (windows.empty()) {
        picker_->addAction(Text(LoadText("KB.DIALOG", kTextNoProgramWindows)))->setEnabled(false);
    }
    return picker_;
}

void ProfileDialogView::Press(int controlId) {
    dialog_.OnMessage(controlId, 0);
    switch (dialog_.GetResult()) {
        case ProfileDlg::Result::kConfirmed:
            done(QDialog::Accepted);
            break;
        case ProfileDlg::Result::kCancelled:
            done(QDialog::Rejected);
            break;
        case ProfileDlg::Result::kOpen:
            break;
    }
}

void ProfileDialogView::reject() {
    Press(ProfileDlg::kIdClose);
    if (dialog_.GetResult() == ProfileDlg::Result::kOpen) {
        QDialog::reject();
    }
}

}  // namespace zanvor
