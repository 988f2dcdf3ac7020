#include "ContinuousLayout.h"

#include "ViewerCore.h"

#include <algorithm>

namespace pg {

void TContinuousLayout::Reset(int count, int width, int height, int gap) {
    sizes_.assign(size_t(std::max(count, 0)), TSize{width, height});
    gap_ = gap;
}

void TContinuousLayout::SetPageSize(int page, int width, int height) {
    if (page >= 1 && page <= Count())
        sizes_[size_t(page - 1)] = {width, height};
}

int TContinuousLayout::ShownHeight(int page, double scale) const {
    return ScaledSide(PageHeight(page), scale);
}

int TContinuousLayout::ShownWidth(int page, double scale) const {
    return ScaledSide(PageWidth(page), scale);
}

int TContinuousLayout::Top(int page, double scale) const {
    int top = gap_;
    for (int p = 1; p < page && p <= Count(); ++p)
        top += ShownHeight(p, scale) + gap_;
    return top;
}

int TContinuousLayout::TotalHeight(double scale) const {
    return Top(Count() + 1, scale);
}

int TContinuousLayout::MaxWidth(double scale) const {
    int width = 0;
    for (int p = 1; p <= Count(); ++p)
        width = std::max(width, ShownWidth(p, scale));
    return width + 2 * gap_;
}

int TContinuousLayout::PageAt(int y, double scale) const {
    int top = gap_;
    for (int p = 1; p <= Count(); ++p) {
        top += ShownHeight(p, scale) + gap_;
        if (y < top)
            return p;
    }
    return Count();
}

TContinuousLayout::TRange TContinuousLayout::Visible(int top, int bottom, double scale) const {
    if (Count() == 0)
        return {};
    return {PageAt(top, scale), PageAt(bottom, scale)};
}

TContinuousLayout::TRange TContinuousLayout::Kept(TRange visible, int count) {
    if (visible.Last < visible.First)
        return visible;
    return {std::max(1, visible.First - 1), std::min(count, visible.Last + 1)};
}

} // namespace pg
