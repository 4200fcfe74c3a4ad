#pragma once

#include <QWidget>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/MatrixScreen.h"

namespace zanvor {

// The matrix screen's light bar: its 49 LEDs in a row, in the colours the model shows (in the
// live mode exactly the frames sent to the keyboard). While the painted colours are shown, a
// click or a drag paints the LEDs under the mouse with the model's colour; the stroke ends
// with one paint event.
class MatrixScreenView : public QWidget {
    Q_OBJECT
  public:
    explicit MatrixScreenView(MatrixScreen& model, QWidget* parent = nullptr);
    ~MatrixScreenView() override;
    QSize sizeHint() const override { return {820, 120}; }
    QSize minimumSizeHint() const override { return {400, 80}; }
    // The LED under a point, -1 outside the bar.
    int LedAt(const QPointF& point) const;
    // Where an LED is drawn.
    QRectF LedRect(int index) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QRectF Bar() const;
    bool Paintable() const;
    void PaintUnder(const QPointF& point);

    MatrixScreen& model_;
    bool painting_ = false;
    int lastLed_ = -1;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
