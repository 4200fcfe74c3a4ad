#pragma once

#include <QDialog>

#include "keys/KnobPage.h"

class QLabel;
class QPushButton;

namespace zanvor {

class ComboView;

// The knob dialog: a picture of the knob above one drop-down list per knob action, a close
// and an OK button. Renders a KnobConfigDlg; every choice goes to the dialog's combo models,
// which report it to the main window at once.
class KnobDialogView : public QDialog {
    Q_OBJECT
  public:
    KnobDialogView(KnobConfigDlg& dialog, QWidget* parent = nullptr);
    ~KnobDialogView() override;

    ComboView* Combo(int action) const { return combos_[action]; }
    QPushButton* OkButton() const { return ok_; }

  protected:
    void reject() override;

  private:
    void Press(int controlId);

    KnobConfigDlg& dialog_;
    ComboView* combos_[kKnobActionCount] = {};
    QPushButton* ok_ = nullptr;
};

// Shows the knob dialog modally over parent; for KnobPage::SetDialogPresenter.
KnobPage::Presenter KnobDialogPresenter(QWidget* parent);

}  // namespace zanvor
