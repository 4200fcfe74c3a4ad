#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <functional>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace zanvor {

class ProfileDlg;
class ProfileList;

// Commands of the profile list's context menu.
inline constexpr int kProfileCommandDelete = 601;
inline constexpr int kProfileCommandExport = 602;
inline constexpr int kProfileCommandRename = 605;

// A profile list rendering a ProfileList: a click (or Enter) picks a profile, the right
// button (or the menu key) asks for the entry's context, and the model's in-place editor is
// a line edit over the entry (Enter or leaving it keeps the text, Escape cancels). F2 and
// Delete run the rename and delete commands through the command handler.
class ProfileListView : public QListWidget {
    Q_OBJECT
  public:
    explicit ProfileListView(ProfileList& model, QWidget* parent = nullptr);
    ~ProfileListView() override;
    void SetCommandHandler(std::function<void(int command)> handler) {
        command_ = std::move(handler);
    }
    // The in-place editor while the model edits an entry, else null.
    QLineEdit* Editor() const { return editor_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Reload(uint32_t changes);
    void OpenEditor();
    void CloseEditor(bool keep);

    ProfileList& model_;
    std::function<void(int)> command_;
    QPointer<QLineEdit> editor_;
    std::unique_ptr<ModelBinding> binding_;
};

// Shows the profile list's context menu (delete, export, rename) at the cursor and hands the
// chosen command to onCommand.
void ShowProfileContextMenu(QWidget* parent, const std::function<void(int command)>& onCommand);

// The profiles beside the device pages: the list and its add, import and manage buttons.
class ProfilePanel : public QWidget {
    Q_OBJECT
  public:
    struct Actions {
        std::function<void()> add;
        std::function<void()> import;
        std::function<void()> manage;
        std::function<void(int command)> command;  // context menu, F2, Delete
    };
    ProfilePanel(ProfileList& model, Actions actions, QWidget* parent = nullptr);
    ~ProfilePanel() override;
    ProfileListView* List() const { return list_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* ManageButton() const { return manage_; }

  private:
    void ApplyTexts();

    Actions actions_;
    QLabel* title_ = nullptr;
    ProfileListView* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* manage_ = nullptr;
    LanguageSubscription language_;
};

// The profile dialog: its own profile list with add, delete (right click or Delete),
// rename (F2 or double click), OK and Cancel. Renders a ProfileDlg.
class ProfileDialogView : public QDialog {
    Q_OBJECT
  public:
    ProfileDialogView(ProfileDlg& dialog, QWidget* parent = nullptr);
    ~ProfileDialogView() override;
    ProfileListView* List() const { return list_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QListWidget* ProgramsList() const { return programs_; }
    QLineEdit* ProgramNameEdit() const { return programName_; }
    QPushButton* AddProgramByNameButton() const { return addByName_; }
    QPushButton* AddRunningProgramButton() const { return addRunning_; }
    QPushButton* RemoveProgramButton() const { return removeProgram_; }
    QLabel* ProgramsTitle() const { return programsTitle_; }
    QLabel* ProgramsHint() const { return programsHint_; }
    // The picker of running programs' windows, as the button opens it (tests).
    QMenu* RunningProgramsMenu();

  protected:
    void reject() override;

  private:
    void Press(int controlId);
    QWidget* BuildPrograms();
    void ReloadPrograms();
    // The programs' title names the profile they belong to: the selected one.
    void RefreshProgramsTitle();

    ProfileDlg& dialog_;
    ProfileListView* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QListWidget* programs_ = nullptr;
    QLineEdit* programName_ = nullptr;
    QPushButton* addByName_ = nullptr;
    QPushButton* addRunning_ = nullptr;
    QPushButton* removeProgram_ = nullptr;
    QLabel* programsTitle_ = nullptr;
    QLabel* programsHint_ = nullptr;
    QPointer<QMenu> picker_;
    std::unique_ptr<ModelBinding> programsBinding_;
    std::unique_ptr<ModelBinding> profilesBinding_;
};

}  // namespace zanvor
