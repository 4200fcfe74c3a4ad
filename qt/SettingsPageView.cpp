#include "qt/SettingsPageView.h"
#include "qt/ModelBinding.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "app/DevicePages.h"
#include "app/KeyboardDlg.h"
#include "app/ProgramBindings.h"
#include "qt/ControlViews.h"
#include "qt/Pictures.h"
#include "qt/Theme.h"
#include "ui/ControlIds.h"

namespace zanvor {

namespace {

QLabel* SectionTitle(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("sectionTitle");
    return label;
}

QPushButton* LinkButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName("linkButton");
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QWidget* Panel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("panel");
    panel->setAttribute(Qt::WA_StyledBackground);
    return panel;
}

// A button without a model raises event 1 with its control id.
constexpr int kButtonClicked = 1;

}  // namespace

SettingsPageView::SettingsPageView(KeyboardDlg& dialog, QWidget* parent)
    : QWidget(parent), dialog_(dialog) {
    DevicePages& pages = dialog_.Pages();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(40, 20, 40, 24);
    auto* top = new QHBoxLayout();
    back_ = new QPushButton(this);
    back_->setIcon(LineIcon("back", theme::kText));
    title_ = new QLabel(this);
    title_->setObjectName("pageTitle");
    top->addWidget(back_);
    top->addSpacing(12);
    top->addWidget(title_);
    top->addStretch(1);
    outer->addLayout(top);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // The page's background picture shows through the scrolled area.
    scroll->setStyleSheet("QScrollArea, QScrollArea > QWidget { background: transparent; }");
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    auto* columns = new QHBoxLayout(content);
    columns->setSpacing(24);
    scroll->setWidget(content);
    // setWidget turns the content's background on; the picture behind should show.
    content->setAutoFillBackground(false);
    outer->addWidget(scroll, 1);

    // Left column: the keyboard.
    auto* left = Panel(content);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(24, 16, 24, 20);
    leftLayout->setSpacing(10);
    keyboardSection_ = SectionTitle(left);
    leftLayout->addWidget(keyboardSection_);
    for (QLabel*& label : infoLabels_) {
        label = new QLabel(left);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);  // long Polish lines would widen the page past the window
        leftLayout->addWidget(label);
    }
    auto* firmwareRow = new QHBoxLayout();
    firmware_ = new QPushButton(left);
    firmwareRow->addWidget(firmware_);
    firmwareRow->addStretch(1);
    leftLayout->addLayout(firmwareRow);
    leftLayout->addSpacing(6);
    SettingsPage& settings = pages.settings;
    SwitchButton* models[5] = {&settings.macSwitch, &settings.gameSwitch, &settings.winLockSwitch,
                               &settings.wasdSwitch, &settings.encoderSwitch};
    for (int i = 0; i < 5; ++i) {
        switches_[i] = new SwitchView(*models[i], left);
        leftLayout->addWidget(switches_[i]);
    }
    auto* lists = new QGridLayout();
    lists->setHorizontalSpacing(16);
    sleepLabel_ = new QLabel(left);
    sleep_ = new ComboView(settings.sleepList, left);
    responseLabel_ = new QLabel(left);
    response_ = new ComboView(settings.keyResponseList, left);
    sleepLabel_->setBuddy(sleep_);
    responseLabel_->setBuddy(response_);
    lists->addWidget(sleepLabel_, 0, 0);
    lists->addWidget(sleep_, 0, 1);
    lists->addWidget(responseLabel_, 1, 0);
    lists->addWidget(response_, 1, 1);
    lists->setColumnStretch(2, 1);
    leftLayout->addLayout(lists);
    leftLayout->addStretch(1);
    columns->addWidget(left, 1);

    // Right column: the application, then the support links.
    auto* right = Panel(content);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(24, 16, 24, 20);
    rightLayout->setSpacing(10);
    appSection_ = SectionTitle(right);
    rightLayout->addWidget(appSection_);
    auto* languageRow = new QHBoxLayout();
    languageLabel_ = new QLabel(right);
    language_ = new ComboView(pages.application.languageList, right);
    languageLabel_->setBuddy(language_);
    languageRow->addWidget(languageLabel_);
    languageRow->addWidget(language_);
    languageRow->addStretch(1);
    rightLayout->addLayout(languageRow);
    autostart_ = new SwitchView(pages.application.autostartSwitch, right);
    minimised_ = new SwitchView(pages.application.autostartMinimisedSwitch, right);
    rightLayout->addWidget(autostart_);
    auto* minimisedRow = new QHBoxLayout();
    minimisedRow->addSpacing(28);
    minimisedRow->addWidget(minimised_);
    minimisedRow->addStretch(1);
    rightLayout->addLayout(minimisedRow);
    sdkServer_ = new SwitchView(pages.application.sdkServerSwitch, right);
    rightLayout->addWidget(sdkServer_);
    // Its caption is long in several languages: a label beside the switch wraps it instead of
    // widening the page past the smallest window. Clicking the caption flips the switch.
    focusNotice_ = new SwitchView(pages.application.focusNoticeSwitch, right);
    focusNoticeLabel_ = new QLabel(right);
    focusNoticeLabel_->setWordWrap(true);
    focusNoticeLabel_->installEventFilter(this);
    auto* noticeRow = new QHBoxLayout();
    noticeRow->setSpacing(5);  // the caption where a switch draws its own
    noticeRow->addWidget(focusNotice_, 0, Qt::AlignTop);
    noticeRow->addWidget(focusNoticeLabel_, 1);
    rightLayout->addLayout(noticeRow);
    rightLayout->addSpacing(6);
    closingLabel_ = new QLabel(right);
    rightLayout->addWidget(closingLabel_);
    hideToTray_ = new QRadioButton(right);
    exitChoice_ = new QRadioButton(right);
    auto* group = new QButtonGroup(this);
    group->addButton(hideToTray_);
    group->addButton(exitChoice_);
    rightLayout->addWidget(hideToTray_);
    rightLayout->addWidget(exitChoice_);
    trayWarning_ = new QLabel(right);
    trayWarning_->setObjectName("warningLabel");
    trayWarning_->setWordWrap(true);
    rightLayout->addWidget(trayWarning_);
    rightLayout->addSpacing(10);
    supportSection_ = SectionTitle(right);
    rightLayout->addWidget(supportSection_);
    version_ = new QLabel(right);
    rightLayout->addWidget(version_);
    auto* links = new QHBoxLayout();
    website_ = LinkButton(right);
    feedback_ = LinkButton(right);
    faq_ = LinkButton(right);
    links->addWidget(website_);
    links->addWidget(feedback_);
    links->addWidget(faq_);
    links->addStretch(1);
    rightLayout->addLayout(links);
    // One button a row: side by side they do not fit the smallest window in Polish.
    update_ = new QPushButton(right);
    reset_ = new QPushButton(right);
    for (QPushButton* button : {update_, reset_}) {
        auto* row = new QHBoxLayout();
        row->addWidget(button);
        row->addStretch(1);
        rightLayout->addLayout(row);
    }
    rightLayout->addStretch(1);
    columns->addWidget(right, 1);

    // The catalogue is read when the window starts: take the links when they are used.
    const auto open = [this](std::string SoftwareInfo::*link) {
        dialog_.OpenLink(dialog_.CatalogueCopy().software.*link);
    };
    connect(website_, &QPushButton::clicked, this, [open] { open(&SoftwareInfo::website); });
    connect(feedback_, &QPushButton::clicked, this, [open] { open(&SoftwareInfo::feedback); });
    connect(faq_, &QPushButton::clicked, this, [open] { open(&SoftwareInfo::faqs); });
    connect(update_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdUpdateButton, kButtonClicked); });
    connect(firmware_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdFirmwareButton, kButtonClicked); });
    connect(reset_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdResetButton, kButtonClicked); });
    connect(back_, &QPushButton::clicked, this,
            [this] { dialog_.OnMessage(kIdSettingsBack, kButtonClicked); });
    const auto chooseExitMode = [this](int data) {
        ComboBox& list = dialog_.Pages().application.exitModeList;
        const std::vector<ComboItem> items = list.GetItems();
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].data == data) {
                list.Choose(static_cast<int>(i));
            }
        }
    };
    connect(hideToTray_, &QRadioButton::clicked, this, [chooseExitMode] { chooseExitMode(1); });
    connect(exitChoice_, &QRadioButton::clicked, this, [chooseExitMode] { chooseExitMode(0); });

    binding_ = std::make_unique<ModelBinding>(dialog_.mainView, this, [this](uint32_t changes) {
        if (changes & ModelBinding::Bit(MainView::kChangeLabels)) {
            RefreshLabels();
        }
    });
    exitBinding_ = std::make_unique<ModelBinding>(pages.application.exitModeList, this,
                                                  [this](uint32_t) { RefreshExitMode(); });
    languageSubscription_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    RefreshLabels();
    RefreshExitMode();
}

