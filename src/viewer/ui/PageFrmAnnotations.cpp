// The page window's annotations: creating, placing, editing, moving, deleting and saving them.

#include "Annotation.h"
#include "ImageView.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "ThumbnailStrip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>

#include <algorithm>

namespace pg {

namespace {

// The annotation cursor: a cross whose centre is the point the annotation's bottom-left corner
// goes to, with a small "A" beside it.
QCursor AnnotationCursor() {
    static const QCursor cursor = [] {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(0, 8, 16, 8);
        painter.drawLine(8, 0, 8, 16);
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(14);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(11, 9, 16, 16), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("A"));
        painter.end();
        return QCursor(pixmap, 8, 8);
    }();
    return cursor;
}

// A borderless line edit still keeps a small inner margin and room for the caret.
constexpr int kEditExtra = 5;

} // namespace

std::vector<TAnnotation*> TPageForm::Annotations() const {
    std::vector<TAnnotation*> out;
    for (const QPointer<TAnnotation>& a : annotations_)
        if (a)
            out.push_back(a.data());
    return out;
}

int TPageForm::SetAnnotationWidth(const QString& text, const QFont& font) const {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(text.trimmed().isEmpty() ? QStringLiteral("X") : text) + kEditExtra;
}

void TPageForm::PlaceAnnotation(TAnnotation& annotation) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Courier);
    font.setPixelSize(std::max(1, AnnotationFontHeight(AnnotationHeight)));
    annotation.setFont(font);
    const TRect box = AnnotationBox({annotation.PclX, annotation.PclY}, PageScale(),
                                    SetAnnotationWidth(annotation.text(), font));
    // The box's bottom-left corner is its point of the page, wherever a turn put that point;
    // the box itself stays level to be read.
    const QPoint corner = FromUprightPoint({box.Left, box.Top + box.Height});
    annotation.setGeometry(corner.x(), corner.y() - box.Height, box.Width, box.Height);
}

void TPageForm::StampAnnotation(TAnnotation& annotation) {
    const TStamp now = StampNow();
    annotation.Touched = true;
    annotation.UserName = AnnotationUserName(DocumentSet);
    annotation.ModifiedDate = now.Date;
    annotation.ModifiedTime = now.Time;
    annotation.UpdateHint();
}

TAnnotation* TPageForm::CreateAnAnnotation(TPoint pcl, const std::string& time, const std::string& date,
                                           const std::string& user, const std::string& text) {
    if (VivaformMode || (Document && !Document->Traits().Annotations))
        return nullptr;
    auto* annotation = new TAnnotation(Image);
    annotation->hide();
    if (!text.empty()) {
        annotation->UserName = user;
        annotation->ModifiedDate = date;
        annotation->ModifiedTime = time;
    } else {
        StampAnnotation(*annotation);
    }
    AnnotationHeight = AnnotationHeightFor(PageScale());
    annotation->SetText(text);
    annotation->PclX = pcl.X;
    annotation->PclY = pcl.Y;
    PlaceAnnotation(*annotation);
    annotation->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(annotation, &QWidget::customContextMenuRequested, this, [this, annotation](const QPoint& pos) {
        annotation->setFocus(Qt::OtherFocusReason);
        MnuAnnotation->popup(annotation->mapToGlobal(pos));
    });
    connect(annotation, &TAnnotation::DoubleClicked, this, &TPageForm::AttachSizer);
    connect(annotation, &QLineEdit::textChanged, this, [this, annotation] { EditChange(annotation); });
    connect(annotation, &TAnnotation::Entered, this, &TPageForm::AnnotationEnter);
    connect(annotation, &TAnnotation::Exited, this, &TPageForm::AnnotationExit);
    annotation->show();
    annotations_.emplace_back(annotation);
    if (DocumentSet == nullptr || DocumentSet->CanAnnotate)
        annotation->SetHintsEnabled(true);
    else
        annotation->SetDisabledLook();
    Image->update();
    return annotation;
}

