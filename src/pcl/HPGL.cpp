#include "HPGL.h"

#include "HPGLLabels.h"
#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace pg {

namespace {

// A parameter as a whole number: a value far outside int (a hostile stream's 1e300) is clamped
// first, so that the conversion is defined; NaN counts as 0.
int ToInt(double v) {
    return std::isnan(v) ? 0 : int(std::clamp(v, -2e9, 2e9));
}

constexpr double kPluPerInch = 1016;
constexpr double kPixelsPerInch = 300;
constexpr double kPixelsPerMm = kPixelsPerInch / 25.4;
// Coordinates past this many plotter units (about 80 metres) are not believed: a plot that
// far off the page draws nothing there and must not overflow the page arithmetic.
constexpr double kMaxCoordinate = 1e8;
// Points the polygon buffer holds at most; further points are dropped.
constexpr size_t kMaxPolygonPoints = size_t(1) << 18;
// Pieces of a line pattern or hatching drawn at most for one instruction; a pattern finer than
// this draws its line solid.
constexpr double kMaxDashes = 200000;
constexpr uint32_t kBlack = 0;

double Finite(double v) {
    return std::isfinite(v) ? std::clamp(v, -kMaxCoordinate, kMaxCoordinate) : 0;
}

// The line patterns of LT 1..8: lengths in percent of the pattern, pen down first.
const std::array<std::vector<double>, 8>& DefaultLineTypes() {
    static const std::array<std::vector<double>, 8> types = {{
        {0, 100},
        {50, 50},
        {70, 30},
        {80, 10, 0, 10},
        {70, 10, 10, 10},
        {50, 10, 10, 10, 10, 10},
        {70, 10, 0, 10, 0, 10},
        {50, 10, 0, 10, 10, 10, 0, 10},
    }};
    return types;
}

// Reads one instruction's parameters and the encoded polylines.
class TReader {
public:
    explicit TReader(std::string_view bytes) : s_(bytes) {}
    bool AtEnd() const { return i_ >= s_.size(); }
    // The next two-letter mnemonic, upper-cased; empty at the end.
    std::string Mnemonic() {
        while (i_ < s_.size() && !IsLetter(s_[i_]))
            ++i_;
        if (i_ + 1 >= s_.size() || !IsLetter(s_[i_ + 1])) {
            i_ = s_.size();
            return {};
        }
        std::string m{Upper(s_[i_]), Upper(s_[i_ + 1])};
        i_ += 2;
        return m;
    }
    // The numbers up to the next instruction; quoted strings (BP, CO) are passed over.
    std::vector<double> Numbers() {
        std::vector<double> out;
        while (i_ < s_.size() && !IsLetter(s_[i_]) && s_[i_] != ';') {
            const char c = s_[i_];
            if (c == '"') {
                const size_t close = s_.find('"', i_ + 1);
                i_ = close == std::string_view::npos ? s_.size() : close + 1;
                continue;
            }
            if (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9')) {
                const size_t start = i_++;
                while (i_ < s_.size() && ((s_[i_] >= '0' && s_[i_] <= '9') || s_[i_] == '.'))
                    ++i_;
                if (out.size() < 4096)
                    out.push_back(
                        Finite(std::strtod(std::string(s_.substr(start, i_ - start)).c_str(), nullptr)));
                continue;
            }
            ++i_;
        }
        return out;
    }
    void SkipPast(char terminator) {
        while (i_ < s_.size() && s_[i_] != terminator)
            ++i_;
        if (i_ < s_.size())
            ++i_;
    }
    char Next() { return i_ < s_.size() ? s_[i_++] : '\0'; }
    // The bytes up to the terminator, which is passed over; the rest when there is none.
    std::string_view UpTo(char terminator) {
        const size_t start = i_;
        while (i_ < s_.size() && s_[i_] != terminator)
            ++i_;
        const std::string_view text = s_.substr(start, i_ - start);
        if (i_ < s_.size())
            ++i_;
        return text;
    }

private:
    static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }
    std::string_view s_;
    size_t i_ = 0;
};

// User units to plotter units: plu = Offset + user * Factor.
struct TUserScale {
    double FX = 1, FY = 1, OX = 0, OY = 0;
};

class TPlotter {
public:
    TPlotter(THPGLState& state, TPCLDevice* device, int64_t& budget)
        : st_(state), dev_(device), budget_(budget) {}

