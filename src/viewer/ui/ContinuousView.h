#pragma once
// TContinuousView: the page window's continuous mode. The pages of a document in one
// scrolling column, each drawn when it first comes into view and let go again when it is more
// than a page away from it, so that however long the document, only the pages around the view
// are held. Pages are shown at the shared page scale, smoothed as they are scaled down.

#include "ContinuousLayout.h"
#include "PageDocument.h"
#include "PageRender.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <map>

namespace pg {

class TContinuousView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TContinuousView(QWidget* parent = nullptr);

    // Shows the pages of the document (the caller keeps it alive while shown, or calls
    // SetDocument again); pages not yet drawn are taken as width x height bitmap pixels.
    void SetDocument(TPageDocument* document, int width, int height, const TRenderOptions& options);
    TPageDocument* Document() const { return document_; }
    // Forgets the document: nothing is shown or held.
    void Clear();
    // The scale changed; the column point under anchor (view coordinates) stays there.
    void SetScale(double scale, QPoint anchor);
    double Scale() const { return scale_; }
    // The top of page shows at the top of the view.
    void ScrollToPage(int page);
    // The page that holds the line a third of the way down the view.
    int CurrentPage() const;
    // The page and the page pixel under a view position (page 0 when between pages).
    int PageAtView(QPoint pos, QPoint* pagePixel = nullptr) const;

    // Pages drawn and held now, and drawn since the document was set.
    int HeldPages() const { return int(drawn_.size()); }
    int DrawCount() const { return drawCount_; }
    const TContinuousLayout& Layout() const { return layout_; }

signals:
    void CurrentPageChanged(int page);
    // Ctrl+wheel over the view: the window decides the scale.
    void WheelZoom(int angleDelta, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateBars();
    // Where page's picture goes in the view.
    QRect PageRect(int page) const;
    const QImage& Drawn(int page);
    void LetGoFarPages();
    void CheckCurrentPage();

    TPageDocument* document_ = nullptr;
    TRenderOptions options_;
    TContinuousLayout layout_;
    double scale_ = 20.0;
    std::map<int, QImage> drawn_;
    int drawCount_ = 0;
    int current_ = 0;
};

} // namespace pg
