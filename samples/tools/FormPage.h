#pragma once
// TFormPage: one page of a demo form, composed as two PCL streams at once - the template (the
// pre-printed form: title, ruled field grids, shaded headings, labels and boiler-plate text) and
// the fill (the loan data in Courier). Every value is written into the cell that its label names,
// so the fill lands inside the boxes of its template by construction.

#include "PclWriter.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pg {

// One cell of a field row: its width in dots (0: the rest of the row); its small label in the top
// left corner (lines separated by LF, the first one bold when BoldLabel); pre-printed Text on the
// cell's base line; the fill Value typed into it (lines separated by LF, the last one on the base
// line, right-aligned when RightAlign); and an optional grey shading percentage.
struct TCell {
    TCell(int width, std::string label, std::string value = {})
        : Width(width), Label(std::move(label)), Value(std::move(value)) {}

    int Width = 0;
    std::string Label;
    std::string Value;
    std::string Text;
    int Shade = 0;
    bool BoldLabel = false;
    bool RightAlign = false;
};

// A cell of pre-printed text (a table's line number or description), optionally shaded.
TCell TextCell(int width, std::string text, int shade = 0);
// A cell holding a right-aligned amount, optionally shaded.
TCell AmountCell(int width, std::string value, int shade = 0);
// A disclosure box: a bold caption over explaining lines, and a right-aligned amount.
TCell DisclosureCell(int width, std::string label, std::string value, int shade);

class TFormPage {
public:
    // The content area of every page: a quarter inch inside the logical page.
    static constexpr int kLeft = 75;
    static constexpr int kRight = 2325;
    static constexpr int kWidth = kRight - kLeft;
    static constexpr int kRuleWeight = 3;
    static constexpr int kRowHeight = 100;
    static constexpr int kHeadingHeight = 50;

    explicit TFormPage(TPaper paper);

    TPaper Paper() const { return paper_; }
    const std::string& TemplatePcl() const { return template_.Data(); }
    const std::string& FillPcl() const { return fill_.Data(); }
    // The lowest baseline the page content may use above the footer.
    int ContentBottom() const;

    // A title centred on the page in bold CG Times; returns the y below it.
    int Title(int y, std::string_view text, double points = 18);
    // A full-width shaded bar with a bold Univers caption; returns the y where the next row
    // starts (sharing the bar's bottom rule).
    int Heading(int y, std::string_view text, int shade = 15);
    // A row of boxed cells across the content width; returns the y of the next row, which
    // shares this row's bottom rule.
    int Row(int y, const std::vector<TCell>& cells, int height = kRowHeight);
    // The same for a row of the given width starting at x.
    int RowAt(int x, int y, int width, const std::vector<TCell>& cells, int height = kRowHeight);
    // A signature row: each cell carries a signature line and, under it, the signer's name as
    // fill text; returns the y of the next row.
    int SignatureRow(int y, const std::vector<TCell>& cells, int height = 170);
    // Boiler-plate text wrapped to the content width (less the indent); returns the y below it.
    int Paragraph(int y, std::string_view text, const TPclFont& font, int leading, int indent = 0);
    // A check box with its label on the right; the fill marks it with an X when checked.
    void CheckBox(int x, int y, std::string_view label, bool checked);
    // Pre-printed rules and box outlines anywhere on the page.
    void Rule(int x, int y, int width, int height) { template_.Rule(x, y, width, height); }
    void Box(int x, int y, int width, int height, int weight) { template_.Box(x, y, width, height, weight); }
    // Pre-printed text centred on the content area.
    void Centred(int y, const TPclFont& font, std::string_view text);
    // Pre-printed text anywhere on the page.
    void Label(int x, int y, const TPclFont& font, std::string_view text);
    // Fill text anywhere on the page (in Courier).
    void FillText(int x, int y, std::string_view text);
    // The footer: a rule, the form's identification on the left, "Page n of m" on the right.
    void Footer(std::string_view formId, int pageNumber, int pageCount);

    static constexpr int kCheckBoxSize = 45;

private:
    // The cells with their final widths; throws when they do not fill the row exactly.
    static std::vector<TCell> Layout(const std::vector<TCell>& cells, int width);
    void CellFrame(int x, int y, int width, const std::vector<TCell>& cells, int height);
    void CellContent(int x, int y, const TCell& cell, int height);

    TPaper paper_;
    TPclWriter template_;
    TPclWriter fill_;
};

// Splits text into lines no wider than width in the font, breaking at blanks.
std::vector<std::string> WrapText(std::string_view text, const TPclFont& font, int width);

} // namespace pg
