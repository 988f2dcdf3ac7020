#include "Tesselon.h"

#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>
#include <utility>

namespace pg {

namespace {

constexpr std::string_view kReset = "\x1b"
                                    "E";
constexpr std::string_view kLetterCommand = "\x1b&l2A";
constexpr std::string_view kLegalCommand = "\x1b&l3A";

// Element and attribute names are lower-cased after parsing, so every lookup below uses the
// lower-case form and a package may spell them in any case.
constexpr unsigned kParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_wnorm_attribute;

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Leading and trailing whitespace removed, every inner run replaced by one blank.
std::string Normalise(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (char c : text) {
        if (IsXmlBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank)
            out += ' ';
        pendingBlank = false;
        out += c;
    }
    return out;
}

// The next node of a depth-first walk below root, or an empty node at the end. Iterative, so
// a deeply nested form list cannot exhaust the stack.
pugi::xml_node NextInWalk(pugi::xml_node node, pugi::xml_node root) {
    if (node.first_child())
        return node.first_child();
    while (node && node != root && !node.next_sibling())
        node = node.parent();
    if (!node || node == root)
        return {};
    return node.next_sibling();
}

void LowerCaseNames(pugi::xml_node root) {
    for (pugi::xml_node n = root.first_child(); n; n = NextInWalk(n, root)) {
        if (n.type() != pugi::node_element)
            continue;
        n.set_name(LowerCase(n.name()).c_str());
        for (pugi::xml_attribute a : n.attributes())
            a.set_name(LowerCase(a.name()).c_str());
    }
}

// The package's single-byte text from parsed XML text. The writer spells a byte above 127 as
// the character of that code (&#xE9;) and a control byte, which XML 1.0 has no character for,
// as a private-use character U+E000 + byte (&#xE01B;); the parser gives both in UTF-8, and here
// they become the bytes again. Other characters stay as the parser gives them.
std::string FromXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto next = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
        if ((b == 0xC2 || b == 0xC3) && i + 1 < text.size() && (next(1) & 0xC0) == 0x80) {
            out += char(((b & 0x03) << 6) | (next(1) & 0x3F));
            i += 1;
        } else if (b == 0xEE && i + 2 < text.size() && next(1) == 0x80 && next(2) >= 0x80 && next(2) < 0xA0) {
            out += char(next(2) - 0x80);
            i += 2;
        } else {
            out += char(b);
        }
    }
    return out;
}

// Plain text next to CDATA that holds nothing but characters the writer had to escape there
// (see AddContent): it carries no whitespace of its own.
bool IsEscapeOnly(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == '&' || static_cast<unsigned char>(c) >= 0x80; });
}

// The text of an element as parsed: all its text below it. Plain text is normalised; text
// that comes only from CDATA sections (and escaped characters between them) is kept as
// written (annotation content keeps its blanks).
std::string ParsedText(pugi::xml_node element) {
    std::string out;
    bool plain = false;
    for (pugi::xml_node n = element.first_child(); n; n = NextInWalk(n, element)) {
        if (n.type() == pugi::node_pcdata) {
            out += n.value();
            plain = plain || !IsEscapeOnly(n.value());
        } else if (n.type() == pugi::node_cdata) {
            out += n.value();
        }
    }
    return plain ? Normalise(out) : out;
}

std::string NodeText(pugi::xml_node element) {
    return FromXmlText(ParsedText(element));
}

std::string ChildText(pugi::xml_node node, const char* name) {
    return NodeText(node.child(name));
}

std::string Attr(pugi::xml_node node, const char* name) {
    return FromXmlText(node.attribute(name).value());
}

bool AttrYes(pugi::xml_node node, const char* name) {
    return Attr(node, name) == "Y";
}

// The value an absolute XPath selects: the text of every match joined by CR LF, trimmed.
std::string XPathValue(const pugi::xml_document& doc, const char* path) {
    std::string joined;
    bool first = true;
    for (const pugi::xpath_node& match : doc.select_nodes(path)) {
        if (!first)
            joined += "\r\n";
        first = false;
        joined += match.attribute() ? std::string(match.attribute().value()) : ParsedText(match.node());
    }
    // Trimmed before the escaped control bytes are restored, which are text of the value.
    return FromXmlText(Trim(joined));
}

