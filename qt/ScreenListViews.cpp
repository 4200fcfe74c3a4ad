#include "qt/ScreenListViews.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include "qt/Theme.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

// Thumbnails keep the screen's 2:1 shape.
const QSize kLibraryIcon(80, 40);
const QSize kFrameIcon(104, 52);

QString Text(int id) {
    return QString::fromStdString(LoadText("KB.DIALOG", id));
}

// Items with their picture above the text (list views put it beside the text).
class PictureAboveText : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    }
};

// Lets a list follow the model's selection without raising the model's event again.
void ShowSelection(QListWidget& list, int row) {
    const QSignalBlocker blocker(list);
    list.setCurrentRow(row);
    if (row < 0) {
        list.clearSelection();
    }
}

}  // namespace

QPixmap ScreenThumbnail(const std::string& file, const QSize& size) {
    QPixmap thumbnail(size);
    thumbnail.fill(QColor(0x08, 0x09, 0x0D));
    const QImage picture(QString::fromStdString(file));
    if (!picture.isNull()) {
        QPainter painter(&thumbnail);
        const QImage scaled = picture.scaled(size, Qt::KeepAspectRatio, Qt::FastTransformation);
        painter.drawImage((size.width() - scaled.width()) / 2,
                          (size.height() - scaled.height()) / 2, scaled);
    }
    QPainter frame(&thumbnail);
    frame.setPen(theme::kBorder);
    frame.drawRect(thumbnail.rect().adjusted(0, 0, -1, -1));
    return thumbnail;
}

// ---- slots ----------------------------------------------------------------------------------

ScreenSlotView::ScreenSlotView(LCDViewCtrl& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setIconSize(kLibraryIcon);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            model_.Select(row);
        }
    });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    Reload();
}

ScreenSlotView::~ScreenSlotView() {
    binding_.reset();
}

void ScreenSlotView::Reload() {
    const std::vector<ScreenSlotItem> items = model_.GetItems();
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const ScreenSlotItem& slot : items) {
            const QString text = QString::fromStdString(slot.firstText + "\n" + slot.secondText);
            auto* item =
                new QListWidgetItem(QIcon(ScreenThumbnail(slot.image, kLibraryIcon)), text, this);
            item->setToolTip(text);  // a long caption is shortened on the card
            item->setSizeHint(QSize(0, kLibraryIcon.height() + 14));
        }
    }
    ShowSelection(*this, model_.GetCurSel());
    // As tall as its slots, no more.
    setFixedHeight(std::max<int>(1, static_cast<int>(items.size())) * (kLibraryIcon.height() + 14) +
                   2 * frameWidth() + 4);
}

// ---- library --------------------------------------------------------------------------------

ScreenLibraryView::ScreenLibraryView(LCDViewList& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setIconSize(kLibraryIcon);
    setFocusPolicy(Qt::StrongFocus);
    setSpacing(2);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != model_.GetCurSel()) {
            model_.Select(row);
        }
    });
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OpenNameEditor(row(item)); });
    binding_ = std::make_unique<ModelBinding>(model_, this, [this](uint32_t) { Reload(); });
    language_ = SubscribeTexts(this, [this] {
        setToolTip(Text(1966));
        Reload();
    });
    setToolTip(Text(1966));
    Reload();
}

ScreenLibraryView::~ScreenLibraryView() {
    binding_.reset();
    language_.Reset();
}

void ScreenLibraryView::OpenNameEditor(int row) {
    QListWidgetItem* entry = item(row);
    if (entry == nullptr || editor_ != nullptr) {
        return;
    }
    const std::optional<AnimationItem> animation = model_.GetItem(row);
    if (!animation || animation->missing) {
        return;
    }
    scrollToItem(entry);
    editorRow_ = row;
    editor_ = new QLineEdit(viewport());
    editor_->setText(QString::fromStdString(animation->text));
    editor_->setPlaceholderText(Text(1465));
    const QRect rect = visualItemRect(entry);
    const int height = editor_->sizeHint().height();
    editor_->setGeometry(rect.x(), rect.y() + (rect.height() - height) / 2, rect.width(), height);
    editor_->selectAll();
    editor_->installEventFilter(this);
    editor_->show();
    editor_->setFocus();
}

void ScreenLibraryView::CloseNameEditor(bool keep) {
    if (editor_ == nullptr) {
        return;
    }
    QPointer<QLineEdit> editor = editor_;
    editor_ = nullptr;
    const std::string name = editor->text().toStdString();
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    setFocus();
    if (keep) {
        model_.RequestRename(editorRow_, name);
    }
}

