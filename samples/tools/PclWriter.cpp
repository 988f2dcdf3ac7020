#include "PclWriter.h"

#include "Strings.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace pg {

namespace {

constexpr char kEsc = 27;

// Advance widths at 100 points in dots, codes 32..126 of Roman-8 (the space is replaced below).
constexpr std::array<int, 95> kTimesWidths = {
    300, 138, 192, 207, 207, 369, 323, 138, 138, 138, 207, 369, 138, 138, 138, 138, //
    207, 207, 207, 207, 207, 207, 207, 207, 207, 207, 138, 138, 415, 369, 415, 184, //
    369, 300, 261, 284, 307, 261, 246, 300, 307, 138, 161, 292, 261, 376, 307, 300, //
    238, 300, 277, 223, 261, 307, 300, 392, 300, 300, 269, 138, 138, 138, 207, 207, //
    138, 184, 207, 184, 207, 184, 138, 207, 207, 115, 115, 207, 115, 323, 207, 207, //
    207, 207, 154, 161, 115, 207, 207, 300, 207, 207, 184, 184, 207, 184, 415};
constexpr std::array<int, 95> kArialWidths = {
    300, 138, 207, 261, 261, 415, 315, 138, 138, 138, 261, 415, 138, 138, 138, 138, //
    261, 261, 261, 261, 261, 261, 261, 261, 261, 261, 138, 138, 415, 415, 415, 215, //
    415, 307, 261, 292, 300, 238, 231, 307, 300, 115, 231, 277, 223, 376, 300, 315, //
    246, 323, 269, 269, 261, 300, 300, 415, 300, 284, 254, 138, 138, 138, 207, 207, //
    138, 223, 238, 223, 238, 223, 154, 238, 238, 100, 100, 223, 100, 361, 238, 238, //
    238, 238, 146, 207, 154, 238, 231, 361, 231, 231, 200, 184, 207, 184, 415};
constexpr int kTimesSpace = 123;
constexpr int kArialSpace = 138;
constexpr int kFixedAdvance = 30; // 10 characters per inch

bool IsPrintable(char c) {
    return c >= 32 && c <= 126;
}

// A decimal PCL value: integral values without a point, others with one decimal.
std::string Decimal(double value) {
    const long tenths = std::lround(value * 10);
    if (tenths % 10 == 0)
        return IntToStr(tenths / 10);
    return IntToStr(tenths / 10) + "." + IntToStr(tenths % 10);
}

} // namespace

std::string PaperName(TPaper paper) {
    return paper == TPaper::Letter ? "LTR" : "LGL";
}

TPclFont CourierFill() {
    return TPclFont{};
}

TPclFont Times(double points, bool bold, bool italic) {
    return TPclFont{kTypefaceCgTimes, points, true, bold, italic};
}

TPclFont Univers(double points, bool bold) {
    return TPclFont{kTypefaceUnivers, points, true, bold, false};
}

int TextWidth(const TPclFont& font, std::string_view text) {
    for (char c : text)
        if (!IsPrintable(c))
            throw std::invalid_argument("text holds a byte that is not printable ASCII");
    if (!font.Proportional)
        return kFixedAdvance * int(text.size());
    const bool times = font.Typeface == kTypefaceCgTimes;
    const auto& table = times ? kTimesWidths : kArialWidths;
    long total = 0;
    for (char c : text)
        total += c == ' ' ? (times ? kTimesSpace : kArialSpace) : table[size_t(c - 32)];
    const double scale = font.Points / 100.0 * (font.Bold ? 1.12 : 1.0);
    return int(std::ceil(double(total) * scale));
}

int PrintableHeight(TPaper paper) {
    return paper == TPaper::Letter ? 3100 : 4000;
}

void TPclWriter::Command(std::string_view text) {
    data_ += kEsc;
    data_ += text;
}

void TPclWriter::CheckArea(int x, int y, int width, int height) const {
    if (x < 0 || y < 0 || width < 0 || height < 0 || x + width > kPrintableWidth ||
        y + height > PrintableHeight(paper_))
        throw std::out_of_range("PCL position outside the printable area: " + IntToStr(x) + "," +
                                IntToStr(y) + " size " + IntToStr(width) + "x" + IntToStr(height));
}

void TPclWriter::PageSetup() {
    Command("(8U");
}

void TPclWriter::SelectFont(const TPclFont& font) {
    if (fontSelected_ && font == font_)
        return;
    font_ = font;
    fontSelected_ = true;
    if (!font.Proportional) {
        Command("(s0p10h" + Decimal(font.Points) + "v0s0b" + IntToStr(font.Typeface) + "T");
        return;
    }
    Command("(s1p" + Decimal(font.Points) + "v" + (font.Italic ? "1" : "0") + "s" + (font.Bold ? "3" : "0") +
            "b" + IntToStr(font.Typeface) + "T");
}

void TPclWriter::MoveTo(int x, int y) {
    CheckArea(x, y, 0, 0);
    Command("*p" + IntToStr(x) + "x" + IntToStr(y) + "Y");
    x_ = x;
}

void TPclWriter::Text(std::string_view text) {
    if (!fontSelected_)
        throw std::logic_error("text written before a font was selected");
    const int width = TextWidth(font_, text);
    if (x_ + width > kPrintableWidth)
        throw std::out_of_range("text runs past the printable width: " + std::string(text));
    data_ += text;
    x_ += width;
}

void TPclWriter::TextAt(int x, int y, std::string_view text) {
    MoveTo(x, y);
    Text(text);
}

void TPclWriter::TextRight(int x, int y, std::string_view text) {
    TextAt(x - TextWidth(font_, text), y, text);
}

void TPclWriter::TextCentred(int x, int y, std::string_view text) {
    TextAt(x - TextWidth(font_, text) / 2, y, text);
}

void TPclWriter::Rule(int x, int y, int width, int height) {
    CheckArea(x, y, width, height);
    MoveTo(x, y);
    Command("*c" + IntToStr(width) + "a" + IntToStr(height) + "b0P");
}

void TPclWriter::Shade(int x, int y, int width, int height, int percent) {
    if (percent < 1 || percent > 100)
        throw std::invalid_argument("shading percentage out of range");
    CheckArea(x, y, width, height);
    MoveTo(x, y);
    Command("*c" + IntToStr(width) + "a" + IntToStr(height) + "b" + IntToStr(percent) + "g2P");
}

void TPclWriter::Box(int x, int y, int width, int height, int weight) {
    Rule(x, y, width, weight);
    Rule(x, y + height - weight, width, weight);
    Rule(x, y, weight, height);
    Rule(x + width - weight, y, weight, height);
}

} // namespace pg
