#pragma once

// Widgets rendering the lighting page's control models: zone tabs, lists, sliders, choices,
// colour swatches, the colour wheel, the colour button, the R/G/B fields and a check box. Each
// shows what its model holds and turns the user's input into the model's event.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "qt/ColourViews.h"
#include "qt/ModelBinding.h"
#include "ui/ColorCtrl.h"
#include "ui/ComboBox.h"
#include "ui/EditCtrl.h"
#include "ui/SliderCtrl.h"
#include "ui/SwitchButton.h"
#include "ui/TabCtrl.h"

class QButtonGroup;
class QLabel;
class QSlider;

namespace zanvor {

// A panel of a page (the themed rounded background) and the title of a section in it.
QWidget* MakePanel(QWidget* parent);
QLabel* MakeSectionTitle(QWidget* parent);

// Tabs of a TabCtrl; hidden tabs are not shown.
class TabBarView : public QTabBar {
    Q_OBJECT
  public:
    explicit TabBarView(TabCtrl& model, QWidget* parent = nullptr);
    ~TabBarView() override;

  private:
    void Reload();
    TabCtrl& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// A ComboBox model shown as a list: its entries and selection.
class ComboListView : public QListWidget {
    Q_OBJECT
  public:
    explicit ComboListView(ComboBox& model, QWidget* parent = nullptr);
    ~ComboListView() override;

  private:
    void Reload(bool items);
    ComboBox& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// A labelled slider with its value; a change is reported when the handle is let go (or by the
// keyboard), so one drag is one change.
class SliderView : public QWidget {
    Q_OBJECT
  public:
    explicit SliderView(SliderCtrl& model, QWidget* parent = nullptr);
    ~SliderView() override;
    void SetLabel(const QString& text);
    QSlider* Slider() const { return slider_; }

  private:
    void Reload();
    SliderCtrl& model_;
    QLabel* label_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* value_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
};

// A ComboBox model shown as a row of radio buttons.
class ChoiceView : public QWidget {
    Q_OBJECT
  public:
    explicit ChoiceView(ComboBox& model, QWidget* parent = nullptr);
    ~ChoiceView() override;

  private:
    void Reload(bool items);
    ComboBox& model_;
    QButtonGroup* group_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
};

// A ComboBox whose values are colours, shown as round swatches; a click picks one.
class SwatchesView : public QWidget {
    Q_OBJECT
  public:
    explicit SwatchesView(ComboBox& model, QWidget* parent = nullptr);
    ~SwatchesView() override;
    const std::vector<QPushButton*>& Buttons() const { return buttons_; }

  private:
    void Reload();
    ComboBox& model_;
    std::vector<QPushButton*> buttons_;
    std::unique_ptr<ModelBinding> binding_;
};

// A hue and saturation disc at full value: a click or drag picks a colour, reported when the
// mouse button is released.
class ColorWheelView : public QWidget {
    Q_OBJECT
  public:
    explicit ColorWheelView(ColorCtrl& model, QWidget* parent = nullptr);
    ~ColorWheelView() override;
    QSize sizeHint() const override { return {150, 150}; }
    QSize minimumSizeHint() const override { return {110, 110}; }
    // The colour under a point of the disc (the nearest edge colour outside it).
    QColor ColorAt(const QPointF& point) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QRectF Disc() const;
    ColorCtrl& model_;
    QImage disc_;
    QColor shown_;
    bool dragging_ = false;
    std::unique_ptr<ModelBinding> binding_;
};

// A button showing a colour; it opens the colour dialog, and the colour chosen is picked.
class ColorButtonView : public QPushButton {
    Q_OBJECT
  public:
    explicit ColorButtonView(ColorCtrl& model, QWidget* parent = nullptr);
    ~ColorButtonView() override;
    // Who asks the user for a colour (tests answer without a dialog).
    using Chooser = std::function<QColor(const QColor& current)>;
    void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  private:
    void Reload();
    ColorCtrl& model_;
    Chooser chooser_;
    std::unique_ptr<ModelBinding> binding_;
};

// A number field of an EditCtrl; each edit by the user is reported.
class NumberFieldView : public QLineEdit {
    Q_OBJECT
  public:
    explicit NumberFieldView(EditCtrl& model, QWidget* parent = nullptr);
    ~NumberFieldView() override;

  private:
    EditCtrl& model_;
    std::unique_ptr<ModelBinding> binding_;
};

// A check box of a SwitchButton model.
class CheckView : public QCheckBox {
    Q_OBJECT
  public:
    explicit CheckView(SwitchButton& model, QWidget* parent = nullptr);
    ~CheckView() override;

  protected:
    void nextCheckState() override;

  private:
    SwitchButton& model_;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
