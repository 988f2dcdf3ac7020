#pragma once
// TPclWriter: composes the PCL 5 of one pre-printed form page or of its fill-in data, command by
// command, the way a forms package writes it for a laser printer at 300 dots per inch.
//
// Positions are PCL dots from the logical page origin (the left edge of the logical page and the
// top margin). The writer refuses anything that would fall outside the printable area of its paper,
// and any text byte that is not printable ASCII, so a page that builds is a page a printer can
// print and our interpreter can draw.

#include <string>
#include <string_view>

namespace pg {

enum class TPaper { Letter, Legal };

// The page-size name a form carries for its paper.
std::string PaperName(TPaper paper);

// Typeface family numbers of the faces the demo forms use.
inline constexpr int kTypefaceCourier = 4099;
inline constexpr int kTypefaceCgTimes = 4101;
inline constexpr int kTypefaceUnivers = 4148;

struct TPclFont {
    int Typeface = kTypefaceCourier;
    double Points = 12.0;
    bool Proportional = false;
    bool Bold = false;
    bool Italic = false;

    bool operator==(const TPclFont&) const = default;
};

// The faces of the demo forms: fill-in data in Courier 10 pitch 12 point, pre-printed text in
// CG Times and Univers.
TPclFont CourierFill();
TPclFont Times(double points, bool bold = false, bool italic = false);
TPclFont Univers(double points, bool bold = false);

// Advance width in dots of a text in a font: fixed pitch at 10 characters per inch, proportional
// faces from the regular Roman-8 widths of Times and Arial (bold estimated 12% wider, so the
// figure is an upper bound for layout checks).
int TextWidth(const TPclFont& font, std::string_view text);

// The printable area in PCL dots: x in [0, PrintableWidth], y in [0, PrintableHeight(paper)].
inline constexpr int kPrintableWidth = 2400;
int PrintableHeight(TPaper paper);

class TPclWriter {
public:
    explicit TPclWriter(TPaper paper) : paper_(paper) {}

    TPaper Paper() const { return paper_; }

    // The Roman-8 symbol set. No reset, page size, paper source or orientation: the print job
    // writes those before the page, and a printer ejects a page that is already marked when one
    // of them arrives - the template follows the fill on the same sheet.
    void PageSetup();
    // Selects a font; nothing is written when it is already the current one.
    void SelectFont(const TPclFont& font);
    void MoveTo(int x, int y);
    // Printable ASCII only; the text must end inside the printable width.
    void Text(std::string_view text);
    void TextAt(int x, int y, std::string_view text);
    // Text whose right end lies at x, and text centred on x.
    void TextRight(int x, int y, std::string_view text);
    void TextCentred(int x, int y, std::string_view text);
    // A solid black rectangle (rules, box sides).
    void Rule(int x, int y, int width, int height);
    // A grey rectangle of the given shading percentage (1..100).
    void Shade(int x, int y, int width, int height, int percent);
    // A box outline of four rules of the given weight, drawn inside the rectangle.
    void Box(int x, int y, int width, int height, int weight);

    const std::string& Data() const { return data_; }
    const TPclFont& CurrentFont() const { return font_; }

private:
    void CheckArea(int x, int y, int width, int height) const;
    void Command(std::string_view text);

    TPaper paper_;
    std::string data_;
    TPclFont font_;
    bool fontSelected_ = false;
    int x_ = 0; // where the next text starts, for the width check
};

} // namespace pg
