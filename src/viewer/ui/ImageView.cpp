#include "ImageView.h"

#include <QMouseEvent>
#include <QPainter>

namespace pg {

THLWImageAntialias::THLWImageAntialias(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THLWImageAntialias::Release() {
    picture_ = TAntialiasPicture();
    stretched_ = QImage();
    stretchedGeneration_ = ~uint64_t(0);
}

const QImage& THLWImageAntialias::Stretched() {
    const TRgbImage& picture = picture_.Picture();
    if (picture.Empty() || width() <= 0 || height() <= 0) {
        stretched_ = QImage();
        return stretched_;
    }
    if (stretchedGeneration_ == picture_.Generation() && stretched_.size() == size())
        return stretched_;
    const QImage source(picture.Data(), picture.Width(), picture.Height(), qsizetype(picture.Stride()),
                        QImage::Format_BGR888);
    // The window's stretch takes the nearest pixel; the smoothing passes soften what it drops.
    stretched_ = source.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    stretchedGeneration_ = picture_.Generation();
    return stretched_;
}

void THLWImageAntialias::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& image = Stretched();
    if (image.isNull()) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    painter.drawImage(event->rect(), image, event->rect());
}

void THLWImageAntialias::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    emit MouseDown(event->position().toPoint());
}

void THLWImageAntialias::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit Clicked();
}

void THLWImageAntialias::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMoved(event->position().toPoint());
}

} // namespace pg