SettingsPageView::~SettingsPageView() {
    languageSubscription_.Reset();
}

void SettingsPageView::showEvent(QShowEvent* event) {
    ApplyTexts();
    RefreshFocusNotice();
    QWidget::showEvent(event);
}

void SettingsPageView::RefreshExitMode() {
    const bool hide = dialog_.Pages().application.exitModeList.GetCurData(0) == 1;
    hideToTray_->setChecked(hide);
    exitChoice_->setChecked(!hide);
    trayWarning_->setVisible(!dialog_.Host().TrayAvailable());
}

bool SettingsPageView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == focusNoticeLabel_ && event->type() == QEvent::MouseButtonRelease &&
        focusNotice_->isEnabled()) {
        focusNotice_->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsPageView::RefreshFocusNotice() {
    // Where the desktop does not tell which window is in front no profile follows it, so there
    // is nothing to give notice of; the switch says why it cannot be used.
    const bool following = dialog_.Pages().focus.Following();
    const QString reason =
        following ? QString() : QString::fromStdString(LoadText("KB.DIALOG", kTextNoFocusSource));
    for (QWidget* part : std::initializer_list<QWidget*>{focusNotice_, focusNoticeLabel_}) {
        part->setEnabled(following);
        part->setToolTip(reason);
    }
    // The caption is muted with its switch, as a switch's own caption is.
    focusNoticeLabel_->setObjectName(following ? QString() : QString("hintLabel"));
    focusNoticeLabel_->style()->unpolish(focusNoticeLabel_);
    focusNoticeLabel_->style()->polish(focusNoticeLabel_);
}

void SettingsPageView::RefreshLabels() {
    // Without a firmware offer the two notes read "You have the latest version." and "A newer
    // firmware is offered here when one exists": nothing was checked, so only the second, which
    // is true, is shown.
    const bool noOffer = dialog_.mainView.InfoLabel(2) == LoadText("KB.DIALOG", 532);
    for (int i = 0; i < 3; ++i) {
        const QString text = QString::fromStdString(dialog_.mainView.InfoLabel(i));
        infoLabels_[i]->setText(text);
        infoLabels_[i]->setVisible(!text.isEmpty() && !(i == 1 && noOffer));
    }
}

void SettingsPageView::ApplyTexts() {
    title_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1402)));
    back_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1406)));
    keyboardSection_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1427)));
    switches_[0]->setText(QString::fromStdString(LoadText("KB.DIALOG", 1470)));
    switches_[1]->setText(QString::fromStdString(LoadText("KB.DIALOG", 1471)));
    switches_[2]->setText(QString::fromStdString(LoadText("KB.DIALOG", 1472)));
    switches_[3]->setText(QString::fromStdString(LoadText("KB.DIALOG", 1473)));
    switches_[4]->setText(QString::fromStdString(LoadText("KB.DIALOG", 1474)));
    sleepLabel_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1475)));
    responseLabel_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1476)));
    appSection_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1414)));
    languageLabel_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1415)));
    autostart_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1416)));
    minimised_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1417)));
    closingLabel_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1418)));
    hideToTray_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1419)));
    hideToTray_->setToolTip(QString::fromStdString(LoadText("KB.DIALOG", 509)));
    exitChoice_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1420)));
    exitChoice_->setToolTip(QString::fromStdString(LoadText("KB.DIALOG", 510)));
    trayWarning_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1421)));
    supportSection_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1426)));
    const std::string version = dialog_.CatalogueCopy().software.version;
    version_->setText(QString::fromStdString(LoadText("KB.DIALOG", 517) + ": " + version));
    website_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1403)));
    feedback_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1422)));
    faq_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1423)));
    update_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1425)));
    firmware_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1549)));
    reset_->setText(QString::fromStdString(LoadText("KB.DIALOG", 552)));
    sdkServer_->setText(QString::fromStdString(LoadText("KB.DIALOG", kTextSdkServerSwitch)));
    const QString notice = QString::fromStdString(LoadText("KB.DIALOG", kTextFocusNoticeSwitch));
    focusNoticeLabel_->setText(notice);
    focusNotice_->setAccessibleName(notice);
    RefreshFocusNotice();
    for (SwitchView* view : {switches_[0], switches_[1], switches_[2], switches_[3], switches_[4],
                             autostart_, minimised_, sdkServer_, focusNotice_}) {
        view->updateGeometry();
    }
}

}  // namespace zanvor
