#pragma once

#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QValidator;
class QVariantAnimation;

namespace zanvor {

class CRecordList;
class MacroDelayPanel;
class MacroStepEditor;
class RecordButton;

// The steps of the selected macro: the step text and the delay after it, which can be edited
// in place (double click or F2). A click selects a step, the right button asks for the context
// menu. Without steps a hint says how to make some.
class RecordListView : public QTableWidget {
    Q_OBJECT
  public:
    explicit RecordListView(CRecordList& model, QWidget* parent = nullptr);
    ~RecordListView() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void ApplyTexts();
    void Reload(uint32_t changes);

    CRecordList& model_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The record button: its caption, and while recording a red mark that pulses.
class RecordButtonView : public QPushButton {
    Q_OBJECT
  public:
    explicit RecordButtonView(RecordButton& model, QWidget* parent = nullptr);
    ~RecordButtonView() override;
    // The button's place on the screen, for the model (the click that stops a recording is
    // not part of the macro).
    void StoreScreenRect();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Refresh();

    RecordButton& model_;
    QVariantAnimation* pulse_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// How a recording fills in delays: three options and the fixed delay.
class DelayOptionsView : public QWidget {
    Q_OBJECT
  public:
    explicit DelayOptionsView(MacroDelayPanel& model, QWidget* parent = nullptr);
    ~DelayOptionsView() override;
    QRadioButton* Option(int option) const { return options_[option]; }
    QLineEdit* Field() const { return field_; }

  private:
    void ApplyTexts();
    void Refresh();

    MacroDelayPanel& model_;
    QLabel* title_ = nullptr;
    QRadioButton* options_[3] = {};
    QLineEdit* field_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The step editor: the kind of the selected step, its pause length, its key (focusing the field
// takes the next key pressed) or its mouse button.
class StepEditorView : public QWidget {
    Q_OBJECT
  public:
    using KeyHandler = std::function<void(int nativeScanCode, bool pressed)>;
    explicit StepEditorView(MacroStepEditor& model, QWidget* parent = nullptr);
    ~StepEditorView() override;
    // Where keys go while the key field waits for one.
    void SetKeyHandler(KeyHandler handler) { keys_ = std::move(handler); }
    QLineEdit* Field() const { return field_; }
    QComboBox* Buttons() const { return buttons_; }
    QLabel* Kind() const { return kind_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyTexts();
    void Refresh();

    MacroStepEditor& model_;
    QLabel* title_ = nullptr;
    QLabel* kind_ = nullptr;  // the kind of the step (a step keeps its kind)
    QLineEdit* field_ = nullptr;
    QLabel* tip_ = nullptr;
    QComboBox* buttons_ = nullptr;
    QValidator* digits_ = nullptr;  // the pause field's
    KeyHandler keys_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
