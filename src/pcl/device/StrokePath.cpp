// A pen's outline as polygons, and the devices' default way of stroking a path with it: the
// outline filled under the non-zero rule. Every piece (a segment's band, a join, a cap) is a
// ring turning the same way, so that overlapping pieces add up and never cancel.

#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pg {

namespace {

// Below this width a pen is drawn as the square pen of DrawLine.
constexpr double kThinPen = 2.0;

double Cross(TPagePoint a, TPagePoint b) {
    return a.X * b.Y - a.Y * b.X;
}

// The ring turned so that its signed area is positive (clockwise on the page, y down).
void Orient(TPolygonRing& ring) {
    double area = 0;
    for (size_t i = 0; i < ring.size(); ++i)
        area += Cross(ring[i], ring[(i + 1) % ring.size()]);
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
}

TPolygonRing Disc(TPagePoint c, double r) {
    // Enough sides that the polygon stays within a quarter pixel of the circle.
    const int sides =
        std::clamp(int(std::ceil(std::numbers::pi / std::acos(std::max(0.0, 1 - 0.25 / r)))), 8, 128);
    TPolygonRing ring;
    ring.reserve(size_t(sides));
    for (int i = 0; i < sides; ++i) {
        const double a = 2 * std::numbers::pi * i / sides;
        ring.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
    }
    return ring;
}

void Add(std::vector<TPolygonRing>& out, TPolygonRing ring) {
    if (ring.size() < 3)
        return;
    Orient(ring);
    out.push_back(std::move(ring));
}

// The unit direction from a to b, and its left normal.
struct TDir {
    TPagePoint D, N;
};
TDir Direction(TPagePoint a, TPagePoint b) {
    const double len = std::hypot(b.X - a.X, b.Y - a.Y);
    const TPagePoint d{(b.X - a.X) / len, (b.Y - a.Y) / len};
    return {d, {-d.Y, d.X}};
}

void Cap(std::vector<TPolygonRing>& out, TPagePoint end, TDir dir, double h, TLineCap cap) {
    // dir points outwards from the end.
    const TPagePoint l{end.X + dir.N.X * h, end.Y + dir.N.Y * h}, r{end.X - dir.N.X * h, end.Y - dir.N.Y * h};
    switch (cap) {
    case TLineCap::Butt:
        break;
    case TLineCap::Square:
        Add(out, {l, {l.X + dir.D.X * h, l.Y + dir.D.Y * h}, {r.X + dir.D.X * h, r.Y + dir.D.Y * h}, r});
        break;
    case TLineCap::Triangle:
        Add(out, {l, {end.X + dir.D.X * h, end.Y + dir.D.Y * h}, r});
        break;
    case TLineCap::Round:
        Add(out, Disc(end, h));
        break;
    }
}

void Join(std::vector<TPolygonRing>& out, TPagePoint at, TDir in, TDir next, double h,
          const TStrokeStyle& style) {
    const double turn = Cross(in.D, next.D);
    if (std::abs(turn) < 1e-9 && in.D.X * next.D.X + in.D.Y * next.D.Y > 0)
        return; // straight on
    if (style.Join == TLineJoin::Round) {
        Add(out, Disc(at, h));
        return;
    }
    if (style.Join == TLineJoin::None)
        return;
    // The outer side of the turn: the bands' corners there, and the gap between them.
    const double side = turn > 0 ? -1 : 1;
    const TPagePoint a{at.X + side * in.N.X * h, at.Y + side * in.N.Y * h};
    const TPagePoint b{at.X + side * next.N.X * h, at.Y + side * next.N.Y * h};
    TPagePoint bis{a.X + b.X - 2 * at.X, a.Y + b.Y - 2 * at.Y};
    const double bisLen = std::hypot(bis.X, bis.Y);
    if (style.Join == TLineJoin::Triangle && bisLen > 1e-9) {
        const TPagePoint tip{at.X + bis.X / bisLen * h, at.Y + bis.Y / bisLen * h};
        Add(out, {at, a, tip, b});
        return;
    }
    if (style.Join == TLineJoin::Miter || style.Join == TLineJoin::MiterBevel) {
        // The mitre's length over the pen width is 1 / sin(half the angle between the segments).
        const double cosTheta = std::clamp(-(in.D.X * next.D.X + in.D.Y * next.D.Y), -1.0, 1.0);
        const double sinHalf = std::sqrt((1 - cosTheta) / 2);
        if (sinHalf > 1e-9 && 1 / sinHalf <= style.MiterLimit && bisLen > 1e-9) {
            const double reach = h / sinHalf;
            const TPagePoint tip{at.X + bis.X / bisLen * reach, at.Y + bis.Y / bisLen * reach};
            Add(out, {at, a, tip, b});
            return;
        }
    }
    Add(out, {at, a, b});
}

} // namespace

