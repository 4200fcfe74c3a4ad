#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/AuroraEffect.h"

class QCheckBox;
class QScrollArea;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabBar;
class QTimer;

namespace zanvor {

class AuroraPage;
class ComboBox;
class ComboView;
class Slider;
class SwitchButton;

// The live effect picture: the keyboard's keys and light bars in the colours the running
// effect gives them, redrawn as the stream goes on.
class EffectView : public QWidget {
    Q_OBJECT
  public:
    explicit EffectView(AuroraEffect& model, QWidget* parent = nullptr);
    ~EffectView() override;
    QSize sizeHint() const override { return {900, 300}; }
    QSize minimumSizeHint() const override { return {420, 150}; }
    const std::vector<AuroraItem>& Items() const { return items_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AuroraEffect& model_;
    std::vector<AuroraItem> items_;
    std::unique_ptr<ModelBinding> binding_;
};

// The "Aurora" tab: the effect mode tabs, the live effect picture, and below it the music
// controls (bars, background, sensitivity, brightness), the music colour, the effect layers,
// the picture of mode 5, and which sound device is heard with a level meter.
class AuroraPageView : public QWidget {
    Q_OBJECT
  public:
    AuroraPageView(AuroraEffect& effect, AuroraPage& page, QWidget* parent = nullptr);
    ~AuroraPageView() override;

    QTabBar* ModeTabs() const { return modes_; }
    EffectView* Effect() const { return effect_; }
    QProgressBar* LevelMeter() const { return level_; }
    QLabel* SoundStatus() const { return soundStatus_; }
    // Shown while no sound server answers: the music effects stay dark.
    QLabel* SoundNotice() const { return soundNotice_; }
    QPushButton* PictureButton() const { return pictureButton_; }
    ComboView* DeviceList() const { return deviceCombo_; }
    QScrollArea* LayerList() const { return layerScroll_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* BuildMusicPanel();
    QWidget* BuildColourPanel();
    QWidget* BuildLayerPanel();
    void BuildSoundRow(QHBoxLayout* row, QWidget* parent);
    QSlider* AddSlider(Slider& model, QWidget* parent);
    QCheckBox* AddCheck(SwitchButton& model, QWidget* parent);
    void ReloadModes();
    void ShowModeControls();
    void RefreshSound();
    void ApplyTexts();

    AuroraPage& page_;
    QTabBar* modes_ = nullptr;
    EffectView* effect_ = nullptr;
    QWidget* musicPanel_ = nullptr;
    QWidget* picturePanel_ = nullptr;
    QWidget* colourPanel_ = nullptr;
    QPushButton* pictureButton_ = nullptr;
    QLabel* pictureTitle_ = nullptr;
    std::vector<std::pair<QLabel*, int>> labels_;  // caption label and its text id
    std::array<QCheckBox*, kLightLayerCount> layers_{};
    QScrollArea* layerScroll_ = nullptr;  // holds the layer boxes
    QCheckBox* colourful_ = nullptr;
    std::array<QSpinBox*, 3> rgb_{};
    QProgressBar* level_ = nullptr;
    QLabel* soundStatus_ = nullptr;
    QLabel* soundNotice_ = nullptr;
    ComboView* deviceCombo_ = nullptr;
    static constexpr int kMeterCapturingMs = 100;
    static constexpr int kMeterIdleMs = 1000;
    QTimer* meterTimer_ = nullptr;
    bool serverSeen_ = false;
    std::vector<std::unique_ptr<ModelBinding>> bindings_;
    LanguageSubscription language_;
};

}  // namespace zanvor
