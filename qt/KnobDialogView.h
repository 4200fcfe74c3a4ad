#pragma once

#include <QComboBox>
#include <QDialog>
#include <memory>
#include <vector>

#include "keys/KnobPage.h"

class QLabel;
class QPushButton;

namespace zanvor {

class ComboBox;
class ModelBinding;

// A knob action's list of functions, grouped under the captions of the key page's function
// tabs and in their order (keys, media, keyboard functions): a heading row that cannot be
// chosen starts each group. Rows and the model's entries differ by those headings; RowOf maps
// between them.
class KnobFunctionCombo : public QComboBox {
    Q_OBJECT
  public:
    KnobFunctionCombo(ComboBox& model, std::vector<int> entryTypes, QWidget* parent = nullptr);
    ~KnobFunctionCombo() override;

    // The row that shows the model's entry `entry`; -1 when there is none.
    int RowOf(int entry) const;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    static constexpr int kMinimumWidth = 260;
    void Reload(bool items);
    // The field as wide as its longest entry in the current language, whichever is chosen.
    void FitWidth();

    ComboBox& model_;
    std::vector<int> entryTypes_;  // function type of each model entry: its group
    std::vector<int> rowEntries_;  // model entry of each row; -1 for a heading
    std::unique_ptr<ModelBinding> binding_;
};

// The knob dialog: a picture of the knob above one drop-down list per knob action, a close
// and an OK button. Renders a KnobConfigDlg; every choice goes to the dialog's combo models,
// which report it to the main window at once.
class KnobDialogView : public QDialog {
    Q_OBJECT
  public:
    KnobDialogView(KnobConfigDlg& dialog, QWidget* parent = nullptr);
    ~KnobDialogView() override;

    KnobFunctionCombo* Combo(int action) const { return combos_[action]; }
    QPushButton* OkButton() const { return ok_; }

  protected:
    void reject() override;

  private:
    void Press(int controlId);

    KnobConfigDlg& dialog_;
    KnobFunctionCombo* combos_[kKnobActionCount] = {};
    QPushButton* ok_ = nullptr;
};

// Shows the knob dialog modally over parent; for KnobPage::SetDialogPresenter.
KnobPage::Presenter KnobDialogPresenter(QWidget* parent);

}  // namespace zanvor
