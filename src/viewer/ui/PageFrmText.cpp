// The page window's text commands: selecting words of the page shown with the mouse or
// Select All, copying them as plain text, and copying the page as a picture.

#include "ImageView.h"
#include "PageFrm.h"
#include "PageText.h"
#include "TextHighlights.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace pg {

void TPageForm::CreateTextActions() {
    actCopy = new QAction("&Copy", this);
    actCopy->setObjectName("actCopy");
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setStatusTip("Copy the selected text");
    actSelectAll = new QAction("Select &All", this);
    actSelectAll->setObjectName("actSelectAll");
    actSelectAll->setShortcut(QKeySequence::SelectAll);
    actSelectAll->setStatusTip("Select the text of the page");
    actCopyPageImage = new QAction("Copy Page &Image", this);
    actCopyPageImage->setObjectName("actCopyPageImage");
    actCopyPageImage->setStatusTip("Copy the page as a picture");
    connect(actCopy, &QAction::triggered, this, &TPageForm::CopyText);
    connect(actSelectAll, &QAction::triggered, this, &TPageForm::SelectAllText);
    connect(actCopyPageImage, &QAction::triggered, this, &TPageForm::CopyPageImage);
    actCopy->setEnabled(false);
}

void TPageForm::ForgetPageText() {
    Selection.SetLines({});
    pageTextRead_ = false;
    SelectionChanged();
}

void TPageForm::ReadPageText() {
    if (pageTextRead_)
        return;
    pageTextRead_ = true;
    // A picture (a scanned page) has no words to read.
    if (VivaformMode || !Document || Document->Traits().Pictures || !Document->HasPage(DocumentPage))
        return;
    Selection.SetLines(PageTextLines(*Document, DocumentPage));
}

QPoint TPageForm::ImageToPage(QPoint imagePos) const {
    const QSize upright = Image->UprightSize();
    if (upright.isEmpty())
        return {};
    const TPoint p = ToUprightPoint(imagePos);
    return {RoundScaled(double(p.X) * Image->Picture().Width() / upright.width()),
            RoundScaled(double(p.Y) * Image->Picture().Height() / upright.height())};
}

void TPageForm::SelectionChanged() {
    actCopy->setEnabled(!Selection.Empty());
    Highlights->update();
}

void TPageForm::SelectTextRange(QPoint fromImage, QPoint toImage) {
    // While Add Text is on, the mouse places annotations.
    if (AddTextMode || VivaformMode || Image->Empty())
        return;
    ReadPageText();
    const QPoint from = ImageToPage(fromImage), to = ImageToPage(toImage);
    Selection.SelectRange(from.x(), from.y(), to.x(), to.y());
    selectionDragged_ = true;
    SelectionChanged();
}

void TPageForm::SelectWordAt(QPoint imagePos) {
    if (AddTextMode || VivaformMode || Image->Empty())
        return;
    ReadPageText();
    const QPoint at = ImageToPage(imagePos);
    Selection.SelectWordAt(at.x(), at.y());
    SelectionChanged();
}

void TPageForm::SelectAllText() {
    if (VivaformMode || Image->Empty())
        return;
    ReadPageText();
    Selection.SelectAll();
    SelectionChanged();
}

void TPageForm::CopyText() {
    if (Selection.Empty())
        return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(Selection.Text()));
}

void TPageForm::CopyPageImage() {
    const QImage page = Image->PageImage();
    if (!page.isNull())
        QGuiApplication::clipboard()->setImage(page);
}

} // namespace pg
