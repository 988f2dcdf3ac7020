#include "TextHighlights.h"

#include "ImageView.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace pg {

TTextHighlights::TTextHighlights(THLWImageAntialias* image) : QWidget(image), image_(image) {
    setObjectName("TextHighlights");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(image->size());
    image->installEventFilter(this);
}

QColor TTextHighlights::HitColour() {
    return QColor(255, 214, 0);
}

QColor TTextHighlights::CurrentHitColour() {
    return QColor(255, 128, 0);
}

QColor TTextHighlights::SelectionColour() {
    return QColor(120, 170, 255);
}

std::vector<QRect> TTextHighlights::Scaled(const std::vector<TTextBox>& boxes) const {
    std::vector<QRect> marks;
    // The boxes are on the upright page; the image may show it turned.
    const int pageWidth = image_->Picture().Width(), pageHeight = image_->Picture().Height();
    if (pageWidth <= 0 || pageHeight <= 0)
        return marks;
    const QSize upright = image_->UprightSize();
    const double sx = double(upright.width()) / pageWidth;
    const double sy = double(upright.height()) / pageHeight;
    for (const TTextBox& box : boxes)
        marks.push_back(QRectF(image_->FromUpright(QPointF(box.Left * sx, box.Top * sy)),
                               image_->FromUpright(QPointF(box.Right * sx, box.Bottom * sy)))
                            .normalized()
                            .toAlignedRect());
    return marks;
}

std::vector<QRect> TTextHighlights::Marks() const {
    return Boxes ? Scaled(Boxes()) : std::vector<QRect>();
}

std::vector<QRect> TTextHighlights::CurrentMarks() const {
    return CurrentBoxes ? Scaled(CurrentBoxes()) : std::vector<QRect>();
}

std::vector<QRect> TTextHighlights::SelectionMarks() const {
    return SelectionBoxes ? Scaled(SelectionBoxes()) : std::vector<QRect>();
}

void TTextHighlights::paintEvent(QPaintEvent*) {
    const std::vector<QRect> marks = Marks(), current = CurrentMarks(), selection = SelectionMarks();
    if (marks.empty() && current.empty() && selection.empty())
        return;
    QPainter painter(this);
    // Multiplied over the page, the mark tints the paper and leaves the letters black.
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    for (const QRect& mark : marks)
        if (std::find(current.begin(), current.end(), mark) == current.end())
            painter.fillRect(mark, HitColour());
    // The hit the user is at stands out from the others: a stronger colour and a frame.
    for (const QRect& mark : current) {
        painter.fillRect(mark, CurrentHitColour());
        painter.setPen(QPen(QColor(200, 60, 0), 1));
        painter.drawRect(mark.adjusted(0, 0, -1, -1));
    }
    for (const QRect& mark : selection)
        painter.fillRect(mark, SelectionColour());
}

bool TTextHighlights::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_ && event->type() == QEvent::Resize)
        resize(image_->size());
    return QWidget::eventFilter(watched, event);
}

} // namespace pg