uint8_t FormatFromName(std::string_view name) {
    if (name == "VIVAFORM")
        return kFormatVivaform;
    if (name == "ATTACHMENT" || name == "UNKNOWN")
        return kFormatAttachment;
    return kFormatDefault;
}

// What reading the pages needs besides the form list: the data blob, the bound on the page
// data made from it, and the pages whose range lies past the blob's end.
struct TPageReading {
    std::string_view Blob;
    TPageDataBudget Budget;
    size_t PastEnd = 0;
    std::string FirstPastEnd;
};

// The blob bytes a page element names; empty when the range is empty or starts outside the
// blob, cut at the blob's end when it runs past it (which is noted as damage).
std::string_view PageBytes(TPageReading& reading, pugi::xml_node page, const TDocSetForm& form) {
    const std::string_view blob = reading.Blob;
    const int64_t offset = StrToInt64Def(Attr(page, "byteoffset"), 0);
    const int64_t length = StrToInt64Def(Attr(page, "expectedbytelength"), 0);
    if (length <= 0)
        return {};
    if (offset < 0 || uint64_t(offset) > blob.size() || uint64_t(length) > blob.size() - uint64_t(offset)) {
        if (reading.PastEnd++ == 0)
            reading.FirstPastEnd = "page " + Attr(page, "pagenumber") + " of " + form.Name + " (" +
                                   IntToStr(length) + " bytes at " + IntToStr(offset) +
                                   ") runs past the end of the page data (" + IntToStr(int64_t(blob.size())) +
                                   " bytes)";
    }
    if (offset < 0 || uint64_t(offset) >= blob.size())
        return {};
    const std::string_view bytes = blob.substr(
        size_t(offset), size_t(std::min<uint64_t>(uint64_t(length), blob.size() - size_t(offset))));
    reading.Budget.Take(bytes.size());
    return bytes;
}

// The page data the form list claims, as PageBytes would cut it from the blob, checked against
// the package's bound before any page is made: a list that names the same large range again and
// again is refused at the cost of reading its attributes, not of copying what it claims.
void CheckClaimedPageData(const pugi::xml_document& doc, std::string_view blob, size_t fileSize) {
    TPageDataBudget claims(fileSize);
    for (const pugi::xpath_node& match : doc.select_nodes("/docset/form")) {
        const bool pcl = FormatFromName(ChildText(match.node(), "format")) == kFormatDefault;
        for (pugi::xml_node page : match.node().children("page")) {
            const int64_t offset = StrToInt64Def(Attr(page, "byteoffset"), 0);
            const int64_t length = StrToInt64Def(Attr(page, "expectedbytelength"), 0);
            if (length > 0 && offset >= 0 && uint64_t(offset) < blob.size())
                claims.Take(size_t(std::min<uint64_t>(uint64_t(length), blob.size() - uint64_t(offset))));
            if (!pcl)
                break; // other formats read their first page only
        }
    }
}

std::unique_ptr<TDocSetPage> NewPage(pugi::xml_node page) {
    return std::make_unique<TDocSetPage>(
        StrToIntDef(Attr(page, "pagenumber"), 1), NodeText(page.child("template").child("name")),
        AttrYes(page, "forcetofront"), ChildText(page, "barcodevalue"), 0.0, "");
}

void ReadAnnotations(pugi::xml_node pageNode, TDocSetPage& page) {
    for (pugi::xml_node a : pageNode.children("annotation")) {
        auto annotation = std::make_unique<TDocSetAnnotation>();
        annotation->XPosition = StrToIntDef(Attr(a, "xposition"), 0);
        annotation->YPosition = StrToIntDef(Attr(a, "yposition"), 0);
        annotation->UserId = ChildText(a, "userid");
        annotation->Date = ChildText(a, "date");
        annotation->Time = ChildText(a, "time");
        annotation->Content = ChildText(a, "content");
        page.AddAnnotation(std::move(annotation));
    }
}