void TPageForm::LoadAnnotations() {
    SizedAnnotation = nullptr;
    if (CurrentNode == nullptr || CurrentNode->Info == nullptr)
        return;
    const TInfo& info = *CurrentNode->Info;
    if (info.Form == nullptr || info.PageNumber < 1 || info.PageNumber > info.Form->PageCount())
        return;
    const TDocSetPage& page = *info.Form->Pages[size_t(info.PageNumber - 1)];
    for (const auto& a : page.Annotations)
        CreateAnAnnotation({a->XPosition, a->YPosition}, a->Time, a->Date, a->UserId, a->Content);
}

void TPageForm::DrawAnnotations() {
    AnnotationHeight = AnnotationHeightFor(PageScale());
    for (TAnnotation* annotation : Annotations())
        PlaceAnnotation(*annotation);
}

void TPageForm::RemoveAnnotationsFromImage() {
    SizedAnnotation = nullptr;
    if (sizer_ != nullptr) {
        delete sizer_;
        sizer_ = nullptr;
    }
    for (auto it = annotations_.rbegin(); it != annotations_.rend(); ++it)
        delete it->data();
    annotations_.clear();
}

void TPageForm::DestroyAnnotation(TAnnotation* annotation) {
    if (annotation == nullptr)
        return;
    if (sizer_ != nullptr && sizer_->Target() == annotation) {
        sizer_->hide();
        sizer_->deleteLater();
        sizer_ = nullptr;
        SizedAnnotation = nullptr;
    }
    annotations_.erase(std::remove(annotations_.begin(), annotations_.end(), annotation), annotations_.end());
    annotation->hide();
    annotation->deleteLater();
}

bool TPageForm::SaveAnnotations(bool ask) {
    // Only package pages keep their annotations.
    if (VivaformMode || !PackageMode())
        return true;
    if (DocumentSet == nullptr || CurrentNode == nullptr || CurrentNode->Info == nullptr) {
        actSaveAnnotations->setEnabled(false);
        return true;
    }
    const TInfo& info = *CurrentNode->Info;
    const bool changed = DocumentSet->Modified && AnnotationsChanged;
    if (!changed || info.Form == nullptr || info.PageNumber < 1 || info.PageNumber > info.Form->PageCount() ||
        (ask && AskYesNo(kAnnotationsChangedQuestion) != PromptAnswer::Yes)) {
        actSaveAnnotations->setEnabled(false);
        return true;
    }
    KillSizer();
    DocumentSet->AnnotationsToUpload = true;
    std::vector<TAnnotationState> controls;
    for (const TAnnotation* a : Annotations()) {
        // Stored as the upright page has it: the corner's place there, the box above it.
        const TPoint corner = ToUprightPoint({a->x(), a->y() + a->height()});
        controls.push_back(
            {corner.X, corner.Y - a->height(), a->Text(), a->UserName, a->ModifiedDate, a->ModifiedTime});
    }
    TDocSetPage& page = *info.Form->Pages[size_t(info.PageNumber - 1)];
    StoreAnnotations(page, controls, AnnotationHeight, PageScale());
    const bool saved = SavePackage ? SavePackage(*DocumentSet) : SaveWholePackage(*DocumentSet);
    if (!saved)
        return false; // the file is as it was and the user was told; Save stays on for a retry
    // The picture follows what the page now holds: annotated, or a plain page again.
    CurrentNode->ImageIndex = page.HasAnnotations() ? kImageAnnotated : kImagePage;
    if (!Thumbnails->isHidden())
        Thumbnails->RefreshPictures();
    if (NodeChanged)
        NodeChanged(CurrentNode);
    DocumentSet->Modified = false;
    AnnotationsChanged = false;
    modifiedBefore_ = false;
    actSaveAnnotations->setEnabled(false);
    return true;
}

void TPageForm::AttachSizer(TAnnotation* annotation) {
    if (annotation == nullptr)
        return;
    if (DocumentSet != nullptr)
        DocumentSet->Modified = true;
    AnnotationsChanged = true;
    actSaveAnnotations->setEnabled(true);
    KillSizer();
    sizer_ = new TAnnotationSizer(Image, annotation);
    sizer_->show();
    annotation->RestoreColor();
    SizedAnnotation = annotation;
    StampAnnotation(*annotation);
    sizer_->setFocus(Qt::OtherFocusReason);
}

