#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pg {

namespace {

// An edge from its upper end (Y0) to its lower end; Dir +1 when it runs downwards in its ring.
struct TEdge {
    double X0, Y0, X1, Y1;
    int Dir;
};

struct TEdges {
    std::vector<TEdge> List;
    double Top = 0, Bottom = 0, Left = 0, Right = 0;
};

bool Finite(const TPagePoint& p) {
    return std::isfinite(p.X) && std::isfinite(p.Y);
}

TEdges CollectEdges(std::span<const TPolygonRing> rings) {
    TEdges edges;
    for (const TPolygonRing& ring : rings) {
        if (ring.size() <= 2)
            continue;
        for (size_t i = 0; i < ring.size(); ++i) {
            const TPagePoint a = ring[i], b = ring[(i + 1) % ring.size()];
            if (a.Y == b.Y || !Finite(a) || !Finite(b))
                continue;
            const bool first = edges.List.empty();
            edges.List.push_back(a.Y < b.Y ? TEdge{a.X, a.Y, b.X, b.Y, 1} : TEdge{b.X, b.Y, a.X, a.Y, -1});
            edges.Top = first ? std::min(a.Y, b.Y) : std::min({edges.Top, a.Y, b.Y});
            edges.Bottom = first ? std::max(a.Y, b.Y) : std::max({edges.Bottom, a.Y, b.Y});
            edges.Left = first ? std::min(a.X, b.X) : std::min({edges.Left, a.X, b.X});
            edges.Right = first ? std::max(a.X, b.X) : std::max({edges.Right, a.X, b.X});
        }
    }
    return edges;
}

// The rows the edges reach on a page of height rows: first .. last - 1.
std::pair<int, int> RowRange(const TEdges& edges, int height) {
    const double h = std::max(height, 0);
    return {int(std::clamp(std::floor(edges.Top), 0.0, h)), int(std::clamp(std::ceil(edges.Bottom), 0.0, h))};
}

} // namespace

void ForEachPolygonSpan(std::span<const TPolygonRing> rings, TFillRule rule, int width, int height,
                        const std::function<void(int y, int left, int right)>& span) {
    TEdges edges = CollectEdges(rings);
    if (edges.List.empty())
        return;
    const bool nonZero = rule == TFillRule::NonZero;
    const auto [y0, y1] = RowRange(edges, height);
    // Edges by their upper end; a row is tested against the edges that reach it (the active
    // list), so a row costs what crosses it, not every edge of the polygon.
    std::sort(edges.List.begin(), edges.List.end(),
              [](const TEdge& a, const TEdge& b) { return a.Y0 < b.Y0; });
    size_t next = 0;
    std::vector<const TEdge*> active;
    std::vector<std::pair<double, int>> cuts;
    for (int y = y0; y < y1; ++y) {
        const double sy = y + 0.5;
        while (next < edges.List.size() && edges.List[next].Y0 <= sy)
            active.push_back(&edges.List[next++]);
        std::erase_if(active, [&](const TEdge* e) { return e->Y1 <= sy; });
        cuts.clear();
        for (const TEdge* e : active)
            if (sy >= e->Y0 && sy < e->Y1)
                cuts.emplace_back(e->X0 + (sy - e->Y0) * (e->X1 - e->X0) / (e->Y1 - e->Y0), e->Dir);
        std::sort(cuts.begin(), cuts.end());
        int winding = 0;
        for (size_t i = 0; i + 1 < cuts.size(); ++i) {
            winding += nonZero ? cuts[i].second : 1;
            if (nonZero ? winding == 0 : winding % 2 == 0)
                continue;
            const double from = std::max(0.0, std::round(cuts[i].first));
            const double to = std::min(double(width), std::round(cuts[i + 1].first));
            if (to > from)
                span(y, int(from), int(to));
        }
    }
}

int64_t PolygonSpanWork(std::span<const TPolygonRing> rings, int width, int height) {
    const TEdges edges = CollectEdges(rings);
    if (edges.List.empty())
        return 0;
    const auto [y0, y1] = RowRange(edges, height);
    const double w = std::max(width, 0);
    const auto left = int64_t(std::clamp(std::floor(edges.Left), 0.0, w));
    const auto right = int64_t(std::clamp(std::ceil(edges.Right), 0.0, w));
    // Each edge weighs the rows it crosses on the page; every pixel of the bounding box counts once.
    int64_t crossings = 0;
    const double h = std::max(height, 0);
    for (const TEdge& e : edges.List)
        crossings += int64_t(std::clamp(std::ceil(e.Y1), 0.0, h) - std::clamp(std::floor(e.Y0), 0.0, h)) + 1;
    return int64_t(edges.List.size()) + crossings + int64_t(y1 - y0) * (right - left + 1);
}

namespace {

struct TClip {
    double L, T, R, B;
};

// The part of segment a-b inside the clip (Liang-Barsky); false when none is.
bool ClipSegment(const TClip& c, TPagePoint& a, TPagePoint& b) {
    double t0 = 0, t1 = 1;
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    auto edge = [&](double num, double den) {
        if (den == 0)
            return num >= 0;
        const double t = num / den;
        if (den < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!edge(a.X - c.L, -dx) || !edge(c.R - a.X, dx) || !edge(a.Y - c.T, -dy) || !edge(c.B - a.Y, dy))
        return false;
    b = {a.X + t1 * dx, a.Y + t1 * dy};
    a = {a.X + t0 * dx, a.Y + t0 * dy};
    return true;
}

} // namespace

std::vector<TPolygonRing> ClipPathsToRect(const std::vector<TPolygonRing>& paths, bool& closed, double left,
                                          double top, double right, double bottom) {
    const TClip c{left, top, right, bottom};
    std::vector<TPolygonRing> out;
    bool allInside = true;
    for (const TPolygonRing& path : paths)
        for (const TPagePoint& q : path)
            allInside = allInside && q.X >= c.L && q.X <= c.R && q.Y >= c.T && q.Y <= c.B;
    if (allInside)
        return paths;
    for (const TPolygonRing& path : paths) {
        const size_t n = path.size();
        if (n == 1) {
            if (path[0].X >= c.L && path[0].X <= c.R && path[0].Y >= c.T && path[0].Y <= c.B)
                out.push_back(path);
            continue;
        }
        const size_t segments = closed && n > 2 ? n : n - 1;
        bool open = false;
        for (size_t i = 0; i < segments; ++i) {
            TPagePoint a = path[i], b = path[(i + 1) % n];
            const TPagePoint endB = b;
            if (!ClipSegment(c, a, b)) {
                open = false;
                continue;
            }
            if (!open || std::hypot(out.back().back().X - a.X, out.back().back().Y - a.Y) > 1e-6)
                out.push_back({a});
            out.back().push_back(b);
            open = b.X == endB.X && b.Y == endB.Y;
        }
    }
    closed = false;
    return out;
}

} // namespace pg
