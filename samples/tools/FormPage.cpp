#include "FormPage.h"

#include "Strings.h"

#include <stdexcept>

namespace pg {

namespace {

// Cell text insets: labels sit in the top left corner, values on the cell's base line.
constexpr int kLabelInset = 12;
constexpr int kLabelBaseline = 27;
constexpr int kValueInset = 15;
constexpr int kValueBaselineFromBottom = 25;
constexpr int kLabelLeading = 27;
constexpr int kValueLeading = 45;
constexpr int kFillAscent = 36; // capitals of 12-point Courier reach this far above the base line
constexpr int kFooterSpace = 90;
constexpr int kParagraphGap = 8; // keeps the first line of text clear of the rule above it

TPclFont LabelFont() {
    return Univers(7);
}

} // namespace

TCell TextCell(int width, std::string text, int shade) {
    TCell c(width, "");
    c.Text = std::move(text);
    c.Shade = shade;
    return c;
}

TCell AmountCell(int width, std::string value, int shade) {
    TCell c(width, "", std::move(value));
    c.Shade = shade;
    c.RightAlign = true;
    return c;
}

TCell DisclosureCell(int width, std::string label, std::string value, int shade) {
    TCell c(width, std::move(label), std::move(value));
    c.Shade = shade;
    c.BoldLabel = true;
    c.RightAlign = true;
    return c;
}

std::vector<std::string> WrapText(std::string_view text, const TPclFont& font, int width) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& word : Split(text, " ")) {
        if (word.empty())
            continue;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && TextWidth(font, candidate) > width) {
            lines.push_back(line);
            line = word;
            continue;
        }
        line = candidate;
    }
    if (!line.empty())
        lines.push_back(line);
    for (const std::string& l : lines)
        if (TextWidth(font, l) > width)
            throw std::length_error("a word is wider than its column: " + l);
    return lines;
}

TFormPage::TFormPage(TPaper paper) : paper_(paper), template_(paper), fill_(paper) {
    template_.PageSetup();
    fill_.PageSetup();
    fill_.SelectFont(CourierFill());
}

int TFormPage::ContentBottom() const {
    return PrintableHeight(paper_) - kFooterSpace;
}

int TFormPage::Title(int y, std::string_view text, double points) {
    const int cell = int(points / 72.0 * 300.0);
    template_.SelectFont(Times(points, true));
    template_.TextCentred((kLeft + kRight) / 2, y + cell * 4 / 5, text);
    return y + cell + 10;
}

int TFormPage::Heading(int y, std::string_view text, int shade) {
    template_.Shade(kLeft, y, kWidth, kHeadingHeight, shade);
    template_.Box(kLeft, y, kWidth, kHeadingHeight, kRuleWeight);
    template_.SelectFont(Univers(9, true));
    template_.TextAt(kLeft + 15, y + 36, text);
    return y + kHeadingHeight - kRuleWeight;
}

std::vector<TCell> TFormPage::Layout(const std::vector<TCell>& cells, int width) {
    std::vector<TCell> out = cells;
    int fixed = 0;
    int rest = 0;
    for (const TCell& c : out) {
        fixed += c.Width;
        rest += c.Width == 0 ? 1 : 0;
    }
    if (rest > 1 || fixed > width || (rest == 0 && fixed != width))
        throw std::invalid_argument("row cells do not fill the row width");
    for (TCell& c : out)
        if (c.Width == 0)
            c.Width = width - fixed;
    return out;
}

void TFormPage::CellFrame(int x, int y, int width, const std::vector<TCell>& cells, int height) {
    int cx = x;
    for (const TCell& c : cells) {
        if (c.Shade > 0)
            template_.Shade(cx, y, c.Width, height, c.Shade);
        cx += c.Width;
    }
    template_.Rule(x, y, width, kRuleWeight);
    template_.Rule(x, y + height - kRuleWeight, width, kRuleWeight);
    template_.Rule(x, y, kRuleWeight, height);
    cx = x;
    for (const TCell& c : cells) {
        cx += c.Width;
        template_.Rule(cx - kRuleWeight, y, kRuleWeight, height);
    }
}