// Resets and page-size commands belong to the container, not to the page. They are replaced
// one after the other, left to right; a pass runs only when its text occurs, which one quick
// look at the escape bytes tells (checked again after every change, as a removal can join a
// new occurrence).
void StripPrinterCommands(THLWMemorystream& data) {
    static constexpr std::pair<std::string_view, std::string_view> kRules[] = {
        {"\x1b"
         "E",
         ""},
        {"\x1b&l1l1h", "\x1b&l1l"},
        {"\x1b&l2A", ""},
        {"\x1b&l3A", ""},
        {"\x1b&l1S", ""},
        {"\x1b&l0S", ""},
    };
    auto present = [&](std::string_view text) {
        unsigned mask = 0;
        for (size_t at = text.find('\x1b'); at != std::string_view::npos; at = text.find('\x1b', at + 1)) {
            const std::string_view rest = text.substr(at);
            if (rest.size() > 1 && rest[1] == 'E')
                mask |= 1u;
            else if (rest.size() > 2 && rest[1] == '&' && rest[2] == 'l')
                for (size_t r = 1; r < std::size(kRules); ++r)
                    if (rest.starts_with(kRules[r].first))
                        mask |= 1u << r;
        }
        return mask;
    };
    unsigned mask = present(data.View());
    for (size_t r = 0; r < std::size(kRules) && mask != 0; ++r) {
        if (!(mask & (1u << r)))
            continue;
        data.ReplaceAll(kRules[r].first, kRules[r].second);
        mask = present(data.View());
    }
}

// The earliest position of needle (which starts with the escape byte) at or after from, bytes
// compared with bit 0x20 ignored as ExtractMacro compares them; npos when absent. The escape
// byte folds onto ";", so both are looked for with memchr, which keeps long pages fast where a
// byte-by-byte folded search would not be.
size_t FindFolded(std::string_view text, std::string_view needle, size_t from) {
    auto matchesAt = [&](size_t at) {
        if (text.size() - at < needle.size())
            return false;
        for (size_t i = 1; i < needle.size(); ++i)
            if ((text[at + i] & ~0x20) != (needle[i] & ~0x20))
                return false;
        return true;
    };
    size_t best = std::string_view::npos;
    for (char lead : {'\x1b', ';'}) {
        for (size_t at = text.find(lead, from); at < best; at = text.find(lead, at + 1)) {
            if (matchesAt(at)) {
                best = at;
                break;
            }
        }
    }
    return best;
}

// The span of the first macro definition of id: from its select to the end of the first
// ESC&f8X after it (the span ExtractMacro removes); false when there is none.
bool FindMacro(std::string_view text, int id, size_t& from, size_t& to) {
    static constexpr std::string_view kDelete = "\x1b&f8X";
    from = FindFolded(text, MacroSelect(id), 0);
    if (from == std::string_view::npos)
        return false;
    const size_t end = FindFolded(text, kDelete, from);
    if (end == std::string_view::npos)
        return false;
    to = end + kDelete.size();
    return true;
}

void RemoveMacro(THLWMemorystream& data, int id) {
    size_t from = 0;
    size_t to = 0;
    if (!FindMacro(data.View(), id, from, to))
        return;
    std::string text = data.Release();
    text.erase(from, to - from);
    data = THLWMemorystream(std::move(text));
}

// A deleted form's page is compressed; what it inflates to counts against the bound as well.
void Inflate(TPageReading& reading, THLWMemorystream& data) {
    const size_t before = data.Size();
    if (!data.Decompress(reading.Budget.Left() + before))
        reading.Budget.Take(reading.Budget.Left() + before + 1);
    if (data.Size() > before)
        reading.Budget.Take(data.Size() - before);
}

// A PCL page: overlays, the bracketed fill and the template, compressed for deleted forms.
void ReadPclPage(TPageReading& reading, pugi::xml_node pageNode, TDocSetForm& form) {
    const std::string_view bytes = PageBytes(reading, pageNode, form);
    if (bytes.empty())
        return;
    auto page = NewPage(pageNode);
    THLWMemorystream data{std::string(bytes)};
    if (form.Deleted)
        Inflate(reading, data);
    StripPrinterCommands(data);
    if (data.Size() > 0 && data.View().back() == '\f')
        data.TruncateLast(data.Size());
    RemoveMacro(data, kMacroFormListXml);
    std::string discarded;
    data.ExtractMarked(kMacroAnnotation, discarded);
    ReadAnnotations(pageNode, *page);
    std::string fill;
    data.ExtractMarked(kMacroTesselonFill, fill);
    if (!fill.empty())
        page->FillData.AppendText(fill);
    RemoveMacro(data, kMacroVivaformData);
    page->TemplateData = THLWMemorystream(data.Release());
    form.AddPage(std::move(page));
}

