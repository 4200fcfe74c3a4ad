#include "qt/KeyPageView.h"
#include "qt/ModelBinding.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "qt/KeyPanels.h"
#include "qt/KeyboardView.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/KeyFuncValue.h"

namespace zanvor {

KeyPageView::KeyPageView(KeyboardCtrl& keyboard, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 12, 32, 20);
    layout->setSpacing(12);
    auto* picturePanel = new QWidget(this);
    picturePanel->setObjectName("panel");
    picturePanel->setAttribute(Qt::WA_StyledBackground);
    auto* pictureLayout = new QVBoxLayout(picturePanel);
    pictureLayout->setContentsMargins(16, 10, 16, 12);
    pictureHeader_ = new QHBoxLayout();
    hint_ = new QLabel(picturePanel);
    hint_->setObjectName("hintLabel");
    hint_->setWordWrap(true);
    pictureHeader_->addWidget(hint_, 1);
    pictureLayout->addLayout(pictureHeader_);
    keyboard_ = new KeyboardView(keyboard, picturePanel);
    pictureLayout->addWidget(keyboard_, 1);
    layout->addWidget(picturePanel, 1);

    lower_ = new QWidget(this);
    lowerLayout_ = new QHBoxLayout(lower_);
    lowerLayout_->setContentsMargins(0, 0, 0, 0);
    lowerLayout_->setSpacing(12);
    auto* functionPanel = new QWidget(lower_);
    functionPanel->setObjectName("panel");
    functionPanel->setAttribute(Qt::WA_StyledBackground);
    functionColumn_ = new QVBoxLayout(functionPanel);
    functionColumn_->setContentsMargins(16, 8, 16, 12);
    lowerLayout_->addWidget(functionPanel, 4);
    lower_->hide();
    layout->addWidget(lower_, 0);

    // The hint mentions the knob only on keyboards that have one.
    const auto followKnob = [this, &keyboard](uint32_t) {
        const std::vector<KeyItem> items = keyboard.GetKeyItems();
        const bool knob = std::any_of(items.begin(), items.end(), [](const KeyItem& item) {
            return item.code == 0xFF || item.drawnAsKnob;
        });
        if (knob != knobShown_) {
            knobShown_ = knob;
            ApplyTexts();
        }
    };
    keyboardBinding_ = std::make_unique<ModelBinding>(keyboard, this, followKnob);
    followKnob(0);
    language_ = SubscribeTexts(this, [this] { ApplyTexts(); });
    ApplyTexts();
}

KeyPageView::~KeyPageView() {
    language_.Reset();
}

void KeyPageView::AttachModels(const KeyPageViewModels& models) {
    QWidget* functionPanel = functionColumn_->parentWidget();
    if (models.layers != nullptr && layers_ == nullptr) {
        layers_ = new LayerView(*models.layers, this);
        pictureHeader_->addWidget(layers_);
    }
    if (models.functions != nullptr && functions_ == nullptr) {
        functions_ = new FunctionListView(*models.functions, functionPanel);
        // The key test listens while the list has the focus: an input method would take the
        // keys before the window sees them.
        functions_->List()->setAttribute(Qt::WA_InputMethodEnabled, false);
        functions_->Tabs()->setAttribute(Qt::WA_InputMethodEnabled, false);
        functionColumn_->addWidget(functions_, 1);
        if (models.macroPlay != nullptr) {
            macroPlay_ = new MacroPlayView(*models.macroPlay, functionPanel);
            functionColumn_->addWidget(macroPlay_);
        }
        if (models.combination != nullptr) {
            combination_ = new CombinationView(*models.combination, functionPanel);
            functionColumn_->addWidget(combination_);
        }
        // Below a hidden list (the combination tab) the space goes under the panels.
        functionColumn_->addStretch(0);
        functionsBinding_ = std::make_unique<ModelBinding>(
            *models.functions, this, [this, functions = models.functions](uint32_t) {
                functionColumn_->setStretchFactor(functions_, functions->ListVisible() ? 1 : 0);
            });
        functionColumn_->setStretchFactor(functions_, models.functions->ListVisible() ? 1 : 0);
        auto* row = new QHBoxLayout();
        restoreKey_ = new QPushButton(functionPanel);
        connect(restoreKey_, &QPushButton::clicked, this, [this] {
            if (restoreKeyHandler_) {
                restoreKeyHandler_();
            }
        });
        restoreKey_->setVisible(static_cast<bool>(restoreKeyHandler_));
        restoreAll_ = new QPushButton(functionPanel);
        connect(restoreAll_, &QPushButton::clicked, this, [this] {
            if (restoreAllHandler_) {
                restoreAllHandler_();
            }
        });
        restoreAll_->setVisible(static_cast<bool>(restoreAllHandler_));
        row->addStretch(1);
        row->addWidget(restoreKey_);
        row->addWidget(restoreAll_);
        functionColumn_->addLayout(row);
        lower_->show();
    }
    if (models.keyTest != nullptr && keyTest_ == nullptr) {
        keyTest_ = new KeyTestView(*models.keyTest, lower_);
        // A fixed width: the function panel beside it keeps its width on every tab.
        keyTest_->setFixedWidth(std::max(240, fontMetrics().averageCharWidth() * 34));
        lowerLayout_->addWidget(keyTest_, 0);
        lower_->show();
    }
    OrderFocus();
    ApplyTexts();
}

