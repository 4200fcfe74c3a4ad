#include "qt/SettingsPageView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/DeviceTaskQueue.h"
#include "app/KeyboardDlg.h"
#include "platform/Autostart.h"
#include "qt/Pictures.h"
#include "qt/Theme.h"

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

}  // namespace

SettingsPageView::SettingsPageView(KeyboardDlg& dialog, QWidget* parent)
    : QWidget(parent), dialog_(dialog) {
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
    content->setAutoFillBackground(false);
    auto* columns = new QHBoxLayout(content);
    columns->setSpacing(24);
    scroll->setWidget(content);
    outer->addWidget(scroll, 1);

    // Left column: the keyboard, then the support links.
    auto* left = new QWidget(content);
    left->setObjectName("panel");
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(24, 16, 24, 20);
    keyboardSection_ = SectionTitle(left);
    leftLayout->addWidget(keyboardSection_);
    for (QLabel*& label : infoLabels_) {
        label = new QLabel(left);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        leftLayout->addWidget(label);
    }
    leftLayout->addSpacing(16);
    supportSection_ = SectionTitle(left);
    leftLayout->addWidget(supportSection_);
    version_ = new QLabel(left);
    leftLayout->addWidget(version_);
    auto* links = new QHBoxLayout();
    website_ = LinkButton(left);
    feedback_ = LinkButton(left);
    faq_ = LinkButton(left);
    links->addWidget(website_);
    links->addWidget(feedback_);
    links->addWidget(faq_);
    links->addStretch(1);
    leftLayout->addLayout(links);
    update_ = new QPushButton(left);
    auto* updateRow = new QHBoxLayout();
    updateRow->addWidget(update_);
    updateRow->addStretch(1);
    leftLayout->addLayout(updateRow);
    leftLayout->addStretch(1);
    columns->addWidget(left, 1);

    // Right column: the application options.
    auto* right = new QWidget(content);
    right->setObjectName("panel");
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(24, 16, 24, 20);
    rightLayout->setSpacing(10);
    appSection_ = SectionTitle(right);
    rightLayout->addWidget(appSection_);
    auto* languageRow = new QHBoxLayout();
    languageLabel_ = new QLabel(right);
    language_ = new QComboBox(right);
    // The two languages are named in their own language, whatever the active one.
    language_->addItem(QStringLiteral("English"), 1033);
    language_->addItem(QStringLiteral("Polski"), 1045);
    languageLabel_->setBuddy(language_);
    languageRow->addWidget(languageLabel_);
    languageRow->addWidget(language_);
    languageRow->addStretch(1);
    rightLayout->addLayout(languageRow);
    autostart_ = new QCheckBox(right);
    minimised_ = new QCheckBox(right);
    rightLayout->addWidget(autostart_);
    auto* minimisedRow = new QHBoxLayout();
    minimisedRow->addSpacing(28);
    minimisedRow->addWidget(minimised_);
    rightLayout->addLayout(minimisedRow);
    rightLayout->addSpacing(8);
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
    rightLayout->addStretch(1);
    columns->addWidget(right, 1);

    const DeviceCatalogue catalogue = dialog_.CatalogueCopy();
    const auto open = [this](const std::string& url) {
        if (!url.empty()) {
            dialog_.Host().OpenUrl(url);
        }
    };
    connect(website_, &QPushButton::clicked, this,
            [open, url = catalogue.software.website] { open(url); });
    connect(feedback_, &QPushButton::clicked, this,
            [open, url = catalogue.software.feedback] { open(url); });
    connect(faq_, &QPushButton::clicked, this,
            [open, url = catalogue.software.faqs] { open(url); });
    connect(update_, &QPushButton::clicked, this, [this] { dialog_.PostTask(kTaskCheckUpdate); });
    connect(back_, &QPushButton::clicked, this,
            [this] { dialog_.mainView.ShowSettingsPage(false); });
    connect(language_, &QComboBox::activated, this, [this](int index) {
        const int lcid = language_->itemData(index).toInt();
        if (lcid != ActiveLanguage()) {
            SetActiveLanguage(lcid);
        }
    });
    connect(autostart_, &QCheckBox::clicked, this, [this](bool on) {
        const AutostartState state = SetAutostart(on);
        ShowAutostart(state.on, state.showMinimisedSwitch, state.minimised);
    });
    connect(minimised_, &QCheckBox::clicked, this, [this](bool on) {
        if (!SetAutostartMinimised(on)) {
            minimised_->setChecked(!on);
        }
    });
    connect(hideToTray_, &QRadioButton::clicked, this, [] { SetExitMode(true); });
    connect(exitChoice_, &QRadioButton::clicked, this, [] { SetExitMode(false); });

    binding_ = std::make_unique<ModelBinding>(dialog_.mainView, this, [this](uint32_t changes) {
        if (changes & ModelBinding::Bit(MainView::kChangeLabels)) {
            RefreshLabels();
        }
        if (changes & ModelBinding::Bit(MainView::kChangeSettings)) {
            LoadOptions();
        }
    });
    languageSubscription_ = SubscribeLanguageChanged([this](int) {
        QMetaObject::invokeMethod(
            this, [this] { ApplyTexts(); }, Qt::QueuedConnection);
    });
    ApplyTexts();
    LoadOptions();
    RefreshLabels();
}

SettingsPageView::~SettingsPageView() {
    languageSubscription_.Reset();
}

void SettingsPageView::ShowAutostart(bool on, bool showMinimised, bool minimised) {
    autostart_->setChecked(on);
    minimised_->setVisible(showMinimised);
    minimised_->setChecked(minimised);
}

void SettingsPageView::LoadOptions() {
    const AutostartState state = ReadAutostartState();
    ShowAutostart(state.on, state.showMinimisedSwitch, state.minimised);
    const bool hide = ExitHidesToTray();
    hideToTray_->setChecked(hide);
    exitChoice_->setChecked(!hide);
    trayWarning_->setVisible(!dialog_.Host().TrayAvailable());
    const int index = language_->findData(ActiveLanguage());
    language_->setCurrentIndex(index);
}

void SettingsPageView::RefreshLabels() {
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        const QString text = QString::fromStdString(dialog_.mainView.InfoLabel(i));
        infoLabels_[i]->setText(text);
        infoLabels_[i]->setVisible(!text.isEmpty());
        any = any || !text.isEmpty();
    }
    // No heading over an empty section (before the keyboard has reported itself).
    keyboardSection_->setVisible(any);
}

void SettingsPageView::ApplyTexts() {
    title_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1402)));
    back_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1406)));
    keyboardSection_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1427)));
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
    language_->setCurrentIndex(language_->findData(ActiveLanguage()));
    RefreshLabels();
}

}  // namespace zanvor
