#include "TextDevice.h"

#include "PackageText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace pg {

namespace {

// A printable character where it stands on the page. Positions of damaged input may lie
// anywhere in the int range: sums and differences are taken in 64 bits.
struct TCell {
    uint32_t Char = 0;
    int64_t X = 0, Top = 0, Bottom = 0, Advance = 0;
    int64_t Height() const { return Bottom - Top; }
    int64_t Centre() const { return Top + (Bottom - Top) / 2; }
};

struct TLineCells {
    int64_t Top = 0, Bottom = 0; // the first character's cell: a line does not creep downwards
    std::vector<TCell> Cells;
};

int Clamped(int64_t v) {
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

bool Printable(uint32_t ch) {
    return ch >= 32 && ch != 127;
}

// Whether a character sits on the line: its cell shares at least half the smaller height with
// the line's, which holds for small and large type on one baseline but not for the next line.
bool OnLine(const TCell& c, const TLineCells& line) {
    const int64_t overlap = std::min(c.Bottom, line.Bottom) - std::max(c.Top, line.Top);
    return overlap * 2 >= std::min(c.Height(), line.Bottom - line.Top);
}

// The line's characters left to right as words. A character drawn again at nearly the same
// place (bold Courier twice, a template and fill both printing a label) counts once; a space
// or a gap wider than a fifth of the type's height ends a word.
TTextLine WordsOf(std::vector<TCell>& cells) {
    std::stable_sort(cells.begin(), cells.end(), [](const TCell& a, const TCell& b) { return a.X < b.X; });
    TTextLine line;
    TTextWord word;
    const TCell* last = nullptr;
    const auto endWord = [&] {
        if (!word.Text.empty())
            line.Words.push_back(std::move(word));
        word = {};
    };
    for (const TCell& c : cells) {
        if (last && c.Char == last->Char && std::abs(c.X - last->X) * 2 < std::max<int64_t>(last->Advance, 2))
            continue;
        const int64_t gap = last ? c.X - (last->X + last->Advance) : 0;
        if (c.Char == ' ' || (last && gap * 5 > std::max<int64_t>(std::min(c.Height(), last->Height()), 15)))
            endWord();
        last = &c;
        if (c.Char == ' ')
            continue;
        if (word.Text.empty()) {
            word.Left = Clamped(c.X);
            word.Right = Clamped(c.X + c.Advance);
            word.Top = Clamped(c.Top);
            word.Bottom = Clamped(c.Bottom);
        }
        AppendUtf8Char(word.Text, c.Char);
        word.Right = std::max(word.Right, Clamped(c.X + c.Advance));
        word.Top = std::min(word.Top, Clamped(c.Top));
        word.Bottom = std::max(word.Bottom, Clamped(c.Bottom));
    }
    endWord();
    if (!line.Words.empty()) {
        line.Top = line.Words.front().Top;
        line.Bottom = line.Words.front().Bottom;
        for (const TTextWord& w : line.Words) {
            line.Top = std::min(line.Top, w.Top);
            line.Bottom = std::max(line.Bottom, w.Bottom);
        }
    }
    return line;
}

} // namespace

std::string TTextLine::Text() const {
    std::string out;
    for (const TTextWord& w : Words) {
        if (!out.empty())
            out += ' ';
        out += w.Text;
    }
    return out;
}

void TTextDevice::StartPage(int width, int height) {
    runs_.clear();
    width_ = width;
    height_ = height;
}

void TTextDevice::ResizePage(int width, int height) {
    width_ = width;
    height_ = height;
}

void TTextDevice::DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) {
    runs_.push_back({font, {chars.begin(), chars.end()}});
}

int TTextDevice::MeasureChar(const TDeviceFont& font, uint32_t ch) {
    return rasterizer_ ? rasterizer_->Advance(font, ch) : 0;
}

void TTextDevice::SoftFontText(int height, std::span<const TPlacedChar> chars) {
    TDeviceFont font;
    font.Height = height;
    runs_.push_back({font, {chars.begin(), chars.end()}});
}

std::vector<TTextLine> TTextDevice::Lines() const {
    std::vector<TCell> cells;
    for (const TTextRun& run : runs_) {
        // Turned text reads along its own line: from its first character, one advance after
        // another.
        const bool turned = run.Font.Angle % 360 != 0 && !run.Chars.empty();
        int64_t along = turned ? run.Chars.front().X : 0;
        for (const TPlacedChar& c : run.Chars) {
            const int64_t x = turned ? along : c.X, y = turned ? run.Chars.front().Y : c.Y;
            along += std::max(c.Advance, 0);
            if (Printable(c.Unicode()) && run.Font.Height > 0)
                cells.push_back({c.Unicode(), x, y, y + run.Font.Height, std::max(c.Advance, 0)});
        }
    }
    std::stable_sort(cells.begin(), cells.end(), [](const TCell& a, const TCell& b) {
        return a.Centre() != b.Centre() ? a.Centre() < b.Centre() : a.X < b.X;
    });
    std::vector<TLineCells> grouped;
    for (const TCell& c : cells) {
        if (grouped.empty() || !OnLine(c, grouped.back()))
            grouped.push_back({c.Top, c.Bottom, {}});
        grouped.back().Cells.push_back(c);
    }
    std::vector<TTextLine> lines;
    for (TLineCells& g : grouped)
        if (TTextLine line = WordsOf(g.Cells); !line.Words.empty())
            lines.push_back(std::move(line));
    return lines;
}

std::string TTextDevice::Text() const {
    std::string out;
    for (const TTextLine& line : Lines())
        out += line.Text() + '\n';
    return out;
}

} // namespace pg
