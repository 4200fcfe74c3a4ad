#include "qt/ScreenCanvasView.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "qt/QtImageServices.h"
#include "qt/Theme.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

// Below this magnification a line per pixel would hide the picture.
constexpr int kMinGridZoom = 3;

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

}  // namespace

ScreenCanvasView::ScreenCanvasView(ImageView& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    previewTimer_.setSingleShot(true);
    connect(&previewTimer_, &QTimer::timeout, this, [this] { NextPreviewFrame(); });
    binding_ = std::make_unique<ModelBinding>(model_, this,
                                              [this](uint32_t changes) { Refresh(changes); });
    Refresh(ModelBinding::Bit(ImageView::kChangeImage) |
            ModelBinding::Bit(ImageView::kChangePreview));
}

ScreenCanvasView::~ScreenCanvasView() {
    binding_.reset();
}

QSize ScreenCanvasView::sizeHint() const {
    return {std::max(model_.Width(), 160) * 4 + 2, std::max(model_.Height(), 80) * 4 + 2};
}

QSize ScreenCanvasView::minimumSizeHint() const {
    return {std::max(model_.Width(), 160) + 2, std::max(model_.Height(), 80) + 2};
}

void ScreenCanvasView::SetPlaceholder(const QString& text) {
    if (text != placeholder_) {
        placeholder_ = text;
        update();
    }
}

int ScreenCanvasView::Zoom() const {
    const int width = std::max(model_.Width(), 1);
    const int height = std::max(model_.Height(), 1);
    return std::max(1, std::min((this->width() - 2) / width, (this->height() - 2) / height));
}

QRect ScreenCanvasView::PictureRect() const {
    const int zoom = Zoom();
    const QSize size(model_.Width() * zoom, model_.Height() * zoom);
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPoint ScreenCanvasView::ToPicture(const QPoint& widgetPoint) const {
    const QRect rect = PictureRect();
    const int zoom = Zoom();
    return {std::clamp((widgetPoint.x() - rect.left()) / zoom, 0, std::max(model_.Width() - 1, 0)),
            std::clamp((widgetPoint.y() - rect.top()) / zoom, 0, std::max(model_.Height() - 1, 0))};
}

void ScreenCanvasView::Refresh(uint32_t changes) {
    if ((changes & ModelBinding::Bit(ImageView::kChangeImage)) != 0) {
        picture_ = ToQImage(model_.Image());
    }
    if ((changes & ModelBinding::Bit(ImageView::kChangePreview)) != 0) {
        if (model_.PreviewMode()) {
            StartPreview();
        } else {
            previewTimer_.stop();
            previewIndex_ = -1;
            previewFrames_.clear();
        }
    }
    update();
}

void ScreenCanvasView::StartPreview() {
    previewFrames_.clear();
    previewDelays_.clear();
    for (const ImageView::PreviewFrame& frame : model_.PreviewFrames()) {
        previewFrames_.emplace_back(QString::fromStdString(frame.file));
        previewDelays_.push_back(frame.delay);
    }
    previewIndex_ = previewFrames_.empty() ? -1 : 0;
    previewTimer_.stop();
    if (previewIndex_ == 0) {
        // A time of 0 would spin: such frames show for 10 ms.
        previewTimer_.start(std::max(previewDelays_[0], 10));
    }
}

void ScreenCanvasView::NextPreviewFrame() {
    if (previewFrames_.empty()) {
        return;
    }
    previewIndex_ = (previewIndex_ + 1) % static_cast<int>(previewFrames_.size());
    previewTimer_.start(std::max(previewDelays_[static_cast<size_t>(previewIndex_)], 10));
    update();
}

void ScreenCanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect rect = PictureRect();
    painter.fillRect(rect.adjusted(-1, -1, 1, 1), theme::kBorder);
    const bool previewing = previewIndex_ >= 0;
    const QImage& shown =
        previewing ? previewFrames_[static_cast<size_t>(previewIndex_)] : picture_;
    if (!previewing && !model_.HasImage()) {
        painter.fillRect(rect, QColor(0x08, 0x09, 0x0D));
        painter.setPen(theme::kMutedText);
        painter.drawText(rect.adjusted(12, 0, -12, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         placeholder_);
        return;
    }
    painter.fillRect(rect, Qt::black);
    if (!shown.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(rect, shown);
    }
    const int zoom = Zoom();
    if (!previewing && model_.ShowGridLine() && zoom >= kMinGridZoom) {
        painter.setPen(QColor(255, 255, 255, 38));
        for (int x = rect.left() + zoom; x < rect.right(); x += zoom) {
            painter.drawLine(x, rect.top(), x, rect.bottom());
        }
        for (int y = rect.top() + zoom; y < rect.bottom(); y += zoom) {
            painter.drawLine(rect.left(), y, rect.right(), y);
        }
    }
}

void ScreenCanvasView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !PictureRect().contains(event->pos()) ||
        !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    drawing_ = true;
    const QPoint at = ToPicture(event->pos());
    model_.PressAt(at.x(), at.y());
}

void ScreenCanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (!drawing_) {
        return;
    }
    const QPoint at = ToPicture(event->pos());
    model_.DragTo(at.x(), at.y());
}

void ScreenCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (!drawing_ || event->button() != Qt::LeftButton) {
        return;
    }
    drawing_ = false;
    model_.Release();
}

void ScreenCanvasView::contextMenuEvent(QContextMenuEvent* event) {
    model_.RequestContextMenu();
    const bool editable = isEnabled() && model_.HasImage() && !model_.PreviewMode();
    QMenu menu(this);
    const auto add = [&](int text, bool enabled, auto command) {
        QAction* action = menu.addAction(Text(text));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, command);
    };
    add(885, editable && model_.CanUndo(), [this] { model_.RecoverCurEdit(); });
    menu.addSeparator();
    add(880, editable, [this] { model_.ClearImage(); });
    add(881, editable, [this] { model_.FillImage(); });
    add(882, editable, [this] { model_.MirrorImage(true); });
    add(883, editable, [this] { model_.MirrorImage(false); });
    add(884, editable, [this] { model_.InvertImage(); });
    menu.addSeparator();
    add(886, model_.HasImage(), [this] { QGuiApplication::clipboard()->setImage(picture_); });
    const QImage pasted = QGuiApplication::clipboard()->image();
    add(887, editable && !pasted.isNull(),
        [this, pasted] { model_.PasteImage(FromQImage(pasted)); });
    menu.exec(event->globalPos());
}

}  // namespace zanvor
