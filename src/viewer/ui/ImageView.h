#pragma once
// THLWImageAntialias: the page image control. It keeps the unsmoothed page (the base), the
// picture with its smoothing passes, and draws the picture stretched to its own size. The
// stretched copy is kept until the size or the picture changes. Line art is stretched from its
// one bit a pixel, and its smoothing passes go over the stretched copy.

#include "ImageAntialias.h"

#include <QImage>
#include <QWidget>

namespace pg {

class THLWImageAntialias : public QWidget {
    Q_OBJECT
public:
    explicit THLWImageAntialias(QWidget* parent = nullptr);

    void SetBase(TRgbImage image) { picture_.SetBase(std::move(image)); }
    void SetBase(TMonoImage image) { picture_.SetBase(std::move(image)); }
    void Reset() { picture_.Reset(); }
    void AntiAlias() { picture_.AntiAlias(); }
    int PassCount() const { return picture_.PassCount(); }
    TAntialiasPicture& Picture() { return picture_; }
    const TAntialiasPicture& Picture() const { return picture_; }
    bool Empty() const { return picture_.Empty(); }
    // The page as shown: turned by QuarterTurns, so a page turned once is as wide as it is high
    // upright.
    int BitmapWidth() const { return turns_ % 2 != 0 ? picture_.Height() : picture_.Width(); }
    int BitmapHeight() const { return turns_ % 2 != 0 ? picture_.Width() : picture_.Height(); }
    // Quarter turns clockwise (0 to 3) the page is shown turned by; the picture stays upright.
    int QuarterTurns() const { return turns_; }
    void SetQuarterTurns(int turns);
    // Between a position on the control and the same place on the upright page at the same
    // scale (the control turned back).
    QPointF ToUpright(QPointF pos) const;
    QPointF FromUpright(QPointF pos) const;
    // The control's size with the page upright.
    QSize UprightSize() const { return turns_ % 2 != 0 ? size().transposed() : size(); }
    // Releases the pictures.
    void Release();

    // The picture stretched to the control's size (made now when out of date).
    const QImage& Stretched();
    // The page at its own size, without smoothing (null when there is none).
    QImage PageImage() const;

signals:
    void MouseDown(QPoint pos);
    void Clicked();
    void MouseMoved(QPoint pos);
    // The mouse moved with the left button held since a press at from.
    void Dragged(QPoint from, QPoint to);
    void DoubleClicked(QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void StretchMono();
    // Turns the stretched picture as the page is shown.
    void Turn();

    TAntialiasPicture picture_;
    QImage stretched_;
    uint64_t stretchedGeneration_ = ~uint64_t(0);
    bool pressed_ = false;
    int turns_ = 0;
    QPoint pressedAt_;
};

} // namespace pg