    THPGLRun Run(std::string_view bytes) {
        TReader r(bytes);
        for (std::string m = r.Mnemonic(); !m.empty(); m = r.Mnemonic())
            Execute(m, r);
        return run_;
    }

private:
    void Execute(const std::string& m, TReader& r) {
        if (m == "LB") {
            const std::string_view text = r.UpTo(st_.LabelTerminator);
            std::string label(text);
            if (st_.TerminatorPrinted && label.size() < text.size() + 1)
                label += st_.LabelTerminator;
            Label(label);
            return;
        }
        if (m == "DT") {
            const char t = r.Next();
            const bool none = t == ';' || t == '\0';
            st_.LabelTerminator = none ? char(3) : t;
            const std::vector<double> mode = none ? std::vector<double>{} : r.Numbers();
            st_.TerminatorPrinted = !mode.empty() && mode[0] == 0;
            return;
        }
        if (m == "PE") {
            EncodedPolyline(r.UpTo(';'));
            return;
        }
        const std::vector<double> p = r.Numbers();
        auto at = [&](size_t i, double fallback) { return i < p.size() ? p[i] : fallback; };
        if (m == "IN") {
            st_.Initialize();
        } else if (m == "DF") {
            st_.Defaults();
        } else if (m == "SP") {
            st_.SelectedPen = std::clamp(ToInt(at(0, 0)), 0, 255);
        } else if (m == "WU") {
            st_.WidthRelative = at(0, 0) == 1;
            st_.PenWidth = st_.WidthRelative ? 0.1 : 0.35;
            st_.PenWidths.clear();
        } else if (m == "PW") {
            const double width = std::clamp(at(0, st_.WidthRelative ? 0.1 : 0.35), 0.0, 1000.0);
            if (p.size() >= 2) {
                if (st_.PenWidths.size() < 256 || st_.PenWidths.count(ToInt(p[1])))
                    st_.PenWidths[std::clamp(ToInt(p[1]), 0, 255)] = width;
            } else {
                st_.PenWidth = width;
                st_.PenWidths.clear();
            }
        } else if (m == "LA") {
            LineAttributes(p);
        } else if (m == "LT") {
            LineType(p);
        } else if (m == "UL") {
            UserLineType(p);
        } else if (m == "PU" || m == "PD" || m == "PA" || m == "PR") {
            if (m == "PU" || m == "PD") {
                st_.PenDown = m == "PD";
                if (!st_.PenDown)
                    st_.PatternPhase = 0;
            } else {
                st_.Relative = m == "PR";
            }
            Polyline(p, st_.Relative);
        } else if (m == "EA" || m == "ER" || m == "RA" || m == "RR") {
            if (p.size() >= 2)
                Rectangle(Target(p[0], p[1], m[1] == 'R'), m[0] == 'R');
        } else if (m == "CI") {
            if (!p.empty())
                Circle(std::abs(p[0]), Chord(at(1, 5)));
        } else if (m == "WG" || m == "EW") {
            if (p.size() >= 3)
                Wedge(std::abs(p[0]), p[0] < 0, p[1], p[2], Chord(at(3, 5)), m == "WG");
        } else if (m == "AA" || m == "AR") {
            if (p.size() >= 3)
                Arc(Target(p[0], p[1], m == "AR"), p[2], Chord(at(3, 5)));
        } else if (m == "BZ" || m == "BR") {
            for (size_t i = 0; i + 5 < p.size(); i += 6)
                Bezier(p.data() + i, m == "BR");
        } else if (m == "PM") {
            PolygonMode(ToInt(at(0, 0)));
        } else if (m == "EP") {
            for (const auto& ring : st_.Polygon)
                EdgeRing(ring);
        } else if (m == "FP") {
            std::vector<std::vector<THPGLPoint>> rings;
            for (const auto& ring : st_.Polygon) {
                rings.emplace_back();
                for (const auto& v : ring)
                    rings.back().push_back(v.At);
            }
            Fill(rings, at(0, 0) == 1);
        } else if (m == "FT") {
            FillType(p);
        } else if (m == "AC") {
            st_.Anchor = p.size() >= 2 ? Target(p[0], p[1], false) : THPGLPoint{};
        } else if (m == "TR") {
            st_.Transparent = at(0, 1) != 0;
        } else if (m == "RF") {
            RasterFill(p);
        } else if (m == "SC") {
            Scale(p);
        } else if (m == "IP") {
            if (p.size() >= 2) {
                const THPGLPoint d{st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y};
                st_.P1 = {p[0], p[1]};
                st_.P2 = p.size() >= 4 ? THPGLPoint{p[2], p[3]} : THPGLPoint{p[0] + d.X, p[1] + d.Y};
            } else {
                DefaultScalingPoints();
            }
        } else if (m == "IR") {
            const THPGLPoint size = RotatedSize();
            if (p.size() >= 2) {
                const THPGLPoint d{st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y};
                st_.P1 = {p[0] / 100 * size.X, p[1] / 100 * size.Y};
                st_.P2 = p.size() >= 4 ? THPGLPoint{p[2] / 100 * size.X, p[3] / 100 * size.Y}
                                       : THPGLPoint{st_.P1.X + d.X, st_.P1.Y + d.Y};
            } else {
                DefaultScalingPoints();
            }
        } else if (m == "IW") {
            if (p.size() >= 4) {
                const THPGLPoint a = Target(p[0], p[1], false), b = Target(p[2], p[3], false);
                st_.Window = true;
                st_.WindowLow = {std::min(a.X, b.X), std::min(a.Y, b.Y)};
                st_.WindowHigh = {std::max(a.X, b.X), std::max(a.Y, b.Y)};
            } else {
                st_.Window = false;
            }
        } else if (m == "RO") {
            const int angle = ToInt(at(0, 0));
            if (angle == 0 || angle == 90 || angle == 180 || angle == 270) {
                const THPGLPoint pen = st_.ToPage(st_.Pen);
                st_.Rotation = angle;
                DefaultScalingPoints();
                st_.Pen = st_.FromPage(pen);
            }
        } else {
            LabelInstruction(st_, m, p, [&](double x, double y) { return Target(x, y, false); });
        }
        // SM, AD/SD and the rest of the label set are HPGLLabels.cpp's; PC, NP, CR, MC, PP and
        // others change nothing drawn here.
    }

    static double Chord(double degrees) { return std::clamp(std::abs(degrees), 0.5, 180.0); }

    THPGLPoint RotatedSize() const {
        const double w = st_.FrameWidth * kPluPerInch / kPixelsPerInch;
        const double h = st_.FrameHeight * kPluPerInch / kPixelsPerInch;
        const double pw = st_.PlotWidthInches > 0 ? st_.PlotWidthInches * kPluPerInch : w;
        const double ph = st_.PlotHeightInches > 0 ? st_.PlotHeightInches * kPluPerInch : h;
        return st_.Rotation == 90 || st_.Rotation == 270 ? THPGLPoint{ph, pw} : THPGLPoint{pw, ph};
    }
    void DefaultScalingPoints() {
        st_.P1 = {0, 0};
        st_.P2 = RotatedSize();
    }

    // The user scaling in force, from SC and the scaling points.
    TUserScale Scale() const {
        TUserScale s;
        const double dx = st_.P2.X - st_.P1.X, dy = st_.P2.Y - st_.P1.Y;
        switch (st_.ScaleKind) {
        case 1:
        case 2: {
            s.FX = st_.XMax == st_.XMin ? 0 : dx / (st_.XMax - st_.XMin);
            s.FY = st_.YMax == st_.YMin ? 0 : dy / (st_.YMax - st_.YMin);
            double spareX = 0, spareY = 0;
            if (st_.ScaleKind == 2) {
                // Isotropic: one factor both ways, the room left over shared out by the
                // left and bottom percentages.
                const double f = std::min(std::abs(s.FX), std::abs(s.FY));
                const double fx = std::copysign(f, s.FX), fy = std::copysign(f, s.FY);
                spareX = (dx - (st_.XMax - st_.XMin) * fx) * st_.IsoLeft / 100;
                spareY = (dy - (st_.YMax - st_.YMin) * fy) * st_.IsoBottom / 100;
                s.FX = fx;
                s.FY = fy;
            }
            s.OX = st_.P1.X + spareX - st_.XMin * s.FX;
            s.OY = st_.P1.Y + spareY - st_.YMin * s.FY;
            break;
        }
        case 3:
            s.FX = st_.XMax;
            s.FY = st_.YMax;
            s.OX = st_.P1.X - st_.XMin * s.FX;
            s.OY = st_.P1.Y - st_.YMin * s.FY;
            break;
        default:
            break;
        }
        return s;
    }
    // A point given in user units, absolute or relative to the pen, in plotter units.
    THPGLPoint Target(double x, double y, bool relative) const {
        const TUserScale s = Scale();
        if (relative)
            return {Finite(st_.Pen.X + x * s.FX), Finite(st_.Pen.Y + y * s.FY)};
        return {Finite(s.OX + x * s.FX), Finite(s.OY + y * s.FY)};
    }