// Tab walks the page top to bottom as it is read: layers, the keyboard picture, the function
// tabs and list, the macro and combination panels, the restore buttons.
void KeyPageView::OrderFocus() {
    std::vector<QWidget*> chain;
    if (layers_ != nullptr) {
        for (int layer = 0; layer < 4; ++layer) {
            chain.push_back(layers_->Button(layer));
        }
    }
    chain.push_back(keyboard_);
    if (functions_ != nullptr) {
        chain.push_back(functions_->Tabs());
        chain.push_back(functions_->List());
    }
    if (macroPlay_ != nullptr) {
        chain.push_back(macroPlay_->Mode());
        chain.push_back(macroPlay_->Count());
    }
    if (combination_ != nullptr) {
        for (int bit = 0; bit < CombinationKeyPanel::kModifierCount; ++bit) {
            chain.push_back(combination_->Modifier(bit));
        }
        chain.push_back(combination_->CaptureField());
        chain.push_back(combination_->ApplyButton());
    }
    for (QPushButton* button : {restoreKey_, restoreAll_}) {
        if (button != nullptr) {
            chain.push_back(button);
        }
    }
    for (size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

// The lower part is as tall on every function tab as on the tallest (the list with the macro
// play options, or the combination panel), so the keyboard picture keeps its size and place
// while the user moves between tabs.
void KeyPageView::ReserveLowerHeight() {
    if (functions_ == nullptr) {
        return;
    }
    constexpr int kListRows = 3;
    const QListWidget* list = functions_->List();
    const int spacing = functionColumn_->spacing();
    const int listHeight = list->gridSize().height() * kListRows + 2 * list->frameWidth() + 8;
    int body = listHeight;
    if (macroPlay_ != nullptr) {
        body = std::max(body, listHeight + spacing + macroPlay_->sizeHint().height());
    }
    if (combination_ != nullptr) {
        body = std::max(body, combination_->sizeHint().height());
    }
    const QMargins margins = functionColumn_->contentsMargins();
    int height = margins.top() + functions_->Tabs()->sizeHint().height() +
                 functions_->layout()->spacing() + body + margins.bottom();
    if (restoreAll_ != nullptr) {
        height += spacing + restoreAll_->sizeHint().height();
    }
    if (keyTest_ != nullptr) {
        height = std::max(height, keyTest_->minimumSizeHint().height());
    }
    lower_->setFixedHeight(height);
}

void KeyPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ReserveLowerHeight();
}

void KeyPageView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        ReserveLowerHeight();
    }
}

void KeyPageView::SetRestoreAllHandler(std::function<void()> handler) {
    restoreAllHandler_ = std::move(handler);
    if (restoreAll_ != nullptr) {
        restoreAll_->setVisible(static_cast<bool>(restoreAllHandler_));
    }
}

void KeyPageView::SetRestoreKeyHandler(std::function<void()> handler) {
    restoreKeyHandler_ = std::move(handler);
    if (restoreKey_ != nullptr) {
        restoreKey_->setVisible(static_cast<bool>(restoreKeyHandler_));
    }
}

void KeyPageView::ApplyTexts() {
    hint_->setText(QString::fromStdString(knobShown_ ? LoadText("KB.DIALOG", 1428)
                                                     : LoadText("KB.DIALOG", 2104)));
    if (restoreAll_ != nullptr) {
        restoreAll_->setText(QString::fromStdString(LoadText("KB.DIALOG", 1459)));
    }
    if (restoreKey_ != nullptr) {
        restoreKey_->setText(QString::fromStdString(LoadText("KB.DIALOG", 2101)));
    }
    // The panels take the new language's captions first.
    QTimer::singleShot(0, this, [this] { ReserveLowerHeight(); });
}

}  // namespace zanvor
