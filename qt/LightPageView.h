#pragma once

#include <QWidget>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QPushButton;

namespace zanvor {

class ChoiceView;
class CheckView;
class ColorButtonView;
class ColorWheelView;
class ComboListView;
class ComboView;
class KeyboardDlg;
class KeyboardView;
class LightPage;
class NumberFieldView;
class SliderView;
class SwatchesView;
class SwitchView;
class TabBarView;

// The lighting page: the keyboard picture with the zone tabs, the lighting switch and the live
// view switch above it; below, the effects (and the custom sets), the effect's settings and
// the colour palette, showing exactly the controls of the chosen effect.
class LightPageView : public QWidget {
    Q_OBJECT
  public:
    explicit LightPageView(KeyboardDlg& dialog, QWidget* parent = nullptr);
    ~LightPageView() override;

    KeyboardView* Keyboard() const { return keyboard_; }
    TabBarView* Zones() const { return zones_; }
    ComboListView* Modes() const { return modes_; }
    ComboView* CustomSets() const { return sets_; }
    SwitchView* LightSwitch() const { return lightSwitch_; }
    SwitchView* LiveView() const { return liveView_; }
    SliderView* Brightness() const { return brightness_; }
    SliderView* Speed() const { return speed_; }
    ColorWheelView* Wheel() const { return wheel_; }
    SwatchesView* Swatches() const { return swatches_; }
    ColorButtonView* ColorButton() const { return colorButton_; }
    NumberFieldView* Red() const { return red_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* SelectAllButton() const { return selectAll_; }

  private:
    void ApplyTexts();
    // Shows the rows and panels whose controls the current effect has.
    void UpdateSections();

    KeyboardDlg& dialog_;
    LightPage& page_;
    KeyboardView* keyboard_ = nullptr;
    TabBarView* zones_ = nullptr;
    SwitchView* lightSwitch_ = nullptr;
    SwitchView* liveView_ = nullptr;
    QLabel* hint_ = nullptr;
    // "Controlled by ..." and the take-back button while another program streams.
    QWidget* directRow_ = nullptr;
    QLabel* directStatus_ = nullptr;
    QPushButton* takeBack_ = nullptr;
    std::unique_ptr<ModelBinding> directBinding_;
    QLabel* effectsTitle_ = nullptr;
    ComboListView* modes_ = nullptr;
    QLabel* setsTitle_ = nullptr;
    ComboView* sets_ = nullptr;
    QWidget* settingsPanel_ = nullptr;
    QLabel* settingsTitle_ = nullptr;
    SliderView* brightness_ = nullptr;
    SliderView* speed_ = nullptr;
    QLabel* directionLabel_ = nullptr;
    ChoiceView* directionA_ = nullptr;
    ChoiceView* directionB_ = nullptr;
    QLabel* colorLabel_ = nullptr;
    ColorButtonView* colorButton_ = nullptr;
    CheckView* colorful_ = nullptr;
    QWidget* palettePanel_ = nullptr;
    QLabel* paletteTitle_ = nullptr;
    ColorWheelView* wheel_ = nullptr;
    SwatchesView* swatches_ = nullptr;
    QLabel* channelLabels_[3] = {};
    NumberFieldView* red_ = nullptr;
    NumberFieldView* green_ = nullptr;
    NumberFieldView* blue_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<std::unique_ptr<ModelBinding>> sectionBindings_;
    LanguageSubscription language_;
};

}  // namespace zanvor
