#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/ImageView.h"

namespace zanvor {

// The frame editor (renders an ImageView): the frame's picture magnified by a whole factor
// that fits the widget, with an optional pixel grid; the pointer draws with the model's tool.
// In preview mode it plays the model's preview frames at their display times. Its context
// menu holds the editor's own commands (clear, fill, mirror, invert, undo, copy, paste).
class ScreenCanvasView : public QWidget {
    Q_OBJECT
  public:
    explicit ScreenCanvasView(ImageView& model, QWidget* parent = nullptr);
    ~ScreenCanvasView() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Magnification and where the picture sits in the widget (for tests).
    int Zoom() const;
    QRect PictureRect() const;
    // What the empty editor says (no frame to show).
    void SetPlaceholder(const QString& text);
    // The preview frame shown now, -1 when not previewing.
    int PreviewIndex() const { return previewIndex_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void Refresh(uint32_t changes);
    void StartPreview();
    void NextPreviewFrame();
    QPoint ToPicture(const QPoint& widgetPoint) const;

    ImageView& model_;
    QImage picture_;
    std::vector<QImage> previewFrames_;
    std::vector<int> previewDelays_;
    int previewIndex_ = -1;
    QTimer previewTimer_;
    bool drawing_ = false;
    QString placeholder_;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
