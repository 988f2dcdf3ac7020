#include "PclXlGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pg::xl {

namespace {

constexpr double kPi = std::numbers::pi;
// How far a flattened curve may stray from the true one, in page pixels.
constexpr double kFlatness = 0.25;

double Cross(TPagePoint o, TPagePoint a, TPagePoint b) {
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

double Length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

bool Finite(TPagePoint p) {
    return std::isfinite(p.X) && std::isfinite(p.Y);
}

// Points of a circle of radius r around c, enough that the polygon strays less than the
// flatness from the circle.
TPolygonRing Circle(TPagePoint c, double r) {
    const double step = r > kFlatness ? 2 * std::acos(1 - kFlatness / r) : kPi / 4;
    const int n = std::clamp(ToPixel(std::ceil(2 * kPi / step)), 8, 256);
    TPolygonRing ring;
    ring.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        ring.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
    }
    return ring;
}

void AddRing(std::vector<TPolygonRing>& rings, TPolygonRing ring) {
    const double area = SignedArea(ring);
    if (!(std::abs(area) > 1e-9))
        return;
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
    rings.push_back(std::move(ring));
}

// The subpath without repeated points.
std::vector<TPagePoint> DistinctPoints(const TSubpath& subpath) {
    std::vector<TPagePoint> points;
    points.reserve(subpath.Points.size());
    for (const TPagePoint& p : subpath.Points)
        if (Finite(p) && (points.empty() || p.X != points.back().X || p.Y != points.back().Y))
            points.push_back(p);
    if (subpath.Closed && points.size() > 1 && points.front().X == points.back().X &&
        points.front().Y == points.back().Y)
        points.pop_back();
    return points;
}

// The pieces of an open polyline that the dash pattern draws.
std::vector<std::vector<TPagePoint>> DashPieces(const std::vector<TPagePoint>& line,
                                                const TStrokeStyle& style) {
    std::vector<std::vector<TPagePoint>> pieces;
    double total = 0;
    for (double d : style.Dashes)
        total += d;
    if (!(total > 0))
        return {line};
    // Where in the pattern the line starts.
    size_t index = 0;
    double left = style.Dashes[0];
    double offset = std::fmod(std::max(style.DashOffset, 0.0), total);
    while (offset > 0) {
        const double step = std::min(offset, left);
        offset -= step;
        left -= step;
        if (left <= 0) {
            index = (index + 1) % style.Dashes.size();
            left = style.Dashes[index];
        }
    }
    bool on = index % 2 == 0;
    std::vector<TPagePoint> piece;
    if (on)
        piece.push_back(line.front());
    size_t guard = 0;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        TPagePoint a = line[i];
        const TPagePoint b = line[i + 1];
        double segment = Length(b.X - a.X, b.Y - a.Y);
        while (segment > 0 && ++guard < 1'000'000) {
            const double step = std::min(segment, left);
            const double t = step / segment;
            a = {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
            segment -= step;
            left -= step;
            if (on)
                piece.push_back(a);
            if (left <= 1e-9) {
                if (on && piece.size() > 1)
                    pieces.push_back(std::move(piece));
                piece.clear();
                on = !on;
                index = (index + 1) % style.Dashes.size();
                left = style.Dashes[index];
                if (on)
                    piece.push_back(a);
            }
        }
    }
    if (on && piece.size() > 1)
        pieces.push_back(std::move(piece));
    return pieces;
}

void AddJoin(std::vector<TPolygonRing>& rings, TPagePoint p, TPagePoint in, TPagePoint out, double hw,
             const TStrokeStyle& style) {
    const double li = Length(in.X, in.Y), lo = Length(out.X, out.Y);
    if (li <= 0 || lo <= 0)
        return;
    const TPagePoint da{in.X / li, in.Y / li}, db{out.X / lo, out.Y / lo};
    const TPagePoint na{-da.Y * hw, da.X * hw}, nb{-db.Y * hw, db.X * hw};
    switch (style.Join) {
    case TLineJoin::None:
        return;
    case TLineJoin::Round:
        AddRing(rings, Circle(p, hw));
        return;
    case TLineJoin::Bevel:
    case TLineJoin::Miter:
        break;
    }
    // The outer side of the turn is where the offset lines part.
    const double turn = da.X * db.Y - da.Y * db.X;
    const double side = turn > 0 ? -1.0 : 1.0;
    const TPagePoint a{p.X + side * na.X, p.Y + side * na.Y}, b{p.X + side * nb.X, p.Y + side * nb.Y};
    if (style.Join == TLineJoin::Miter) {
        const double cosPhi = std::clamp((na.X * nb.X + na.Y * nb.Y) / (hw * hw), -1.0, 1.0);
        const double cosHalf = std::sqrt((1 + cosPhi) / 2);
        if (cosHalf > 1e-9 && 1 / cosHalf <= style.MiterLimit) {
            const double mx = na.X + nb.X, my = na.Y + nb.Y, ml = Length(mx, my);
            if (ml > 1e-12) {
                const double reach = hw / cosHalf;
                const TPagePoint tip{p.X + side * mx / ml * reach, p.Y + side * my / ml * reach};
                AddRing(rings, {p, a, tip, b});
                return;
            }
        }
    }
    AddRing(rings, {p, a, b});
}

void AddCap(std::vector<TPolygonRing>& rings, TPagePoint end, TPagePoint outward, double hw,
            const TStrokeStyle& style) {
    const double l = Length(outward.X, outward.Y);
    if (l <= 0)
        return;
    const TPagePoint d{outward.X / l * hw, outward.Y / l * hw}, n{-d.Y, d.X};
    switch (style.Cap) {
    case TLineCap::Butt:
        return;
    case TLineCap::Round:
        AddRing(rings, Circle(end, hw));
        return;
    case TLineCap::Square:
        AddRing(rings, {{end.X + n.X, end.Y + n.Y},
                        {end.X + n.X + d.X, end.Y + n.Y + d.Y},
                        {end.X - n.X + d.X, end.Y - n.Y + d.Y},
                        {end.X - n.X, end.Y - n.Y}});
        return;
    case TLineCap::Triangle:
        AddRing(rings, {{end.X + n.X, end.Y + n.Y}, {end.X + d.X, end.Y + d.Y}, {end.X - n.X, end.Y - n.Y}});
        return;
    }
}

void StrokePolyline(std::vector<TPolygonRing>& rings, const std::vector<TPagePoint>& pts, bool closed,
                    double hw, const TStrokeStyle& style) {
    if (pts.size() == 1) {
        // A dot: drawn by round and square caps only.
        if (style.Cap == TLineCap::Round)
            AddRing(rings, Circle(pts[0], hw));
        else if (style.Cap == TLineCap::Square)
            AddRing(rings, {{pts[0].X - hw, pts[0].Y - hw},
                            {pts[0].X + hw, pts[0].Y - hw},
                            {pts[0].X + hw, pts[0].Y + hw},
                            {pts[0].X - hw, pts[0].Y + hw}});
        return;
    }
    const size_t n = pts.size();
    const size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const TPagePoint a = pts[i], b = pts[(i + 1) % n];
        const double l = Length(b.X - a.X, b.Y - a.Y);
        if (l <= 0)
            continue;
        const TPagePoint nv{-(b.Y - a.Y) / l * hw, (b.X - a.X) / l * hw};
        AddRing(rings, {{a.X + nv.X, a.Y + nv.Y},
                        {b.X + nv.X, b.Y + nv.Y},
                        {b.X - nv.X, b.Y - nv.Y},
                        {a.X - nv.X, a.Y - nv.Y}});
    }
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i) {
        const TPagePoint p = pts[i], prev = pts[(i + n - 1) % n], next = pts[(i + 1) % n];
        AddJoin(rings, p, {p.X - prev.X, p.Y - prev.Y}, {next.X - p.X, next.Y - p.Y}, hw, style);
    }
    if (!closed) {
        AddCap(rings, pts[0], {pts[0].X - pts[1].X, pts[0].Y - pts[1].Y}, hw, style);
        AddCap(rings, pts[n - 1], {pts[n - 1].X - pts[n - 2].X, pts[n - 1].Y - pts[n - 2].Y}, hw, style);
    }
}

