#include "qt/HomePage.h"
#include "qt/ModelBinding.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/KeyboardDlg.h"
#include "qt/DeviceListView.h"
#include "qt/Pictures.h"
#include "ui/MainView.h"

namespace zanvor {

HomePage::HomePage(CDeviceList& devices, MainView& view, const QString& disconnectedPicture,
                   QWidget* parent)
    : QWidget(parent), devices_(devices), view_(view), disconnectedPath_(disconnectedPicture) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 24, 40, 32);
    layout->setSpacing(16);
    title_ = new QLabel(this);
    title_->setObjectName("pageTitle");
    layout->addWidget(title_);
    list_ = new DeviceListView(devices, this);
    layout->addWidget(list_, 0);
    // Shown while a keyboard is plugged in that this user may not open, beside others that work.
    accessHint_ = new QLabel(this);
    accessHint_->setObjectName("warningLabel");
    accessHint_->setWordWrap(true);
    layout->addWidget(accessHint_);

    disconnected_ = new QWidget(this);
    disconnected_->setObjectName("panel");
    auto* panelLayout = new QVBoxLayout(disconnected_);
    panelLayout->setContentsMargins(24, 20, 24, 20);
    disconnectedPicture_ = new QLabel(disconnected_);
    disconnectedPicture_->setAlignment(Qt::AlignCenter);
    disconnectedPicture_->setMinimumHeight(140);
    disconnectedPicture_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    disconnectedText_ = new QLabel(disconnected_);
    disconnectedText_->setObjectName("hintLabel");
    disconnectedText_->setAlignment(Qt::AlignCenter);
    disconnectedText_->setWordWrap(true);
    panelLayout->addWidget(disconnectedPicture_, 1);
    panelLayout->addWidget(disconnectedText_);
    layout->addWidget(disconnected_, 1);

    selectedPanel_ = new QWidget(this);
    selectedPanel_->setObjectName("panel");
    auto* selectedLayout = new QHBoxLayout(selectedPanel_);
    selectedLayout->setContentsMargins(24, 20, 32, 20);
    selectedLayout->setSpacing(32);
    selectedPicture_ = new QLabel(selectedPanel_);
    selectedPicture_->setAlignment(Qt::AlignCenter);
    selectedPicture_->setMinimumSize(360, 130);
    selectedLayout->addWidget(selectedPicture_, 2);
    auto* info = new QVBoxLayout();
    info->addStretch(1);
    selectedName_ = new QLabel(selectedPanel_);
    selectedName_->setObjectName("pageTitle");
    selectedStatus_ = new QLabel(selectedPanel_);
    selectedStatus_->setObjectName("hintLabel");
    openKeys_ = new QPushButton(selectedPanel_);
    openKeys_->setCursor(Qt::PointingHandCursor);
    info->addWidget(selectedName_);
    info->addWidget(selectedStatus_);
    info->addSpacing(12);
    auto* buttonRow = new QHBoxLayout();
    buttonRow->addWidget(openKeys_);
    buttonRow->addStretch(1);
    info->addLayout(buttonRow);
    info->addStretch(1);
    selectedLayout->addLayout(info, 1);
    layout->addWidget(selectedPanel_, 1);
    connect(openKeys_, &QPushButton::clicked, this, [this] { view_.SelectPage(kPageKeys); });
    layout->addStretch(0);

    QPixmap picture = LoadPixmap(disconnectedPath_);
    if (picture.isNull()) {
        picture = DrawnKeyboard(QSize(520, 200), false);
    } else {
        picture = picture.scaled(QSize(520, 240), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    disconnectedPicture_->setPixmap(picture);

    binding_ = std::make_unique<ModelBinding>(view_, this, [this](uint32_t) { Refresh(); });
    devicesBinding_ =
        std::make_unique<ModelBinding>(devices_, this, [this](uint32_t) { RefreshSelected(); });
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
    Refresh();
}

HomePage::~HomePage() {
    language_.Reset();
}

bool HomePage::SelectedShown() const {
    return !selectedPanel_->isHidden();
}

bool HomePage::DisconnectedShown() const {
    return !disconnected_->isHidden();
}

void HomePage::ApplyTexts() {
    title_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1413)));
    accessHint_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1960)));
    openKeys_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1401)) + QStringLiteral("  →"));
    Refresh();
}

void HomePage::Refresh() {
    const bool disconnected = view_.DisconnectedShown();
    const bool unreachable = view_.KeyboardsUnreachable();
    disconnected_->setVisible(disconnected);
    disconnectedText_->setObjectName(unreachable ? "warningLabel" : "hintLabel");
    // 1960: a keyboard is plugged in that this user may not open, and the fix (the udev rule).
    disconnectedText_->setText(QString::fromStdString(unreachable ? LoadText("KB.DIALOG", 1960)
                                                                  : LoadText("KB.DIALOG", 1412)));
    disconnectedText_->style()->unpolish(disconnectedText_);
    disconnectedText_->style()->polish(disconnectedText_);
    accessHint_->setVisible(unreachable && !disconnected);
    RefreshSelected();
}

void HomePage::RefreshSelected() {
    DeviceListItem item;
    const bool shown = !view_.DisconnectedShown() && view_.DevicePagesShown() &&
                       devices_.GetDevice(devices_.GetSelectDevice(), item);
    selectedPanel_->setVisible(shown);
    if (!shown) {
        return;
    }
    selectedName_->setText(QString::fromStdString(item.name));
    selectedStatus_->setText(DeviceStatusText(item));
    openKeys_->setVisible(view_.TabVisible(kPageKeys));
    if (selectedPictureShown_ != item.imgConnected) {
        selectedPictureShown_ = item.imgConnected;
        selectedPicture_->setPixmap(
            KeyboardPictureOr(QString::fromStdString(item.imgConnected), QSize(440, 170), true));
    }
}

}  // namespace zanvor
