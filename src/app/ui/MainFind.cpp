// The main window's find commands: the find bar under the tree, "Find..." (Ctrl+F), "Find Next"
// (F3) and "Find Previous" (Shift+F3), and showing a hit in a page window.

#include "DocTreeModel.h"
#include "FindBar.h"
#include "ImageView.h"
#include "Main.h"
#include "PageFrm.h"
#include "StatusPanels.h"
#include "TextHighlights.h"

#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pg {

void TfrmMain::CreateFindCommands() {
    FindBar = new TFindBar(centralWidget());
    FindBar->hide();
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    layout->insertWidget(layout->indexOf(Status), FindBar);
    FindBar->Forms = [this] {
        return tree_.Empty() ? std::vector<TDocSetForm*>() : tree_.FormsInDisplayOrder();
    };
    FindBar->FormCaption = [this](const TDocSetForm& form) {
        for (const TTreeNode* node : tree_.DisplayOrder()) {
            if (node->Form() != &form || (node->Kind != TNodeKind::Form && node->Kind != TNodeKind::Borrower))
                continue;
            const QString caption = model_->data(model_->IndexOf(node), Qt::DisplayRole).toString();
            if (node->Kind == TNodeKind::Form)
                return caption;
            return model_->data(model_->IndexOf(node->Parent), Qt::DisplayRole).toString() + " / " + caption;
        }
        return QString();
    };
    FindBar->OpenHit = [this](TDocSetForm& form, int page) { return OpenFindHit(form, page) != nullptr; };
    connect(FindBar, &TFindBar::SearchEnded, this, [] {
        for (TPageForm* window : OpenPageWindows())
            window->RefreshHighlights();
    });
    connect(FindBar, &TFindBar::Closed, this, [this] {
        if (AutoHeight && Loaded)
            AdjustFormHeight();
    });

    actFind = new QAction(QStringLiteral("Find..."), this);
    actFind->setObjectName("actFind");
    actFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    actFind->setStatusTip(QStringLiteral("Find text in the pages of the package"));
    // Ctrl+F and stepping through the hits work from the page windows too, where the hits are
    // looked at (a window blocked by a modal dialog gets none of them).
    actFind->setShortcutContext(Qt::ApplicationShortcut);
    connect(actFind, &QAction::triggered, this, [this] {
        const bool opening = FindBar->isHidden();
        raise();
        activateWindow();
        FindBar->Open();
        if (opening)
            ResizeWindow(width(), height() + FindBar->sizeHint().height());
    });
    actFindNext = new QAction(QStringLiteral("Find Next"), this);
    actFindNext->setObjectName("actFindNext");
    actFindNext->setShortcut(QKeySequence(Qt::Key_F3));
    actFindNext->setShortcutContext(Qt::ApplicationShortcut);
    connect(actFindNext, &QAction::triggered, this, [this] { FindBar->Step(true); });
    actFindPrevious = new QAction(QStringLiteral("Find Previous"), this);
    actFindPrevious->setObjectName("actFindPrevious");
    actFindPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    actFindPrevious->setShortcutContext(Qt::ApplicationShortcut);
    connect(actFindPrevious, &QAction::triggered, this, [this] { FindBar->Step(false); });

    auto* edit = new QMenu(QStringLiteral("Edit"), this);
    edit->setObjectName("mnuEdit");
    edit->addActions({actFind, actFindNext, actFindPrevious});
    const QMenu* tracking = menuBar()->findChild<QMenu*>("mnuTracking");
    menuBar()->insertMenu(tracking != nullptr ? tracking->menuAction() : nullptr, edit);
    for (QAction* action : {actFind, actFindNext, actFindPrevious}) {
        MarkWired(action);
        action->setEnabled(true);
    }
}

TPageForm* TfrmMain::OpenFindHit(TDocSetForm& form, int page) {
    TTreeNode* node = nullptr;
    for (TTreeNode* candidate : tree_.DisplayOrder())
        if (!candidate->HasChildren() && candidate->Info != nullptr && candidate->Form() == &form &&
            candidate->Info->PageNumber == page) {
            node = candidate;
            break;
        }
    if (node == nullptr || !CanViewLeaf(Loaded, *node))
        return nullptr;
    TPageForm* window = nullptr;
    for (TPageForm* open : OpenPageWindows())
        if (open->DocumentSet == set_.get() && open->CurrentNode == node)
            window = open;
    if (window == nullptr && findWindow_ != nullptr && findWindow_->DocumentSet == set_.get() &&
        findWindow_->ShowNode(node))
        window = findWindow_;
    if (window == nullptr)
        window = findWindow_ = ProcessLeafNode(node);
    if (window == nullptr)
        return nullptr;
    // The hit before may be marked as the current one in another window.
    for (TPageForm* open : OpenPageWindows())
        open->RefreshHighlights();
    std::vector<QRect> marks = window->Highlights->CurrentMarks();
    if (marks.empty())
        marks = window->Highlights->Marks();
    if (!marks.empty())
        window->ScrollBox->ensureVisible(marks.front().center().x(), marks.front().center().y(), 100, 150);
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace pg