// The part of ring inside the half plane left of edge a -> b (the convex polygons turn
// counter-clockwise by SignedArea's sense).
TPolygonRing CutByEdge(const TPolygonRing& ring, TPagePoint a, TPagePoint b) {
    TPolygonRing out;
    if (ring.empty())
        return out;
    out.reserve(ring.size() + 4);
    TPagePoint prev = ring.back();
    double prevSide = Cross(a, b, prev);
    for (const TPagePoint& cur : ring) {
        const double side = Cross(a, b, cur);
        if (side >= 0) {
            if (prevSide < 0) {
                const double t = prevSide / (prevSide - side);
                out.push_back({prev.X + (cur.X - prev.X) * t, prev.Y + (cur.Y - prev.Y) * t});
            }
            out.push_back(cur);
        } else if (prevSide >= 0) {
            const double t = prevSide / (prevSide - side);
            out.push_back({prev.X + (cur.X - prev.X) * t, prev.Y + (cur.Y - prev.Y) * t});
        }
        prev = cur;
        prevSide = side;
    }
    return out;
}

} // namespace

// ---- Matrix ------------------------------------------------------------------------------

void TMatrix::Concat(const TMatrix& m) {
    const TMatrix t = *this;
    A = m.A * t.A + m.B * t.C;
    B = m.A * t.B + m.B * t.D;
    C = m.C * t.A + m.D * t.C;
    D = m.C * t.B + m.D * t.D;
    E = m.E * t.A + m.F * t.C + t.E;
    F = m.E * t.B + m.F * t.D + t.F;
}