    void Scale(const std::vector<double>& p) {
        if (p.size() < 4) {
            st_.ScaleKind = 0;
            return;
        }
        const int type = p.size() >= 5 ? ToInt(p[4]) : 0;
        if (type < 0 || type > 2)
            return;
        st_.ScaleKind = type + 1;
        st_.XMin = p[0];
        st_.XMax = p[1];
        st_.YMin = p[2];
        st_.YMax = p[3];
        st_.IsoLeft = type == 1 && p.size() >= 6 ? std::clamp(p[5], 0.0, 100.0) : 50;
        st_.IsoBottom = type == 1 && p.size() >= 7 ? std::clamp(p[6], 0.0, 100.0) : 50;
    }

    // PA/PR/PU/PD coordinates: pen-down moves gather into one polyline, drawn with the line
    // pattern going on across its corners.
    void Polyline(const std::vector<double>& p, bool relative) {
        std::vector<THPGLPoint> path;
        for (size_t i = 0; i + 1 < p.size(); i += 2) {
            const THPGLPoint to = Target(p[i], p[i + 1], relative);
            if (!st_.PolygonMode && st_.PenDown) {
                if (path.empty())
                    path.push_back(st_.Pen);
                path.push_back(to);
                st_.Pen = to;
                continue;
            }
            MoveTo(to);
        }
        if (!path.empty())
            Stroke({path}, false, true);
    }

    void MoveTo(THPGLPoint to) {
        if (st_.PolygonMode) {
            if (st_.Polygon.empty())
                st_.Polygon.emplace_back();
            if (!st_.PenDown) {
                // A move starts the next sub-polygon there.
                if (st_.Polygon.back().size() > 1)
                    st_.Polygon.emplace_back();
                st_.Polygon.back().clear();
            } else if (st_.Polygon.back().empty()) {
                AddPoint(st_.Pen, false);
            }
            AddPoint(to, st_.PenDown);
        } else if (st_.PenDown) {
            Stroke({{st_.Pen, to}}, false, true);
        }
        st_.Pen = to;
    }
    void AddPoint(THPGLPoint p, bool down) {
        if (st_.PolygonPoints >= kMaxPolygonPoints)
            return;
        ++st_.PolygonPoints;
        st_.Polygon.back().push_back({p, down});
    }

    void PolygonMode(int mode) {
        if (mode == 0) {
            st_.PolygonMode = true;
            st_.Polygon.assign(1, {});
            st_.PolygonPoints = 0;
            AddPoint(st_.Pen, false);
        } else if (mode == 1 && st_.PolygonMode) {
            st_.Polygon.emplace_back();
        } else if (mode == 2) {
            st_.PolygonMode = false;
        }
    }

    // EP: the ring's pen-down edges, and its closing edge.
    void EdgeRing(const std::vector<THPGLState::TVertex>& ring) {
        if (ring.size() < 2)
            return;
        std::vector<std::vector<THPGLPoint>> paths;
        bool allDown = true;
        for (size_t i = 1; i < ring.size(); ++i)
            allDown = allDown && ring[i].Down;
        if (allDown) {
            std::vector<THPGLPoint> closed;
            for (const auto& v : ring)
                closed.push_back(v.At);
            Stroke({closed}, ring.size() > 2, false);
            return;
        }
        for (size_t i = 1; i < ring.size(); ++i) {
            if (!ring[i].Down)
                continue;
            if (i == 1 || !ring[i - 1].Down || paths.empty())
                paths.push_back({ring[i - 1].At});
            paths.back().push_back(ring[i].At);
        }
        paths.push_back({ring.back().At, ring.front().At});
        Stroke(paths, false, false);
    }

    void Rectangle(THPGLPoint to, bool fill) {
        if (st_.PolygonMode)
            return;
        const THPGLPoint a = st_.Pen;
        const std::vector<THPGLPoint> ring{a, {to.X, a.Y}, to, {a.X, to.Y}};
        if (fill)
            Fill({ring}, false);
        else
            Stroke({ring}, true, false);
    }

    // Points along an arc about c; radius in plotter units, each way scaled by (sx, sy).
    std::vector<THPGLPoint> ArcPoints(THPGLPoint c, double radius, double start, double sweep, double chord,
                                      double sx = 1, double sy = 1) const {
        std::vector<THPGLPoint> pts;
        const int steps = std::clamp(int(std::ceil(std::abs(sweep) / chord)), 1, 720);
        for (int i = 0; i <= steps; ++i) {
            const double a = (start + sweep * i / steps) * std::numbers::pi / 180;
            pts.push_back({Finite(c.X + radius * sx * std::cos(a)), Finite(c.Y + radius * sy * std::sin(a))});
        }
        return pts;
    }

    // A radius in user units: under anisotropic scaling the circle is an ellipse.
    void Circle(double radius, double chord) {
        const TUserScale s = Scale();
        std::vector<THPGLPoint> ring =
            ArcPoints(st_.Pen, radius, 0, 360, chord, std::abs(s.FX), std::abs(s.FY));
        ring.pop_back();
        if (st_.PolygonMode) {
            st_.Polygon.emplace_back();
            for (const THPGLPoint& p : ring)
                AddPoint(p, true);
            st_.Polygon.emplace_back();
            return;
        }
        Stroke({ring}, true, false);
    }

    void Wedge(double radius, bool negative, double start, double sweep, double chord, bool fill) {
        if (st_.PolygonMode)
            return;
        sweep = std::clamp(sweep, -360.0, 360.0);
        std::vector<THPGLPoint> ring{st_.Pen};
        const TUserScale s = Scale();
        const std::vector<THPGLPoint> arc = ArcPoints(st_.Pen, radius, start + (negative ? 180 : 0), sweep,
                                                      chord, std::abs(s.FX), std::abs(s.FY));
        ring.insert(ring.end(), arc.begin(), arc.end());
        if (fill)
            Fill({ring}, false);
        else
            Stroke({ring}, true, false);
    }

    // AA/AR: an arc about the centre from the pen, the pen going along.
    void Arc(THPGLPoint centre, double sweep, double chord) {
        const double radius = std::hypot(st_.Pen.X - centre.X, st_.Pen.Y - centre.Y);
        const double start = std::atan2(st_.Pen.Y - centre.Y, st_.Pen.X - centre.X) * 180 / std::numbers::pi;
        std::vector<THPGLPoint> arc =
            ArcPoints(centre, radius, start, std::clamp(sweep, -3600.0, 3600.0), chord);
        FollowPath(arc);
    }

