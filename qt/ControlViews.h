#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/ComboBox.h"
#include "ui/SwitchButton.h"

namespace zanvor {

// An on/off switch rendering a SwitchButton: a pill with a sliding knob and its label.
// A click (mouse, Space) toggles the model, which raises its event.
class SwitchView : public QAbstractButton {
    Q_OBJECT
  public:
    explicit SwitchView(SwitchButton& model, QWidget* parent = nullptr);
    ~SwitchView() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    SwitchButton& model_;
    bool hovered_ = false;
    std::unique_ptr<ModelBinding> binding_;
};

// A drop-down list rendering a ComboBox model: its entries and selection. Choosing an entry
// tells the model, which raises its event.
class ComboView : public QComboBox {
    Q_OBJECT
  public:
    explicit ComboView(ComboBox& model, QWidget* parent = nullptr);
    ~ComboView() override;

  private:
    void Reload(bool items);

    ComboBox& model_;
    std::unique_ptr<ModelBinding> binding_;
};

}  // namespace zanvor