void TMatrix::Translate(double x, double y) {
    Concat({1, 0, 0, 1, x, y});
}

void TMatrix::Scale(double x, double y) {
    Concat({x, 0, 0, y, 0, 0});
}

void TMatrix::Rotate(double degrees) {
    // Quarter turns exactly, so that turned pages stay on whole pixels.
    const double turns = degrees / 90;
    double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
    if (turns == std::floor(turns)) {
        const int q = ((int(std::fmod(turns, 4.0)) % 4) + 4) % 4;
        c = q == 0 ? 1 : q == 2 ? -1 : 0;
        s = q == 1 ? 1 : q == 3 ? -1 : 0;
    }
    Concat({c, s, -s, c, 0, 0});
}

bool TMatrix::Invert(TMatrix& inverse) const {
    const double det = A * D - B * C;
    if (!(std::abs(det) > 1e-12) || !std::isfinite(det))
        return false;
    inverse.A = D / det;
    inverse.B = -B / det;
    inverse.C = -C / det;
    inverse.D = A / det;
    inverse.E = -(E * inverse.A + F * inverse.C);
    inverse.F = -(E * inverse.B + F * inverse.D);
    return true;
}

double TMatrix::MeanScale() const {
    return (Length(A, B) + Length(C, D)) / 2;
}

// ---- Paths -------------------------------------------------------------------------------

void TPath::Add(TPagePoint p) {
    if (points_ >= kMaxPoints || !Finite(p))
        return;
    subpaths_.back().Points.push_back(p);
    ++points_;
}

void TPath::MoveTo(TPagePoint p) {
    if (!subpaths_.empty() && subpaths_.back().Points.size() == 1 && !subpaths_.back().Closed) {
        subpaths_.back().Points[0] = p;
        return;
    }
    if (points_ >= kMaxPoints)
        return;
    subpaths_.emplace_back();
    Add(p);
}

void TPath::LineTo(TPagePoint from, TPagePoint to) {
    if (subpaths_.empty() || subpaths_.back().Closed || subpaths_.back().Points.empty())
        MoveTo(from);
    if (!subpaths_.empty())
        Add(to);
}

