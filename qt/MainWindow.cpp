#include "qt/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DevicePages.h"
#include "app/KeyboardDlg.h"
#include "app/ProfileDlg.h"
#include "platform/Registry.h"
#include "qt/AuroraPageView.h"
#include "qt/DeviceListView.h"
#include "qt/HomePage.h"
#include "qt/KeyPageView.h"
#include "qt/KeyPanels.h"
#include "qt/KeyRepeatFilter.h"
#include "qt/KnobDialogView.h"
#include "qt/LightPageView.h"
#include "qt/MacroPageView.h"
#include "qt/MatrixPageView.h"
#include "qt/ModelBinding.h"
#include "qt/MouseButtons.h"
#include "qt/Pictures.h"
#include "qt/QtTranslations.h"
#include "qt/ScreenPageView.h"
#include "qt/SettingsPageView.h"
#include "qt/TabBarLayout.h"
#include "qt/Theme.h"
#include "ui/ControlIds.h"
#include "ui/Manager.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

// Commands of the background menu, carried by the background menu message.
constexpr int kBackgroundChoose = 100;
constexpr int kBackgroundDefault = 101;
// Tab of the lighting page in the page tabs.
constexpr int kLightingTab = 3;
// A button without a model raises event 1 with its control id.
constexpr int kButtonClicked = 1;

QPixmap Cover(const QPixmap& picture, const QSize& size) {
    if (picture.isNull() || size.isEmpty()) {
        return {};
    }
    const QPixmap scaled =
        picture.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2,
                       size.width(), size.height());
}

}  // namespace

BackgroundArea::BackgroundArea(QWidget* parent) : QWidget(parent) {
    setObjectName("centralArea");
    setAttribute(Qt::WA_OpaquePaintEvent);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &BackgroundArea::ShowNextFrame);
}

BackgroundArea::~BackgroundArea() = default;

void BackgroundArea::SetPictures(const QString& still, const QString& animated) {
    if (still == still_ && animated == animated_ &&
        (!picture_.isNull() || !frames_.frames.empty())) {
        return;
    }
    still_ = still;
    animated_ = animated;
    frameTimer_.stop();
    frames_ = PictureFrames();
    frame_ = 0;
    picture_ = QPixmap();
    if (!animated_.isEmpty()) {
        PictureFrames read = LoadGifFrames(animated_);
        if (read.frames.size() > 1) {
            frames_ = std::move(read);
            picture_ = frames_.frames.front();
            frameTimer_.start(FrameDelay(0));
        } else if (read.frames.size() == 1) {
            picture_ = read.frames.front();
        } else {
            picture_ = LoadPixmap(animated_);
        }
    }
    if (picture_.isNull()) {
        picture_ = LoadPixmap(still_);
    }
    scaled_ = QPixmap();
    update();
}

int BackgroundArea::FrameDelay(size_t frame) const {
    // Frames without a time of their own show for 100 ms, as browsers show them.
    const int delay = frame < frames_.delaysMs.size() ? frames_.delaysMs[frame] : 0;
    return delay > 0 ? delay : 100;
}

void BackgroundArea::ShowNextFrame() {
    if (frames_.frames.empty()) {
        return;
    }
    frame_ = (frame_ + 1) % frames_.frames.size();
    picture_ = frames_.frames[frame_];
    scaled_ = QPixmap();
    update();
    frameTimer_.start(FrameDelay(frame_));
}

void BackgroundArea::resizeEvent(QResizeEvent* event) {
    scaled_ = QPixmap();
    QWidget::resizeEvent(event);
}

void BackgroundArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (scaled_.size() != size()) {
        scaled_ = picture_.isNull() ? DrawnBackground(size()) : Cover(picture_, size());
    }
    painter.drawPixmap(0, 0, scaled_);
}

QSize MainWindow::DefaultSize(const QRect& available) {
    constexpr int kTitleBar = 40;  // window decorations are outside the size given
    if (available.isEmpty()) {
        return PreferredSize();
    }
    const QSize fitting(available.width(), available.height() - kTitleBar);
    return PreferredSize().boundedTo(fitting).expandedTo(MinimumSize());
}

