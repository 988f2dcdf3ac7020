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
    // The marks as painted now, in image coordinates.
    std::vector<QRect> Marks() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    THLWImageAntialias* image_;
};

} // namespace pg