// The single page of a Vivaform or attachment form. What this program writes for such a page
// (overlays, the fill inside its 10003 bracket or 10002 definition, the template, compression
// when deleted) is taken apart again, so the page reads back as it was written; data without
// those markers becomes the fill as a whole.
void ReadSinglePage(TPageReading& reading, pugi::xml_node pageNode, TDocSetForm& form) {
    auto page = NewPage(pageNode);
    THLWMemorystream data{std::string(PageBytes(reading, pageNode, form))};
    if (form.Deleted && form.Format == kFormatVivaform)
        Inflate(reading, data);
    data.ReplaceAll(MacroBegin(kMacroVivaformData), "");
    data.ReplaceAll(MacroEnd(kMacroVivaformData), "");
    std::string discarded;
    data.ExtractMarked(kMacroAnnotation, discarded);
    ReadAnnotations(pageNode, *page);
    const size_t before = data.Size();
    std::string fill;
    data.ExtractMarked(kMacroTesselonFill, fill);
    if (data.Size() == before) {
        page->FillData.AppendText(data.View());
    } else {
        page->FillData.AppendText(fill);
        page->TemplateData = THLWMemorystream(data.Release());
    }
    page->FillData.Seek(0);
    form.AddPage(std::move(page));
}

std::string ParseErrorText(const pugi::xml_parse_result& result, std::string_view text) {
    const size_t offset = std::min(size_t(std::max<ptrdiff_t>(result.offset, 0)), text.size());
    const std::string_view before = text.substr(0, offset);
    const size_t line = size_t(std::count(before.begin(), before.end(), '\n')) + 1;
    const size_t lineStart = before.rfind('\n');
    const size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    return std::string(result.description()) + " (line " + IntToStr(int64_t(line)) + ", position " +
           IntToStr(int64_t(column)) + ")";
}

// The form-list text inside the extracted definition: without the begin marker and, when the
// definition ends with it, without the end marker.
std::string FormListText(std::string_view macro) {
    auto startsFolded = [](std::string_view s, std::string_view prefix) {
        return s.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), s.begin(),
                          [](char a, char b) { return (a & ~0x20) == (b & ~0x20); });
    };
    const std::string begin = MacroBegin(kMacroFormListXml);
    const std::string end = MacroEnd(kMacroFormListXml);
    macro.remove_prefix(startsFolded(macro, begin) ? begin.size() : MacroSelect(kMacroFormListXml).size());
    if (macro.size() >= end.size() && startsFolded(macro.substr(macro.size() - end.size()), end))
        macro.remove_suffix(end.size());
    return std::string(macro);
}

// ---- writing ----

class TStringWriter : public pugi::xml_writer {
public:
    explicit TStringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
    std::string& out_;
};

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
    }
    out += char(0x80 | (code & 0x3F));
}

// Single-byte package text as characters every XML 1.0 reader accepts: a byte above 127 is the
// character of that code, a control byte (which XML 1.0 cannot hold at all, not even as a
// character reference) the private-use character U+E000 + byte; FromXmlText maps both back.
// Tab, line feed and carriage return are escaped the same way, so the reader's whitespace
// normalisation leaves them as they are. The serialised form list spells every such character
// as a character reference (AsciiReferences).
std::string ToXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            AppendUtf8(out, b);
        else if (b < 0x20)
            AppendUtf8(out, 0xE000 + b);
        else
            out += c;
    }
    return out;
}

