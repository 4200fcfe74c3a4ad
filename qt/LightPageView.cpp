#include "qt/LightPageView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DevicePages.h"
#include "app/KeyboardDlg.h"
#include "lighting/LightRows.h"
#include "qt/ControlViews.h"
#include "qt/KeyboardView.h"
#include "qt/LightControls.h"
#include "ui/ControlIds.h"

namespace zanvor {

namespace {

// A button without a model raises event 1 with its control id.
constexpr int kButtonClicked = 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

LightPageView::LightPageView(KeyboardDlg& dialog, QWidget* parent)
    : QWidget(parent), dialog_(dialog), page_(dialog.Pages().lighting) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(32, 12, 32, 20);
    layout->setSpacing(12);

    // Left: the effects, and the custom sets under them.
    QWidget* effects = MakePanel(this);
    effects->setFixedWidth(190);
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->setContentsMargins(12, 8, 12, 12);
    effectsTitle_ = MakeSectionTitle(effects);
    lightSwitch_ = new SwitchView(page_.lightSwitch, effects);
    modes_ = new ComboListView(page_.modeList, effects);
    modes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    modes_->setTextElideMode(Qt::ElideRight);
    setsTitle_ = MakeSectionTitle(effects);
    sets_ = new ComboView(page_.customSets, effects);
    effectsLayout->addWidget(effectsTitle_);
    effectsLayout->addWidget(lightSwitch_);
    effectsLayout->addWidget(modes_, 1);
    effectsLayout->addWidget(setsTitle_);
    effectsLayout->addWidget(sets_);
    layout->addWidget(effects);

    auto* right = new QVBoxLayout();
    right->setSpacing(12);
    layout->addLayout(right, 1);

    // The keyboard picture with the zone tabs and the two switches.
    QWidget* picturePanel = MakePanel(this);
    auto* pictureLayout = new QVBoxLayout(picturePanel);
    pictureLayout->setContentsMargins(16, 8, 16, 12);
    auto* header = new QHBoxLayout();
    zones_ = new TabBarView(page_.zoneTabs, picturePanel);
    liveView_ = new SwitchView(page_.liveMirrorSwitch, picturePanel);
    header->addWidget(zones_, 0, Qt::AlignLeft);
    header->addStretch(1);
    header->addWidget(liveView_);
    pictureLayout->addLayout(header);
    hint_ = new QLabel(picturePanel);
    hint_->setObjectName("hintLabel");
    hint_->setWordWrap(true);
    pictureLayout->addWidget(hint_);
    directRow_ = new QWidget(picturePanel);
    auto* directLayout = new QHBoxLayout(directRow_);
    directLayout->setContentsMargins(0, 0, 0, 0);
    directStatus_ = new QLabel(directRow_);
    directStatus_->setObjectName("directStatus");
    takeBack_ = new QPushButton(directRow_);
    directLayout->addWidget(directStatus_, 1);
    directLayout->addWidget(takeBack_);
    directRow_->hide();
    pictureLayout->addWidget(directRow_);
    connect(takeBack_, &QPushButton::clicked, this, [this] { page_.takeBackButton.Click(); });
    directBinding_ = std::make_unique<ModelBinding>(page_.directStatus, this, [this](uint32_t) {
        const std::string text = page_.directStatus.Text();
        directStatus_->setText(QString::fromStdString(text));
        takeBack_->setText(QString::fromStdString(page_.takeBackButton.GetCaption()));
        directRow_->setVisible(!text.empty());
    });
    keyboard_ = new KeyboardView(page_.picture, picturePanel);
    keyboard_->SetAreaSelection(true);
    pictureLayout->addWidget(keyboard_, 1);
    right->addWidget(picturePanel, 1);

    auto* lower = new QHBoxLayout();
    lower->setSpacing(12);

