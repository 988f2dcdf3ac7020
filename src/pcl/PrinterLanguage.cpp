#include "PrinterLanguage.h"

#include <algorithm>
#include <cctype>

namespace pg {

namespace {

constexpr std::string_view kUniversalExit = "\x1b%-12345X";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::toupper(uint8_t(a)) == std::toupper(uint8_t(b)); });
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = char(std::toupper(uint8_t(c)));
    return upper;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '\x04';
}

// The language a "@PJL ENTER LANGUAGE = X" line names, upper case; empty for any other line.
std::string EnteredLanguage(std::string_view line) {
    std::string text = Upper(line.substr(4));
    std::replace(text.begin(), text.end(), '\t', ' ');
    const size_t enter = text.find("ENTER");
    if (enter == std::string::npos)
        return {};
    const size_t language = text.find("LANGUAGE", enter + 5);
    if (language == std::string::npos ||
        text.find_first_not_of(' ', enter + 5) != language) // "ENTER" then "LANGUAGE", blanks between
        return {};
    size_t at = text.find_first_not_of(' ', language + 8);
    if (at == std::string::npos || text[at] != '=')
        return {};
    at = text.find_first_not_of(' ', at + 1);
    if (at == std::string::npos)
        return {};
    const size_t end = text.find_first_of(" \r\n", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// What precedes a stretch of data: universal exits, blank bytes and job-control lines. Past
// names the end of it; Entered the language the last ENTER LANGUAGE line named, if any.
struct TPreamble {
    size_t Past = 0;
    std::string Entered;
};

TPreamble SkipPreamble(std::string_view bytes, size_t pos) {
    TPreamble preamble;
    for (;;) {
        if (bytes.substr(pos).starts_with(kUniversalExit)) {
            pos += kUniversalExit.size();
            continue;
        }
        size_t text = pos;
        while (text < bytes.size() && IsBlank(bytes[text]))
            ++text;
        if (!StartsWithNoCase(bytes.substr(text), "@PJL")) {
            // Blanks before a universal exit belong to the preamble; before data they are data.
            if (text == bytes.size()) {
                pos = text;
                break;
            }
            if (bytes.substr(text).starts_with(kUniversalExit)) {
                pos = text;
                continue;
            }
            break;
        }
        size_t end = bytes.find_first_of(std::string_view("\n\x1b", 2), text);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string entered = EnteredLanguage(bytes.substr(text, end - text));
        if (!entered.empty())
            preamble.Entered = entered;
        pos = end < bytes.size() && bytes[end] == '\n' ? end + 1 : end;
        if (pos >= bytes.size())
            break;
    }
    preamble.Past = pos;
    return preamble;
}

// The language data starts in, by its own header.
TPrinterLanguage SniffLanguage(std::string_view data) {
    size_t at = 0;
    while (at < data.size() && IsBlank(data[at]) && at < 64)
        ++at;
    const std::string_view head = data.substr(at);
    if (head.size() >= 11 && (head[0] == ')' || head[0] == '(' || head[0] == '\'') &&
        head.substr(1).starts_with(" HP-PCL XL"))
        return TPrinterLanguage::PclXl;
    if (head.starts_with("%!"))
        return TPrinterLanguage::PostScript;
    if (head.starts_with("%PDF-"))
        return TPrinterLanguage::Pdf;
    return TPrinterLanguage::Pcl5;
}

TLanguageSegment SegmentAt(std::string_view bytes, const TPreamble& preamble) {
    TLanguageSegment segment;
    segment.Offset = preamble.Past;
    const std::string& name = preamble.Entered;
    if (name.empty())
        segment.Language = SniffLanguage(bytes.substr(preamble.Past));
    else if (name == "PCLXL")
        segment.Language = TPrinterLanguage::PclXl;
    else if (name == "PCL")
        segment.Language = SniffLanguage(bytes.substr(preamble.Past));
    else if (name == "POSTSCRIPT")
        segment.Language = TPrinterLanguage::PostScript;
    else if (name == "PDF")
        segment.Language = TPrinterLanguage::Pdf;
    else {
        segment.Language = TPrinterLanguage::Other;
        segment.Name = name;
    }
    return segment;
}

// Where a segment that starts at from ends: PCL 5 runs through universal exits (its own
// interpreter reads them) up to one after which another language begins; every other language
// ends at the next universal exit.
size_t SegmentEnd(std::string_view bytes, const TLanguageSegment& segment) {
    size_t exit = bytes.find(kUniversalExit, segment.Offset);
    if (segment.Language != TPrinterLanguage::Pcl5)
        return exit == std::string_view::npos ? bytes.size() : exit;
    while (exit != std::string_view::npos) {
        const TPreamble next = SkipPreamble(bytes, exit);
        if (next.Past >= bytes.size() || SegmentAt(bytes, next).Language != TPrinterLanguage::Pcl5)
            return exit;
        exit = bytes.find(kUniversalExit, next.Past);
    }
    return bytes.size();
}

} // namespace

std::vector<TLanguageSegment> SplitPrinterLanguages(std::string_view bytes) {
    std::vector<TLanguageSegment> segments;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const TPreamble preamble = SkipPreamble(bytes, pos);
        if (preamble.Past >= bytes.size())
            break;
        TLanguageSegment segment = SegmentAt(bytes, preamble);
        const size_t end = std::max(SegmentEnd(bytes, segment), segment.Offset);
        segment.Length = end - segment.Offset;
        if (segment.Length > 0)
            segments.push_back(std::move(segment));
        // A segment always ends at a universal exit or the end, so this moves on.
        pos = std::max(end, preamble.Past + 1);
    }
    // A file in PCL 5 alone is read whole, exactly as it stands.
    if (segments.size() == 1 && segments[0].Language == TPrinterLanguage::Pcl5) {
        segments[0].Offset = 0;
        segments[0].Length = bytes.size();
    }
    if (segments.empty() && !bytes.empty())
        segments.push_back({TPrinterLanguage::Pcl5, 0, bytes.size(), {}});
    return segments;
}