// The serialised form list in ASCII: every UTF-8 character (only ToXmlText makes them, and it
// puts them only into text and attribute values, never into CDATA) as a character reference.
// The reader turns bytes above 128 into blanks before parsing; references pass unchanged.
std::string AsciiReferences(std::string_view xml) {
    std::string out;
    out.reserve(xml.size());
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < xml.size(); ++i) {
        const auto b = static_cast<unsigned char>(xml[i]);
        if (b < 0x80) {
            out += char(b);
            continue;
        }
        const size_t length = (b & 0xE0) == 0xC0 ? 2 : 3;
        uint32_t code = length == 2 ? (b & 0x1F) : (b & 0x0F);
        for (size_t k = 1; k < length && i + k < xml.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(xml[i + k]) & 0x3F);
        i += length - 1;
        std::string hex;
        for (; code != 0; code >>= 4)
            hex.insert(hex.begin(), kHex[code & 0xF]);
        out += "&#x" + hex + ";";
    }
    return out;
}

void AddText(pugi::xml_node parent, const char* name, std::string_view text) {
    pugi::xml_node child = parent.append_child(name);
    if (!text.empty())
        child.append_child(pugi::node_pcdata).set_value(ToXmlText(text).c_str());
}

void AddAttr(pugi::xml_node node, const char* name, std::string_view value) {
    node.append_attribute(name).set_value(ToXmlText(value).c_str());
}

// A byte annotation content may hold raw inside a CDATA section. "&", the escape byte and the
// other control bytes could spell the end marker of the form-list definition (which is matched
// with bit 0x20 ignored, so ";&f8X" counts) or are no XML characters; a carriage return would
// become a line feed on parsing.
bool IsCdataByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x20 && b < 0x80 && c != '&') || c == '\t' || c == '\n';
}

// Annotation content keeps its exact text: runs of plain bytes go into CDATA sections, every
// other byte into escaped text between them (IsEscapeOnly keeps the reader from normalising).
void AddContent(pugi::xml_node parent, const std::string& content) {
    pugi::xml_node child = parent.append_child("content");
    for (size_t at = 0; at < content.size();) {
        const bool cdata = IsCdataByte(content[at]);
        size_t end = at;
        while (end < content.size() && IsCdataByte(content[end]) == cdata)
            ++end;
        const std::string run = content.substr(at, end - at);
        child.append_child(cdata ? pugi::node_cdata : pugi::node_pcdata)
            .set_value(cdata ? run.c_str() : ToXmlText(run).c_str());
        at = end;
    }
}

bool IsXmlName(std::string_view name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
    });
}

// A plain text entry (a Quodex ".err" text) has no record: it is written as a record of
// unknown severity whose message is the text.
void AddErrorElement(pugi::xml_node root, const TErrorEntry& entry) {
    const TDocSetError* record = entry.Error.get();
    std::string name = "Error";
    if (record) {
        const std::string& path = record->Path;
        std::string last = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
        if (IsXmlName(last))
            name = last;
    }
    pugi::xml_node element = root.append_child(name.c_str());
    AddAttr(element, "type", SeverityLetter(record ? record->Severity : kSeverityUnknown));
    AddText(element, "Message", record ? record->Message : entry.Text);
    AddText(element, "Data", record ? record->Data : "");
    AddText(element, "Source", record ? record->Source : "");
}

// The overlay a printer prints for an annotation. The reader takes the annotation from the form
// list and drops the overlay, so its text only needs to print: escape bytes (and a ";" that,
// matched with bit 0x20 ignored, would begin a macro marker) are printed as blanks, which keeps
// the content from spelling a marker that cuts the page apart.
std::string PrintedOverlay(const TDocSetAnnotation& annotation) {
    TDocSetAnnotation printed;
    printed.XPosition = annotation.XPosition;
    printed.YPosition = annotation.YPosition;
    printed.Content = annotation.Content;
    std::string& text = printed.Content;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\x1b' || (text[i] == ';' && i + 1 < text.size() && (text[i + 1] & ~0x20) == 0x06))
            text[i] = ' ';
    return printed.ToPCL();
}

// The format a form is written with. The reader takes only the first page of a Vivaform or
// attachment form; one of several pages (a Quodex package marks every form whose first fill
// holds "<?xml" as Vivaform) is written as a PCL form, which keeps all its pages.
uint8_t WrittenFormat(const TDocSetForm& form) {
    if ((form.Format == kFormatVivaform || form.Format == kFormatAttachment) && form.Pages.size() > 1)
        return kFormatDefault;
    return form.Format;
}