MainWindow::MainWindow() {
    setWindowTitle(QString::fromStdString(Manager::GetDeviceName()));
    setWindowIcon(AppIcon());
    const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    resize(DefaultSize(shownOn != nullptr ? shownOn->availableGeometry() : QRect()));
    setMinimumSize(MinimumSize());
    // Qt's own texts (dialog buttons, file dialogs) speak the program's language.
    qtTexts_ = new QtTranslations(this);
    area_ = new BackgroundArea(this);
    setCentralWidget(area_);
}

MainWindow::~MainWindow() {
    Detach();
}

QWidget* MainWindow::BuildHeader() {
    auto* header = new QWidget(area_);
    header->setObjectName("headerBar");
    header->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(24, 10, 16, 10);
    layout->setSpacing(8);
    brand_ = new QLabel(header);
    brand_->setObjectName("brandLabel");
    deviceTitle_ = new QLabel(header);
    deviceTitle_->setObjectName("deviceTitle");
    layout->addWidget(brand_);
    layout->addSpacing(16);
    layout->addWidget(deviceTitle_);
    layout->addStretch(1);

    website_ = new QPushButton(header);
    website_->setObjectName("linkButton");
    website_->setCursor(Qt::PointingHandCursor);
    store_ = new QPushButton(header);
    store_->setObjectName("linkButton");
    store_->setCursor(Qt::PointingHandCursor);
    // The catalogue is read when the window starts: take the links when they are used.
    const auto open = [this](std::string SoftwareInfo::*link) {
        dialog_->OpenLink(dialog_->CatalogueCopy().software.*link);
    };
    connect(website_, &QPushButton::clicked, this, [open] { open(&SoftwareInfo::website); });
    connect(store_, &QPushButton::clicked, this, [open] { open(&SoftwareInfo::store); });
    layout->addWidget(website_);
    layout->addWidget(store_);
    layout->addSpacing(8);

    backgroundButton_ = new QToolButton(header);
    backgroundButton_->setIcon(LineIcon("background", theme::kText));
    backgroundButton_->setIconSize(QSize(22, 22));
    backgroundButton_->setPopupMode(QToolButton::InstantPopup);
    backgroundButton_->setFocusPolicy(Qt::StrongFocus);
    backgroundMenu_ = new QMenu(backgroundButton_);
    chooseBackground_ = backgroundMenu_->addAction(QString());
    defaultBackground_ = backgroundMenu_->addAction(QString());
    connect(chooseBackground_, &QAction::triggered, this,
            [this] { dialog_->PostMessageW(kMsgBackgroundMenu, kBackgroundChoose); });
    connect(defaultBackground_, &QAction::triggered, this,
            [this] { dialog_->PostMessageW(kMsgBackgroundMenu, kBackgroundDefault); });
    backgroundButton_->setMenu(backgroundMenu_);
    layout->addWidget(backgroundButton_);

    settingsButton_ = new QToolButton(header);
    settingsButton_->setIcon(LineIcon("settings", theme::kText));
    settingsButton_->setIconSize(QSize(22, 22));
    settingsButton_->setCheckable(true);
    settingsButton_->setFocusPolicy(Qt::StrongFocus);
    connect(settingsButton_, &QToolButton::clicked, this, [this](bool on) {
        dialog_->OnMessage(on ? kIdSettingsButton : kIdSettingsBack, kButtonClicked);
    });
    layout->addWidget(settingsButton_);
    return header;
}

