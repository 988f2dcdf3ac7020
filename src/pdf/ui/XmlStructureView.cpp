#include "XmlStructureView.h"

#include "Vivaform.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace pg {

namespace {

// Our node pictures, drawn at 16 px so they stay sharp: element, element with attributes,
// text, CDATA, processing instruction, comment.
QIcon NodePicture(int index) {
    static const std::array<QIcon, 6> pictures = [] {
        std::array<QIcon, 6> out;
        const std::array<QColor, 6> colours = {QColor(0x1f, 0x5f, 0xbf), QColor(0x1f, 0x5f, 0xbf),
                                               QColor(0x30, 0x30, 0x30), QColor(0x80, 0x40, 0x00),
                                               QColor(0x60, 0x20, 0x80), QColor(0x20, 0x80, 0x20)};
        const std::array<const char*, 6> marks = {"<>", "<=", "T", "[]", "?", "!"};
        for (size_t i = 0; i < out.size(); ++i) {
            QPixmap pixmap(16, 16);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(colours[i]);
            p.setBrush(colours[i].lighter(185));
            p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
            QFont font = p.font();
            font.setPixelSize(10);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromLatin1(marks[i]));
            out[i] = QIcon(pixmap);
        }
        return out;
    }();
    return index >= 0 && index < int(pictures.size()) ? pictures[size_t(index)] : QIcon();
}

QIcon ToolPicture(bool expand) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
    if (expand)
        p.drawLine(QPointF(8, 5), QPointF(8, 11));
    return QIcon(pixmap);
}

class TBusy {
public:
    explicit TBusy(QWidget* w) : w_(w) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        w_->grabMouse();
    }
    ~TBusy() {
        w_->releaseMouse();
        QApplication::restoreOverrideCursor();
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    QWidget* w_;
};

} // namespace

Txml::Txml(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("ToolBar");
    btnCollapseAll = new QToolButton(ToolBar);
    btnCollapseAll->setObjectName("btnCollapseAll");
    btnCollapseAll->setToolTip("Collapse tree");
    btnCollapseAll->setIcon(ToolPicture(false));
    btnCollapseAll->setAutoRaise(true);
    btnExpandAll = new QToolButton(ToolBar);
    btnExpandAll->setObjectName("btnExpandAll");
    btnExpandAll->setToolTip("Expand tree");
    btnExpandAll->setIcon(ToolPicture(true));
    btnExpandAll->setAutoRaise(true);
    ToolBar->addWidget(btnCollapseAll);
    ToolBar->addWidget(btnExpandAll);
    tvxml = new QTreeWidget(this);
    tvxml->setObjectName("tvxml");
    tvxml->setIndentation(19);
    tvxml->setHeaderLabel("xmlstructure");
    tvxml->header()->setStretchLastSection(false);
    tvxml->header()->resizeSection(0, 10000);
    layout->addWidget(ToolBar);
    layout->addWidget(tvxml);
    connect(btnCollapseAll, &QToolButton::clicked, this, &Txml::CollapseAll);
    connect(btnExpandAll, &QToolButton::clicked, this, &Txml::ExpandAll);
}

void Txml::AddItems(QTreeWidgetItem* parent, const TXmlItem& item) {
    for (const TXmlItem& child : item.Children) {
        auto* node = new QTreeWidgetItem(parent, QStringList(QString::fromUtf8(child.Text)));
        node->setIcon(0, NodePicture(child.Picture));
        AddItems(node, child);
    }
}

bool Txml::LoadData(std::string_view bytes) {
    const std::optional<TXmlItem> tree = VivaformDataTree(bytes);
    if (!tree)
        return false;
    tvxml->setHeaderLabel("stream data");
    tvxml->setUpdatesEnabled(false);
    tvxml->clear();
    auto* top = new QTreeWidgetItem(tvxml, QStringList(QString::fromUtf8(tree->Text)));
    AddItems(top, *tree);
    tvxml->collapseAll();
    tvxml->setUpdatesEnabled(true);
    return true;
}

void Txml::CollapseAll() {
    TBusy busy(this);
    tvxml->collapseAll();
}

void Txml::ExpandAll() {
    TBusy busy(this);
    QTreeWidgetItem* top = tvxml->itemAt(0, 0);
    tvxml->expandAll();
    if (top != nullptr)
        tvxml->scrollToItem(top, QAbstractItemView::PositionAtTop);
}

} // namespace pg