// The bytes of one page inside the blob.
std::string PageData(const TDocSetForm& form, uint8_t format, const TDocSetPage& page) {
    std::string out;
    for (const auto& annotation : page.Annotations)
        out += PrintedOverlay(*annotation);
    if (format == kFormatAttachment && page.TemplateData.Size() == 0) {
        // Attachment data is no PCL: it travels inside a deleted macro definition, which a
        // printer never prints and the reader unwraps again. (One with template data, which only
        // a foreign package gives, is written with the fill bracket below, which keeps both.)
        if (page.FillData.Size() > 0)
            out += MacroBegin(kMacroVivaformData) + std::string(page.FillData.View()) +
                   MacroEnd(kMacroVivaformData);
    } else {
        out += MacroOpen(kMacroTesselonFill);
        out += page.FillData.View();
        out += MacroClose(kMacroTesselonFill);
        out += page.TemplateData.View();
        // The reader drops a final form feed; a closing no-op pair (select and delete macro
        // 10002, which the reader removes afterwards) keeps a template's own form feed.
        if (format == kFormatDefault && !out.empty() && out.back() == '\f')
            out += MacroClose(kMacroVivaformData);
    }
    if (form.Deleted && format != kFormatUnknown && format != kFormatAttachment) {
        THLWMemorystream packed{std::move(out)};
        packed.Compress();
        out = packed.Release();
    }
    return out;
}

void AddPageElement(pugi::xml_node formNode, const TDocSetForm& form, uint8_t format, const TDocSetPage& page,
                    std::string& blob) {
    if (form.Deleted)
        blob += MacroBegin(kMacroDeletedPage);
    const std::string data = PageData(form, format, page);
    pugi::xml_node p = formNode.append_child("Page");
    AddAttr(p, "pageNumber", IntToStr(page.PageNumber));
    AddAttr(p, "forceToFront", YesNoFlag(page.ForceToFront));
    AddAttr(p, "byteOffset", IntToStr(int64_t(blob.size())));
    AddAttr(p, "expectedByteLength", IntToStr(int64_t(data.size())));
    blob += data;
    if (!page.BarcodeValue.empty())
        AddText(p, "BarcodeValue", page.BarcodeValue);
    pugi::xml_node t = p.append_child("Template");
    AddAttr(t, "Size", IntToStr(page.Template.Size));
    AddText(t, "Name", page.Template.Name);
    AddText(t, "Date", DateText(page.Template.Date) + " " + TimeText(page.Template.Date));
    for (const auto& annotation : page.Annotations) {
        pugi::xml_node a = p.append_child("Annotation");
        AddAttr(a, "xPosition", IntToStr(annotation->XPosition));
        AddAttr(a, "yPosition", IntToStr(annotation->YPosition));
        AddText(a, "UserId", annotation->UserId);
        AddText(a, "Date", annotation->Date);
        AddText(a, "Time", annotation->Time);
        AddContent(a, annotation->Content);
        AddText(a, "Source", annotation->Source);
    }
}

void AddFormElement(pugi::xml_node root, const TDocSetForm& form, std::string& blob) {
    const bool letter = IsLetterPaper(form.PageSize);
    pugi::xml_node f = root.append_child("Form");
    AddAttr(f, "borrowerNumber", IntToStr(form.BorrowerNumber));
    AddAttr(f, "pageSize", letter ? "Letter" : "Legal");
    AddAttr(f, "duplexable", YesNoFlag(form.Duplexable));
    AddAttr(f, "deleted", YesNoFlag(form.Deleted));
    AddAttr(f, "processed", YesNoFlag(form.Processed));
    AddAttr(f, "scanned", YesNoFlag(form.Scanned));
    AddAttr(f, "orientation", OrientationName(form.Orientation));
    AddText(f, "Name", form.Name);
    AddText(f, "Description", form.Description);
    AddText(f, "BorrowerName", form.BorrowerName);
    AddText(f, "Type", form.Type);
    const uint8_t format = WrittenFormat(form);
    AddText(f, "Format", FormatName(format));
    AddText(f, "DocumentType", form.DocumentType);
    AddText(f, "Reference", form.Reference);
    blob += letter ? kLetterCommand : kLegalCommand;
    if (format != kFormatVivaform && format != kFormatAttachment && format != kFormatDefault)
        return;
    for (const auto& page : form.Pages)
        AddPageElement(f, form, format, *page, blob);
}

} // namespace

