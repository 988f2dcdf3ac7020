#pragma once
// TTextHighlights: translucent marks over words of the page image (the hits of a search). It lies
// over the whole image, lets the mouse through, and scales the page-pixel boxes to the image's
// size at every paint, so the marks follow every zoom.

#include "PackageFind.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace pg {

class THLWImageAntialias;

class TTextHighlights : public QWidget {
    Q_OBJECT
public:
    explicit TTextHighlights(THLWImageAntialias* image);

    // The boxes to mark on the page shown now, in page pixels; none without it.
    std::function<std::vector<TTextBox>()> Boxes;
    // Of those, the boxes of the hit the user is at: marked in a stronger colour with a frame.
    std::function<std::vector<TTextBox>()> CurrentBoxes;
    // The words the user selected, marked as the hits are, in the selection's colour.
    std::function<std::vector<TTextBox>()> SelectionBoxes;
    // The marks as painted now, in image coordinates.
    std::vector<QRect> Marks() const;
    std::vector<QRect> CurrentMarks() const;
    std::vector<QRect> SelectionMarks() const;

    // The colours of the marks, over white paper.
    static QColor HitColour();
    static QColor CurrentHitColour();
    static QColor SelectionColour();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QRect> Scaled(const std::vector<TTextBox>& boxes) const;

    THLWImageAntialias* image_;
};

} // namespace pg
