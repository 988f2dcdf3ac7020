#include "HPGLLabels.h"

#include "HPGLStickFont.h"
#include "PCLText.h"
#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pg {

namespace {

constexpr double kPluPerInch = 1016;
constexpr double kPluPerCm = kPluPerInch / 2.54;
constexpr double kPluPerPoint = kPluPerInch / 72;
constexpr double kPixelsPerPlu = 300.0 / kPluPerInch;
// Typefaces drawn with the stick font: the stick and arc fonts.
constexpr int kStickTypeface = 48;
constexpr int kArcTypeface = 50;
// The stick font's glyphs: capitals 21 units high above the baseline at 9, 21 units to the em.
constexpr double kStickUnits = 21;
constexpr double kStickBaseline = 9;
// Where the stick font stands against a label's box, in capital heights (advances for the
// offset across): the box's height, how far the glyphs stand above the baseline (in pixels,
// whatever the size), and how far the origins 11 to 19 stand off the pen.
constexpr double kStickBoxHeight = 0.886;
constexpr double kStickRaise = 2.5; // pixels
constexpr double kStickOffset = 0.29;

int ToInt(double v) {
    return std::isnan(v) ? 0 : int(std::clamp(v, -2e9, 2e9));
}

bool IsStick(const THPGLFontChoice& font) {
    return font.Typeface == kStickTypeface || font.Typeface == kArcTypeface;
}

// The label's font and how big its characters are, in plotter units.
struct TLabelFont {
    bool Stick = true;
    double Advance = 0;   // a stick or fixed-pitch character's advance
    double CapHeight = 0; // capitals' height (stick), or the font height (PCL)
    double LineSpace = 0;
    double Step = 0; // from one character to the next in vertical labels
    // PCL fonts: the text font and the state its widths are read from.
    TTextFont Text;
    TPCLFontState Font;
    double Hmi = 12;
};

TLabelFont LabelFont(const THPGLState& st) {
    const THPGLFontChoice& chosen = st.AlternateSelected ? st.Alternate : st.Standard;
    TLabelFont f;
    f.Stick = IsStick(chosen);
    const double pitch = std::clamp(chosen.Pitch, 0.1, 1000.0);
    double width = 0, height = 0;
    if (st.CharSizeKind == 1) {
        width = st.CharWidth * kPluPerCm;
        height = st.CharHeight * kPluPerCm;
    } else if (st.CharSizeKind == 2) {
        width = st.CharWidth / 100 * std::abs(st.P2.X - st.P1.X);
        height = st.CharHeight / 100 * std::abs(st.P2.Y - st.P1.Y);
    }
    if (f.Stick) {
        // A stick character takes four fifths of its advance; capitals stand about as tall as
        // the advance.
        f.Advance = st.CharSizeKind ? width * 1.25 : kPluPerInch / pitch;
        f.CapHeight = (st.CharSizeKind ? height : f.Advance) * 0.96;
        f.LineSpace = 2 * f.CapHeight;
        f.Step = 1.5 * f.CapHeight;
    } else {
        double points = std::clamp(chosen.Height, 0.25, 999.75);
        if (st.CharSizeKind)
            points = std::abs(height) / kPluPerPoint / 0.7;
        f.Font.PrimarySymbolSet = int16_t(std::clamp(chosen.SymbolSet, 0, 32767));
        f.Font.PrimarySpacing = chosen.Proportional ? 1 : 0;
        f.Font.PrimaryHeight = points;
        f.Font.PrimaryStyle = int16_t(chosen.Posture == 1 || chosen.Posture == 2 ? 1 : 0);
        f.Font.PrimaryStrokeWeight = uint8_t(chosen.Weight >= 3 ? 3 : 0);
        f.Font.PrimaryTypeface = uint16_t(std::clamp(chosen.Typeface, 0, 65535));
        // Printed look: the screen's bold for fill data is no label's.
        f.Text = SelectTextFont(f.Font, 0, true);
        f.Text.Colour = 0;
        f.Hmi = st.CharSizeKind ? width * 1.25 / kPluPerInch * 120 : 120 / pitch;
        f.Advance = f.Hmi / 120 * kPluPerInch;
        f.CapHeight = points * kPluPerPoint * 0.7;
        f.LineSpace = points * kPluPerPoint * 1.33;
        f.Step = f.LineSpace;
    }
    return f;
}

// One character of a laid-out label: where its cell starts along the line and which line.
struct TCell {
    uint8_t Code;
    double U, V;
    double Advance;
};

class TLabeller {
public:
    TLabeller(THPGLLabelContext& c) : c_(c), st_(c.State), f_(LabelFont(c.State)) {
        double run = st_.DirRun, rise = st_.DirRise;
        if (st_.DirRelative) {
            run = run / 100 * (st_.P2.X - st_.P1.X);
            rise = rise / 100 * (st_.P2.Y - st_.P1.Y);
        }
        if (!std::isfinite(run) || !std::isfinite(rise) || (run == 0 && rise == 0))
            run = 1, rise = 0;
        const double len = std::hypot(run, rise);
        dir_ = {run / len, rise / len};
        up_ = {-dir_.Y, dir_.X};
    }