void MainWindow::Attach(KeyboardDlg* dialog) {
    dialog_ = dialog;
    // Posting may happen on any thread; the drain always runs here on the UI thread.
    dialog_->SetMessageWakeup([this] {
        QMetaObject::invokeMethod(
            this, [this] { PumpMessages(); }, Qt::QueuedConnection);
    });
    connect(&dialogTimer_, &QTimer::timeout, this, [this] {
        if (dialog_ != nullptr) {
            dialog_->OnTimer();
        }
    });

    auto* layout = new QVBoxLayout(area_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildHeader());

    auto* tabRow = new QHBoxLayout();
    tabRow->setContentsMargins(32, 8, 32, 0);
    tabs_ = new QTabBar(area_);
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    // Tabs keep their whole caption; a window too narrow for them scrolls the bar.
    tabs_->setUsesScrollButtons(true);
    tabs_->setElideMode(Qt::ElideNone);
    tabs_->setFocusPolicy(Qt::StrongFocus);
    tabs_->addTab(QString());
    tabs_->setTabData(0, 0);
    tabs_->addTab(QString());
    tabs_->setTabData(1, int(kPageKeys));
    tabs_->addTab(QString());
    tabs_->setTabData(2, int(kPageMacros));
    tabs_->addTab(QString());
    tabs_->setTabData(kLightingTab, int(kPageLighting));
    matrixTab_ = tabs_->addTab(QString());
    tabs_->setTabData(matrixTab_, int(kPageMatrix));
    screenTab_ = tabs_->addTab(QString());
    tabs_->setTabData(screenTab_, int(kPageScreen));
    auroraTab_ = tabs_->addTab(QString());
    tabs_->setTabData(auroraTab_, int(kPageAurora));
    tabs_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tabRow->addWidget(tabs_);
    layout->addLayout(tabRow);

    body_ = new QWidget(area_);
    auto* bodyLayout = new QHBoxLayout(body_);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    stack_ = new QStackedWidget(body_);
    home_ =
        new HomePage(dialog_->deviceList, dialog_->mainView,
                     QString::fromStdString(dialog_->Keyboards().homePictureDisconnected), stack_);
    keys_ = new KeyPageView(dialog_->keyboardCtrl, stack_);
    settings_ = new SettingsPageView(*dialog_, stack_);
    lighting_ = new LightPageView(*dialog_, stack_);
    stack_->addWidget(home_);
    stack_->addWidget(keys_);
    stack_->addWidget(lighting_);
    macros_ = new MacroPageView(
        dialog_->Pages().macros, [this](int id) { dialog_->OnMessage(id, kButtonClicked); },
        stack_);
    stack_->addWidget(macros_);
    stack_->addWidget(settings_);
    screen_ = new ScreenPageView(
        dialog_->Pages().screen, [this](int id) { dialog_->OnMessage(id, kButtonClicked); },
        stack_);
    stack_->addWidget(screen_);
    aurora_ = new AuroraPageView(dialog_->auroraEffect, dialog_->Pages().aurora, stack_);
    stack_->addWidget(aurora_);
    matrix_ = new MatrixPageView(dialog_->Pages().matrix, stack_);
    stack_->addWidget(matrix_);
    bodyLayout->addWidget(stack_, 1);
    layout->addWidget(body_, 1);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (dialog_ == nullptr || index < 0) {
            return;
        }
        const int page = tabs_->tabData(index).toInt();
        if (dialog_->mainView.SettingsPageShown()) {
            dialog_->OnMessage(kIdSettingsBack, kButtonClicked);
        }
        if (page != dialog_->mainView.SelectedPage()) {
            dialog_->mainView.SelectPage(page);
        }
    });
    viewBinding_ =
        std::make_unique<ModelBinding>(dialog_->mainView, this, [this](uint32_t changes) {
            // The binding hands over every change seen since its last run, as bits.
            if (changes & ModelBinding::Bit(MainView::kChangeBackground)) {
                ReloadBackground();
            }
            if (changes & ~ModelBinding::Bit(MainView::kChangeBackground)) {
                RefreshView();
            }
        });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ConnectPages();
    ApplyTexts();
    RefreshView();
    // The keyboard focus starts on the first keyboard of the list, not on a header link.
    QTimer::singleShot(0, this, [this] {
        if (home_ != nullptr && !home_->DeviceList()->Cards().empty()) {
            home_->DeviceList()->Cards().front()->setFocus();
        }
    });
}

