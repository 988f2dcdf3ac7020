#include "DocTreeModel.h"

#include "Pictures.h"
#include "QtPrompter.h"

#include <QColor>

namespace pg {

TDocTreeModel::TDocTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void TDocTreeModel::SetTree(const TDocTree* tree, const TDocSet* set, const QFont& font) {
    beginResetModel();
    tree_ = tree;
    set_ = set;
    font_ = font;
    endResetModel();
}

TTreeNode* TDocTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TDocTreeModel::IndexOf(const TTreeNode* node) const {
    if (node == nullptr)
        return {};
    return createIndex(node->Row(), 0, const_cast<TTreeNode*>(node));
}

QModelIndex TDocTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (tree_ == nullptr || tree_->Empty() || column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, tree_->Root()) : QModelIndex();
    const TTreeNode* p = NodeOf(parent);
    if (row >= int(p->Children.size()))
        return {};
    return createIndex(row, 0, p->Children[size_t(row)].get());
}

QModelIndex TDocTreeModel::parent(const QModelIndex& child) const {
    const TTreeNode* node = NodeOf(child);
    if (node == nullptr || node->Parent == nullptr)
        return {};
    return IndexOf(node->Parent);
}

int TDocTreeModel::rowCount(const QModelIndex& parent) const {
    if (tree_ == nullptr || tree_->Empty())
        return 0;
    if (!parent.isValid())
        return 1;
    return int(NodeOf(parent)->Children.size());
}

int TDocTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

Qt::ItemFlags TDocTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QVariant TDocTreeModel::data(const QModelIndex& index, int role) const {
    const TTreeNode* node = NodeOf(index);
    if (node == nullptr)
        return {};
    const TDocSetForm* form = node->Form();
    switch (role) {
    case Qt::DisplayRole:
        return FromPackageText(node->Caption);
    case Qt::DecorationRole:
        return NodeIcon(node->ImageIndex, node->StateIndex);
    case Qt::FontRole: {
        QFont font = font_;
        if (form != nullptr) {
            font.setStrikeOut(form->Deleted);
            font.setBold(form->Changed && form->Deleted && set_ != nullptr && set_->Locked);
        }
        return font;
    }
    case Qt::ForegroundRole:
        if (form != nullptr && form->Changed)
            return QColor(Qt::red);
        return {};
    case NodeRole:
        return QVariant::fromValue(quintptr(node));
    default:
        return {};
    }
}

bool TDocTreeModel::MoveNode(TDocTree& tree, TTreeNode& node, TDropAction action, const TTreeNode* target) {
    const QModelIndex rootIndex = IndexOf(tree.Root());
    const int from = node.Row();
    int destination = 0;
    if (action == TDropAction::MoveBefore && target != nullptr)
        destination = target->Row();
    else if (action != TDropAction::MoveToFront)
        return false;
    // Already in place: the tree keeps its order, the views need no news.
    if (destination == from || destination == from + 1)
        return true;
    beginMoveRows(rootIndex, from, from, rootIndex, destination);
    if (action == TDropAction::MoveToFront)
        tree.MoveToFront(node);
    else
        tree.MoveBefore(node, *target);
    endMoveRows();
    return true;
}

void TDocTreeModel::RefreshAll() {
    if (tree_ == nullptr || tree_->Empty())
        return;
    for (TTreeNode* node : tree_->DisplayOrder()) {
        const QModelIndex i = IndexOf(node);
        emit dataChanged(i, i);
    }
}

} // namespace pg
