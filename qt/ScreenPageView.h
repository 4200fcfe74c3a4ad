#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "screen/FrameEditor.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zanvor {

class ColourFieldView;
class FrameStripView;
class ScreenCanvasView;
class ScreenLibraryView;
class ScreenPage;
class ScreenSlotView;

// The screen page of the desktop program, built from the ScreenPage's models: the keyboard's
// screen slot and the animation library on the left, the frame editor with its tools and the
// frame strip in the middle, the colours on the right. Buttons raise their control ids
// through `click` (the main window's dispatch).
class ScreenPageView : public QWidget {
    Q_OBJECT
  public:
    ScreenPageView(ScreenPage& page, std::function<void(int controlId)> click,
                   QWidget* parent = nullptr);
    ~ScreenPageView() override;

    // The frame time dialog (LCDDelayEditDlg) over `parent`.
    static DelayDialog DelayDialogPresenter(QWidget* parent);

    ScreenCanvasView* Canvas() const { return canvas_; }
    ScreenLibraryView* Library() const { return library_; }
    FrameStripView* Frames() const { return frames_; }
    // The button of a control id (tests), nullptr for other ids.
    QAbstractButton* Button(int controlId) const;

  private:
    QWidget* BuildLibraryColumn();
    QWidget* BuildEditorColumn();
    QWidget* BuildColourColumn();
    QPushButton* AddButton(int controlId, QWidget* parent);
    QToolButton* AddTool(int controlId, const QString& icon, QWidget* parent);
    void RefreshState();
    void ApplyTexts();

    ScreenPage& page_;
    std::function<void(int)> click_;
    std::vector<std::pair<int, QAbstractButton*>> buttons_;
    std::vector<QWidget*> editing_;  // enabled while an animation of the library is current
    std::vector<QWidget*> drawing_;  // enabled while editing, not while previewing
    ScreenSlotView* slots_ = nullptr;
    ScreenLibraryView* library_ = nullptr;
    ScreenCanvasView* canvas_ = nullptr;
    FrameStripView* frames_ = nullptr;
    QLineEdit* text_ = nullptr;
    std::vector<QLabel*> titles_;
    std::vector<QLabel*> channelLabels_;  // "R", "G", "B" over the colour boxes
    QLabel* fontLabel_ = nullptr;
    QWidget* gridSwitch_ = nullptr;
    std::vector<std::unique_ptr<ModelBinding>> bindings_;
    LanguageSubscription language_;
};

}  // namespace zanvor