// ---- reading ----

void TTesselon::LoadFromStream(const THLWMemorystream& stream) {
    LoadFromBytes(stream.View());
}

void TTesselon::LoadFromBytes(std::string_view bytes) {
    size_t from = 0;
    size_t to = 0;
    if (!FindMacro(bytes, kMacroFormListXml, from, to))
        throw TTesselonFormatError("Missing XML FormList data");
    xmlText_ = FormListText(bytes.substr(from, to - from));
    // The data without the definition; its first two bytes are the reset in front of the form
    // list, whatever they hold.
    std::string rest;
    rest.reserve(bytes.size() - (to - from));
    rest.append(bytes.substr(0, from)).append(bytes.substr(to));
    rest.erase(0, std::min<size_t>(2, rest.size()));
    blob_ = std::move(rest);
    fileSize_ = bytes.size();
}

void TTesselon::ReadFormList() {
    std::string text = std::move(xmlText_);
    const std::string blob = std::move(blob_);
    xmlText_.clear();
    blob_.clear();
    FormListXml = SplitLines(text);
    // Single-byte package text is not valid XML text above 128; such bytes read as blanks.
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > 128; }, ' ');

    pugi::xml_document doc;
    try {
        const pugi::xml_parse_result result =
            doc.load_buffer_inplace(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
        if (!result) {
            DebugMsg("Tesselon : form list does not parse");
            const std::string why = ParseErrorText(result, text);
            ShowError("Invalid Tesselon\nTesselon XML parsing errors: " + why);
            RecordDamage("the form list does not parse: " + why);
            return;
        }
    } catch (const std::exception& e) {
        ShowError(e.what());
        doc.reset();
    }
    LowerCaseNames(doc);

    CanAnnotate = XPathValue(doc, "/docset/@annotatable") == "Y";
    Version = XPathValue(doc, "/docset/@version");
    PackageType = XPathValue(doc, "/docset/@packagetype");
    WorksheetNumber = XPathValue(doc, "/docset/worksheetnumber");
    PlanCode = XPathValue(doc, "/docset/plancode");
    CreatedBy = XPathValue(doc, "/docset/createdby");
    FromName = XPathValue(doc, "/docset/fromname");
    LenderName = XPathValue(doc, "/docset/lendername");
    LenderNumber = XPathValue(doc, "/docset/lendernumber");
    if (LenderNumber.empty() && WorksheetNumber.find('_') != std::string::npos)
        LenderNumber = WorksheetNumber.substr(0, WorksheetNumber.find('_'));
    HasBarcodeFormula = !XPathValue(doc, "/docset/barcode/formula").empty();

    static const std::pair<const char*, const char*> kErrorPaths[] = {
        {"/DocSet/Error", "/docset/error"},
        {"/DocSet/Form/Error", "/docset/form/error"},
        {"/DocSet/Form/Page/Error", "/docset/form/page/error"},
    };
    for (const auto& [path, query] : kErrorPaths) {
        for (const pugi::xpath_node& match : doc.select_nodes(query)) {
            auto record = std::make_unique<TDocSetError>();
            record->Path = path;
            record->Severity = SeverityFromLetter(Attr(match.node(), "type"));
            record->Message = ChildText(match.node(), "message");
            record->Data = ChildText(match.node(), "data");
            record->Source = ChildText(match.node(), "source");
            Errors.push_back({"", std::move(record)});
        }
    }

    CheckClaimedPageData(doc, blob, fileSize_);
    TPageReading reading{blob, TPageDataBudget(fileSize_), 0, {}};
    std::string pageless;
    for (const pugi::xpath_node& match : doc.select_nodes("/docset/form")) {
        const pugi::xml_node node = match.node();
        auto form = std::make_unique<TDocSetForm>(ChildText(node, "name"), ChildText(node, "description"),
                                                  StrToIntDef(Attr(node, "borrowernumber"), 1),
                                                  ChildText(node, "borrowername"), Attr(node, "pagesize"),
                                                  AttrYes(node, "duplexable"), AttrYes(node, "changed"),
                                                  AttrYes(node, "deleted"), ChildText(node, "reference"));
        // "DocType" is the reader's name; the writer's "Type" is taken when it is absent, so a
        // package this program wrote keeps its document type.
        form->Type = ChildText(node, node.child("doctype") ? "doctype" : "type");
        form->Processed = AttrYes(node, "processed");
        form->Scanned = AttrYes(node, "scanned");
        form->Format = FormatFromName(ChildText(node, "format"));
        const auto pages = node.children("page");
        if (pages.begin() == pages.end()) {
            pageless += (pageless.empty() ? "" : "\n") +
                        std::string("Number of pages must be larger than 0 (0) in ") + form->Name;
        } else if (form->Format == kFormatDefault) {
            for (pugi::xml_node page : pages)
                ReadPclPage(reading, page, *form);
        } else {
            ReadSinglePage(reading, *pages.begin(), *form);
        }
        AddForm(std::move(form));
    }
    // One message for the whole package, not one per form.
    if (!pageless.empty())
        ShowError(pageless);
    if (reading.PastEnd > 1)
        reading.FirstPastEnd += ", and " + IntToStr(int64_t(reading.PastEnd - 1)) + " more pages";
    if (reading.PastEnd > 0)
        RecordDamage(reading.FirstPastEnd);
    if (FormCount() == 0)
        RecordDamage("the package holds no forms");
}

