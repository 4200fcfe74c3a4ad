#pragma once

#include <QListWidget>
#include <QPixmap>
#include <memory>
#include <string>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/ImageViewList.h"
#include "ui/LCDViewCtrl.h"
#include "ui/LCDViewList.h"

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
class ScreenLibraryView : public QListWidget {
    Q_OBJECT
  public:
    explicit ScreenLibraryView(LCDViewList& model, QWidget* parent = nullptr);
    ~ScreenLibraryView() override;

  private:
    void Reload();

    LCDViewList& model_;
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
