#pragma once

#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/ImageViewList.h"
#include "ui/LCDViewCtrl.h"
#include "ui/LCDViewList.h"

class QLineEdit;

namespace zanvor {

// A picture file as a thumbnail of `size` (pixels kept sharp), or a dark empty frame when the
// file is missing.
QPixmap ScreenThumbnail(const std::string& file, const QSize& size);

// The keyboard's screen slots (renders an LCDViewCtrl): each slot's picture with its frame
// count and capacity. Choosing a slot tells the model.
class ScreenSlotView : public QListWidget {
    Q_OBJECT
  public:
    explicit ScreenSlotView(LCDViewCtrl& model, QWidget* parent = nullptr);
    ~ScreenSlotView() override;

  private:
    void Reload();

    LCDViewCtrl& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// The animation library (renders an LCDViewList): preview, frame count, and a mark on an
// animation whose folder is missing. Choosing an entry tells the model.
// A double click, F2 or the context menu's "Rename" opens a name editor over the entry; Enter
// or leaving it hands the name to the model, Escape drops it.
class ScreenLibraryView : public QListWidget {
    Q_OBJECT
  public:
    explicit ScreenLibraryView(LCDViewList& model, QWidget* parent = nullptr);
    ~ScreenLibraryView() override;

    // Opens the name editor over the entry (tests, and the ways named above).
    void OpenNameEditor(int row);
    QLineEdit* NameEditor() const { return editor_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Reload();
    void CloseNameEditor(bool keep);

    LCDViewList& model_;
    QPointer<QLineEdit> editor_;
    int editorRow_ = -1;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The frame strip (renders an ImageViewList): a thumbnail per frame with its number and
// display time, in a row. Clicking chooses a frame, double-clicking asks for its time, and
// dragging moves it.
class FrameStripView : public QListWidget {
    Q_OBJECT
  public:
    explicit FrameStripView(ImageViewList& model, QWidget* parent = nullptr);
    ~FrameStripView() override;

  private:
    void Reload(uint32_t changes);

    ImageViewList& model_;
    std::vector<std::string> shownFiles_;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
