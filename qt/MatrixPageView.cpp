#include "qt/MatrixPageView.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "lighting/KeyboardAudio.h"
#include "lighting/MatrixPage.h"
#include "qt/ControlViews.h"
#include "qt/LightControls.h"
#include "qt/MatrixScreenView.h"

namespace zanvor {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Text ids of the page.
constexpr int kTextEffects = 1622;
constexpr int kTextBrightness = 1623;
constexpr int kTextSpeed = 1624;
constexpr int kTextColour = 1626;
constexpr int kTextMultiColour = 1627;
constexpr int kTextSettings = 1694;
constexpr int kTextRed = 1690;
constexpr int kTextScreen = 1811;
constexpr int kTextSwitch = 1812;
constexpr int kTextAnimations = 1813;
constexpr int kTextAmplitude = 1814;
constexpr int kTextPaintHint = 1815;
constexpr int kTextLiveHint = 1816;
constexpr int kTextBuiltInHint = 1817;
constexpr int kTextNoSoundServer = 1795;
// How often a shown page looks whether the sound server answers.
constexpr int kSoundCheckMs = 1000;

}  // namespace

MatrixPageView::MatrixPageView(MatrixPage& page, QWidget* parent) : QWidget(parent), page_(page) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(32, 12, 32, 20);
    layout->setSpacing(12);

    // Left: the switch, the modes and the live mode's animations.
    QWidget* modes = MakePanel(this);
    modes->setFixedWidth(200);
    auto* modesLayout = new QVBoxLayout(modes);
    modesLayout->setContentsMargins(12, 8, 12, 12);
    modesTitle_ = MakeSectionTitle(modes);
    switch_ = new SwitchView(page_.matrixSwitch, modes);
    modes_ = new ComboListView(page_.modeList, modes);
    presetsTitle_ = MakeSectionTitle(modes);
    presets_ = new ComboListView(page_.presetList, modes);
    for (ComboListView* list : {modes_, presets_}) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setTextElideMode(Qt::ElideRight);
    }
    modesLayout->addWidget(modesTitle_);
    modesLayout->addWidget(switch_);
    modesLayout->addWidget(modes_, 2);
    modesLayout->addWidget(presetsTitle_);
    modesLayout->addWidget(presets_, 3);
    // Takes the animations' room while the mode has none, so the modes stay at the top.
    filler_ = new QWidget(modes);
    filler_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    modesLayout->addWidget(filler_, 3);
    layout->addWidget(modes);

    auto* right = new QVBoxLayout();
    right->setSpacing(12);
    layout->addLayout(right, 1);

    // The light bar.
    QWidget* picture = MakePanel(this);
    auto* pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(16, 8, 16, 12);
    screenTitle_ = MakeSectionTitle(picture);
    hint_ = new QLabel(picture);
    hint_->setObjectName("hintLabel");
    hint_->setWordWrap(true);
    soundNotice_ = new QLabel(picture);
    soundNotice_->setObjectName("hintLabel");
    soundNotice_->setWordWrap(true);
    soundNotice_->hide();
    screen_ = new MatrixScreenView(page_.screen, picture);
    pictureLayout->addWidget(screenTitle_);
    pictureLayout->addWidget(hint_);
    pictureLayout->addWidget(soundNotice_);
    pictureLayout->addWidget(screen_, 1);
    soundTimer_ = new QTimer(this);
    soundTimer_->setInterval(kSoundCheckMs);
    connect(soundTimer_, &QTimer::timeout, this, [this] { RefreshSoundNotice(); });
    right->addWidget(picture, 1);

    auto* lower = new QHBoxLayout();
    lower->setSpacing(12);

    // The mode's settings.
    QWidget* settings = MakePanel(this);
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setContentsMargins(16, 8, 16, 12);
    settingsTitle_ = MakeSectionTitle(settings);
    settingsLayout->addWidget(settingsTitle_);
    brightness_ = new SliderView(page_.brightness, settings);
    speed_ = new SliderView(page_.speed, settings);
    amplitude_ = new SliderView(page_.amplitude, settings);
    settingsLayout->addWidget(brightness_);
    settingsLayout->addWidget(speed_);
    settingsLayout->addWidget(amplitude_);
    auto* color = new QHBoxLayout();
    colorLabel_ = new QLabel(settings);
    colorLabel_->setMinimumWidth(80);
    colorButton_ = new ColorButtonView(page_.colorButton, settings);
    colorButton_->setMinimumWidth(96);
    color->addWidget(colorLabel_);
    color->addWidget(colorButton_);
    color->addStretch(1);
    settingsLayout->addLayout(color);
    colorful_ = new CheckView(page_.colorfulBox, settings);
    settingsLayout->addWidget(colorful_);
    settingsLayout->addStretch(1);
    lower->addWidget(settings, 1);

    // The palette: the wheel with the swatches beside it, the R/G/B fields under them.
    palettePanel_ = MakePanel(this);
    auto* paletteLayout = new QGridLayout(palettePanel_);
    paletteLayout->setContentsMargins(16, 8, 16, 12);
    paletteLayout->setHorizontalSpacing(12);
    paletteTitle_ = MakeSectionTitle(palettePanel_);
    wheel_ = new ColorWheelView(page_.colorWheel, palettePanel_);
    swatches_ = new SwatchesView(page_.swatches, palettePanel_);
    auto* channels = new QHBoxLayout();
    EditCtrl* fields[3] = {&page_.red, &page_.green, &page_.blue};
    for (int i = 0; i < 3; ++i) {
        channelLabels_[i] = new QLabel(palettePanel_);
        channels_[i] = new NumberFieldView(*fields[i], palettePanel_);
        channelLabels_[i]->setBuddy(channels_[i]);
        channels->addWidget(channelLabels_[i]);
        channels->addWidget(channels_[i]);
        channels->addSpacing(4);
    }
    channels->addStretch(1);
    paletteLayout->addWidget(paletteTitle_, 0, 0, 1, 2);
    paletteLayout->addWidget(wheel_, 1, 0, Qt::AlignTop);
    paletteLayout->addWidget(swatches_, 1, 1, Qt::AlignTop);
    paletteLayout->addLayout(channels, 2, 0, 1, 2);
    paletteLayout->setRowStretch(3, 1);
    paletteLayout->setColumnStretch(1, 1);
    lower->addWidget(palettePanel_, 1);
    right->addLayout(lower, 2);

    // Rows, panels and the hint follow the controls and the picture of the mode.
    for (ControlModel* model :
         std::initializer_list<ControlModel*>{&page_.presetList, &page_.colorButton,
                                              &page_.colorWheel, &page_.modeList, &page_.screen}) {
        sectionBindings_.push_back(
            std::make_unique<ModelBinding>(*model, this, [this](uint32_t changes) {
                if (changes != ModelBinding::Bit(MatrixScreen::kChangeColors)) {
                    UpdateSections();
                }
            }));
    }
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
}