void MainWindow::ConnectPages() {
    DevicePages& pages = dialog_->Pages();
    ProfilePanel::Actions actions;
    actions.add = [this] { dialog_->OnMessage(kIdAddProfile, kButtonClicked); };
    actions.import = [this] { dialog_->OnMessage(kIdImportProfile, kButtonClicked); };
    actions.manage = [this] { OpenProfileDialog(); };
    actions.command = [this](int command) { dialog_->OnProfileMenuCommand(command); };
    AttachProfiles(pages.profile.List(), std::move(actions));
    dialog_->SetProfileMenuPresenter([this] {
        ShowProfileContextMenu(this, [this](int command) {
            if (dialog_ != nullptr) {
                dialog_->OnProfileMenuCommand(command);
            }
        });
    });
    AttachKeyPage({&pages.keys.Functions(), &pages.keys.Layers(), &pages.keys.MacroPlay(),
                   &pages.keys.Combination(), &pages.keyTest.Control()},
                  [this] { dialog_->OnMessage(kIdRestoreAllKeys, kButtonClicked); });
    keys_->SetRestoreKeyHandler([this] { dialog_->OnMessage(kIdRestoreKey, kButtonClicked); });
    keys_->Combination()->SetCaptureHandler([this](int code, bool pressed) {
        dialog_->Pages().keys.OnCaptureNativeKey(code, pressed);
    });
    pages.knob.SetDialogPresenter(KnobDialogPresenter(this));
    pages.macros.SetMenuPresenter([this](uint32_t message, std::vector<MacroMenuEntry> entries) {
        macros_->ShowMenu(message, entries, [this](uint32_t chosen, int command) {
            dialog_->PostMessageW(chosen, static_cast<uintptr_t>(command));
        });
    });
    pages.screen.SetImageServices(screenImages_);
    pages.screen.SetDelayDialog(ScreenPageView::DelayDialogPresenter(this));
    SetInputRegainedHandler([this] { dialog_->Pages().keyTest.ClearHeld(); });
    SetInputHandlers(
        [this](int code, bool pressed) { dialog_->Pages().keyTest.OnNativeKey(code, pressed); },
        [this](MouseButton button, bool pressed) {
            dialog_->Pages().keyTest.OnMouseButton(button, pressed);
        });
    dialog_->LoadApplicationSettings();
}

void MainWindow::OpenProfileDialog() {
    ProfileDlg profiles(dialog_->Store(), dialog_->DialogsService(), dialog_->Pages().profile,
                        &dialog_->Pages().focus);
    profiles.OnInitDialog();
    ProfileDialogView view(profiles, this);
    view.exec();
}

void MainWindow::AttachProfiles(ProfileList& list, ProfilePanel::Actions actions) {
    if (profiles_ != nullptr || body_ == nullptr) {
        return;
    }
    // The panel lines up with the pages' own panels (12 above, 20 below).
    profileColumn_ = new QWidget(body_);
    auto* column = new QVBoxLayout(profileColumn_);
    column->setContentsMargins(32, 12, 0, 20);
    profiles_ = new ProfilePanel(list, std::move(actions), profileColumn_);
    column->addWidget(profiles_);
    static_cast<QHBoxLayout*>(body_->layout())->insertWidget(0, profileColumn_);
    RefreshView();
}

void MainWindow::AttachKeyPage(const KeyPageViewModels& models, std::function<void()> restoreAll) {
    if (keys_ != nullptr) {
        keys_->AttachModels(models);
        keys_->SetRestoreAllHandler(std::move(restoreAll));
    }
}

void MainWindow::SetInputRegainedHandler(std::function<void()> handler) {
    inputRegained_ = std::move(handler);
}

