#pragma once
// DocTree: the tree control of the main window. A tree view with lines and buttons, multiple
// selection, selection on right click, 18-pixel rows, no caption editing, and the drag-and-drop
// of forms whose decisions the main window takes.

#include "DocTree.h"

#include "TreeCommands.h"

#include <QPointer>
#include <QStyle>
#include <QTreeView>

#include <functional>
#include <memory>

namespace pg {

class TDocTreeView : public QTreeView {
    Q_OBJECT
public:
    static constexpr const char* kDragFormat = "application/x-pagellan-tree-node";

    explicit TDocTreeView(QWidget* parent = nullptr);
    ~TDocTreeView() override;

    // The main window decides whether a drag may start, go on, and what a drop does.
    std::function<bool()> CanStartDrag;
    // While dragging: cancel the drag, accept it, or accept it and scroll near the edges.
    enum class TDragOver { Cancel, Accept, AcceptAndScroll };
    std::function<TDragOver()> DragOverState;
    std::function<bool()> DropAccepted; // a set exists
    std::function<void(const QPoint&)> DropAt;
    // Every drag the tree started ends here, dropped on the tree or not.
    std::function<void()> DragEnded;

    // The node under a viewport position, and whether the position hits its picture or text.
    QModelIndex IndexAt(const QPoint& pos, bool& onLabel) const;
    // What a viewport position hits, and the node of its row (invalid for Nowhere and Outside).
    TTreeHit HitTest(const QPoint& pos, QModelIndex& index) const;
    // The picture and caption of a node, in viewport coordinates.
    QRect ItemRect(const QModelIndex& index) const;
    int VisibleRowCount() const;

signals:
    void TreeClicked(bool hitItem);
    void TreeDoubleClicked(bool hitItem);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Enter on the current node opens it as a double click on it does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool AcceptDragEvent(QDragMoveEvent* event);

    std::unique_ptr<QStyle> lineStyle_;
};

} // namespace pg