    void Draw(std::string_view text) {
        std::vector<TCell> cells = Layout(text);
        // The origin: where the label's box stands against the pen.
        double width = 0, lastLine = 0;
        for (const TCell& cell : cells)
            if (cell.V == 0 || st_.Vertical)
                width = std::max(width, cell.U + cell.Advance);
        for (const TCell& cell : cells)
            lastLine = std::min(lastLine, cell.V);
        // The box is whole cells wide; a stick label's box is a little lower than its
        // capitals, which stand a little above the baseline.
        int origin = st_.LabelOrigin;
        const bool offset = origin > 10;
        if (offset)
            origin -= 10;
        const int column = (origin - 1) / 3, row = (origin - 1) % 3; // left/centre/right, bottom/centre/top
        double du = 0, dv = 0;
        double height = f_.Stick ? f_.CapHeight * kStickBoxHeight : f_.CapHeight;
        if (st_.Vertical && !cells.empty()) {
            height = -cells.back().V + f_.CapHeight;
            // Vertical characters go down from the top of the box.
            for (TCell& cell : cells)
                cell.V -= cells.back().V;
            width = f_.Stick ? f_.Advance : width;
        }
        du = column == 0 ? 0 : column == 1 ? -width / 2 : -width;
        dv = row == 0 ? 0 : row == 1 ? -height / 2 : -height;
        if (offset) {
            // Origins 11 to 19 stand off the pen by about a third of a character each way.
            const double ox = f_.Advance * kStickOffset, oy = f_.CapHeight * kStickOffset;
            du += column == 0 ? ox : column == 2 ? -ox : 0;
            dv += row == 0 ? oy : row == 2 ? -oy : 0;
        }
        const THPGLPoint start = st_.Pen;
        st_.CarriageReturn = start;
        if (c_.Device)
            for (const TCell& cell : cells)
                DrawCell(At(start, cell.U + du, cell.V + dv), cell.Code);
        if (f_.Stick && c_.Device && !told_.empty())
            c_.Device->SoftFontText(std::max(1, int(std::lround(f_.CapHeight * 2 * kPixelsPerPlu))), told_);
        if (!f_.Stick && c_.Device && !text_.empty())
            FlushText();
        // The pen goes to where the next character would start.
        st_.Pen = At(start, endU_, endV_);
    }

private:
    THPGLPoint At(THPGLPoint from, double u, double v) const {
        return {from.X + u * dir_.X + v * up_.X, from.Y + u * dir_.Y + v * up_.Y};
    }

    double AdvanceOf(uint8_t code) {
        if (f_.Stick || !c_.Device || f_.Font.PrimarySpacing == 0)
            return f_.Advance;
        TDeviceFont measure{f_.Text.Family, f_.Text.Height, f_.Text.Bold, f_.Text.Italic, 0};
        const int32_t px = CharWidth(f_.Text, f_.Font, f_.Hmi, code,
                                     [&](uint8_t ch) { return c_.Device->MeasureChar(measure, ch); });
        return px / kPixelsPerPlu;
    }

    std::vector<TCell> Layout(std::string_view text) {
        std::vector<TCell> cells;
        double u = 0, v = 0;
        const double extra = st_.ExtraSpace * f_.Advance;
        const double line = f_.LineSpace * (1 + st_.ExtraLine);
        for (const char ch : text) {
            const uint8_t code = uint8_t(ch);
            switch (code) {
            case 8: // backspace
                u -= st_.Vertical ? 0 : f_.Advance + extra;
                v += st_.Vertical ? f_.Step : 0;
                continue;
            case 10: // line feed
                if (st_.Vertical)
                    u += f_.Advance * 1.5;
                else
                    v -= line;
                continue;
            case 13: // carriage return
                if (st_.Vertical)
                    v = 0;
                else
                    u = 0;
                continue;
            case 14:
                st_.AlternateSelected = true;
                continue;
            case 15:
                st_.AlternateSelected = false;
                continue;
            default:
                break;
            }
            if (code < 32)
                continue;
            const double advance = AdvanceOf(code) + extra;
            cells.push_back({code, u, v, advance});
            if (st_.Vertical)
                v -= f_.Step * (1 + st_.ExtraLine);
            else
                u += advance;
        }
        endU_ = u;
        endV_ = v;
        return cells;
    }

