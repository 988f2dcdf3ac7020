#pragma once
// Txml: the "Data" tab of a Vivaform page, the form's XML as a tree under a tool bar with
// "Collapse tree" and "Expand tree".

#include <QWidget>

#include <string_view>

class QTreeWidget;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;

namespace pg {

struct TXmlItem;

class Txml : public QWidget {
    Q_OBJECT
public:
    explicit Txml(QWidget* parent = nullptr);

    // Shows the tree of the document's one "VIVAFORM_DOCUMENT" element; false, and the tree
    // keeps what it showed, when there is not exactly one.
    bool LoadData(std::string_view bytes);
    void CollapseAll();
    void ExpandAll();

    QToolBar* ToolBar = nullptr;
    QToolButton* btnCollapseAll = nullptr;
    QToolButton* btnExpandAll = nullptr;
    QTreeWidget* tvxml = nullptr;

private:
    void AddItems(QTreeWidgetItem* parent, const TXmlItem& item);
};

} // namespace pg
