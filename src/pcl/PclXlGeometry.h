#pragma once
// The geometry of PCL XL pages: the transformation from user units to page pixels, paths made
// of lines, curves and arcs (flattened to page pixels as they are added), strokes turned into
// polygons a device fills, and the clip region that every drawing is cut to.

#include "PCLDevice.h"

#include <cstddef>
#include <span>
#include <vector>

namespace pg::xl {

// Maps (x, y) to (A x + C y + E, B x + D y + F).
struct TMatrix {
    double A = 1, B = 0, C = 0, D = 1, E = 0, F = 0;

    TPagePoint Apply(double x, double y) const { return {A * x + C * y + E, B * x + D * y + F}; }
    TPagePoint Distance(double x, double y) const { return {A * x + C * y, B * x + D * y}; }
    // Operations in user space: the new matrix applies the operation first, then this one.
    void Translate(double x, double y);
    void Scale(double x, double y);
    // Degrees; positive turns clockwise on the page (y runs down).
    void Rotate(double degrees);
    void Concat(const TMatrix& first);
    // Whether the matrix is invertible; then inverse holds its inverse.
    bool Invert(TMatrix& inverse) const;
    // How many page pixels one user unit is long, on average over the two axes.
    double MeanScale() const;
    // Neither turned nor sheared: x maps to x and y to y.
    bool Upright() const { return B == 0 && C == 0; }
};

struct TSubpath {
    std::vector<TPagePoint> Points;
    bool Closed = false;
};

// A path in page pixels. Curves and arcs are flattened when they are added.
class TPath {
public:
    // Limits what one path may hold; points beyond it are dropped.
    static constexpr size_t kMaxPoints = 1'000'000;

    void Clear() {
        subpaths_.clear();
        points_ = 0;
    }
    bool Empty() const { return subpaths_.empty(); }
    const std::vector<TSubpath>& Subpaths() const { return subpaths_; }

    void MoveTo(TPagePoint p);
    // Starts a subpath at from unless one is open there already.
    void LineTo(TPagePoint from, TPagePoint to);
    void CurveTo(TPagePoint from, TPagePoint c1, TPagePoint c2, TPagePoint to);
    void Close();
    // The rings of the path as a fill sees them: every subpath closed.
    std::vector<TPolygonRing> Rings() const;

private:
    void Add(TPagePoint p);
    std::vector<TSubpath> subpaths_;
    size_t points_ = 0;
};

// Points of the elliptic arc around centre with radii rx, ry (user units) from angle a0 to a1
// (degrees, increasing angles run clockwise on the page), mapped by m; first point included.
std::vector<TPagePoint> ArcPoints(const TMatrix& m, double cx, double cy, double rx, double ry, double a0,
                                  double a1);

enum class TLineCap : uint8_t { Butt, Round, Square, Triangle };
enum class TLineJoin : uint8_t { Miter, Round, Bevel, None };

struct TStrokeStyle {
    double Width = 1; // page pixels
    TLineCap Cap = TLineCap::Butt;
    TLineJoin Join = TLineJoin::Miter;
    double MiterLimit = 10; // miter length over line width
    // Dashes, in page pixels, alternately on and off; none draws solid.
    std::vector<double> Dashes;
    double DashOffset = 0;
};

// The polygons that cover the stroke of the path, all turning the same way, to be filled with
// the non-zero rule.
std::vector<TPolygonRing> StrokeRings(const TPath& path, const TStrokeStyle& style);

// A clip region: the intersection of convex polygons in page pixels (rectangles, turned
// rectangles, convex paths). Nothing is clipped while it holds none.
class TClip {
public:
    void Reset() {
        polygons_.clear();
        empty_ = false;
    }
    // Intersects the region with a convex polygon (its points in either turning).
    void Intersect(std::vector<TPagePoint> polygon);
    // Nothing can be drawn any more.
    void SetEmpty() { empty_ = true; }
    bool IsEmpty() const { return empty_; }
    bool Unclipped() const { return !empty_ && polygons_.empty(); }

    // The rings cut to the region.
    std::vector<TPolygonRing> Cut(std::span<const TPolygonRing> rings) const;
    // The pixels of row y (sampled through its middle) inside the region: left .. right - 1,
    // within 0 .. width. False when none is.
    bool RowSpan(int y, int width, int& left, int& right) const;
    // Whether the pixel's middle lies in the region.
    bool Contains(double x, double y) const;
    // The box around the region, in pixels, within the page.
    void Bounds(int width, int height, int& left, int& top, int& right, int& bottom) const;

private:
    std::vector<std::vector<TPagePoint>> polygons_; // each counter-clockwise in page pixels
    bool empty_ = false;
};

// A coordinate or count as a whole number, kept within a range any page lies in (a number
// that is not one counts as 0).
inline int ToPixel(double v) {
    return v > -1e9 && v < 1e9 ? int(v) : v >= 1e9 ? 1'000'000'000 : v <= -1e9 ? -1'000'000'000 : 0;
}

// Signed area (positive for counter-clockwise in a y-up sense, i.e. clockwise on the page).
double SignedArea(const TPolygonRing& ring);
// Whether the points form a convex polygon.
bool IsConvex(const std::vector<TPagePoint>& points);

} // namespace pg::xl
