#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "keys/MacroPage.h"
#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QPushButton;

namespace zanvor {

class DelayOptionsView;
class ProfileListView;
class RecordButtonView;
class RecordListView;
class StepEditorView;

// The macro page: the macros on the left (add, rename in place, delete), the steps of the
// selected one in the middle with the record button and the step commands, and on the right
// how recordings fill in delays and the editor of the selected step.
//
// While a recording runs, the page takes the keyboard and the mouse of the program (grabs them
// and reads every key and button event of the window first), so every key is recorded, Esc,
// Enter and Tab included; the record button ends the recording. Leaving the page, hiding the
// window and the window losing the focus end it too.
class MacroPageView : public QWidget {
    Q_OBJECT
  public:
    // `press` hands a button's control id to the main window.
    MacroPageView(MacroPage& page, std::function<void(int controlId)> press,
                  QWidget* parent = nullptr);
    ~MacroPageView() override;

    // Shows a menu of the page (insert menu below the insert button, context menu at the
    // pointer) and hands the chosen command back with the menu's message.
    void ShowMenu(uint32_t message, const std::vector<MacroMenuEntry>& entries,
                  const std::function<void(uint32_t message, int command)>& chosen);

    ProfileListView* Macros() const { return macros_; }
    RecordListView* Steps() const { return steps_; }
    RecordButtonView* Record() const { return record_; }
    DelayOptionsView* Delays() const { return delays_; }
    StepEditorView* Editor() const { return editor_; }
    QPushButton* Button(int controlId) const;
    QLabel* Notice() const { return notice_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void ApplyTexts();
    void RefreshRecording();
    void RefreshMemory();
    void StartCapture();
    void EndCapture();
    // Feeds a key or mouse event of the window to the recording; true when it is consumed.
    bool Record(QEvent* event);

    MacroPage& page_;
    std::function<void(int)> press_;
    QElapsedTimer clock_;
    bool capturing_ = false;

    QLabel* macrosTitle_ = nullptr;
    QLabel* renameHint_ = nullptr;
    ProfileListView* macros_ = nullptr;
    QLabel* stepsTitle_ = nullptr;
    RecordButtonView* record_ = nullptr;
    QLabel* recordingHint_ = nullptr;
    RecordListView* steps_ = nullptr;
    QLabel* memory_ = nullptr;
    QLabel* notice_ = nullptr;
    DelayOptionsView* delays_ = nullptr;
    StepEditorView* editor_ = nullptr;
    std::vector<std::pair<int, QPushButton*>> buttons_;  // (control id, button)
    std::vector<QWidget*> lockedWhileRecording_;
    std::unique_ptr<ModelBinding> recordBinding_;
    std::unique_ptr<ModelBinding> stepsBinding_;
    std::unique_ptr<ModelBinding> noticeBinding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