void MainWindow::SetInputHandlers(KeyInputHandler keys, MouseInputHandler mouse) {
    if (keyRepeat_ == nullptr) {
        keyRepeat_ = new KeyRepeatFilter(
            [this](int code, bool pressed) {
                if (keyInput_) {
                    keyInput_(code, pressed);
                }
            },
            this);
    }
    keyInput_ = std::move(keys);
    mouseInput_ = std::move(mouse);
    qApp->removeEventFilter(this);
    if (keyInput_ || mouseInput_) {
        qApp->installEventFilter(this);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Enter presses the focused button, as Space does (the window has no default button).
    if (type == QEvent::KeyPress) {
        const int pressedKey = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if ((pressedKey == Qt::Key_Return || pressedKey == Qt::Key_Enter) && button != nullptr &&
            button->window() == this && button->hasFocus() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease;
    if (type == QEvent::MouseButtonRelease && heldMouse_ != 0) {
        ReleaseHeldMouseButton(static_cast<QMouseEvent*>(event));
    }
    if ((!key && !mouse) || stack_ == nullptr || stack_->currentWidget() != keys_ ||
        !isActiveWindow()) {
        return QMainWindow::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (key && keyInput_) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        // One delivery per event: the focus widget's (a shortcut may resend it to others).
        if (widget == QApplication::focusWidget() || QApplication::focusWidget() == nullptr) {
            keyRepeat_->Key(static_cast<int>(keyEvent->nativeScanCode()), type == QEvent::KeyPress,
                            keyEvent->timestamp(), keyEvent->isAutoRepeat());
        }
    }
    if (type == QEvent::MouseButtonPress && mouseInput_) {
        auto* mouseEvent = static_cast<QMouseEvent*>(event);
        // A mouse event travels up to the parents while ignored: count it once.
        const quint64 stamp = mouseEvent->timestamp();
        const std::optional<MouseButton> button = MouseButtonOf(mouseEvent->button());
        if (button && (stamp != lastMouseStamp_ || lastMouseType_ != type)) {
            lastMouseStamp_ = stamp;
            lastMouseType_ = type;
            heldMouse_ |= HeldBit(*button);
            mouseInput_(*button, true);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// The release of a button pressed on the page is reported wherever it lands: a drop-down list
// or a dialog that the press opened takes it, and the key test would show the button held.
void MainWindow::ReleaseHeldMouseButton(QMouseEvent* event) {
    const std::optional<MouseButton> button = MouseButtonOf(event->button());
    if (!button || (heldMouse_ & HeldBit(*button)) == 0) {
        return;
    }
    heldMouse_ &= ~HeldBit(*button);
    lastMouseStamp_ = event->timestamp();
    lastMouseType_ = QEvent::MouseButtonRelease;
    if (mouseInput_) {
        mouseInput_(*button, false);
    }
}

void MainWindow::Detach() {
    qApp->removeEventFilter(this);
    keyInput_ = nullptr;
    mouseInput_ = nullptr;
    heldMouse_ = 0;
    if (dialog_ != nullptr) {
        dialog_->SetProfileMenuPresenter(nullptr);
        dialog_->Pages().knob.SetDialogPresenter(nullptr);
        dialog_->Pages().macros.SetMenuPresenter(nullptr);
    }
    language_.Reset();
    viewBinding_.reset();
    if (dialog_ != nullptr) {
        dialog_->SetMessageWakeup(nullptr);
    }
    dialogTimer_.stop();
    // The pages observe the main window object's models: they go first.
    delete home_;
    delete keys_;
    delete macros_;
    delete settings_;
    delete screen_;
    delete lighting_;
    lighting_ = nullptr;
    delete aurora_;
    aurora_ = nullptr;
    delete matrix_;
    matrix_ = nullptr;
    delete profileColumn_;
    profileColumn_ = nullptr;
    profiles_ = nullptr;
    home_ = nullptr;
    keys_ = nullptr;
    macros_ = nullptr;
    settings_ = nullptr;
    screen_ = nullptr;
    dialog_ = nullptr;
}

QWidget* MainWindow::CurrentPage() const {
    return stack_ != nullptr ? stack_->currentWidget() : nullptr;
}

void MainWindow::ApplyTexts() {
    brand_->setText(QString::fromStdString(LoadText("OEM", 1)));
    website_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1403)));
    store_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1404)));
    backgroundButton_->setToolTip(QString::fromStdString(LoadText("KB.DIALOG", 1405)));
    backgroundButton_->setAccessibleName(backgroundButton_->toolTip());
    chooseBackground_->setText(QString::fromStdString(LoadText("KB.DIALOG", 7)));
    defaultBackground_->setText(QString::fromStdString(LoadText("KB.DIALOG", 9)));
    settingsButton_->setToolTip(QString::fromStdString(LoadText("KB.DIALOG", 1402)));
    settingsButton_->setAccessibleName(settingsButton_->toolTip());
    tabs_->setTabText(0, QString::fromStdString(LoadText("KB.DIALOG", 1400)));
    tabs_->setTabText(1, QString::fromStdString(LoadText("KB.DIALOG", 1401)));
    tabs_->setTabText(2, QString::fromStdString(LoadText("KB.DIALOG", 1434)));
    tabs_->setTabText(screenTab_, QString::fromStdString(LoadText("KB.DIALOG", 1650)));
    tabs_->setTabText(kLightingTab, QString::fromStdString(LoadText("KB.DIALOG", 1620)));
    tabs_->setTabText(auroraTab_, QString::fromStdString(LoadText("KB.DIALOG", 1780)));
    tabs_->setTabText(matrixTab_, QString::fromStdString(LoadText("KB.DIALOG", 1811)));
    RelayoutTabs(*tabs_);
}

