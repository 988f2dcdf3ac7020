#pragma once
// The column of pages of the page window's continuous mode: where each page of a document
// stands at a scale, which pages a view over part of the column shows, and which drawn pages
// may be kept. Sizes are page bitmap pixels (300 per inch) until a page is drawn: pages not yet
// drawn are taken to be as large as the page they were estimated from.

#include <cstddef>
#include <vector>

namespace pg {

class TContinuousLayout {
public:
    // count pages, each estimated at width x height bitmap pixels; gap pixels between pages on
    // screen.
    void Reset(int count, int width, int height, int gap);
    int Count() const { return int(sizes_.size()); }
    // A drawn page's own size (pages 1-based).
    void SetPageSize(int page, int width, int height);
    int PageWidth(int page) const { return sizes_[size_t(page - 1)].Width; }
    int PageHeight(int page) const { return sizes_[size_t(page - 1)].Height; }

    // On screen at the scale (percent): a page's top and height, the column's height and width.
    int Top(int page, double scale) const;
    int ShownHeight(int page, double scale) const;
    int ShownWidth(int page, double scale) const;
    int TotalHeight(double scale) const;
    int MaxWidth(double scale) const;
    // The page at column position y (the last page below the column; 0 without pages).
    int PageAt(int y, double scale) const;
    // The pages from the one at top to the one at bottom, inclusive.
    struct TRange {
        int First = 0, Last = -1;
        bool Contains(int page) const { return page >= First && page <= Last; }
    };
    TRange Visible(int top, int bottom, double scale) const;
    // The drawn pages worth keeping for a view showing `visible`: those and one page on each side.
    static TRange Kept(TRange visible, int count);

private:
    struct TSize {
        int Width = 0, Height = 0;
    };
    std::vector<TSize> sizes_;
    int gap_ = 0;
};

} // namespace pg