void TPageForm::KillSizer() {
    if (SizedAnnotation) {
        const TPoint corner =
            ToUprightPoint({SizedAnnotation->x(), SizedAnnotation->y() + SizedAnnotation->height()});
        const TPoint p = AnnotationPclPoint(corner.X, corner.Y - SizedAnnotation->height(),
                                            SizedAnnotation->height(), PageScale());
        SizedAnnotation->PclX = p.X;
        SizedAnnotation->PclY = p.Y;
    }
    SizedAnnotation = nullptr;
    if (sizer_ != nullptr) {
        sizer_->hide();
        sizer_->deleteLater();
        sizer_ = nullptr;
        if (isVisible())
            ScrollBox->setFocus(Qt::OtherFocusReason);
    }
}

void TPageForm::AnnotationEnter(TAnnotation* annotation) {
    annotation->RestoreColor();
}

void TPageForm::AnnotationExit(TAnnotation* annotation) {
    annotation->RestoreColor();
    if (!annotation->text().isEmpty())
        return;
    // Destroyed once the focus change has completed.
    QPointer<TAnnotation> guard(annotation);
    QTimer::singleShot(0, this, [this, guard] {
        if (guard && guard->text().isEmpty() && !guard->hasFocus())
            DestroyAnnotation(guard.data());
    });
}

void TPageForm::EditChange(TAnnotation* annotation) {
    if (DocumentSet != nullptr)
        DocumentSet->Modified = true;
    AnnotationsChanged = true;
    actSaveAnnotations->setEnabled(true);
    annotation->resize(SetAnnotationWidth(annotation->text(), annotation->font()), annotation->height());
    const int caret = annotation->cursorPosition();
    annotation->setCursorPosition(0);
    annotation->setCursorPosition(caret);
    if (sizer_ != nullptr && sizer_->Target() == annotation)
        sizer_->Follow();
}

void TPageForm::SetAddTextMode(bool on) {
    AddTextMode = on;
    actAddText->setChecked(on);
    Image->setCursor(on ? AnnotationCursor() : QCursor(Qt::ArrowCursor));
}

void TPageForm::AddTextClick() {
    SetAddTextMode(!AddTextMode);
    if (!AddTextMode)
        KillSizer();
}

void TPageForm::ImageClick() {
    KillSizer();
    if (!AddTextMode) {
        // A click that did not drag a selection drops the one there was.
        if (!selectionDragged_ && !Selection.Empty()) {
            Selection.Clear();
            SelectionChanged();
        }
        return;
    }
    actSaveAnnotations->setEnabled(true);
    const TPoint p = ScreenToPCL(ToUprightPoint(MouseDownPoint), PageScale());
    const TStamp now = StampNow();
    TAnnotation* annotation = CreateAnAnnotation(p, now.Time, now.Date, AnnotationUserName(DocumentSet), "");
    if (annotation != nullptr)
        annotation->setFocus(Qt::OtherFocusReason);
}

void TPageForm::DelTextClick() {
    SetAddTextMode(false);
    if (!actDelText->isEnabled())
        return;
    QWidget* focus = focusWidget();
    if (sizer_ != nullptr && focus == sizer_ && sizer_->Target() != nullptr) {
        focus = sizer_->Target();
        focus->setFocus(Qt::OtherFocusReason);
    }
    auto* annotation = qobject_cast<TAnnotation*>(focus);
    if (annotation == nullptr ||
        std::find(annotations_.begin(), annotations_.end(), annotation) == annotations_.end())
        return;
    DestroyAnnotation(annotation);
    if (DocumentSet != nullptr)
        DocumentSet->Modified = true;
    AnnotationsChanged = true;
    actSaveAnnotations->setEnabled(true);
}

void TPageForm::MoveAnnotationClick() {
    auto* annotation = qobject_cast<TAnnotation*>(focusWidget());
    if (annotation != nullptr)
        AttachSizer(annotation);
}

} // namespace pg