std::vector<TPolygonRing> StrokeOutline(const TPolygonRing& path, bool closed, const TStrokeStyle& style) {
    std::vector<TPolygonRing> out;
    const double h = std::max(style.Width, 0.0) / 2;
    // The points without repeats, all finite.
    TPolygonRing pts;
    pts.reserve(path.size());
    for (const TPagePoint& p : path) {
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            continue;
        if (pts.empty() || std::hypot(p.X - pts.back().X, p.Y - pts.back().Y) > 1e-6)
            pts.push_back(p);
    }
    if (closed && pts.size() > 2 &&
        std::hypot(pts.front().X - pts.back().X, pts.front().Y - pts.back().Y) <= 1e-6)
        pts.pop_back();
    if (pts.empty() || h <= 0)
        return out;
    if (pts.size() == 1) {
        const TPagePoint c = pts.front();
        if (style.Cap == TLineCap::Round)
            Add(out, Disc(c, h));
        else
            Add(out, {{c.X - h, c.Y - h}, {c.X + h, c.Y - h}, {c.X + h, c.Y + h}, {c.X - h, c.Y + h}});
        return out;
    }
    const bool ring = closed && pts.size() > 2;
    const size_t segments = ring ? pts.size() : pts.size() - 1;
    out.reserve(segments * 2 + 2);
    for (size_t i = 0; i < segments; ++i) {
        const TPagePoint a = pts[i], b = pts[(i + 1) % pts.size()];
        const TDir d = Direction(a, b);
        Add(out, {{a.X + d.N.X * h, a.Y + d.N.Y * h},
                  {b.X + d.N.X * h, b.Y + d.N.Y * h},
                  {b.X - d.N.X * h, b.Y - d.N.Y * h},
                  {a.X - d.N.X * h, a.Y - d.N.Y * h}});
        if (i + 1 < segments || ring) {
            const TPagePoint c = pts[(i + 2) % pts.size()];
            Join(out, b, d, Direction(b, c), h, style);
        }
    }
    if (!ring) {
        const TDir first = Direction(pts[1], pts[0]);
        const TDir last = Direction(pts[pts.size() - 2], pts.back());
        Cap(out, pts.front(), first, h, style.Cap);
        Cap(out, pts.back(), last, h, style.Cap);
    }
    return out;
}

void TPCLDevice::StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style) {
    if (style.Width < kThinPen) {
        const int pen = std::max(1, int(style.Width));
        for (const TPolygonRing& path : paths) {
            const size_t n = path.size();
            if (n == 1)
                DrawLine(int(std::lround(path[0].X)), int(std::lround(path[0].Y)),
                         int(std::lround(path[0].X)) + 1, int(std::lround(path[0].Y)), pen, style.Colour);
            const size_t segments = closed && n > 2 ? n : (n > 0 ? n - 1 : 0);
            for (size_t i = 0; i < segments; ++i) {
                const TPagePoint a = path[i], b = path[(i + 1) % n];
                if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y))
                    continue;
                const int x1 = int(std::lround(std::clamp(a.X, -1e6, 1e6))),
                          y1 = int(std::lround(std::clamp(a.Y, -1e6, 1e6)));
                const int x2 = int(std::lround(std::clamp(b.X, -1e6, 1e6))),
                          y2 = int(std::lround(std::clamp(b.Y, -1e6, 1e6)));
                // The end point is left out by DrawLine; the last segment of an open path draws it.
                DrawLine(x1, y1, x2, y2, pen, style.Colour);
                if (i + 1 == segments && !closed)
                    DrawLine(x2, y2, x2 + 1, y2, pen, style.Colour);
            }
        }
        return;
    }
    const TPaint paint = TPaint::Solid(style.Colour);
    for (const TPolygonRing& path : paths) {
        const std::vector<TPolygonRing> outline = StrokeOutline(path, closed, style);
        if (!outline.empty())
            FillPolygon(outline, TFillRule::NonZero, paint);
    }
}

} // namespace pg