bool ScreenLibraryView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        const int key =
            event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
        if (key == Qt::Key_Escape) {
            CloseNameEditor(false);
            return true;
        }
        // Enter ends the naming and nothing else: it must not reach a default button.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CloseNameEditor(true);
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // Clicking elsewhere keeps what was typed.
            QMetaObject::invokeMethod(
                this, [this] { CloseNameEditor(true); }, Qt::QueuedConnection);
        }
    }
    return QListWidget::eventFilter(watched, event);
}

void ScreenLibraryView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && currentRow() >= 0) {
        OpenNameEditor(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void ScreenLibraryView::contextMenuEvent(QContextMenuEvent* event) {
    const int row = indexAt(event->pos()).row();
    if (row < 0) {
        return;
    }
    QMenu menu(this);
    QAction* rename = menu.addAction(Text(1465));
    if (menu.exec(event->globalPos()) == rename) {
        OpenNameEditor(row);
    }
}

void ScreenLibraryView::Reload() {
    const std::vector<AnimationItem> items = model_.GetItems();
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const AnimationItem& animation : items) {
            QString text = Text(871) + " " + QString::number(animation.frameCount);
            if (!animation.text.empty()) {
                text = QString::fromStdString(animation.text) + "\n" + text;
            }
            if (animation.missing) {
                text += "\n" + Text(1670);
            }
            auto* item = new QListWidgetItem(
                QIcon(ScreenThumbnail(animation.preview, kLibraryIcon)), text, this);
            if (animation.missing) {
                item->setForeground(theme::kWarn);
                item->setToolTip(Text(1660));
            } else {
                // A long name is shortened on the card: the tip shows it whole.
                item->setToolTip(text + "\n" + Text(1966));
            }
        }
    }
    ShowSelection(*this, model_.GetCurSel());
}

// ---- frames ---------------------------------------------------------------------------------

FrameStripView::FrameStripView(ImageViewList& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setIconSize(kFrameIcon);
    setSpacing(4);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new PictureAboveText(this));
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(Text(1681));
    setFixedHeight(kFrameIcon.height() + 58);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != model_.GetCurSel()) {
            model_.Select(row);
        }
    });
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { model_.RequestDelayEdit(row(item)); });
    connect(QListWidget::model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int first, int, const QModelIndex&, int destination) {
                // The list has moved its item already; the model decides what the strip shows.
                const int to = destination > first ? destination - 1 : destination;
                QMetaObject::invokeMethod(
                    this, [this, first, to] { model_.MoveItem(first, to); }, Qt::QueuedConnection);
            });
    binding_ =
        std::make_unique<ModelBinding>(model_, this, [this](uint32_t changes) { Reload(changes); });
    Reload(ModelBinding::Bit(ImageViewList::kChangeItems));
}

FrameStripView::~FrameStripView() {
    binding_.reset();
}

void FrameStripView::Reload(uint32_t changes) {
    const std::vector<FrameItem> items = model_.GetItems();
    const int selected = model_.GetCurSel();
    const bool rebuild = (changes & ModelBinding::Bit(ImageViewList::kChangeItems)) != 0 ||
                         count() != static_cast<int>(items.size());
    {
        const QSignalBlocker blocker(this);
        if (rebuild) {
            clear();
            shownFiles_.assign(items.size(), std::string());
            for (size_t i = 0; i < items.size(); ++i) {
                new QListWidgetItem(this);
            }
        }
        for (size_t i = 0; i < items.size(); ++i) {
            QListWidgetItem* entry = item(static_cast<int>(i));
            // Pictures are read again only when their file changed, or for the frame being
            // edited (its edit file is rewritten in place).
            if (shownFiles_[i] != items[i].editFile || static_cast<int>(i) == selected) {
                entry->setIcon(QIcon(ScreenThumbnail(items[i].editFile, kFrameIcon)));
                shownFiles_[i] = items[i].editFile;
            }
            entry->setText(QString::number(i + 1) + " · " + QString::number(items[i].delay) +
                           " ms");
            entry->setSizeHint(QSize(kFrameIcon.width() + 12, kFrameIcon.height() + 36));
        }
    }
    ShowSelection(*this, selected);
    if (selected >= 0) {
        scrollToItem(item(selected));
    }
}

}  // namespace zanvor
