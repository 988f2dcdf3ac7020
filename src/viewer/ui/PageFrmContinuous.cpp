// The page window's continuous mode: the switch in the View menu (remembered in the
// settings), the column shown in place of the single page, and the page shown following the
// column as it scrolls.

#include "ContinuousView.h"
#include "HLWRegistry.h"
#include "PGRegistry.h"
#include "PageFrm.h"
#include "PageNavigation.h"
#include "QtText.h"

#include <QBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>

namespace pg {

namespace {

// Ours, not one of the inherited settings: 1 shows pages in one column, 0 one at a time.
constexpr char kContinuousKey[] = "ContinuousPages";

} // namespace

void TPageForm::CreateContinuous(QBoxLayout* pageRow) {
    Continuous = new TContinuousView(this);
    Continuous->hide();
    pageRow->addWidget(Continuous, 1);
    connect(Continuous, &TContinuousView::CurrentPageChanged, this, &TPageForm::ContinuousPageShown);
    connect(Continuous, &TContinuousView::WheelZoom, this,
            [this](int delta, QPoint pos) { ZoomContinuous(WheelZoomScale(PageScale(), delta), pos); });
    actContinuous = new QAction("&Continuous", this);
    actContinuous->setObjectName("actContinuous");
    actContinuous->setCheckable(true);
    actContinuous->setChecked(Registry().ReadInteger(kContinuousKey, 0) != 0);
    actContinuous->setStatusTip("Show the pages one below the other in one scrolling column");
    connect(actContinuous, &QAction::toggled, this, &TPageForm::SetContinuous);
    for (QAction* menu : menuBar()->actions())
        if (menu->text() == "View" && menu->menu() != nullptr)
            menu->menu()->addAction(actContinuous);
}

bool TPageForm::ContinuousMode() const {
    return actContinuous != nullptr && actContinuous->isChecked() && !VivaformMode && Document &&
           !Document->Traits().Pictures;
}

void TPageForm::SetContinuous(bool on) {
    // Annotations live on the single page: they are saved (or dropped) before the column shows.
    if (on && !SaveAnnotations(true)) {
        const QSignalBlocker quiet(actContinuous);
        actContinuous->setChecked(false);
        return;
    }
    Registry().WriteInteger(kContinuousKey, on ? 1 : 0);
    if (VivaformMode || !Document)
        return;
    if (on) {
        if (DocumentSet != nullptr)
            DocumentSet->Modified = modifiedBefore_ && DocumentSet->Modified;
        AnnotationsChanged = false;
        RemoveAnnotationsFromImage();
        ShowContinuous();
    } else if (PackageMode()) {
        LoadThePage();
    } else {
        ViewPage();
    }
    SetButtons();
}

void TPageForm::ShowContinuous() {
    ScrollBox->hide();
    Continuous->show();
    if (Continuous->Document() != Document.get()) {
        TRenderOptions options;
        options.PaperHint = PaperHint;
        options.Colour = PGRegistry::FormFillColor() != 0;
        // Pages not drawn yet are taken to be as large as the page shown.
        const TPageFacts facts = Document->PageFacts(DocumentPage);
        Continuous->SetDocument(Document.get(), facts.Width, facts.Height, options);
    }
    Continuous->ScrollToPage(DocumentPage);
    SetScaleText();
    SetButtons();
}

void TPageForm::LeaveContinuousView() {
    if (Continuous == nullptr || Continuous->isHidden())
        return;
    Continuous->Clear();
    Continuous->hide();
    if (!VivaformMode)
        ScrollBox->show();
}

void TPageForm::ContinuousPageShown(int page) {
    if (!ContinuousMode() || page < 1 || page == DocumentPage)
        return;
    DocumentPage = page;
    if (PackageMode() && CurrentNode != nullptr && CurrentNode->Parent != nullptr) {
        for (const auto& sibling : CurrentNode->Parent->Children)
            if (sibling->Info != nullptr && sibling->Form() == CurrentNode->Form() &&
                sibling->Info->PageNumber == page) {
                CurrentNode = sibling.get();
                MarkViewed(*CurrentNode);
                if (NodeChanged)
                    NodeChanged(CurrentNode);
                setWindowTitle(FromPackageText(CurrentNode->Info->Caption()));
                break;
            }
    }
    actGotoPage->setText(QString::fromStdString(PageOfText(DocumentPage, Document->PageCount())));
    UpdateThumbnails();
}

void TPageForm::ZoomContinuous(double scale, QPoint anchor) {
    BestFit = false;
    FitWholePage = false;
    SetSharedPageScale(scale);
    Continuous->SetScale(scale, anchor);
    SetScaleText();
}

} // namespace pg