    // The effect's settings.
    QWidget* settings = MakePanel(this);
    settingsPanel_ = settings;
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setContentsMargins(16, 8, 16, 12);
    settingsTitle_ = MakeSectionTitle(settings);
    settingsLayout->addWidget(settingsTitle_);
    brightness_ = new SliderView(page_.brightness, settings);
    speed_ = new SliderView(page_.speed, settings);
    settingsLayout->addWidget(brightness_);
    settingsLayout->addWidget(speed_);
    directionLabel_ = new QLabel(settings);
    directionA_ = new ChoiceView(page_.directionA, settings);
    directionB_ = new ChoiceView(page_.directionB, settings);
    settingsLayout->addWidget(directionLabel_);
    settingsLayout->addWidget(directionA_);
    settingsLayout->addWidget(directionB_);
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
    auto* buttons = new QHBoxLayout();
    selectAll_ = new QPushButton(settings);
    apply_ = new QPushButton(settings);
    connect(selectAll_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdLightSelectAll, kButtonClicked); });
    connect(apply_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdLightApply, kButtonClicked); });
    buttons->addWidget(selectAll_);
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    settingsLayout->addLayout(buttons);
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
    NumberFieldView** views[3] = {&red_, &green_, &blue_};
    for (int i = 0; i < 3; ++i) {
        channelLabels_[i] = new QLabel(palettePanel_);
        *views[i] = new NumberFieldView(*fields[i], palettePanel_);
        channelLabels_[i]->setBuddy(*views[i]);
        channels->addWidget(channelLabels_[i]);
        channels->addWidget(*views[i]);
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
    right->addLayout(lower, 0);

    // Rows and panels follow the controls the effect has.
    for (ControlModel* model : std::initializer_list<ControlModel*>{
             &page_.directionA, &page_.directionB, &page_.colorButton, &page_.colorWheel,
             &page_.customSets, &page_.modeList, &page_.zoneTabs, &page_.lightSwitch}) {
        sectionBindings_.push_back(
            std::make_unique<ModelBinding>(*model, this, [this](uint32_t) { UpdateSections(); }));
    }
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    UpdateSections();
}

LightPageView::~LightPageView() {
    language_.Reset();
}

void LightPageView::UpdateSections() {
    const bool directions = page_.directionA.IsVisible() || page_.directionB.IsVisible();
    directionLabel_->setVisible(directions);
    colorLabel_->setVisible(page_.colorButton.IsVisible());
    palettePanel_->setVisible(page_.colorWheel.IsVisible());
    // The custom sets, the painting hint and "select all" belong to the custom entry.
    const bool custom = page_.customSets.IsVisible() && IsCustomMode(page_.modeList.GetCurData(0));
    setsTitle_->setVisible(custom);
    sets_->setVisible(custom);
    selectAll_->setVisible(custom);
    hint_->setText(Q(LoadText("KB.DIALOG", 1636)));
    hint_->setVisible(custom);
    // With the lighting off the effect's controls stay in place, disabled.
    const bool on = page_.lightSwitch.GetCheck();
    for (QWidget* controls : {static_cast<QWidget*>(modes_), static_cast<QWidget*>(sets_),
                              settingsPanel_, palettePanel_}) {
        controls->setEnabled(on);
    }
}

void LightPageView::ApplyTexts() {
    liveView_->setText(Q(LoadText("KB.DIALOG", 1629)));
    liveView_->setToolTip(Q(LoadText("KB.DIALOG", 1638)));
    lightSwitch_->setText(Q(LoadText("KB.DIALOG", 1621)));
    effectsTitle_->setText(Q(LoadText("KB.DIALOG", 1622)));
    setsTitle_->setText(Q(LoadText("KB.DIALOG", 1628)));
    settingsTitle_->setText(Q(LoadText("KB.DIALOG", 1694)));
    brightness_->SetLabel(Q(LoadText("KB.DIALOG", 1623)));
    speed_->SetLabel(Q(LoadText("KB.DIALOG", 1624)));
    directionLabel_->setText(Q(LoadText("KB.DIALOG", 1625)));
    colorLabel_->setText(Q(LoadText("KB.DIALOG", 1626)));
    colorful_->setText(Q(LoadText("KB.DIALOG", 1627)));
    paletteTitle_->setText(Q(LoadText("KB.DIALOG", 1626)));
    channelLabels_[0]->setText(Q(LoadText("KB.DIALOG", 1690)));
    channelLabels_[1]->setText(Q(LoadText("KB.DIALOG", 1691)));
    channelLabels_[2]->setText(Q(LoadText("KB.DIALOG", 1692)));
    selectAll_->setText(Q(LoadText("KB.DIALOG", 1635)));
    apply_->setText(Q(LoadText("KB.DIALOG", 1634)));
    UpdateSections();
}

}  // namespace zanvor