void TFormPage::CellContent(int x, int y, const TCell& cell, int height) {
    const int inner = cell.Width - kRuleWeight;
    int labelBottom = y + kRuleWeight;
    if (!cell.Label.empty()) {
        const std::vector<std::string> lines = Split(cell.Label, "\n");
        for (size_t i = 0; i < lines.size(); ++i) {
            const TPclFont font = i == 0 && cell.BoldLabel ? Univers(7, true) : LabelFont();
            if (kLabelInset + TextWidth(font, lines[i]) > inner)
                throw std::length_error("label wider than its cell: " + lines[i]);
            labelBottom = y + kLabelBaseline + int(i) * kLabelLeading;
            Label(x + kLabelInset, labelBottom, font, lines[i]);
        }
        labelBottom += 7;
    }
    const int baseline = y + height - kValueBaselineFromBottom;
    if (!cell.Text.empty()) {
        if (baseline - 25 < labelBottom || kLabelInset + TextWidth(Univers(9), cell.Text) > inner)
            throw std::length_error("cell text does not fit its cell: " + cell.Text);
        Label(x + kLabelInset, baseline, Univers(9), cell.Text);
    }
    if (cell.Value.empty())
        return;
    const std::vector<std::string> lines = Split(cell.Value, "\n");
    const int first = baseline - int(lines.size() - 1) * kValueLeading;
    if (first - kFillAscent < labelBottom)
        throw std::length_error("cell too low for its value: " + cell.Value);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int width = TextWidth(CourierFill(), lines[i]);
        if (kValueInset + width > inner - 5)
            throw std::length_error("value wider than its cell: " + lines[i]);
        const int vx = cell.RightAlign ? x + inner - kValueInset - width : x + kValueInset;
        FillText(vx, first + int(i) * kValueLeading, lines[i]);
    }
}

int TFormPage::Row(int y, const std::vector<TCell>& cells, int height) {
    return RowAt(kLeft, y, kWidth, cells, height);
}

int TFormPage::RowAt(int x, int y, int width, const std::vector<TCell>& cells, int height) {
    const std::vector<TCell> laid = Layout(cells, width);
    CellFrame(x, y, width, laid, height);
    int cx = x;
    for (const TCell& c : laid) {
        CellContent(cx, y, c, height);
        cx += c.Width;
    }
    return y + height - kRuleWeight;
}

int TFormPage::SignatureRow(int y, const std::vector<TCell>& cells, int height) {
    const std::vector<TCell> laid = Layout(cells, kWidth);
    CellFrame(kLeft, y, kWidth, laid, height);
    int x = kLeft;
    for (const TCell& c : laid) {
        const int lineY = y + height - 68;
        template_.Rule(x + kValueInset, lineY, c.Width - 2 * kValueInset, 2);
        Label(x + kLabelInset, y + kLabelBaseline, LabelFont(), c.Label);
        if (!c.Value.empty()) {
            if (kValueInset + TextWidth(CourierFill(), c.Value) > c.Width - kRuleWeight - 5)
                throw std::length_error("signer name wider than its cell: " + c.Value);
            FillText(x + kValueInset, y + height - 22, c.Value);
        }
        x += c.Width;
    }
    return y + height - kRuleWeight;
}

int TFormPage::Paragraph(int y, std::string_view text, const TPclFont& font, int leading, int indent) {
    const std::vector<std::string> lines = WrapText(text, font, kWidth - indent);
    int baseline = y + kParagraphGap;
    for (const std::string& line : lines) {
        baseline += leading;
        if (baseline > ContentBottom())
            throw std::out_of_range("paragraph runs into the footer: " + line);
        Label(kLeft + indent, baseline - leading / 4, font, line);
    }
    return baseline + leading / 4;
}

void TFormPage::CheckBox(int x, int y, std::string_view label, bool checked) {
    template_.Box(x, y, kCheckBoxSize, kCheckBoxSize, kRuleWeight);
    Label(x + kCheckBoxSize + 15, y + 36, Univers(8), label);
    if (checked)
        FillText(x + 8, y + 38, "X");
}

void TFormPage::Centred(int y, const TPclFont& font, std::string_view text) {
    template_.SelectFont(font);
    template_.TextCentred((kLeft + kRight) / 2, y, text);
}

void TFormPage::Label(int x, int y, const TPclFont& font, std::string_view text) {
    template_.SelectFont(font);
    template_.TextAt(x, y, text);
}

void TFormPage::FillText(int x, int y, std::string_view text) {
    fill_.TextAt(x, y, text);
}

void TFormPage::Footer(std::string_view formId, int pageNumber, int pageCount) {
    const int ruleY = PrintableHeight(paper_) - 75;
    template_.Rule(kLeft, ruleY, kWidth, 2);
    Label(kLeft, ruleY + 40, Univers(6.5), formId);
    template_.SelectFont(Univers(6.5));
    template_.TextRight(kRight, ruleY + 40, "Page " + IntToStr(pageNumber) + " of " + IntToStr(pageCount));
}

} // namespace pg
