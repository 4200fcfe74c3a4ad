#pragma once

#include <QAbstractButton>
#include <QSpinBox>
#include <QWidget>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LCDPalette.h"
#include "ui/MEdit.h"

namespace zanvor {

// The colour picker (renders an LCDPalette3): a field of every shade of one hue, lighter to
// the left and brighter to the top, with a ring on the chosen colour. The hue is the chosen
// colour's; clicking or dragging picks.
class ColourFieldView : public QWidget {
    Q_OBJECT
  public:
    explicit ColourFieldView(LCDPalette3& model, QWidget* parent = nullptr);
    ~ColourFieldView() override;
    QSize sizeHint() const override { return {196, 120}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PickAt(const QPoint& point);
    void Refresh();

    LCDPalette3& model_;
    int hue_ = 0;  // kept while the chosen colour is grey, which has none
    QImage field_;
    std::unique_ptr<ModelBinding> binding_;
};

// The colour bar (renders an LCDPalette2): the hues side by side; clicking picks the pure
// colour of that hue.
class HueBarView : public QWidget {
    Q_OBJECT
  public:
    explicit HueBarView(LCDPalette2& model, QWidget* parent = nullptr);
    ~HueBarView() override;
    QSize sizeHint() const override { return {196, 18}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void PickAt(int x);

    LCDPalette2& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// A palette button (renders a CColorButton): a round swatch, ringed when it is the selected
// one of its group.
class ColourButtonView : public QAbstractButton {
    Q_OBJECT
  public:
    explicit ColourButtonView(CColorButton& model, QWidget* parent = nullptr);
    ~ColourButtonView() override;
    QSize sizeHint() const override { return {28, 28}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CColorButton& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// A number box over an MEdit: shows the model's number; what the user enters goes to the
// model as typed text (the page corrects it).
class NumberBoxView : public QSpinBox {
    Q_OBJECT
  public:
    NumberBoxView(MEdit& model, int minimum, int maximum, QWidget* parent = nullptr);
    ~NumberBoxView() override;

  private:
    MEdit& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// The program's colour (0x00BBGGRR) as a Qt colour and back.
QColor ToQColor(uint32_t colour);
uint32_t FromQColor(const QColor& colour);

}  // namespace zanvor