void TPath::CurveTo(TPagePoint from, TPagePoint c1, TPagePoint c2, TPagePoint to) {
    if (subpaths_.empty() || subpaths_.back().Closed || subpaths_.back().Points.empty())
        MoveTo(from);
    if (subpaths_.empty())
        return;
    const double dd = std::max(Length(from.X - 2 * c1.X + c2.X, from.Y - 2 * c1.Y + c2.Y),
                               Length(c1.X - 2 * c2.X + to.X, c1.Y - 2 * c2.Y + to.Y));
    const int n = std::clamp(ToPixel(std::ceil(std::sqrt(0.75 * dd / kFlatness))), 1, 256);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        Add({a * from.X + b * c1.X + c * c2.X + d * to.X, a * from.Y + b * c1.Y + c * c2.Y + d * to.Y});
    }
}

void TPath::Close() {
    if (!subpaths_.empty())
        subpaths_.back().Closed = true;
}

std::vector<TPolygonRing> TPath::Rings() const {
    std::vector<TPolygonRing> rings;
    rings.reserve(subpaths_.size());
    for (const TSubpath& s : subpaths_)
        if (s.Points.size() >= 3)
            rings.push_back(s.Points);
    return rings;
}

std::vector<TPagePoint> ArcPoints(const TMatrix& m, double cx, double cy, double rx, double ry, double a0,
                                  double a1) {
    const double radius = std::max(std::abs(rx), std::abs(ry)) * m.MeanScale();
    const double step = radius > kFlatness ? 2 * std::acos(1 - kFlatness / radius) : kPi / 4;
    const double span = (a1 - a0) * kPi / 180;
    const int n = std::clamp(ToPixel(std::ceil(std::abs(span) / step)), 1, 2048);
    std::vector<TPagePoint> points;
    points.reserve(size_t(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const double a = a0 * kPi / 180 + span * i / n;
        points.push_back(m.Apply(cx + rx * std::cos(a), cy + ry * std::sin(a)));
    }
    return points;
}

// ---- Strokes -----------------------------------------------------------------------------

std::vector<TPolygonRing> StrokeRings(const TPath& path, const TStrokeStyle& style) {
    std::vector<TPolygonRing> rings;
    // A stroke is never thinner than a pixel, so that hairlines show.
    const double hw = std::max(style.Width, 1.0) / 2;
    for (const TSubpath& subpath : path.Subpaths()) {
        const std::vector<TPagePoint> points = DistinctPoints(subpath);
        if (points.empty())
            continue;
        if (style.Dashes.empty()) {
            StrokePolyline(rings, points, subpath.Closed && points.size() > 2, hw, style);
            continue;
        }
        std::vector<TPagePoint> line = points;
        if (subpath.Closed && points.size() > 1)
            line.push_back(points.front());
        if (line.size() < 2)
            continue;
        for (const std::vector<TPagePoint>& piece : DashPieces(line, style))
            StrokePolyline(rings, piece, false, hw, style);
    }
    return rings;
}

// ---- Clip --------------------------------------------------------------------------------

double SignedArea(const TPolygonRing& ring) {
    double area = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const TPagePoint& a = ring[i];
        const TPagePoint& b = ring[(i + 1) % n];
        area += a.X * b.Y - b.X * a.Y;
    }
    return area / 2;
}

bool IsConvex(const std::vector<TPagePoint>& points) {
    const size_t n = points.size();
    if (n < 3)
        return false;
    int sign = 0;
    for (size_t i = 0; i < n; ++i) {
        const double c = Cross(points[i], points[(i + 1) % n], points[(i + 2) % n]);
        if (std::abs(c) < 1e-9)
            continue;
        const int s = c > 0 ? 1 : -1;
        if (sign != 0 && s != sign)
            return false;
        sign = s;
    }
    return sign != 0;
}