    bool Inside(THPGLPoint plu) const {
        const THPGLPoint p = st_.ToPage(plu);
        const double margin = f_.CapHeight * 2 * kPixelsPerPlu + 2;
        return p.X >= c_.Clip[0] - margin && p.X <= c_.Clip[2] + margin && p.Y >= c_.Clip[1] - margin &&
               p.Y <= c_.Clip[3] + margin;
    }

    void DrawCell(THPGLPoint anchor, uint8_t code) {
        if (!Inside(anchor) || c_.Budget <= 0)
            return;
        if (f_.Stick)
            DrawStick(anchor, code);
        else
            AddText(anchor, code);
    }

    void DrawStick(THPGLPoint anchor, uint8_t code) {
        // Readers are told the characters along a line, also when the label is turned.
        const THPGLPoint top = st_.ToPage(At(anchor, 0, f_.CapHeight));
        const int advance = int(std::lround(f_.Advance * kPixelsPerPlu));
        const bool straight = std::abs(dir_.Y) < 1e-9 && dir_.X > 0 && !st_.Vertical;
        if (straight || told_.empty())
            told_.push_back({code, int(std::lround(top.X)), int(std::lround(top.Y)), advance});
        else
            told_.push_back({code, told_.back().X + advance, told_.back().Y, advance});
        if (code <= 32 || code > 126)
            return;
        const std::string_view glyph = StickGlyphs()[code - 32];
        const double sx = f_.Advance / kStickUnits, sy = f_.CapHeight / kStickUnits;
        std::vector<TPolygonRing> strokes;
        for (size_t i = 2; i + 1 < glyph.size(); i += 2) {
            if (glyph[i] == ' ' && glyph[i + 1] == 'R') {
                strokes.emplace_back();
                continue;
            }
            if (strokes.empty())
                strokes.emplace_back();
            const double hx = glyph[i] - 'R', hy = glyph[i + 1] - 'R';
            double x = f_.Advance / 3 + hx * sx;
            const double y = (kStickBaseline - hy) * sy + kStickRaise / kPixelsPerPlu;
            x += y * st_.Slant;
            const THPGLPoint p = st_.ToPage(At(anchor, x, y));
            strokes.back().push_back({p.X, p.Y});
        }
        std::erase_if(strokes, [](const TPolygonRing& s) { return s.empty(); });
        bool closed = false;
        strokes = ClipPathsToRect(strokes, closed, c_.Clip[0], c_.Clip[1], c_.Clip[2], c_.Clip[3]);
        // The strokes are about a tenth of the character's advance wide, whatever the pen: the
        // characters keep their weight at every size.
        TStrokeStyle pen = c_.Pen;
        pen.Width = std::clamp(f_.Advance * kPixelsPerPlu * 0.088, 1.0, 300.0);
        pen.Cap = TLineCap::Round;
        pen.Join = TLineJoin::Round;
        c_.Budget -= int64_t((f_.CapHeight * kPixelsPerPlu + 1) * (pen.Width + 1) * 8);
        if (c_.Budget > 0 && !strokes.empty())
            c_.Device->StrokePath(strokes, false, pen);
    }

    void AddText(THPGLPoint anchor, uint8_t code) {
        const double angle = std::atan2(dir_.Y, dir_.X) * 180 / std::numbers::pi;
        // The cell's top left: up from the baseline by the part of the cell above it.
        const THPGLPoint base = st_.ToPage(anchor);
        const double above = f_.Text.Height - f_.Text.Allowance;
        const double a = angle * std::numbers::pi / 180;
        const TPagePoint corner{base.X - above * std::sin(a), base.Y - above * std::cos(a)};
        text_.push_back({code, int(std::lround(corner.X)), int(std::lround(corner.Y)),
                         int(std::lround(AdvanceOf(code) * kPixelsPerPlu))});
        angle_ = int(std::lround(angle));
        c_.Budget -= int64_t(f_.Text.Height) * int64_t(f_.Text.Height) + 1;
    }

    void FlushText() {
        TDeviceFont font{f_.Text.Family,
                         f_.Text.Height + 4,
                         f_.Text.Bold,
                         f_.Text.Italic,
                         0,
                         ((angle_ % 360) + 360) % 360};
        c_.Device->DrawTextRun(font, text_);
        text_.clear();
    }

