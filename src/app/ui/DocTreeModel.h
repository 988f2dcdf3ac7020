#pragma once
// The item model that shows a TDocTree in a tree view: captions, pictures, the viewed state,
// strike-out of deleted forms and red captions of changed forms. The nodes stay in TDocTree;
// the model only presents them and reports moves.

#include "TreeCommands.h"

#include <QAbstractItemModel>
#include <QFont>

namespace pg {

class TDocTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The node of an index is available under this role as a quintptr.
    static constexpr int NodeRole = Qt::UserRole + 1;

    explicit TDocTreeModel(QObject* parent = nullptr);

    // Shows tree (not owned; nullptr shows nothing) with the given base font.
    void SetTree(const TDocTree* tree, const TDocSet* set, const QFont& font);
    TTreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const TTreeNode* node) const;
    // Carries out the drop decision on the tree, reporting the move to the views.
    bool MoveNode(TDocTree& tree, TTreeNode& node, TDropAction action, const TTreeNode* target);
    // Every node's look may have changed (deletion, change marks, viewed state).
    void RefreshAll();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const TDocTree* tree_ = nullptr;
    const TDocSet* set_ = nullptr;
    QFont font_;
};

} // namespace pg