    void Bezier(const double* p, bool relative) {
        const THPGLPoint p0 = st_.Pen;
        const THPGLPoint c1 = Target(p[0], p[1], relative), c2 = Target(p[2], p[3], relative),
                         p3 = Target(p[4], p[5], relative);
        std::vector<THPGLPoint> curve;
        constexpr int kSteps = 24;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps, u = 1 - t;
            curve.push_back(
                {u * u * u * p0.X + 3 * u * u * t * c1.X + 3 * u * t * t * c2.X + t * t * t * p3.X,
                 u * u * u * p0.Y + 3 * u * u * t * c1.Y + 3 * u * t * t * c2.Y + t * t * t * p3.Y});
        }
        FollowPath(curve);
    }

    // The pen along the points (the first is where it stands): drawn when down, recorded in
    // polygon mode.
    void FollowPath(const std::vector<THPGLPoint>& pts) {
        if (pts.size() < 2)
            return;
        if (st_.PolygonMode) {
            for (size_t i = 1; i < pts.size(); ++i)
                MoveTo(pts[i]);
            return;
        }
        if (st_.PenDown)
            Stroke({pts}, false, true);
        st_.Pen = pts.back();
    }

    // ---- Pens and lines ----

    double PenPixels() const {
        const auto it = st_.PenWidths.find(st_.SelectedPen);
        const double width = it != st_.PenWidths.end() ? it->second : st_.PenWidth;
        double mm = width;
        if (st_.WidthRelative)
            mm = width / 100 * std::hypot(st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y) * 25.4 / kPluPerInch;
        // A plot size other than the frame's scales the pen with the plot.
        double scale = 1;
        if (st_.PlotWidthInches > 0 || st_.PlotHeightInches > 0) {
            const double sx =
                st_.PlotWidthInches > 0 ? st_.FrameWidth / (st_.PlotWidthInches * kPixelsPerInch) : 1;
            const double sy =
                st_.PlotHeightInches > 0 ? st_.FrameHeight / (st_.PlotHeightInches * kPixelsPerInch) : 1;
            scale = std::sqrt(sx * sy);
        }
        return std::clamp(mm * kPixelsPerMm * scale, 1.0, 300.0);
    }

    TStrokeStyle Style() const {
        TStrokeStyle style;
        style.Width = PenPixels();
        style.Cap = std::array{TLineCap::Butt, TLineCap::Square, TLineCap::Triangle,
                               TLineCap::Round}[size_t(std::clamp(st_.LineEnd, 1, 4) - 1)];
        style.Join = std::array{TLineJoin::Miter, TLineJoin::MiterBevel, TLineJoin::Triangle,
                                TLineJoin::Round, TLineJoin::Bevel,      TLineJoin::None}[size_t(
            std::clamp(st_.LineJoin, 1, 6) - 1)];
        style.MiterLimit = st_.MiterLimit;
        style.Colour = st_.PenColour(st_.SelectedPen);
        return style;
    }

    void LineAttributes(const std::vector<double>& p) {
        if (p.empty()) {
            st_.LineEnd = st_.LineJoin = 1;
            st_.MiterLimit = 5;
            return;
        }
        for (size_t i = 0; i + 1 < p.size(); i += 2) {
            const int kind = ToInt(p[i]);
            if (kind == 1 && p[i + 1] >= 1 && p[i + 1] <= 4)
                st_.LineEnd = ToInt(p[i + 1]);
            else if (kind == 2 && p[i + 1] >= 1 && p[i + 1] <= 6)
                st_.LineJoin = ToInt(p[i + 1]);
            else if (kind == 3)
                st_.MiterLimit = std::clamp(p[i + 1], 1.0, 32767.0);
        }
    }

    void LineType(const std::vector<double>& p) {
        if (!p.empty() && ToInt(p[0]) == 99) {
            std::swap(st_.LineType, st_.SavedLineType);
            std::swap(st_.LineTypeSolid, st_.SavedSolid);
            std::swap(st_.PatternLength, st_.SavedLength);
            std::swap(st_.PatternAbsolute, st_.SavedAbsolute);
            return;
        }
        const int type = p.empty() ? 0 : ToInt(p[0]);
        if (type < -8 || type > 8)
            return;
        if (p.size() >= 2 && p[1] <= 0)
            return;
        st_.SavedLineType = st_.LineType;
        st_.SavedSolid = st_.LineTypeSolid;
        st_.SavedLength = st_.PatternLength;
        st_.SavedAbsolute = st_.PatternAbsolute;
        st_.LineType = type;
        st_.LineTypeSolid = type == 0;
        if (p.size() >= 2) {
            st_.PatternLength = p[1];
            st_.PatternAbsolute = p.size() >= 3 && p[2] == 1;
        } else if (p.empty()) {
            st_.PatternLength = 4;
            st_.PatternAbsolute = false;
        }
        st_.PatternPhase = 0;
    }

    void UserLineType(const std::vector<double>& p) {
        const int index = p.empty() ? 0 : std::abs(ToInt(p[0]));
        if (p.empty()) {
            for (auto& type : st_.UserLineTypes)
                type.clear();
            return;
        }
        if (index < 1 || index > 8)
            return;
        std::vector<double> gaps;
        for (size_t i = 1; i < p.size() && gaps.size() < 20; ++i) {
            if (p[i] < 0)
                return;
            gaps.push_back(p[i]);
        }
        st_.UserLineTypes[size_t(index - 1)] = gaps;
    }

    // The current pattern in pixels, pen down first; empty for a solid line.
    std::vector<double> PatternPixels() const {
        if (st_.LineTypeSolid || st_.LineType == 0)
            return {};
        const size_t index = size_t(std::abs(st_.LineType) - 1);
        const std::vector<double>& user = st_.UserLineTypes[index];
        const std::vector<double>& percent = user.empty() ? DefaultLineTypes()[index] : user;
        double sum = 0;
        for (double v : percent)
            sum += v;
        const double length = st_.PatternAbsolute ? st_.PatternLength * kPixelsPerMm
                                                  : st_.PatternLength / 100 *
                                                        std::hypot(st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y) *
                                                        kPixelsPerInch / kPluPerInch;
        if (sum <= 0 || !(length >= 1))
            return {};
        std::vector<double> px;
        for (double v : percent)
            px.push_back(v / sum * length);
        return px;
    }

    // The drawing area in page pixels: the picture frame, within the input window.
    struct TClip {
        double L, T, R, B;
    };
    TClip ClipRect() const {
        TClip c{st_.FrameLeft, st_.FrameTop, st_.FrameLeft + st_.FrameWidth, st_.FrameTop + st_.FrameHeight};
        if (st_.Window) {
            const THPGLPoint a = st_.ToPage(st_.WindowLow), b = st_.ToPage(st_.WindowHigh);
            c.L = std::max(c.L, std::min(a.X, b.X));
            c.R = std::min(c.R, std::max(a.X, b.X));
            c.T = std::max(c.T, std::min(a.Y, b.Y));
            c.B = std::min(c.B, std::max(a.Y, b.Y));
        }
        if (dev_) {
            c.L = std::max(c.L, -8.0);
            c.T = std::max(c.T, -8.0);
            c.R = std::min(c.R, dev_->PageWidth() + 8.0);
            c.B = std::min(c.B, dev_->PageHeight() + 8.0);
        }
        return c;
    }

    // Paths in plotter units drawn with the pen (and, when patterned, the line type).
    void Stroke(const std::vector<std::vector<THPGLPoint>>& paths, bool closed, bool continuePattern) {
        if (st_.SelectedPen == 0)
            return;
        run_.Marked = true;
        if (!dev_ || budget_ <= 0)
            return;
        std::vector<TPolygonRing> page;
        page.reserve(paths.size());
        for (const auto& path : paths) {
            TPolygonRing ring;
            ring.reserve(path.size() + 1);
            for (const THPGLPoint& q : path) {
                const THPGLPoint at = st_.ToPage(q);
                ring.push_back({at.X, at.Y});
            }
            if (!ring.empty())
                page.push_back(std::move(ring));
        }
        const std::vector<double> pattern = PatternPixels();
        if (!pattern.empty()) {
            page = Dashes(page, closed, pattern, continuePattern);
            closed = false;
        }
        DrawPaths(page, closed, Style());
    }

    void DrawPaths(std::vector<TPolygonRing> page, bool closed, const TStrokeStyle& style) {
        const TClip clip = ClipRect();
        page = ClipPathsToRect(page, closed, clip.L, clip.T, clip.R, clip.B);
        int64_t work = 1;
        for (const TPolygonRing& path : page) {
            for (size_t i = 0; i + 1 < path.size(); ++i)
                work += int64_t((std::hypot(path[i + 1].X - path[i].X, path[i + 1].Y - path[i].Y) + 1) *
                                (style.Width + 1));
            work += int64_t(path.size()) + int64_t(style.Width * style.Width);
        }
        if (page.empty())
            return;
        budget_ -= work;
        if (budget_ < 0)
            return;
        dev_->StrokePath(page, closed, style);
    }

    // The pen-down pieces of the pattern along the paths. A fixed pattern goes on across
    // corners (and from one instruction to the next while the pen stays down); an adaptive one
    // fits whole patterns into each segment. A piece of length 0 is a dot.
    std::vector<TPolygonRing> Dashes(const std::vector<TPolygonRing>& paths, bool closed,
                                     const std::vector<double>& pattern, bool continuePattern) {
        std::vector<double> starts;
        double period = 0;
        for (double v : pattern) {
            starts.push_back(period);
            period += v;
        }
        double total = 0;
        for (const TPolygonRing& path : paths)
            for (size_t i = 0; path.size() > 1 && i + 1 < path.size() + (closed ? 1 : 0); ++i) {
                const TPagePoint a = path[i], b = path[(i + 1) % path.size()];
                total += std::hypot(b.X - a.X, b.Y - a.Y);
            }
        if (period <= 0 || (total / period + double(paths.size())) * double(pattern.size()) > kMaxDashes)
            return paths;
        const bool adaptive = st_.LineType < 0;
        std::vector<TPolygonRing> out;
        double phase = continuePattern && !adaptive ? std::fmod(st_.PatternPhase, period) : 0;
        for (const TPolygonRing& path : paths) {
            // A pattern that does not go on from the instruction before starts anew on each path.
            if (!continuePattern)
                phase = 0;
            const size_t n = path.size();
            const size_t segments = closed && n > 2 ? n : (n > 0 ? n - 1 : 0);
            bool open = false; // the last piece reached the end of the segment before
            for (size_t i = 0; i < segments; ++i) {
                const TPagePoint a = path[i], b = path[(i + 1) % n];
                const double len = std::hypot(b.X - a.X, b.Y - a.Y);
                if (len <= 0)
                    continue;
                double scale = 1;
                if (adaptive) {
                    // Whole patterns, from the middle of the first dash to the middle of the last.
                    scale = len / (std::max(1.0, std::round(len / period)) * period);
                    phase = pattern[0] / 2;
                }
                const double from = phase, to = phase + len / scale;
                auto at = [&](double x) {
                    const double t = std::clamp((x - from) * scale / len, 0.0, 1.0);
                    return TPagePoint{a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
                };
                bool reachedEnd = false;
                for (double r = std::floor(from / period) * period; r < to; r += period) {
                    for (size_t k = 0; k < pattern.size(); k += 2) {
                        const double s0 = r + starts[k], s1 = s0 + pattern[k];
                        if (pattern[k] == 0) {
                            // A dot: a pixel's length of the line.
                            if (s0 >= from && s0 < to)
                                out.push_back({at(s0 - 0.5 / scale), at(s0 + 0.5 / scale)});
                            continue;
                        }
                        const double lo = std::max(s0, from), hi = std::min(s1, to);
                        if (hi <= lo)
                            continue;
                        if (open && lo == from && !out.empty())
                            out.back().push_back(at(hi));
                        else
                            out.push_back({at(lo), at(hi)});
                        reachedEnd = reachedEnd || hi >= to;
                    }
                }
                open = reachedEnd;
                phase = std::fmod(to, period);
            }
        }
        st_.PatternPhase = phase;
        return out;
    }

    // ---- Fills ----

    void FillType(const std::vector<double>& p) {
        const int type = p.empty() ? 1 : ToInt(p[0]);
        switch (type) {
        case 1:
        case 2:
            break;
        case 3:
        case 4: {
            double& spacing = type == 3 ? st_.HatchSpacing3 : st_.HatchSpacing4;
            double& angle = type == 3 ? st_.HatchAngle3 : st_.HatchAngle4;
            if (p.size() >= 2 && p[1] < 0)
                return;
            // Kept in plotter units: user units (along x) when scaling is on; 0 for the default.
            if (p.size() >= 2)
                spacing = p[1] * std::abs(st_.ScaleKind ? Scale().FX : 1.0);
            if (p.size() >= 3)
                angle = std::fmod(p[2], 360);
            break;
        }
        case 10:
            if (p.size() >= 2)
                st_.Shading = std::clamp(p[1], 0.0, 100.0);
            break;
        case 11:
            if (p.size() >= 2) {
                if (p[1] < 1 || p[1] > 8)
                    return;
                st_.RasterFillIndex = ToInt(p[1]);
            }
            break;
        case 21:
            if (p.size() >= 2) {
                if (p[1] < 1 || p[1] > 6)
                    return;
                st_.CrossHatch = ToInt(p[1]);
            }
            break;
        case 22:
            if (p.size() >= 2)
                st_.PatternId = std::clamp(ToInt(p[1]), 0, 32767);
            break;
        default:
            return;
        }
        st_.FillType = type;
    }

    void RasterFill(const std::vector<double>& p) {
        if (p.empty()) {
            st_.RasterFills.clear();
            return;
        }
        const int index = ToInt(p[0]);
        if (index < 1 || index > 8)
            return;
        if (p.size() < 3) {
            st_.RasterFills.erase(index);
            return;
        }
        const int w = ToInt(p[1]), h = ToInt(p[2]);
        if (w < 1 || h < 1 || w > 255 || h > 255 || p.size() < 3 + size_t(w) * size_t(h))
            return;
        THPGLRasterFill fill{w, h, {}};
        fill.Pens.reserve(size_t(w * h));
        for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
            fill.Pens.push_back(uint8_t(std::clamp(ToInt(p[3 + i]), 0, 255) != 0));
        st_.RasterFills[index] = std::move(fill);
    }

    // A ring in plotter units cut to the clip rectangle in page pixels (one side at a time).
    static TPolygonRing ClipRing(TPolygonRing ring, const TClip& c) {
        for (int k = 0; k < 4 && !ring.empty(); ++k) {
            auto value = [&](const TPagePoint& q) {
                return k == 0 ? q.X - c.L : k == 1 ? c.R - q.X : k == 2 ? q.Y - c.T : c.B - q.Y;
            };
            TPolygonRing next;
            next.reserve(ring.size() + 4);
            for (size_t i = 0; i < ring.size(); ++i) {
                const TPagePoint& a = ring[i];
                const TPagePoint& b = ring[(i + 1) % ring.size()];
                const double va = value(a), vb = value(b);
                if (va >= 0)
                    next.push_back(a);
                if ((va >= 0) != (vb >= 0)) {
                    const double t = va / (va - vb);
                    next.push_back({a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)});
                }
            }
            ring = std::move(next);
        }
        return ring;
    }

    // Fills the rings (even-odd, or non-zero winding) with the fill type. The work the fill
    // may cost at most is charged before it is drawn.
    void Fill(const std::vector<std::vector<THPGLPoint>>& rings, bool nonZero) {
        if (st_.SelectedPen == 0)
            return;
        run_.Marked = true;
        if (!dev_ || budget_ <= 0)
            return;
        const TFillRule rule = nonZero ? TFillRule::NonZero : TFillRule::EvenOdd;
        if (st_.FillType == 3 || st_.FillType == 4) {
            Hatch(rings, rule, st_.FillType == 3 ? st_.HatchSpacing3 : st_.HatchSpacing4,
                  st_.FillType == 3 ? st_.HatchAngle3 : st_.HatchAngle4, st_.FillType == 4);
            return;
        }
        const TClip clip = ClipRect();
        std::vector<TPolygonRing> page;
        page.reserve(rings.size());
        for (const auto& ring : rings) {
            if (ring.size() < 3)
                continue;
            TPolygonRing r;
            r.reserve(ring.size());
            for (const THPGLPoint& q : ring) {
                const THPGLPoint at = st_.ToPage(q);
                r.push_back({at.X, at.Y});
            }
            r = ClipRing(std::move(r), clip);
            if (r.size() >= 3)
                page.push_back(std::move(r));
        }
        if (page.empty())
            return;
        const int64_t work = PolygonSpanWork(page, dev_->PageWidth(), dev_->PageHeight());
        if (work == 0)
            return;
        budget_ -= work;
        if (budget_ < 0)
            return;
        const THPGLPoint anchor = st_.ToPage(st_.Anchor);
        const int refX = int(std::lround(std::clamp(anchor.X, -1e6, 1e6)));
        const int refY = int(std::lround(std::clamp(anchor.Y, -1e6, 1e6)));
        TPaint paint = TPaint::Solid(st_.PenColour(st_.SelectedPen));
        switch (st_.FillType) {
        case 10:
            paint = TPaint::GreyLevel(int(std::lround(st_.Shading)));
            break;
        case 11:
            RasterFillSpans(page, rule, refX, refY);
            return;
        case 21:
            paint = TPaint::PatternFill(TPaint::TPatternType::CrossHatch, st_.CrossHatch, refX, refY);
            break;
        case 22:
            paint = TPaint::PatternFill(TPaint::TPatternType::UserDefined, st_.PatternId, refX, refY);
            break;
        default:
            break;
        }
        paint.SourceTransparent = st_.Transparent;
        dev_->FillPolygon(page, rule, paint);
    }

    // FT11: the raster fill's pen pixels, one page pixel each, tiled from the anchor, over the
    // polygon's pixels.
    void RasterFillSpans(const std::vector<TPolygonRing>& page, TFillRule rule, int refX, int refY) {
        const auto it = st_.RasterFills.find(st_.RasterFillIndex);
        if (it == st_.RasterFills.end()) {
            dev_->FillPolygon(page, rule, TPaint::Solid(kBlack));
            return;
        }
        const THPGLRasterFill& fill = it->second;
        std::vector<uint8_t> bits;
        ForEachPolygonSpan(page, rule, dev_->PageWidth(), dev_->PageHeight(),
                           [&](int y, int left, int right) {
                               const size_t count = size_t(right - left);
                               bits.assign((count + 7) / 8, 0);
                               const int row = ((y - refY) % fill.Height + fill.Height) % fill.Height;
                               for (int x = left; x < right; ++x) {
                                   const int column = ((x - refX) % fill.Width + fill.Width) % fill.Width;
                                   if (fill.Pens[size_t(row) * size_t(fill.Width) + size_t(column)])
                                       bits[size_t(x - left) / 8] |= uint8_t(0x80 >> ((x - left) % 8));
                               }
                               dev_->DrawRasterRow(left, y, bits, count, TRasterDirection::Across);
                           });
    }

    // FT3/FT4: lines at the angle, spacing apart from the anchor, cut to the inside of the
    // rings, drawn with the pen.
    void Hatch(const std::vector<std::vector<THPGLPoint>>& rings, TFillRule rule, double spacing,
               double angle, bool cross) {
        const double diagonal = std::hypot(st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y);
        double plu = spacing == 0 ? diagonal / 100 : spacing;
        // Lines closer than a pixel would only blacken the area.
        plu = std::max(plu, kPluPerInch / kPixelsPerInch);
        std::vector<TPolygonRing> segments;
        // The angle is the user system's: scaling that turns an axis over turns it too.
        if (st_.ScaleKind) {
            const TUserScale s = Scale();
            if (s.FX * s.FY < 0)
                angle = -angle;
        }
        // The lines are drawn with the pen, its ends and its line type.
        std::vector<double> pattern = PatternPixels();
        for (double& piece : pattern)
            piece *= kPluPerInch / kPixelsPerInch;
        for (int pass = 0; pass < (cross ? 2 : 1); ++pass)
            if (!HatchLines(rings, rule, plu, angle + pass * 90, pattern, segments))
                return;
        DrawPaths(std::move(segments), false, Style());
    }

    // pattern: the line type's pieces in plotter units along the lines (empty: solid).
    bool HatchLines(const std::vector<std::vector<THPGLPoint>>& rings, TFillRule rule, double spacing,
                    double angle, const std::vector<double>& pattern, std::vector<TPolygonRing>& out) {
        const double a = angle * std::numbers::pi / 180;
        const double c = std::cos(a), s = std::sin(a);
        std::vector<double> starts;
        double period = 0;
        for (double piece : pattern) {
            starts.push_back(period);
            period += piece;
        }
        const THPGLPoint unit0 = st_.ToPage(st_.Anchor),
                         unit1 = st_.ToPage({st_.Anchor.X + c, st_.Anchor.Y + s});
        const double pluPerPixel = 1 / std::max(1e-9, std::hypot(unit1.X - unit0.X, unit1.Y - unit0.Y));
        // Rotate so that the hatch lines run along x: v is the distance across the lines.
        struct TEdge {
            double U0, V0, U1, V1;
            int Dir;
        };
        std::vector<TEdge> edges;
        double vMin = 1e300, vMax = -1e300;
        for (const auto& ring : rings) {
            if (ring.size() < 3)
                continue;
            for (size_t i = 0; i < ring.size(); ++i) {
                const THPGLPoint p = ring[i], q = ring[(i + 1) % ring.size()];
                const double pu = (p.X - st_.Anchor.X) * c + (p.Y - st_.Anchor.Y) * s;
                const double pv = -(p.X - st_.Anchor.X) * s + (p.Y - st_.Anchor.Y) * c;
                const double qu = (q.X - st_.Anchor.X) * c + (q.Y - st_.Anchor.Y) * s;
                const double qv = -(q.X - st_.Anchor.X) * s + (q.Y - st_.Anchor.Y) * c;
                if (pv == qv)
                    continue;
                edges.push_back(pv < qv ? TEdge{pu, pv, qu, qv, 1} : TEdge{qu, qv, pu, pv, -1});
                vMin = std::min(vMin, std::min(pv, qv));
                vMax = std::max(vMax, std::max(pv, qv));
            }
        }
        if (edges.empty())
            return true;
        const double first = std::ceil(vMin / spacing), last = std::floor(vMax / spacing);
        if (last < first)
            return true;
        // What the crossings cost before any is made.
        double crossings = 0;
        for (const TEdge& e : edges)
            crossings += (e.V1 - e.V0) / spacing + 1;
        if (last - first + 1 + crossings > kMaxDashes * 10 || int64_t(crossings) > budget_) {
            budget_ -= int64_t(std::min(crossings, 9e18));
            return false;
        }
        budget_ -= int64_t(crossings);
        const size_t lines = size_t(last - first + 1);
        std::vector<std::vector<std::pair<double, int>>> cuts(lines);
        for (const TEdge& e : edges) {
            for (double k = std::ceil(e.V0 / spacing); k * spacing < e.V1 && k <= last; ++k) {
                if (k < first)
                    continue;
                const double v = k * spacing;
                cuts[size_t(k - first)].emplace_back(e.U0 + (v - e.V0) * (e.U1 - e.U0) / (e.V1 - e.V0),
                                                     e.Dir);
            }
        }
        // The inside of each line: from u0 to u1 at v.
        struct TSpan {
            double U0, U1, V;
        };
        std::vector<TSpan> spans;
        const bool nonZero = rule == TFillRule::NonZero;
        double dashes = 0;
        for (size_t line = 0; line < lines; ++line) {
            auto& row = cuts[line];
            std::sort(row.begin(), row.end());
            int winding = 0;
            for (size_t i = 0; i + 1 < row.size(); ++i) {
                winding += nonZero ? row[i].second : 1;
                if ((nonZero ? winding != 0 : winding % 2 != 0) && row[i + 1].first > row[i].first) {
                    spans.push_back({row[i].first, row[i + 1].first, (first + double(line)) * spacing});
                    if (period > 0)
                        dashes += (spans.back().U1 - spans.back().U0) / period + 1;
                }
            }
        }
        // A pattern that would cut the lines into too many pieces leaves them solid.
        const bool patterned = period > 0 && dashes * double(pattern.size()) <= kMaxDashes;
        for (const TSpan& span : spans) {
            {
                const double u0 = span.U0, u1 = span.U1, v = span.V;
                auto at = [&](double u) {
                    const THPGLPoint q =
                        st_.ToPage({st_.Anchor.X + u * c - v * s, st_.Anchor.Y + u * s + v * c});
                    return TPagePoint{q.X, q.Y};
                };
                if (!patterned) {
                    out.push_back({at(u0), at(u1)});
                    continue;
                }
                // A line type's pattern stands still against the anchor: its pieces lie where
                // they would on a line through the anchor.
                for (double r = std::floor(u0 / period) * period; r < u1; r += period)
                    for (size_t k = 0; k < pattern.size(); k += 2) {
                        const double lo = std::max(u0, r + starts[k]),
                                     hi = std::min(u1, r + starts[k] + pattern[k]);
                        if (pattern[k] == 0 && r + starts[k] >= u0 && r + starts[k] < u1)
                            out.push_back({at(r + starts[k]), at(r + starts[k] + pluPerPixel)});
                        else if (hi > lo)
                            out.push_back({at(lo), at(hi)});
                    }
            }
        }
        return true;
    }

    // ---- Labels ----

    void Label(std::string_view text) {
        if (text.empty())
            return;
        if (st_.SelectedPen != 0)
            run_.Marked = true;
        THPGLLabelContext context{st_, st_.SelectedPen != 0 && budget_ > 0 ? dev_ : nullptr, budget_, Style(),
                                  ClipRectValues()};
        DrawLabel(context, text);
    }

    std::array<double, 4> ClipRectValues() const {
        const TClip c = ClipRect();
        return {c.L, c.T, c.R, c.B};
    }

    // PE: flags and numbers in base 64 (or base 32 after '7'), relative user units unless a
    // point follows '='; '<' lifts the pen for the next point, ':' selects a pen.
    void EncodedPolyline(std::string_view data) {
        bool base32 = false, penUpNext = false, absoluteNext = false, penNext = false, fractionNext = false;
        int fraction = 0;
        std::vector<double> pending;
        unsigned long long value = 0, place = 1;
        const bool wasDown = st_.PenDown;
        std::vector<THPGLPoint> path;
        auto flush = [&] {
            if (path.size() > 1)
                Stroke({path}, false, true);
            path.clear();
        };
        for (const char ch : data) {
            const uint8_t c = uint8_t(ch);
            if (c == ':') {
                penNext = true;
                continue;
            }
            if (c == '<') {
                penUpNext = true;
                continue;
            }
            if (c == '>') {
                fractionNext = true;
                continue;
            }
            if (c == '=') {
                absoluteNext = true;
                continue;
            }
            if (c == '7') {
                base32 = true;
                continue;
            }
            const unsigned digitLimit = base32 ? 95 : 127;
            const bool digit = c >= 63 && c < digitLimit;
            const bool terminal = base32 ? (c >= 95 && c <= 126) : (c >= 191 && c <= 254);
            if (!digit && !terminal)
                continue;
            const unsigned d = digit ? c - 63u : c - (base32 ? 95u : 191u);
            if (place < (1ull << 50))
                value += d * place;
            place *= base32 ? 32 : 64;
            if (!terminal)
                continue;
            const double number = (value & 1) ? -double(value >> 1) : double(value >> 1);
            value = 0;
            place = 1;
            // Pen numbers and fraction digits are small; a huge encoded number is clamped before
            // it becomes an int.
            if (penNext) {
                flush();
                st_.SelectedPen = std::clamp(ToInt(number), 0, 255);
                penNext = false;
                continue;
            }
            if (fractionNext) {
                fraction = std::clamp(ToInt(number), 0, 26);
                fractionNext = false;
                continue;
            }
            pending.push_back(number / double(1 << fraction));
            if (pending.size() < 2)
                continue;
            const THPGLPoint to = Target(pending[0], pending[1], !absoluteNext);
            st_.PenDown = !penUpNext;
            if (st_.PolygonMode || !st_.PenDown) {
                flush();
                if (!st_.PenDown)
                    st_.PatternPhase = 0;
                MoveTo(to);
            } else {
                if (path.empty())
                    path.push_back(st_.Pen);
                path.push_back(to);
                st_.Pen = to;
            }
            pending.clear();
            penUpNext = absoluteNext = false;
        }
        flush();
        st_.PenDown = data.empty() ? wasDown : st_.PenDown;
    }

    THPGLState& st_;
    TPCLDevice* dev_;
    int64_t& budget_;
    THPGLRun run_;
};

} // namespace

