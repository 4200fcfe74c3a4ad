#include "qt/KeyPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "qt/KeyboardView.h"

namespace zanvor {

KeyPage::KeyPage(KeyboardCtrl& keyboard, QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(32, 16, 32, 24);
    layout_->setSpacing(12);
    auto* panel = new QWidget(this);
    panel->setObjectName("panel");
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 12, 16, 16);
    hint_ = new QLabel(panel);
    hint_->setObjectName("hintLabel");
    panelLayout->addWidget(hint_);
    keyboard_ = new KeyboardView(keyboard, panel);
    panelLayout->addWidget(keyboard_, 1);
    layout_->addWidget(panel, 3);
    language_ = SubscribeLanguageChanged([this](int) {
        QMetaObject::invokeMethod(
            this, [this] { ApplyTexts(); }, Qt::QueuedConnection);
    });
    ApplyTexts();
}

KeyPage::~KeyPage() {
    language_.Reset();
}

void KeyPage::AddPanel(QWidget* panel, int stretch) {
    layout_->addWidget(panel, stretch);
}

void KeyPage::ApplyTexts() {
    hint_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1428)));
}

}  // namespace zanvor
