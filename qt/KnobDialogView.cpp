#include "qt/KnobDialogView.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "keys/KeyAssignmentPage.h"
#include "qt/KeyPanels.h"
#include "qt/ModelBinding.h"
#include "qt/Pictures.h"
#include "qt/Theme.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"

namespace zanvor {

namespace {

// The knob seen from above, with arrows for its two turning directions.
QPixmap DrawnKnob(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(size / 2.0, size / 2.0);
    const qreal r = size * 0.32;
    QRadialGradient body(c, r);
    body.setColorAt(0, QColor(0x40, 0x46, 0x5A));
    body.setColorAt(1, QColor(0x1A, 0x1D, 0x28));
    p.setPen(QPen(theme::kAccent, 2));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(theme::kMutedText, 1.5));
    for (int i = 0; i < 16; ++i) {
        const qreal a = i * M_PI / 8;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r * 0.75,
                   c + QPointF(std::cos(a), std::sin(a)) * r * 0.92);
    }
    p.setPen(QPen(theme::kAccent, 2.5, Qt::SolidLine, Qt::RoundCap));
    const QRectF arc(c.x() - r * 1.35, c.y() - r * 1.35, r * 2.7, r * 2.7);
    p.drawArc(arc, 100 * 16, 60 * 16);
    p.drawArc(arc, 20 * 16, 60 * 16);
    return pixmap;
}

}  // namespace

KnobFunctionCombo::KnobFunctionCombo(ComboBox& model, std::vector<int> entryTypes, QWidget* parent)
    : QComboBox(parent), model_(model), entryTypes_(std::move(entryTypes)) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(rowEntries_.size()) && rowEntries_[row] >= 0) {
            model_.Choose(rowEntries_[row]);
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) {
        Reload((changes & ModelBinding::Bit(ComboBox::kChangeItems)) != 0);
    });
    Reload(true);
}

KnobFunctionCombo::~KnobFunctionCombo() = default;

int KnobFunctionCombo::RowOf(int entry) const {
    for (size_t row = 0; row < rowEntries_.size(); ++row) {
        if (rowEntries_[row] == entry && entry >= 0) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

void KnobFunctionCombo::Reload(bool items) {
    const QSignalBlocker blocker(this);
    if (items) {
        clear();
        rowEntries_.clear();
        auto* rows = qobject_cast<QStandardItemModel*>(this->model());
        const std::vector<ComboItem> entries = model_.GetItems();
        const auto typeOf = [this](size_t entry) {
            return entry < entryTypes_.size() ? entryTypes_[entry] : -1;
        };
        // The groups in the order of the key page's function tabs, so a function is found
        // where the user knows it from; entries keep their order within a group.
        const std::vector<int>& tabs = KeyAssignmentPage::FunctionTabs();
        const auto rank = [&tabs](int type) {
            return std::find(tabs.begin(), tabs.end(), type) - tabs.begin();
        };
        std::vector<int> groups;
        for (size_t entry = 0; entry < entries.size(); ++entry) {
            if (std::find(groups.begin(), groups.end(), typeOf(entry)) == groups.end()) {
                groups.push_back(typeOf(entry));
            }
        }
        std::stable_sort(groups.begin(), groups.end(),
                         [&rank](int a, int b) { return rank(a) < rank(b); });
        for (const int group : groups) {
            if (group >= 0) {
                addItem(FunctionTabCaption(group));
                rowEntries_.push_back(-1);
                if (rows != nullptr) {
                    QStandardItem* heading = rows->item(count() - 1);
                    heading->setFlags(Qt::NoItemFlags);
                    QFont bold = font();
                    bold.setBold(true);
                    heading->setFont(bold);
                }
            }
            for (size_t entry = 0; entry < entries.size(); ++entry) {
                if (typeOf(entry) != group) {
                    continue;
                }
                addItem(QString::fromStdString(entries[entry].text), entries[entry].data);
                setItemData(count() - 1, QString::fromStdString(entries[entry].text),
                            Qt::ToolTipRole);
                rowEntries_.push_back(static_cast<int>(entry));
            }
        }
        FitWidth();
    }
    setCurrentIndex(RowOf(model_.GetCurSel()));
    setVisible(model_.IsVisible());
}

void KnobFunctionCombo::FitWidth() {
    // Measured with the font the style sheet gives, which a new widget has only once polished.
    ensurePolished();
    int longest = 0;
    for (int row = 0; row < count(); ++row) {
        longest = std::max(longest, fontMetrics().horizontalAdvance(itemText(row)));
    }
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize field = style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                  QSize(longest, fontMetrics().height()), this);
    setMinimumWidth(std::max(kMinimumWidth, field.width()));
    // The open list is as wide as its longest entry, whatever the field's width.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 32);
}

void KnobFunctionCombo::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        FitWidth();
    }
}

KnobDialogView::KnobDialogView(KnobConfigDlg& dialog, QWidget* parent)
    : QDialog(parent), dialog_(dialog) {
    setWindowTitle(QString::fromStdString(LoadText("KB.DIALOG", 1429)));
    setModal(true);
    resize(500, 380);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 20, 28, 20);
    layout->setSpacing(14);
    auto* picture = new QLabel(this);
    picture->setAlignment(Qt::AlignCenter);
    QPixmap knob = LoadPixmap(QString::fromStdString(Manager::SkinFolder() + kKnobPicture));
    picture->setPixmap(knob.isNull()
                           ? DrawnKnob(120)
                           : knob.scaled(120, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(picture);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    std::vector<int> types;
    for (const KeyFunction& function : dialog_.Catalogue()) {
        types.push_back(function.type);
    }
    for (int action = 0; action < kKnobActionCount; ++action) {
        auto* label =
            new QLabel(QString::fromStdString(KnobConfigDlg::ActionCaption(action)), this);
        combos_[action] = new KnobFunctionCombo(dialog_.Combo(action), types, this);
        combos_[action]->setMaxVisibleItems(16);

        label->setBuddy(combos_[action]);
        grid->addWidget(label, action, 0);
        grid->addWidget(combos_[action], action, 1);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    ok_ = new QPushButton(QString::fromStdString(KnobConfigDlg::ButtonCaption()), this);
    ok_->setDefault(true);
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, [this] { Press(kKnobOkButton); });
}

KnobDialogView::~KnobDialogView() = default;

void KnobDialogView::Press(int controlId) {
    dialog_.OnMessage(controlId, 0);
    if (dialog_.Ended()) {
        done(dialog_.DialogResult() == MDialog::kOK ? QDialog::Accepted : QDialog::Rejected);
    }
}

void KnobDialogView::reject() {
    // Escape and the window's close button are the dialog's close button.
    Press(kKnobCloseButton);
    if (!dialog_.Ended()) {
        QDialog::reject();
    }
}

KnobPage::Presenter KnobDialogPresenter(QWidget* parent) {
    return [parent](KnobConfigDlg& dialog) {
        KnobDialogView view(dialog, parent);
        view.exec();
    };
}

}  // namespace zanvor