void TClip::Intersect(std::vector<TPagePoint> polygon) {
    const double area = SignedArea(polygon);
    if (polygon.size() < 3 || !(std::abs(area) > 1e-9)) {
        empty_ = true;
        return;
    }
    if (area < 0)
        std::reverse(polygon.begin(), polygon.end());
    // Intersections of many polygons cost every drawing; a new one that holds an old one adds
    // nothing, and one that an old one holds replaces it.
    const auto holds = [](const std::vector<TPagePoint>& outer, const std::vector<TPagePoint>& inner) {
        for (const TPagePoint& p : inner)
            for (size_t i = 0, n = outer.size(); i < n; ++i)
                if (Cross(outer[i], outer[(i + 1) % n], p) < -1e-6)
                    return false;
        return true;
    };
    for (const auto& old : polygons_)
        if (holds(polygon, old))
            return;
    std::erase_if(polygons_, [&](const auto& old) { return holds(old, polygon); });
    if (polygons_.size() >= 16) {
        // Deep nesting of clips: keep the region within bounds by cutting the new polygon to
        // the newest one and replacing that.
        TPolygonRing cut = polygon;
        const auto& last = polygons_.back();
        for (size_t i = 0, n = last.size(); i < n && !cut.empty(); ++i)
            cut = CutByEdge(cut, last[i], last[(i + 1) % n]);
        polygons_.pop_back();
        if (cut.size() < 3) {
            empty_ = true;
            return;
        }
        polygon = std::move(cut);
    }
    polygons_.push_back(std::move(polygon));
}

std::vector<TPolygonRing> TClip::Cut(std::span<const TPolygonRing> rings) const {
    if (empty_)
        return {};
    std::vector<TPolygonRing> out(rings.begin(), rings.end());
    for (const auto& polygon : polygons_)
        for (TPolygonRing& ring : out)
            for (size_t i = 0, n = polygon.size(); i < n && !ring.empty(); ++i)
                ring = CutByEdge(ring, polygon[i], polygon[(i + 1) % n]);
    std::erase_if(out, [](const TPolygonRing& ring) { return ring.size() < 3; });
    return out;
}

bool TClip::RowSpan(int y, int width, int& left, int& right) const {
    if (empty_)
        return false;
    double lo = 0, hi = width;
    const double yc = y + 0.5;
    for (const auto& polygon : polygons_) {
        double pl = INFINITY, pr = -INFINITY;
        for (size_t i = 0, n = polygon.size(); i < n; ++i) {
            const TPagePoint a = polygon[i], b = polygon[(i + 1) % n];
            if ((a.Y <= yc && b.Y > yc) || (b.Y <= yc && a.Y > yc)) {
                const double x = a.X + (yc - a.Y) / (b.Y - a.Y) * (b.X - a.X);
                pl = std::min(pl, x);
                pr = std::max(pr, x);
            }
        }
        if (!(pl <= pr))
            return false;
        lo = std::max(lo, pl);
        hi = std::min(hi, pr);
    }
    left = ToPixel(std::ceil(lo - 0.5));
    right = ToPixel(std::ceil(hi - 0.5));
    left = std::clamp(left, 0, width);
    right = std::clamp(right, 0, width);
    return left < right;
}

bool TClip::Contains(double x, double y) const {
    if (empty_)
        return false;
    for (const auto& polygon : polygons_)
        for (size_t i = 0, n = polygon.size(); i < n; ++i)
            if (Cross(polygon[i], polygon[(i + 1) % n], {x, y}) < 0)
                return false;
    return true;
}

void TClip::Bounds(int width, int height, int& left, int& top, int& right, int& bottom) const {
    double l = 0, t = 0, r = width, b = height;
    for (const auto& polygon : polygons_) {
        double pl = INFINITY, pt = INFINITY, pr = -INFINITY, pb = -INFINITY;
        for (const TPagePoint& p : polygon) {
            pl = std::min(pl, p.X);
            pt = std::min(pt, p.Y);
            pr = std::max(pr, p.X);
            pb = std::max(pb, p.Y);
        }
        l = std::max(l, pl);
        t = std::max(t, pt);
        r = std::min(r, pr);
        b = std::min(b, pb);
    }
    left = std::clamp(ToPixel(std::floor(l)), 0, width);
    top = std::clamp(ToPixel(std::floor(t)), 0, height);
    right = std::clamp(ToPixel(std::ceil(r)), 0, width);
    bottom = std::clamp(ToPixel(std::ceil(b)), 0, height);
    if (empty_ || left >= right || top >= bottom)
        left = top = right = bottom = 0;
}

} // namespace pg::xl
