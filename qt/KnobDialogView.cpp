#include "qt/KnobDialogView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "qt/ControlViews.h"
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
    for (int action = 0; action < kKnobActionCount; ++action) {
        auto* label =
            new QLabel(QString::fromStdString(KnobConfigDlg::ActionCaption(action)), this);
        combos_[action] = new ComboView(dialog_.Combo(action), this);
        combos_[action]->setMaxVisibleItems(16);
        combos_[action]->setMinimumWidth(260);
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
