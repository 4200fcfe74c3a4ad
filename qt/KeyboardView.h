#pragma once

#include <QWidget>

class QRubberBand;
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor {

// How a key caption is drawn: the text (abbreviated with "…" when even the smallest font
// cannot show it whole), its font, the area it is drawn in and whether it wraps.
struct KeyCaptionFit {
    QString text;
    QFont font;
    QRectF area;
    bool wrap = true;
};
// Fits a caption into a key cap: the largest font size that shows every word on one line and
// all lines within the cap, down to a smallest size; then smaller lines over the whole cap;
// only then as many lines as fit, the last one abbreviated.
KeyCaptionFit FitKeyCaption(const QString& caption, const QRectF& cap, QFont font);

// The keyboard picture, drawn from the layout: a rounded case around the key rectangles,
// each key with its caption (the assigned function's caption when one is set), the
// selection highlight and the knob. Clicking a key tells the model (Ctrl adds to the
// selection); the arrow keys move a focus ring between keys and Space/Enter clicks it.
class KeyboardView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyboardView(KeyboardCtrl& model, QWidget* parent = nullptr);
    ~KeyboardView() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Where a key is drawn in widget coordinates (empty when there is no such key).
    QRect KeyRect(int code) const;
    // How the caption of a key is drawn at the current size.
    KeyCaptionFit CaptionFit(int code) const;
    // The items as last taken from the model.
    const std::vector<KeyItem>& Items() const { return items_; }
    // With area selection a drag draws a rubber band and selects the keys it touches (Ctrl
    // adds them); a click then acts when the button is released.
    void SetAreaSelection(bool on) { areaSelection_ = on; }
    // A widget rectangle in the model's coordinates.
    Rect ToModel(const QRect& area) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void Reload();
    // Model rectangle → widget rectangle.
    QRectF Map(const Rect& rect) const;
    QRectF Bounds() const;
    int CodeAt(const QPointF& point) const;
    void MoveFocus(int dx, int dy);

    KeyboardCtrl& model_;
    std::vector<KeyItem> items_;
    int mode_ = KeyboardCtrl::kModePlain;
    uint32_t lightModeColor_ = 0;
    int hovered_ = 0;
    int focused_ = 0;
    bool areaSelection_ = false;
    QPoint pressAt_;
    bool pressed_ = false;
    QRubberBand* band_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