void THPGLState::SetFrame(double left, double top, double width, double height) {
    FrameLeft = left;
    FrameTop = top;
    FrameWidth = std::max(1.0, width);
    FrameHeight = std::max(1.0, height);
    P1 = {0, 0};
    const bool turned = Rotation == 90 || Rotation == 270;
    const double w =
        (PlotWidthInches > 0 ? PlotWidthInches * kPluPerInch : FrameWidth * kPluPerInch / kPixelsPerInch);
    const double h =
        (PlotHeightInches > 0 ? PlotHeightInches * kPluPerInch : FrameHeight * kPluPerInch / kPixelsPerInch);
    P2 = turned ? THPGLPoint{h, w} : THPGLPoint{w, h};
}

void THPGLState::Initialize() {
    const THPGLState frame = *this;
    *this = THPGLState{};
    // Pens in colour get the plotter's eight: white, black, red, green, yellow, blue, magenta, cyan.
    if (!frame.PenColours.empty())
        PenColours = {0xFFFFFF, 0x000000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
    PlotWidthInches = frame.PlotWidthInches;
    PlotHeightInches = frame.PlotHeightInches;
    SetFrame(frame.FrameLeft, frame.FrameTop, frame.FrameWidth, frame.FrameHeight);
}

void THPGLState::Defaults() {
    THPGLState fresh;
    fresh.FrameLeft = FrameLeft;
    fresh.FrameTop = FrameTop;
    fresh.FrameWidth = FrameWidth;
    fresh.FrameHeight = FrameHeight;
    fresh.PlotWidthInches = PlotWidthInches;
    fresh.PlotHeightInches = PlotHeightInches;
    fresh.P1 = P1;
    fresh.P2 = P2;
    fresh.Rotation = Rotation;
    fresh.Pen = Pen;
    fresh.PenDown = PenDown;
    fresh.SelectedPen = SelectedPen;
    fresh.PenColours = PenColours;
    fresh.PenWidth = PenWidth;
    fresh.PenWidths = PenWidths;
    fresh.WidthRelative = WidthRelative;
    fresh.LineEnd = LineEnd;
    fresh.LineJoin = LineJoin;
    fresh.MiterLimit = MiterLimit;
    *this = std::move(fresh);
}

THPGLPoint THPGLState::ToPage(THPGLPoint p) const {
    const double w =
        PlotWidthInches > 0 ? PlotWidthInches * kPluPerInch : FrameWidth * kPluPerInch / kPixelsPerInch;
    const double h =
        PlotHeightInches > 0 ? PlotHeightInches * kPluPerInch : FrameHeight * kPluPerInch / kPixelsPerInch;
    THPGLPoint f = p;
    if (Rotation == 90)
        f = {w - p.Y, p.X};
    else if (Rotation == 180)
        f = {w - p.X, h - p.Y};
    else if (Rotation == 270)
        f = {p.Y, h - p.X};
    return {FrameLeft + f.X * FrameWidth / w, FrameTop + FrameHeight - f.Y * FrameHeight / h};
}

THPGLPoint THPGLState::FromPage(THPGLPoint page) const {
    const double w =
        PlotWidthInches > 0 ? PlotWidthInches * kPluPerInch : FrameWidth * kPluPerInch / kPixelsPerInch;
    const double h =
        PlotHeightInches > 0 ? PlotHeightInches * kPluPerInch : FrameHeight * kPluPerInch / kPixelsPerInch;
    const THPGLPoint f{(page.X - FrameLeft) * w / FrameWidth,
                       (FrameTop + FrameHeight - page.Y) * h / FrameHeight};
    if (Rotation == 90)
        return {f.Y, w - f.X};
    if (Rotation == 180)
        return {w - f.X, h - f.Y};
    if (Rotation == 270)
        return {h - f.Y, f.X};
    return f;
}

THPGLRun RunHpgl(THPGLState& state, std::string_view bytes, TPCLDevice* device, int64_t& budget) {
    return TPlotter(state, device, budget).Run(bytes);
}

} // namespace pg