void MainWindow::RefreshView() {
    if (dialog_ == nullptr || home_ == nullptr) {
        return;
    }
    MainView& view = dialog_->mainView;
    deviceTitle_->setText(QString::fromStdString(view.Title()));
    const bool devicePages = view.DevicePagesShown();
    // Every device page: its tab (found by the page number it carries) and its view.
    const std::pair<int, QWidget*> pageViews[] = {
        {kPageKeys, keys_},     {kPageMacros, macros_}, {kPageLighting, lighting_},
        {kPageScreen, screen_}, {kPageAurora, aurora_}, {kPageMatrix, matrix_},
    };
    for (int index = 1; index < tabs_->count(); ++index) {
        tabs_->setTabVisible(index, devicePages && view.TabVisible(tabs_->tabData(index).toInt()));
    }
    RelayoutTabs(*tabs_);
    const bool settings = view.SettingsPageShown();
    settingsButton_->setChecked(settings);
    tabs_->setVisible(!settings);
    const int page = view.SelectedPage();
    int tab = 0;
    QWidget* shown = home_;
    if (devicePages && view.TabVisible(page)) {
        for (const auto& [pageNumber, pageView] : pageViews) {
            if (pageNumber == page && pageView != nullptr) {
                shown = pageView;
                for (int index = 1; index < tabs_->count(); ++index) {
                    if (tabs_->tabData(index).toInt() == page) {
                        tab = index;
                    }
                }
            }
        }
    }
    if (settings) {
        shown = settings_;
    }
    {
        const QSignalBlocker blocker(tabs_);
        tabs_->setCurrentIndex(tab);
    }
    if (stack_->currentWidget() != shown) {
        stack_->setCurrentWidget(shown);
        ReloadBackground();
    }
    if (profiles_ != nullptr) {
        // Macros and the screen library belong to every profile: their pages have no profile
        // list and use the room.
        profileColumn_->setVisible(devicePages && shown != home_ && shown != macros_ &&
                                   shown != screen_ && !settings);
    }
}

void MainWindow::ReloadBackground() {
    const QString skins = QString::fromStdString(Manager::SkinFolder());
    QString still = QString::fromStdString(ReadRegistryText(kThemeBkgValue));
    if (!QFileInfo(still).isFile()) {
        still = skins + "main_bkg.png";
    }
    QString animated;
    if (stack_ != nullptr && stack_->currentWidget() == home_) {
        animated = QString::fromStdString(ReadRegistryText(kThemeBkgGifValue));
        if (!QFileInfo(animated).isFile()) {
            animated = skins + "home_bg.gif";
        }
    }
    area_->SetPictures(still, animated);
}

void MainWindow::changeEvent(QEvent* event) {
    // A background chosen through the menu's file dialog is stored by the time the window
    // is active again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ReloadBackground();
        if (inputRegained_) {
            inputRegained_();
        }
    } else if (event->type() == QEvent::ActivationChange && keyRepeat_ != nullptr) {
        keyRepeat_->Flush();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::PumpMessages() {
    if (dialog_ != nullptr) {
        dialog_->PumpMessages();
        const int period = dialog_->TimerPeriod();
        if (period > 0 && !dialogTimer_.isActive()) {
            dialogTimer_.start(period);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_ || dialog_ == nullptr) {
        event->accept();
        return;
    }
    event->ignore();
    dialog_->OnCloseButton();
}

}  // namespace zanvor
