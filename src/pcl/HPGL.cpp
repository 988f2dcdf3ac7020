#include "HPGL.h"

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
// Coordinates past this many plotter units (about 80 metres) are not believed: a plot that
// far off the page draws nothing there and must not overflow the page arithmetic.
constexpr double kMaxCoordinate = 1e8;
// Points the polygon buffer holds at most; further points are dropped.
constexpr size_t kMaxPolygonPoints = 65536;

double Finite(double v) {
    return std::isfinite(v) ? std::clamp(v, -kMaxCoordinate, kMaxCoordinate) : 0;
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
    // The numbers up to the next instruction.
    std::vector<double> Numbers() {
        std::vector<double> out;
        while (i_ < s_.size() && !IsLetter(s_[i_]) && s_[i_] != ';') {
            const char c = s_[i_];
            if (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9')) {
                const size_t start = i_++;
                while (i_ < s_.size() && ((s_[i_] >= '0' && s_[i_] <= '9') || s_[i_] == '.'))
                    ++i_;
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
    // The encoded part of PE up to its ';'.
    std::string_view UpTo(char terminator) {
        const size_t start = i_;
        SkipPast(terminator);
        return s_.substr(start, i_ - start);
    }

private:
    static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }
    std::string_view s_;
    size_t i_ = 0;
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
            r.SkipPast(st_.LabelTerminator);
            return;
        }
        if (m == "DT") {
            const char t = r.Next();
            st_.LabelTerminator = t == ';' || t == '\0' ? char(3) : t;
            r.Numbers();
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
            st_.Relative = false;
            st_.Scaled = false;
            st_.PolygonMode = false;
            st_.Polygon.clear();
            st_.LabelTerminator = 3;
        } else if (m == "SP") {
            st_.SelectedPen = ToInt(at(0, 0));
        } else if (m == "WU") {
            st_.WidthRelative = at(0, 0) == 1;
            st_.PenWidth = st_.WidthRelative ? 0.1 : 0.35;
        } else if (m == "PW") {
            st_.PenWidth = std::max(0.0, at(0, st_.WidthRelative ? 0.1 : 0.35));
        } else if (m == "PU" || m == "PD" || m == "PA" || m == "PR") {
            if (m == "PU" || m == "PD")
                st_.PenDown = m == "PD";
            else
                st_.Relative = m == "PR";
            for (size_t i = 0; i + 1 < p.size(); i += 2)
                MoveTo(Target(p[i], p[i + 1], st_.Relative));
        } else if (m == "EA" || m == "ER" || m == "RA" || m == "RR") {
            if (p.size() >= 2)
                Rectangle(Target(p[0], p[1], m[1] == 'R'), m[0] == 'R');
        } else if (m == "CI") {
            if (!p.empty())
                Circle(std::abs(p[0]) * std::abs(ScaleX()), std::clamp(std::abs(at(1, 5)), 0.5, 180.0));
        } else if (m == "PM") {
            PolygonMode(ToInt(at(0, 0)));
        } else if (m == "EP") {
            for (const auto& ring : st_.Polygon)
                Outline(ring, true);
        } else if (m == "FP") {
            Fill(st_.Polygon, at(0, 0) == 1);
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
        } else if (m == "RO") {
            const int angle = ToInt(at(0, 0));
            if (angle == 0 || angle == 90 || angle == 180 || angle == 270) {
                const THPGLPoint pen = st_.ToPage(st_.Pen);
                st_.Rotation = angle;
                DefaultScalingPoints();
                st_.Pen = st_.FromPage(pen);
            }
        }
        // LT (line types draw solid), SM, LA, TR, FT, AC and the rest change nothing drawn here.
    }

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

    double ScaleX() const {
        if (!st_.Scaled)
            return 1;
        if (st_.PointFactor)
            return st_.XMax;
        return st_.XMax == st_.XMin ? 0 : (st_.P2.X - st_.P1.X) / (st_.XMax - st_.XMin);
    }
    double ScaleY() const {
        if (!st_.Scaled)
            return 1;
        if (st_.PointFactor)
            return st_.YMax;
        return st_.YMax == st_.YMin ? 0 : (st_.P2.Y - st_.P1.Y) / (st_.YMax - st_.YMin);
    }
    // A point given in user units, absolute or relative to the pen, in plotter units.
    THPGLPoint Target(double x, double y, bool relative) const {
        if (relative)
            return {Finite(st_.Pen.X + x * ScaleX()), Finite(st_.Pen.Y + y * ScaleY())};
        if (!st_.Scaled)
            return {x, y};
        return {Finite(st_.P1.X + (x - st_.XMin) * ScaleX()), Finite(st_.P1.Y + (y - st_.YMin) * ScaleY())};
    }

    void Scale(const std::vector<double>& p) {
        if (p.size() < 4) {
            st_.Scaled = false;
            return;
        }
        st_.Scaled = true;
        st_.PointFactor = p.size() >= 5 && p[4] == 2;
        st_.XMin = p[0];
        st_.XMax = p[1];
        st_.YMin = p[2];
        st_.YMax = p[3];
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
                AddPoint(st_.Pen);
            }
            AddPoint(to);
        } else if (st_.PenDown) {
            Line(st_.Pen, to);
        }
        st_.Pen = to;
    }
    void AddPoint(THPGLPoint p) {
        size_t total = 0;
        for (const auto& ring : st_.Polygon)
            total += ring.size();
        if (total < kMaxPolygonPoints)
            st_.Polygon.back().push_back(p);
    }

    void PolygonMode(int mode) {
        if (mode == 0) {
            st_.PolygonMode = true;
            st_.Polygon.assign(1, {st_.Pen});
        } else if (mode == 1 && st_.PolygonMode) {
            st_.Polygon.emplace_back();
        } else if (mode == 2) {
            st_.PolygonMode = false;
        }
    }

    void Rectangle(THPGLPoint to, bool fill) {
        const THPGLPoint a = st_.Pen;
        const std::vector<THPGLPoint> ring{a, {to.X, a.Y}, to, {a.X, to.Y}};
        if (fill)
            Fill({ring}, false);
        else
            Outline(ring, true);
    }

    void Circle(double radius, double chordDegrees) {
        std::vector<THPGLPoint> ring;
        const int steps = std::max(4, int(std::ceil(360 / chordDegrees)));
        for (int i = 0; i < steps; ++i) {
            const double a = 2 * std::numbers::pi * i / steps;
            ring.push_back({st_.Pen.X + radius * std::cos(a), st_.Pen.Y + radius * std::sin(a)});
        }
        if (st_.PolygonMode) {
            st_.Polygon.emplace_back();
            for (const THPGLPoint& p : ring)
                AddPoint(p);
            st_.Polygon.emplace_back();
            return;
        }
        Outline(ring, true);
    }

    int PenPixels() const {
        double mm = st_.PenWidth;
        if (st_.WidthRelative)
            mm = st_.PenWidth / 100 * std::hypot(st_.P2.X - st_.P1.X, st_.P2.Y - st_.P1.Y) * 25.4 /
                 kPluPerInch;
        return std::clamp(int(std::lround(mm * kPixelsPerInch / 25.4)), 1, 300);
    }

    void Outline(const std::vector<THPGLPoint>& ring, bool closed) {
        for (size_t i = 0; i + 1 < ring.size(); ++i)
            Line(ring[i], ring[i + 1]);
        if (closed && ring.size() > 2)
            Line(ring.back(), ring.front());
    }

    // A line in plotter units, clipped to the page (with room for the pen), then drawn.
    void Line(THPGLPoint a, THPGLPoint b) {
        if (st_.SelectedPen == 0)
            return;
        run_.Marked = true;
        if (!dev_ || budget_ <= 0)
            return;
        THPGLPoint p = st_.ToPage(a), q = st_.ToPage(b);
        const int pen = PenPixels();
        const double lo = -pen, hiX = dev_->PageWidth() + pen, hiY = dev_->PageHeight() + pen;
        double t0 = 0, t1 = 1;
        const double dx = q.X - p.X, dy = q.Y - p.Y;
        // Liang-Barsky: q / p per edge of the clip rectangle.
        auto clip = [&](double num, double den) {
            if (den == 0)
                return num >= 0;
            const double t = num / den;
            if (den < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            return t0 <= t1;
        };
        if (!clip(p.X - lo, -dx) || !clip(hiX - p.X, dx) || !clip(p.Y - lo, -dy) || !clip(hiY - p.Y, dy))
            return;
        q = {p.X + t1 * dx, p.Y + t1 * dy};
        p = {p.X + t0 * dx, p.Y + t0 * dy};
        budget_ -= int64_t(std::hypot(q.X - p.X, q.Y - p.Y) + 1) * pen;
        dev_->DrawLine(int(std::lround(p.X)), int(std::lround(p.Y)), int(std::lround(q.X)),
                       int(std::lround(q.Y)), pen, 0);
    }

    // Fills the rings (even-odd, or non-zero winding) through the device, black. The work the
    // fill may cost at most is charged before it is drawn.
    void Fill(const std::vector<std::vector<THPGLPoint>>& rings, bool nonZero) {
        if (st_.SelectedPen == 0)
            return;
        run_.Marked = true;
        if (!dev_ || budget_ <= 0)
            return;
        std::vector<TPolygonRing> page(rings.size());
        for (size_t i = 0; i < rings.size(); ++i) {
            page[i].reserve(rings[i].size());
            for (const THPGLPoint& p : rings[i]) {
                const THPGLPoint at = st_.ToPage(p);
                page[i].push_back({at.X, at.Y});
            }
        }
        const int64_t work = PolygonSpanWork(page, dev_->PageWidth(), dev_->PageHeight());
        if (work == 0)
            return;
        budget_ -= work;
        dev_->FillPolygon(page, nonZero ? TFillRule::NonZero : TFillRule::EvenOdd, TPaint::Solid(0));
    }

    // PE: flags and numbers in base 64 (or base 32 after '7'), relative user units unless a
    // point follows '='; '<' lifts the pen for the next point, ':' selects a pen.
    void EncodedPolyline(std::string_view data) {
        bool base32 = false, penUpNext = false, absoluteNext = false, penNext = false, fractionNext = false;
        int fraction = 0;
        std::vector<double> pending;
        unsigned long long value = 0, place = 1;
        const bool wasDown = st_.PenDown;
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
                st_.SelectedPen = ToInt(number);
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
            st_.PenDown = !penUpNext;
            MoveTo(Target(pending[0], pending[1], !absoluteNext));
            pending.clear();
            penUpNext = absoluteNext = false;
        }
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
    PlotWidthInches = frame.PlotWidthInches;
    PlotHeightInches = frame.PlotHeightInches;
    SetFrame(frame.FrameLeft, frame.FrameTop, frame.FrameWidth, frame.FrameHeight);
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
