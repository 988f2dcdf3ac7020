#include "TextHighlights.h"

#include "ImageView.h"

#include <QEvent>
#include <QPainter>

namespace pg {

TTextHighlights::TTextHighlights(THLWImageAntialias* image) : QWidget(image), image_(image) {
    setObjectName("TextHighlights");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(image->size());
    image->installEventFilter(this);
}

std::vector<QRect> TTextHighlights::Marks() const {
    std::vector<QRect> marks;
    if (!Boxes || image_->BitmapWidth() <= 0 || image_->BitmapHeight() <= 0)
        return marks;
    const double sx = double(image_->width()) / image_->BitmapWidth();
    const double sy = double(image_->height()) / image_->BitmapHeight();
    for (const TTextBox& box : Boxes())
        marks.push_back(QRectF(QPointF(box.Left * sx, box.Top * sy), QPointF(box.Right * sx, box.Bottom * sy))
                            .toAlignedRect());
    return marks;
}

void TTextHighlights::paintEvent(QPaintEvent*) {
    const std::vector<QRect> marks = Marks();
    if (marks.empty())
        return;
    QPainter painter(this);
    // Multiplied over the page, the mark tints the paper and leaves the letters black.
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    for (const QRect& mark : marks)
        painter.fillRect(mark, QColor(255, 214, 0));
}

bool TTextHighlights::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_ && event->type() == QEvent::Resize)
        resize(image_->size());
    return QWidget::eventFilter(watched, event);
}

} // namespace pg
