#include "ImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>

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

void THLWImageAntialias::StretchMono() {
    TMonoImage& mono = picture_.MonoBase();
    // The bits are the picture's own: the image neither copies nor changes them.
    QImage source(mono.Data(), mono.Width(), mono.Height(), qsizetype(mono.Stride()), QImage::Format_Mono);
    source.setColorTable({qRgb(int(mono.Colours[0] & 0xFF), int(mono.Colours[0] >> 8 & 0xFF),
                               int(mono.Colours[0] >> 16 & 0xFF)),
                          qRgb(int(mono.Colours[1] & 0xFF), int(mono.Colours[1] >> 8 & 0xFF),
                               int(mono.Colours[1] >> 16 & 0xFF))});
    stretched_ = source.scaled(UprightSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (picture_.PassCount() <= 0)
        return;
    const QImage bgr = stretched_.convertToFormat(QImage::Format_BGR888);
    TRgbImage shown(bgr.width(), bgr.height());
    for (int y = 0; y < shown.Height(); ++y)
        std::copy_n(bgr.constScanLine(y), shown.Stride(), shown.Row(y));
    for (int i = 0; i < picture_.PassCount(); ++i)
        AntiAliasPass(shown);
    stretched_ =
        QImage(shown.Data(), shown.Width(), shown.Height(), qsizetype(shown.Stride()), QImage::Format_BGR888)
            .copy();
}

const QImage& THLWImageAntialias::Stretched() {
    if (picture_.Empty() || width() <= 0 || height() <= 0) {
        stretched_ = QImage();
        return stretched_;
    }
    if (stretchedGeneration_ == picture_.Generation() && stretched_.size() == size())
        return stretched_;
    if (picture_.IsMono()) {
        StretchMono();
        Turn();
        stretchedGeneration_ = picture_.Generation();
        return stretched_;
    }
    const TRgbImage& picture = picture_.Picture();
    const QImage source(picture.Data(), picture.Width(), picture.Height(), qsizetype(picture.Stride()),
                        QImage::Format_BGR888);
    // The window's stretch takes the nearest pixel; the smoothing passes soften what it drops.
    stretched_ = source.scaled(UprightSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    Turn();
    stretchedGeneration_ = picture_.Generation();
    return stretched_;
}

void THLWImageAntialias::Turn() {
    if (turns_ != 0)
        stretched_ = stretched_.transformed(QTransform().rotate(90.0 * turns_));
}

void THLWImageAntialias::SetQuarterTurns(int turns) {
    turns_ = ((turns % 4) + 4) % 4;
    stretchedGeneration_ = ~uint64_t(0);
    update();
}

QPointF THLWImageAntialias::ToUpright(QPointF pos) const {
    const QSize upright = UprightSize();
    switch (turns_) {
    case 1:
        return {pos.y(), upright.height() - pos.x()};
    case 2:
        return {upright.width() - pos.x(), upright.height() - pos.y()};
    case 3:
        return {upright.width() - pos.y(), pos.x()};
    default:
        return pos;
    }
}

QPointF THLWImageAntialias::FromUpright(QPointF pos) const {
    const QSize upright = UprightSize();
    switch (turns_) {
    case 1:
        return {upright.height() - pos.y(), pos.x()};
    case 2:
        return {upright.width() - pos.x(), upright.height() - pos.y()};
    case 3:
        return {pos.y(), upright.width() - pos.x()};
    default:
        return pos;
    }
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
    pressedAt_ = event->position().toPoint();
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
    if (pressed_ && event->buttons().testFlag(Qt::LeftButton))
        emit Dragged(pressedAt_, event->position().toPoint());
}

void THLWImageAntialias::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked(event->position().toPoint());
}

QImage THLWImageAntialias::PageImage() const {
    if (picture_.Empty())
        return {};
    if (picture_.IsMono()) {
        const TMonoImage& mono = picture_.MonoBase();
        QImage source(mono.Data(), mono.Width(), mono.Height(), qsizetype(mono.Stride()),
                      QImage::Format_Mono);
        source.setColorTable({qRgb(int(mono.Colours[0] & 0xFF), int(mono.Colours[0] >> 8 & 0xFF),
                                   int(mono.Colours[0] >> 16 & 0xFF)),
                              qRgb(int(mono.Colours[1] & 0xFF), int(mono.Colours[1] >> 8 & 0xFF),
                                   int(mono.Colours[1] >> 16 & 0xFF))});
        return source.transformed(QTransform().rotate(90.0 * turns_));
    }
    const TRgbImage& base = picture_.Base();
    return QImage(base.Data(), base.Width(), base.Height(), qsizetype(base.Stride()), QImage::Format_BGR888)
        .transformed(QTransform().rotate(90.0 * turns_));
}

} // namespace pg
