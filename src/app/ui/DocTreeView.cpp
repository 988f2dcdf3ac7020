#include "DocTreeView.h"

#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyledItemDelegate>

namespace pg {

namespace {

// Rows of the classic tree: 18 pixels high.
class TRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(18);
        return size;
    }
};

constexpr int kScrollZone = 15;

} // namespace

TDocTreeView::TDocTreeView(QWidget* parent) : QTreeView(parent) {
    // The classic tree look: dotted lines and plus/minus buttons.
    lineStyle_.reset(QStyleFactory::create(QStringLiteral("Windows")));
    if (lineStyle_)
        setStyle(lineStyle_.get());
    setItemDelegate(new TRowDelegate(this));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setIconSize(QSize(16, 16));
    setIndentation(19);
    setMouseTracking(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoScroll(false);
    setExpandsOnDoubleClick(false);
}

TDocTreeView::~TDocTreeView() {
    // The style must outlive every use by the view.
    setStyle(nullptr);
}

QModelIndex TDocTreeView::IndexAt(const QPoint& pos, bool& onLabel) const {
    QModelIndex index;
    onLabel = HitTest(pos, index) == TTreeHit::OnItem;
    return index;
}

QRect TDocTreeView::ItemRect(const QModelIndex& index) const {
    // The row reaches across the whole view; the item is its picture and caption only.
    const QRect row = visualRect(index);
    if (!row.isValid())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = row;
    const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return QRect(row.left(), row.top(), std::min(width, row.width()), row.height());
}

TTreeHit TDocTreeView::HitTest(const QPoint& pos, QModelIndex& index) const {
    index = QModelIndex();
    if (!viewport()->rect().contains(pos))
        return TTreeHit::Outside;
    const QModelIndex row = indexAt(pos);
    if (!row.isValid())
        return TTreeHit::Nowhere;
    index = row;
    const QRect item = ItemRect(row);
    if (pos.x() >= item.right() + 1)
        return TTreeHit::OnRight;
    if (pos.x() >= item.left())
        return TTreeHit::OnItem;
    // The indentation step next to the item holds its expander when it has children.
    const bool inButtonStep = pos.x() >= item.left() - indentation();
    return inButtonStep && model()->hasChildren(row) ? TTreeHit::OnButton : TTreeHit::OnIndent;
}

int TDocTreeView::VisibleRowCount() const {
    int count = 0;
    for (QModelIndex i = model() ? model()->index(0, 0) : QModelIndex(); i.isValid(); i = indexBelow(i))
        ++count;
    return count;
}

void TDocTreeView::startDrag(Qt::DropActions) {
    if (CanStartDrag && !CanStartDrag())
        return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kDragFormat, QByteArray("node"));
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction);
    if (DragEnded)
        DragEnded();
}

bool TDocTreeView::AcceptDragEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasFormat(kDragFormat) || (DropAccepted && !DropAccepted())) {
        event->ignore();
        return false;
    }
    event->acceptProposedAction();
    return true;
}

void TDocTreeView::dragEnterEvent(QDragEnterEvent* event) {
    AcceptDragEvent(event);
}

void TDocTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (!AcceptDragEvent(event))
        return;
    const TDragOver state = DragOverState ? DragOverState() : TDragOver::Accept;
    if (state == TDragOver::Cancel) {
        event->ignore();
        return;
    }
    if (state != TDragOver::AcceptAndScroll)
        return;
    const int y = event->position().toPoint().y();
    QScrollBar* bar = verticalScrollBar();
    if (y > viewport()->height() - kScrollZone)
        bar->setValue(bar->value() + bar->singleStep());
    else if (y < kScrollZone)
        bar->setValue(bar->value() - bar->singleStep());
}

void TDocTreeView::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasFormat(kDragFormat)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (DropAt)
        DropAt(event->position().toPoint());
}

void TDocTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    bool onLabel = false;
    IndexAt(event->position().toPoint(), onLabel);
    emit TreeClicked(onLabel);
}

void TDocTreeView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentIndex().isValid()) {
        event->accept();
        emit TreeDoubleClicked(true);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TDocTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    bool onLabel = false;
    IndexAt(event->position().toPoint(), onLabel);
    emit TreeDoubleClicked(onLabel);
}

} // namespace pg