TPrinterLanguage RecognisePrinterLanguage(std::string_view bytes) {
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(bytes);
    return segments.empty() ? TPrinterLanguage::Pcl5 : segments.front().Language;
}

bool DrawsLanguage(TPrinterLanguage language) {
    return language == TPrinterLanguage::Pcl5 || language == TPrinterLanguage::PclXl;
}

std::string PrinterLanguageName(TPrinterLanguage language) {
    switch (language) {
    case TPrinterLanguage::Pcl5:
        return "PCL 5";
    case TPrinterLanguage::PclXl:
        return "PCL XL";
    case TPrinterLanguage::PostScript:
        return "PostScript";
    case TPrinterLanguage::Pdf:
        return "PDF";
    case TPrinterLanguage::Other:
        break;
    }
    return "an unknown printer language";
}

std::string PrinterLanguageName(const TLanguageSegment& segment) {
    if (segment.Language == TPrinterLanguage::Other && !segment.Name.empty())
        return segment.Name;
    return PrinterLanguageName(segment.Language);
}

std::string JobLanguagesText(const std::vector<TLanguageSegment>& segments) {
    std::vector<std::string> names;
    for (const TLanguageSegment& segment : segments) {
        const std::string name = PrinterLanguageName(segment);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    if (names.empty())
        return PrinterLanguageName(TPrinterLanguage::Pcl5);
    std::string text = names.front();
    for (size_t i = 1; i < names.size(); ++i)
        text += (i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

std::string UndrawnLanguageMessage(const std::vector<TLanguageSegment>& segments) {
    for (const TLanguageSegment& segment : segments)
        if (!DrawsLanguage(segment.Language))
            return "This file is " + PrinterLanguageName(segment) + "; Pagellan shows PCL 5 and PCL XL";
    return {};
}

TLooseFileRoute RouteLooseFile(std::string_view bytes) {
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(bytes);
    TLooseFileRoute route;
    if (segments.size() == 1 && segments[0].Language == TPrinterLanguage::Pdf) {
        route.Kind = TLooseFileRoute::TKind::PdfReader;
        return route;
    }
    route.Message = UndrawnLanguageMessage(segments);
    if (!route.Message.empty())
        route.Kind = TLooseFileRoute::TKind::Refuse;
    return route;
}

} // namespace pg
