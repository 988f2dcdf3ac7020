#include "ContinuousView.h"

#include "ViewerCore.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace pg {

namespace {

// Pixels between pages, and round the column.
constexpr int kGap = 8;

QImage PictureImage(const TPagePicture& picture) {
    if (!picture.Bilevel.Empty()) {
        const TMonoImage& mono = picture.Bilevel;
        QImage image(mono.Data(), mono.Width(), mono.Height(), qsizetype(mono.Stride()), QImage::Format_Mono);
        image.setColorTable({qRgb(int(mono.Colours[0] & 0xFF), int(mono.Colours[0] >> 8 & 0xFF),
                                  int(mono.Colours[0] >> 16 & 0xFF)),
                             qRgb(int(mono.Colours[1] & 0xFF), int(mono.Colours[1] >> 8 & 0xFF),
                                  int(mono.Colours[1] >> 16 & 0xFF))});
        return image.convertToFormat(QImage::Format_Grayscale8);
    }
    const TRgbImage& rgb = picture.Colour;
    return QImage(rgb.Data(), rgb.Width(), rgb.Height(), qsizetype(rgb.Stride()), QImage::Format_BGR888)
        .copy();
}

} // namespace

TContinuousView::TContinuousView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("ContinuousView");
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void TContinuousView::SetDocument(TPageDocument* document, int width, int height,
                                  const TRenderOptions& options) {
    document_ = document;
    options_ = options;
    drawn_.clear();
    drawCount_ = 0;
    current_ = 0;
    layout_.Reset(document != nullptr ? document->PageCount() : 0, width, height, kGap);
    scale_ = SharedPageScale();
    UpdateBars();
    viewport()->update();
}

void TContinuousView::Clear() {
    SetDocument(nullptr, 0, 0, {});
}

void TContinuousView::SetScale(double scale, QPoint anchor) {
    const double before = scale_;
    const double fy =
        double(verticalScrollBar()->value() + anchor.y()) / std::max(1, layout_.TotalHeight(before));
    const double fx =
        double(horizontalScrollBar()->value() + anchor.x()) / std::max(1, layout_.MaxWidth(before));
    scale_ = scale;
    // Pictures are held at the size they are shown: another scale draws them again.
    drawn_.clear();
    UpdateBars();
    horizontalScrollBar()->setValue(KeepPointScroll(fx, layout_.MaxWidth(scale_), anchor.x()));
    verticalScrollBar()->setValue(KeepPointScroll(fy, layout_.TotalHeight(scale_), anchor.y()));
    viewport()->update();
}

void TContinuousView::ScrollToPage(int page) {
    if (page < 1 || page > layout_.Count())
        return;
    verticalScrollBar()->setValue(layout_.Top(page, scale_) - kGap);
    CheckCurrentPage();
}

int TContinuousView::CurrentPage() const {
    if (layout_.Count() == 0)
        return 0;
    return layout_.PageAt(verticalScrollBar()->value() + viewport()->height() / 3, scale_);
}

QRect TContinuousView::PageRect(int page) const {
    const int width = layout_.ShownWidth(page, scale_);
    const int columnWidth = std::max(layout_.MaxWidth(scale_), viewport()->width());
    const int left = (columnWidth - width) / 2 - horizontalScrollBar()->value();
    return {left, layout_.Top(page, scale_) - verticalScrollBar()->value(), width,
            layout_.ShownHeight(page, scale_)};
}

int TContinuousView::PageAtView(QPoint pos, QPoint* pagePixel) const {
    if (layout_.Count() == 0)
        return 0;
    const int page = layout_.PageAt(pos.y() + verticalScrollBar()->value(), scale_);
    const QRect rect = PageRect(page);
    if (!rect.contains(pos))
        return 0;
    if (pagePixel != nullptr)
        *pagePixel = QPoint(RoundScaled((pos.x() - rect.left()) * 100.0 / scale_),
                            RoundScaled((pos.y() - rect.top()) * 100.0 / scale_));
    return page;
}

void TContinuousView::UpdateBars() {
    const QSize view = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, layout_.TotalHeight(scale_) - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(std::max(1, view.height() / 20));
    horizontalScrollBar()->setRange(0, std::max(0, layout_.MaxWidth(scale_) - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(std::max(1, view.width() / 20));
}

const QImage& TContinuousView::Drawn(int page) {
    auto it = drawn_.find(page);
    if (it != drawn_.end())
        return it->second;
    TPagePicture picture = RenderPagePicture(*document_, page, options_);
    ++drawCount_;
    if (!picture.Empty() &&
        (picture.Width() != layout_.PageWidth(page) || picture.Height() != layout_.PageHeight(page))) {
        // The page is not the size it was taken for: the column below it moves, the view
        // stays on what it shows.
        const int top = layout_.Top(page, scale_);
        const int oldHeight = layout_.ShownHeight(page, scale_);
        layout_.SetPageSize(page, picture.Width(), picture.Height());
        UpdateBars();
        if (top < verticalScrollBar()->value())
            verticalScrollBar()->setValue(verticalScrollBar()->value() + layout_.ShownHeight(page, scale_) -
                                          oldHeight);
    }
    const QSize shown(layout_.ShownWidth(page, scale_), layout_.ShownHeight(page, scale_));
    QImage image = picture.Empty()
                       ? QImage()
                       : PictureImage(picture).scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return drawn_[page] = std::move(image);
}

void TContinuousView::LetGoFarPages() {
    const int top = verticalScrollBar()->value();
    const TContinuousLayout::TRange kept =
        TContinuousLayout::Kept(layout_.Visible(top, top + viewport()->height(), scale_), layout_.Count());
    for (auto it = drawn_.begin(); it != drawn_.end();)
        it = kept.Contains(it->first) ? std::next(it) : drawn_.erase(it);
}

void TContinuousView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().dark());
    if (document_ == nullptr || layout_.Count() == 0)
        return;
    const int top = verticalScrollBar()->value();
    const TContinuousLayout::TRange visible = layout_.Visible(top, top + viewport()->height(), scale_);
    for (int page = visible.First; page <= visible.Last; ++page) {
        const QImage& image = Drawn(page);
        const QRect rect = PageRect(page);
        if (image.isNull())
            painter.fillRect(rect, Qt::white);
        else
            painter.drawImage(rect.topLeft(), image);
    }
    LetGoFarPages();
}

void TContinuousView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateBars();
}

void TContinuousView::scrollContentsBy(int, int) {
    viewport()->update();
    CheckCurrentPage();
}

void TContinuousView::CheckCurrentPage() {
    const int page = CurrentPage();
    if (page == current_)
        return;
    current_ = page;
    emit CurrentPageChanged(page);
}

void TContinuousView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers().testFlag(Qt::ControlModifier) && event->angleDelta().y() != 0) {
        emit WheelZoom(event->angleDelta().y(), event->position().toPoint());
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

} // namespace pg