MatrixPageView::~MatrixPageView() {
    language_.Reset();
}

void MatrixPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    soundTimer_->start();
    QTimer::singleShot(0, this, [this] { UpdateSections(); });
}

void MatrixPageView::hideEvent(QHideEvent* event) {
    soundTimer_->stop();
    QWidget::hideEvent(event);
}

void MatrixPageView::RefreshSoundNotice() {
    KeyboardAudio& audio = page_.Audio();
    const bool noServer = IsMatrixAudioPreset(page_.screen.GetPresetMode()) && audio.Capturing() &&
                          !audio.Status().serverConnected;
    soundNotice_->setText(noServer ? Q(LoadText("KB.DIALOG", kTextNoSoundServer)) : QString());
    soundNotice_->setVisible(noServer);
}

void MatrixPageView::UpdateSections() {
    const bool presets = page_.presetList.IsVisible();
    // The modes list is as tall as its entries; the animations take the rest of the column.
    if (modes_->count() > 0) {
        // The rows' height comes from the style sheet: taken from a laid-out row when there is
        // one (the page was shown), else from the row's size hint and the sheet's padding.
        const int laidOut = modes_->visualItemRect(modes_->item(0)).height();
        const int row = laidOut > 0 ? laidOut : modes_->sizeHintForRow(0) + 4;
        const int frame = 2 * modes_->frameWidth() + 2;
        const int full = row * modes_->count() + frame;
        modes_->setMaximumHeight(full);
        // Every mode shows without scrolling while nothing shares the column; beside the
        // animations the modes keep at least five rows.
        modes_->setMinimumHeight(presets ? std::min(full, row * 5 + frame) : full);
    }
    presetsTitle_->setVisible(presets);
    presets_->setVisible(presets);
    filler_->setVisible(!presets);
    colorLabel_->setVisible(page_.colorButton.IsVisible());
    palettePanel_->setVisible(page_.colorWheel.IsVisible());
    const int preset = page_.screen.GetPresetMode();
    hint_->setText(Q(LoadText("KB.DIALOG", preset == kMatrixPresetPainted ? kTextPaintHint
                                           : IsMatrixLivePreset(preset)   ? kTextLiveHint
                                                                          : kTextBuiltInHint)));
    RefreshSoundNotice();
}

void MatrixPageView::ApplyTexts() {
    modesTitle_->setText(Q(LoadText("KB.DIALOG", kTextEffects)));
    switch_->setText(Q(LoadText("KB.DIALOG", kTextSwitch)));
    presetsTitle_->setText(Q(LoadText("KB.DIALOG", kTextAnimations)));
    screenTitle_->setText(Q(LoadText("KB.DIALOG", kTextScreen)));
    settingsTitle_->setText(Q(LoadText("KB.DIALOG", kTextSettings)));
    brightness_->SetLabel(Q(LoadText("KB.DIALOG", kTextBrightness)));
    speed_->SetLabel(Q(LoadText("KB.DIALOG", kTextSpeed)));
    amplitude_->SetLabel(Q(LoadText("KB.DIALOG", kTextAmplitude)));
    colorLabel_->setText(Q(LoadText("KB.DIALOG", kTextColour)));
    colorful_->setText(Q(LoadText("KB.DIALOG", kTextMultiColour)));
    paletteTitle_->setText(Q(LoadText("KB.DIALOG", kTextColour)));
    for (int i = 0; i < 3; ++i) {
        channelLabels_[i]->setText(Q(LoadText("KB.DIALOG", kTextRed + i)));
    }
    UpdateSections();
}

}  // namespace zanvor
