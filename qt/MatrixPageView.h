#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QTimer;

namespace zanvor {

class CheckView;
class ColorButtonView;
class ColorWheelView;
class ComboListView;
class MatrixPage;
class MatrixScreenView;
class NumberFieldView;
class SliderView;
class SwatchesView;
class SwitchView;

// The matrix screen page: the modes with the screen's switch and, for the live mode, its
// animations on the left; the light bar's picture above the mode's settings and the colour
// palette, showing exactly the controls of the chosen mode.
class MatrixPageView : public QWidget {
    Q_OBJECT
  public:
    explicit MatrixPageView(MatrixPage& page, QWidget* parent = nullptr);
    ~MatrixPageView() override;

    MatrixScreenView* Screen() const { return screen_; }
    ComboListView* Modes() const { return modes_; }
    ComboListView* Presets() const { return presets_; }
    SwitchView* MatrixSwitch() const { return switch_; }
    SliderView* Brightness() const { return brightness_; }
    SliderView* Speed() const { return speed_; }
    SliderView* Amplitude() const { return amplitude_; }
    QLabel* Hint() const { return hint_; }
    QLabel* SoundNotice() const { return soundNotice_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void ApplyTexts();
    // Shows the rows and panels whose controls the current mode has, and the matching hint.
    void UpdateSections();
    // A sound preset without a sound server says why the bar stays dark.
    void RefreshSoundNotice();

    MatrixPage& page_;
    QLabel* modesTitle_ = nullptr;
    SwitchView* switch_ = nullptr;
    ComboListView* modes_ = nullptr;
    QLabel* presetsTitle_ = nullptr;
    ComboListView* presets_ = nullptr;
    QWidget* filler_ = nullptr;
    QLabel* screenTitle_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* soundNotice_ = nullptr;
    QTimer* soundTimer_ = nullptr;  // runs while the page is shown
    MatrixScreenView* screen_ = nullptr;
    QLabel* settingsTitle_ = nullptr;
    SliderView* brightness_ = nullptr;
    SliderView* speed_ = nullptr;
    SliderView* amplitude_ = nullptr;
    QLabel* colorLabel_ = nullptr;
    ColorButtonView* colorButton_ = nullptr;
    CheckView* colorful_ = nullptr;
    QWidget* palettePanel_ = nullptr;
    QLabel* paletteTitle_ = nullptr;
    ColorWheelView* wheel_ = nullptr;
    SwatchesView* swatches_ = nullptr;
    QLabel* channelLabels_[3] = {};
    NumberFieldView* channels_[3] = {};
    std::vector<std::unique_ptr<ModelBinding>> sectionBindings_;
    LanguageSubscription language_;
};

}  // namespace zanvor