    THPGLLabelContext& c_;
    THPGLState& st_;
    TLabelFont f_;
    THPGLPoint dir_, up_;
    double endU_ = 0, endV_ = 0;
    std::vector<TPlacedChar> told_, text_;
    int angle_ = 0;
};

void SetFont(THPGLFontChoice& font, const std::vector<double>& p) {
    if (p.empty()) {
        font = THPGLFontChoice{};
        return;
    }
    for (size_t i = 0; i + 1 < p.size(); i += 2) {
        const double v = p[i + 1];
        switch (ToInt(p[i])) {
        case 1:
            font.SymbolSet = std::clamp(ToInt(v), 0, 32767);
            break;
        case 2:
            font.Proportional = v == 1;
            break;
        case 3:
            if (v > 0)
                font.Pitch = std::clamp(v, 0.1, 1000.0);
            break;
        case 4:
            if (v > 0)
                font.Height = std::clamp(v, 0.25, 999.75);
            break;
        case 5:
            font.Posture = ToInt(v);
            break;
        case 6:
            font.Weight = std::clamp(ToInt(v), -7, 7);
            break;
        case 7:
            font.Typeface = std::clamp(ToInt(v), 0, 65535);
            break;
        default:
            break;
        }
    }
}

} // namespace

void DrawLabel(THPGLLabelContext& context, std::string_view text) {
    TLabeller(context).Draw(text);
}

void LabelInstruction(THPGLState& st, const std::string& m, const std::vector<double>& p,
                      const std::function<THPGLPoint(double, double)>& toPlotter) {
    (void)toPlotter;
    auto at = [&](size_t i, double fallback) { return i < p.size() ? p[i] : fallback; };
    if (m == "SD") {
        SetFont(st.Standard, p);
    } else if (m == "AD") {
        SetFont(st.Alternate, p);
    } else if (m == "SS") {
        st.AlternateSelected = false;
    } else if (m == "SA") {
        st.AlternateSelected = true;
    } else if (m == "LO") {
        const int origin = ToInt(at(0, 1));
        if ((origin >= 1 && origin <= 9) || (origin >= 11 && origin <= 19))
            st.LabelOrigin = origin;
    } else if (m == "DI" || m == "DR") {
        if (p.size() >= 2 && (p[0] != 0 || p[1] != 0)) {
            st.DirRun = p[0];
            st.DirRise = p[1];
        } else {
            st.DirRun = 1;
            st.DirRise = 0;
        }
        st.DirRelative = m == "DR" && p.size() >= 2;
    } else if (m == "DV") {
        st.Vertical = at(0, 0) == 1;
    } else if (m == "SI" || m == "SR") {
        if (p.size() >= 2) {
            st.CharSizeKind = m == "SI" ? 1 : 2;
            st.CharWidth = std::clamp(p[0], -1e4, 1e4);
            st.CharHeight = std::clamp(p[1], -1e4, 1e4);
        } else {
            st.CharSizeKind = 0;
        }
    } else if (m == "SL") {
        st.Slant = std::clamp(at(0, 0), -100.0, 100.0);
    } else if (m == "ES") {
        st.ExtraSpace = std::clamp(at(0, 0), -100.0, 100.0);
        st.ExtraLine = std::clamp(at(1, 0), -100.0, 100.0);
    } else if (m == "CP") {
        const TLabelFont f = LabelFont(st);
        double run = st.DirRun, rise = st.DirRise;
        if (st.DirRelative) {
            run = run / 100 * (st.P2.X - st.P1.X);
            rise = rise / 100 * (st.P2.Y - st.P1.Y);
        }
        const double len = std::hypot(run, rise);
        const THPGLPoint dir =
            len > 0 && std::isfinite(len) ? THPGLPoint{run / len, rise / len} : THPGLPoint{1, 0};
        const THPGLPoint up{-dir.Y, dir.X};
        if (p.size() >= 2) {
            const double u = std::clamp(p[0], -1e4, 1e4) * f.Advance * (1 + st.ExtraSpace);
            const double v = std::clamp(p[1], -1e4, 1e4) * f.LineSpace * (1 + st.ExtraLine);
            st.Pen = {st.Pen.X + u * dir.X + v * up.X, st.Pen.Y + u * dir.Y + v * up.Y};
        } else {
            // A new line: back to where the line began, one line down.
            const double v = -f.LineSpace * (1 + st.ExtraLine);
            st.Pen = {st.CarriageReturn.X + v * up.X, st.CarriageReturn.Y + v * up.Y};
        }
        st.CarriageReturn = st.Pen;
    }
}

} // namespace pg