// ---- writing ----

std::string TTesselon::ProgramStamp() {
    return std::string("Pagellan ") + PAGELLAN_PROGRAM_VERSION;
}

std::string TTesselon::StampedCreatedBy(std::string_view createdBy) {
    const std::string stamp = ProgramStamp();
    const size_t semicolon = createdBy.rfind(';');
    const std::string_view last =
        semicolon == std::string_view::npos ? createdBy : createdBy.substr(semicolon + 1);
    if (last != stamp || createdBy.find(stamp) == std::string_view::npos)
        return std::string(createdBy) + (Trim(createdBy).empty() ? "" : ";") + stamp;
    return std::string(createdBy);
}

std::string TTesselon::BuildTesselon(const TDocSet& set, TSaveMode mode, bool includeDeleted) {
    pugi::xml_document doc;
    std::string blob;
    pugi::xml_node root = doc.append_child("DocSet");
    AddAttr(root, "annotatable", "Y");
    AddAttr(root, "includeTemplates", "Y");
    AddAttr(root, "version", "2.0");
    AddAttr(root, "packageType", set.PackageType);
    AddText(root, "WorksheetNumber", set.WorksheetNumber);
    AddText(root, "PlanCode", set.PlanCode);
    AddText(root, "CreatedBy", StampedCreatedBy(set.CreatedBy));
    AddText(root, "FromName", set.FromName);
    AddText(root, "LenderName", set.LenderName);
    AddText(root, "Name", "");
    for (const TErrorEntry& entry : set.Errors)
        AddErrorElement(root, entry);
    for (const TFormEntry& entry : set.Forms)
        if (FormIsSaved(*entry.Form, mode, includeDeleted))
            AddFormElement(root, *entry.Form, blob);

    std::string out;
    out.reserve(blob.size() + 4096);
    out += kReset;
    out += MacroBegin(kMacroFormListXml);
    std::string xml;
    TStringWriter writer(xml);
    doc.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    out += AsciiReferences(xml);
    out += MacroEnd(kMacroFormListXml);
    out += blob;
    out += kReset;
    return out;
}

bool TTesselon::SaveTesselon(TDocSet& set, const std::string& path, TSaveMode mode, bool includeDeleted) {
    std::string bytes;
    try {
        bytes = BuildTesselon(set, mode, includeDeleted);
    } catch (const std::exception& e) {
        ShowError(e.what());
        return false;
    }
    std::string error;
    if (!AtomicWriteFile(path, bytes, error)) {
        DebugMsg("Tesselon : save failed; " + path);
        ShowError("Error saving to " + path + "\n" + error +
                  "\n\nUse File|SaveAs to save in a different location");
        return false;
    }
    set.Modified = false;
    return true;
}

} // namespace pg
