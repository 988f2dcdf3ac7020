// The page window's thumbnail strip: placing it, filling it with the pages of the document
// shown, keeping its mark on the page shown, showing a chosen page, and the View
// menu's switch, remembered in the settings.

#include "HLWRegistry.h"
#include "PageFrm.h"
#include "PclPageDocuments.h"
#include "ThumbnailStrip.h"

#include <QBoxLayout>
#include <QMenu>
#include <QMenuBar>

namespace pg {

namespace {

// Ours, not one of the inherited settings: 1 shows the strip (the default), 0 hides it.
constexpr char kShowThumbnailsKey[] = "ShowThumbnails";

bool ShowThumbnailsSetting() {
    return Registry().ReadInteger(kShowThumbnailsKey, 1) != 0;
}

} // namespace

void TPageForm::CreateThumbnails(QBoxLayout* pageRow) {
    Thumbnails = new TThumbnailStrip(this);
    Thumbnails->hide();
    pageRow->addWidget(Thumbnails);
    connect(Thumbnails, &TThumbnailStrip::PageChosen, this, &TPageForm::ThumbnailChosen);
    // The notes saved on a package page show on its thumbnail.
    Thumbnails->AnnotationBoxes = [this](int page) {
        std::vector<TPageBox> boxes;
        const TDocSetForm* form = CurrentNode != nullptr && PackageMode() ? CurrentNode->Form() : nullptr;
        if (form == nullptr || page < 1 || page > form->PageCount())
            return boxes;
        for (const auto& note : form->Pages[size_t(page - 1)]->Annotations)
            boxes.push_back(AnnotationPageBox({note->XPosition, note->YPosition}, note->Content.size()));
        return boxes;
    };
    actShowThumbnails = new QAction("&Thumbnails", this);
    actShowThumbnails->setObjectName("actShowThumbnails");
    actShowThumbnails->setCheckable(true);
    actShowThumbnails->setChecked(ShowThumbnailsSetting());
    actShowThumbnails->setToolTip("Show or hide the thumbnails of the form's pages");
    actShowThumbnails->setStatusTip(actShowThumbnails->toolTip());
    connect(actShowThumbnails, &QAction::toggled, this, &TPageForm::SetShowThumbnails);
    for (QAction* menu : menuBar()->actions())
        if (menu->text() == "View" && menu->menu() != nullptr)
            menu->menu()->addAction(actShowThumbnails);
}

void TPageForm::SetShowThumbnails(bool on) {
    Registry().WriteInteger(kShowThumbnailsKey, on ? 1 : 0);
    UpdateThumbnails();
}

void TPageForm::UpdateThumbnails() {
    const void* source = nullptr;
    int count = 0;
    int current = 0;
    TThumbnailStrip::TPageSource pages;
    if (!PackageMode()) {
        source = Document->Source();
        count = Document->PageCount();
        current = DocumentPage;
        pages = [this](int page) { return Document ? Document->DetachPage(page) : nullptr; };
    } else if (!VivaformMode && Document && CurrentNode != nullptr && CurrentNode->Info != nullptr) {
        source = Document->Source();
        count = Document->PageCount();
        current = CurrentNode->Info->PageNumber;
        // The strip keeps this while the form is shown, whichever document shows it; the
        // copy it is given may be drawn while the form changes or goes.
        pages = [form = CurrentNode->Form()](int page) {
            return form != nullptr ? TPackageFormDocument(*form).DetachPage(page) : nullptr;
        };
    }
    // A single page needs no strip to choose from, nor the command that shows one.
    actShowThumbnails->setVisible(count > 1);
    const bool show = actShowThumbnails->isChecked() && count > 1;
    if (show) {
        Thumbnails->ShowPages(source, count, current, std::move(pages), PaperHint);
        Thumbnails->RefreshPictures();
    }
    if (show == Thumbnails->isHidden()) {
        Thumbnails->setVisible(show);
        ResizeHandler();
    }
}

void TPageForm::ThumbnailChosen(int page) {
    if (!PackageMode()) {
        ShowDocumentPage(page);
        return;
    }
    // As with the go-to-page dialog: the page's annotations are saved (or kept) first.
    if (!SaveAnnotations(true))
        return;
    GotoPage(TGotoChoice::Page, page);
}

} // namespace pg
