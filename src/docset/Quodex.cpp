#include "Quodex.h"

#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace pg {

namespace {

constexpr std::string_view kFieldSep = "\xFD";
constexpr std::string_view kTemplateSep = "\xFC";
constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kBarcodeScanLimit = 10'000'000;

std::string_view Field(const std::vector<std::string>& fields, size_t index) {
    return index < fields.size() ? std::string_view(fields[index]) : std::string_view();
}

// The text between the first and the second occurrence of sep (to the end without a second).
std::string_view SecondPart(std::string_view s, char sep) {
    size_t first = s.find(sep);
    if (first == std::string_view::npos)
        return {};
    std::string_view rest = s.substr(first + 1);
    return rest.substr(0, rest.find(sep));
}

// The n-th (1-based) part of parts; empty when there are fewer.
std::string_view NthPart(const std::vector<std::string_view>& parts, int32_t n) {
    return n >= 1 && size_t(n) <= parts.size() ? parts[size_t(n - 1)] : std::string_view();
}

std::vector<std::string_view> SplitView(std::string_view s, std::string_view sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t p = s.find(sep); p != std::string_view::npos; p = s.find(sep, start)) {
        parts.push_back(s.substr(start, p - start));
        start = p + sep.size();
    }
    parts.push_back(s.substr(start));
    return parts;
}

void AddUnique(std::vector<std::string>& list, const std::string& text, bool ignoreCase) {
    auto same = [&](const std::string& s) { return ignoreCase ? SameText(s, text) : s == text; };
    if (std::none_of(list.begin(), list.end(), same))
        list.push_back(text);
}

// Replaces every occurrence of find, left to right, continuing after each replacement (the
// memory stream's ReplaceAll rule), in one pass over the text.
void ReplaceEvery(std::string& text, std::string_view find, std::string_view replacement) {
    size_t at = text.find(find);
    if (at == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (; at != std::string::npos; at = text.find(find, from)) {
        out.append(text, from, at - from);
        out.append(replacement);
        from = at + find.size();
    }
    out.append(text, from);
    text = std::move(out);
}

// Template data as the viewer and printer want it: no reset, no tray or duplex selection of
// its own, and the combined orientation command cut to its orientation part. The passes run
// in this order, so bytes that meet after one removal are seen by the next pass.
std::string CleanTemplate(std::string_view data) {
    std::string s(data);
    ReplaceEvery(s,
                 "\x1b"
                 "E",
                 "");
    ReplaceEvery(s, "\x1b&l1l1h", "\x1b&l1l");
    ReplaceEvery(s, "\x1b&l2A", "");
    ReplaceEvery(s, "\x1b&l3A", "");
    ReplaceEvery(s, "\x1b&l1S", "");
    ReplaceEvery(s, "\x1b&l0S", "");
    return s;
}

// ---- Reading ---------------------------------------------------------------------------------

// The working data of one read: the raw bytes, the directory and the caches that keep the
// per-page lookups from re-scanning whole-form entries.
class TQuodexReader {
public:
    TQuodexReader(TQuodex& set, std::string_view bytes) : set_(set), raw_(bytes), budget_(bytes.size()) {}

    void Read();

private:
    void ReadHeader(std::string_view header);
    void ReadDirectory(std::string_view directory, std::string_view data);
    const std::string_view* Find(std::string_view name) const;
    void ReadForms(std::string_view displayList);
    void ReadForm(const std::vector<std::string>& fields);
    void ReadFill(TDocSetForm& form, TDocSetPage& page, const std::string& stem, int32_t n);
    void ReadAnnotations(TDocSetPage& page, const std::string& s2, int32_t n);
    void ReadTemplate(TDocSetPage& page, const std::string& name);
    const std::vector<std::string_view>& PagesOf(std::string_view entry);
    void CheckBarcodeFormula(std::string_view entry);

    TQuodex& set_;
    std::string_view raw_; // the caller's bytes; every piece kept in the set is copied out
    // Fills and annotations are copied per page, a cleaned template once for all its pages.
    TPageDataBudget budget_;
    std::unordered_map<std::string, std::string_view> directory_;
    std::map<std::pair<const char*, size_t>, std::vector<std::string_view>> pageParts_;
    std::unordered_map<std::string, std::shared_ptr<const std::string>> cleanTemplates_;
    std::set<std::pair<const char*, size_t>> scanned_;
    bool paddedNames_ = false;
    int32_t pagesLeft_ = TQuodex::kMaxPages;
    std::string ws_;
    std::string ws7_;
};

void TQuodexReader::Read() {
    std::string_view rest = raw_;
    size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        throw TQuodexFormatError("Invalid Quodex format 1");
    ReadHeader(rest.substr(0, colon));
    rest.remove_prefix(colon + 1);
    colon = rest.find(':');
    if (colon == std::string_view::npos)
        throw TQuodexFormatError("Invalid Quodex format 2");
    ReadDirectory(rest.substr(0, colon), rest.substr(colon + 1));

    if (const auto* err = Find(".err"))
        set_.Errors.push_back({std::string(*err), nullptr});

    ws_ = set_.WorksheetNumber;
    ws7_ = TQuodex::PaddedWorksheet(ws_);
    const std::string_view* dsp = Find(ws_ + ".DSP");
    if (!dsp) {
        paddedNames_ = true;
        dsp = Find("W" + ws7_ + ".DSP");
    }
    if (!dsp) {
        ShowError("Invalid DSP file");
        set_.RecordDamage("the display list " + ws_ + ".DSP is missing");
    } else {
        ReadForms(*dsp);
    }
    if (set_.FormCount() == 0)
        set_.RecordDamage("the package holds no forms");

    if (const auto* order = Find("PLANCODE.ORD")) {
        set_.StackingOrder = SplitLines(*order);
        set_.UsingEmbeddedOrder = true;
    }
}

void TQuodexReader::ReadHeader(std::string_view header) {
    for (std::string_view item : SplitView(header, ";")) {
        const std::string key = UpperCase(item.substr(0, item.find(',')));
        const std::string value(SecondPart(item, ','));
        if (key == "VERSION")
            set_.Version = value;
        else if (key == "CREATED.BY")
            set_.CreatedBy = value;
        else if (key == "FROM")
            set_.FromName = value;
        else if (key == "PACKAGE.ID" || key == "WS")
            set_.WorksheetNumber = value;
        else if (key == "LENDER")
            set_.LenderNumber = set_.LenderName = value;
        else if (key == "CANANNOTATE")
            set_.CanAnnotate = value != "N";
    }
}

void TQuodexReader::ReadDirectory(std::string_view directory, std::string_view data) {
    std::string firstBad;
    size_t bad = 0;
    for (std::string_view entry : SplitView(directory, ";")) {
        std::vector<std::string_view> f = SplitView(entry, ",");
        if (f.size() < 4)
            continue;
        const int32_t offset = StrToIntDef(f[2], 0);
        const int32_t length = StrToIntDef(f[3], 0);
        if (length <= 0)
            continue;
        // Offsets are 1-based; an entry that starts outside the data is ignored and one that
        // runs past its end keeps what lies inside. Either means the file was cut short or
        // written wrong.
        if (offset < 1 || size_t(offset - 1) + size_t(length) > data.size()) {
            if (bad++ == 0)
                firstBad = "the entry " + std::string(f[1]) + " (" + IntToStr(length) + " bytes at " +
                           IntToStr(offset) + ") runs past the end of the data (" +
                           IntToStr(int64_t(data.size())) + " bytes)";
        }
        if (offset < 1 || size_t(offset - 1) >= data.size())
            continue;
        directory_.emplace(UpperCase(f[1]), data.substr(size_t(offset - 1), size_t(length)));
    }
    if (bad > 1)
        firstBad += ", and " + IntToStr(int64_t(bad - 1)) + " more entries";
    if (bad > 0)
        set_.RecordDamage(firstBad);
}

const std::string_view* TQuodexReader::Find(std::string_view name) const {
    auto it = directory_.find(UpperCase(name));
    return it == directory_.end() ? nullptr : &it->second;
}

const std::vector<std::string_view>& TQuodexReader::PagesOf(std::string_view entry) {
    auto key = std::make_pair(entry.data(), entry.size());
    auto it = pageParts_.find(key);
    if (it == pageParts_.end())
        it = pageParts_.emplace(key, SplitView(entry, kPageSeparator)).first;
    return it->second;
}

void TQuodexReader::ReadForms(std::string_view displayList) {
    const std::vector<std::string> lines = SplitLines(displayList);
    if (!lines.empty() && lines.front().find("PLANCODE") != std::string::npos)
        set_.PlanCode = std::string(SecondPart(lines.front(), ';'));
    for (const std::string& line : lines) {
        if (UpperCase(line.substr(0, 20)).find("PLANCODE") != std::string::npos)
            continue;
        ReadForm(Split(line, kFieldSep));
    }
}

void TQuodexReader::ReadForm(const std::vector<std::string>& fields) {
    int32_t pageCount = StrToIntDef(Field(fields, 5), 0);
    if (pageCount <= 0 || pagesLeft_ <= 0)
        return;
    auto form = std::make_unique<TDocSetForm>(
        std::string(Field(fields, 1)), std::string(Field(fields, 2)), StrToIntDef(Field(fields, 3), 1),
        std::string(Field(fields, 7)), std::string(Field(fields, 6)), Field(fields, 8) != "N",
        Field(fields, 10) == "Y", Field(fields, 11) == "Y", std::string());
    if (pageCount > pagesLeft_) {
        set_.Errors.push_back({"Page count of " + form->Name + " cut to " + IntToStr(pagesLeft_), nullptr});
        pageCount = pagesLeft_;
    }
    pagesLeft_ -= pageCount;
    AddUnique(set_.BorrowerNames, form->BorrowerName, true);

    const std::string s2 = PadLeft(IntToStr(StrToIntDef(Field(fields, 0), 1)), 2, '0');
    const std::string stem = "." + s2 + IntToStr(form->BorrowerNumber);
    const std::string_view templateField = Field(fields, 12);
    const std::vector<std::string_view> templateNames = SplitView(templateField, kTemplateSep);
    for (int32_t n = 1; n <= pageCount; ++n) {
        auto page =
            std::make_unique<TDocSetPage>(n, std::string(), false, std::string(), 0, std::string_view());
        ReadFill(*form, *page, stem, n);
        ReadAnnotations(*page, s2, n);
        ReadTemplate(*page, templateField.empty() ? TQuodex::DerivedTemplateName(form->Name, pageCount, n)
                                                  : std::string(NthPart(templateNames, n)));
        form->AddPage(std::move(page));
    }
    set_.AddForm(std::move(form));
}

void TQuodexReader::CheckBarcodeFormula(std::string_view entry) {
    if (set_.HasBarcodeFormula || !scanned_.emplace(entry.data(), entry.size()).second)
        return;
    set_.HasBarcodeFormula = entry.substr(0, kBarcodeScanLimit).find("\x1b*c") != std::string_view::npos;
}

void TQuodexReader::ReadFill(TDocSetForm& form, TDocSetPage& page, const std::string& stem, int32_t n) {
    const std::string pageSuffix = "." + IntToStr(n);
    const std::string names[4] = {"F" + ws_ + stem, "F" + ws_ + stem + pageSuffix, "F" + ws7_ + stem,
                                  "F" + ws7_ + stem + pageSuffix};
    for (int i = 0; i < 4; ++i) {
        if (i == 2)
            paddedNames_ = true;
        const std::string_view* entry = Find(names[i]);
        if (!entry)
            continue;
        CheckBarcodeFormula(*entry);
        // Only a whole-form entry holds several pages; a page's own entry is taken whole, so
        // binary data that happens to contain the separator bytes stays intact.
        const bool wholeForm = i % 2 == 0;
        const std::vector<std::string_view>* parts = wholeForm ? &PagesOf(*entry) : nullptr;
        const std::string_view fill = parts && parts->size() > 1 ? NthPart(*parts, n) : *entry;
        budget_.Take(fill.size());
        page.FillData.AppendText(fill);
        page.FillData.Seek(0);
        if (n == 1)
            form.Format = page.FillData.View().find("<?xml") != std::string_view::npos ? kFormatVivaform
                                                                                       : kFormatDefault;
        return;
    }
    AddUnique(set_.MissingForms, "Missing fill for " + form.Name + " " + form.Description, false);
}

void TQuodexReader::ReadAnnotations(TDocSetPage& page, const std::string& s2, int32_t n) {
    auto name = [&] { return "A" + (paddedNames_ ? ws7_ : ws_) + "." + s2 + "1"; };
    const std::string_view* entry = Find(name());
    if (!entry) {
        paddedNames_ = !paddedNames_;
        entry = Find(name());
    }
    if (!entry)
        return;
    const std::string_view text = NthPart(PagesOf(*entry), n);
    budget_.Take(text.size());
    const std::vector<std::string_view> lines = SplitView(text, "\r");
    // Only lines ended by CR count; the text after the last CR is not a line.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = Split(Trim(lines[i]), kFieldSep);
        auto annotation = std::make_unique<TDocSetAnnotation>();
        annotation->XPosition = StrToIntDef(Field(f, 0), 0);
        annotation->YPosition = StrToIntDef(Field(f, 1), 0);
        annotation->Content = std::string(Field(f, 2));
        page.AddAnnotation(std::move(annotation));
    }
}

void TQuodexReader::ReadTemplate(TDocSetPage& page, const std::string& name) {
    const std::string_view* entry = Find(name);
    if (!entry)
        return;
    const std::string key = UpperCase(name);
    auto it = cleanTemplates_.find(key);
    if (it == cleanTemplates_.end()) {
        budget_.Take(entry->size());
        it = cleanTemplates_.emplace(key, std::make_shared<const std::string>(CleanTemplate(*entry))).first;
    }
    page.Template.Name = name;
    // The pages of a template share its one copy.
    page.TemplateData.Share(it->second);
}

// ---- Writing ---------------------------------------------------------------------------------

// ",", ";" and ":" delimit the header and the directory; a value holding one would break the
// file, so it is written as a blank.
std::string StructureSafe(std::string_view s) {
    std::string r(s);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return c == ',' || c == ';' || c == ':'; }, ' ');
    return r;
}

// Line ends and the field separator delimit the display list; 0xFC separates only the template
// names of field 13, so it is kept in the other fields.
std::string LineSafe(std::string_view s) {
    std::string r(s);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return c == '\r' || c == '\n' || c == '\xFD'; }, ' ');
    return r;
}

// The plan code sits on the first display line between ";" and the line end: only those break it.
std::string PlanCodeSafe(std::string_view s) {
    std::string r(s);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return c == ';' || c == '\r' || c == '\n'; }, ' ');
    return r;
}

// Annotation lines end at CR, their fields at 0xFD, and the pages of the entry at 0xFE ".P";
// the reader keeps line feeds inside a line.
std::string AnnotationSafe(std::string_view s) {
    std::string r(s);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return c == '\r' || c == '\xFD'; }, ' ');
    for (size_t at = r.find(kPageSeparator); at != std::string::npos; at = r.find(kPageSeparator, at))
        r[at] = ' ';
    return r;
}

// The worksheet number in a renamed template's name, which field 13 of the display line holds.
std::string WorksheetSafe(std::string_view s) {
    std::string r(s);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return c == '\r' || c == '\n' || c == '\xFD' || c == '\xFC'; }, ' ');
    return r;
}

// A template name the directory and field 13 carry unchanged.
bool IsPlainTemplateName(std::string_view name) {
    return !name.empty() && name.find_first_of(",;:\r\n\xFD\xFC") == std::string_view::npos;
}

// The annotation entry text of a form (empty when it has no annotation): for each page its
// annotation lines, with 0xFE ".P" between pages.
std::string AnnotationText(const TDocSetForm& form) {
    if (!form.HasAnnotations())
        return {};
    std::string text;
    for (size_t i = 0; i < form.Pages.size(); ++i) {
        if (i > 0)
            text += kPageSeparator;
        for (const auto& a : form.Pages[i]->Annotations) {
            TDocSetAnnotation line;
            line.XPosition = a->XPosition;
            line.YPosition = a->YPosition;
            line.Content = AnnotationSafe(a->Content);
            text += line.ToQuodexLine();
            // The reader trims each line; content that ends in blanks or control bytes is
            // closed by an empty fourth field, which keeps them inside the line.
            if (!line.Content.empty() && static_cast<unsigned char>(line.Content.back()) <= ' ')
                text += kFieldSep;
            text += kCrLf;
        }
    }
    return text;
}

class TQuodexWriter {
public:
    TQuodexWriter(const TDocSet& set, bool lockAnnotations)
        : set_(set), lock_(lockAnnotations), ws_(StructureSafe(set.WorksheetNumber)),
          ws7_(TQuodex::PaddedWorksheet(ws_)) {}

    void WriteForm(const TDocSetForm& form);
    std::string Finish();

private:
    std::string Header() const;
    void AddEntry(std::string_view kind, std::string_view name, std::string_view bytes);
    void NextSequence(const TDocSetForm& form, const std::string& annotations);
    bool IsReservedName(std::string_view name) const;
    std::vector<std::string> TemplateNames(const TDocSetForm& form, const std::string& stem);
    std::string DisplayLine(const TDocSetForm& form, const std::vector<std::string>& templates) const;

    const TDocSet& set_;
    bool lock_;
    std::string ws_;
    std::string ws7_;
    std::string directory_;
    std::string data_;
    std::vector<std::string> displayLines_;
    // Template entries written so far (upper-cased name -> bytes): the reader looks names up
    // without regard to case and takes the first entry of a name.
    std::unordered_map<std::string, std::string_view> templates_;
    std::set<std::string> writtenTemplates_;
    int32_t sequence_ = 0;
    // The run of forms sharing the current sequence number: its name, the borrower numbers in
    // it and its annotation entry text.
    std::string runName_;
    std::set<int32_t> runBorrowers_;
    std::string runAnnotations_;
    // Every sequence-and-borrower part of the fill names written ("01" + "12" and "011" + "2"
    // would both give "0112").
    std::set<std::string> stems_;
};

std::string TQuodexWriter::Header() const {
    std::string h;
    h += "VERSION," + StructureSafe(set_.Version) + ";";
    h += "CREATED.BY," + StructureSafe(set_.CreatedBy) + ";";
    h += "FROM," + StructureSafe(set_.FromName) + ";";
    h += "PACKAGE.ID," + ws_ + ";";
    h += "LENDER," + StructureSafe(set_.LenderName) + ";";
    h += "PARSE ,N;";
    h += set_.CanAnnotate ? "CANANNOTATE," + std::string(YesNoFlag(!lock_)) : "CANANNOTATE,N";
    return h + ":";
}

void TQuodexWriter::AddEntry(std::string_view kind, std::string_view name, std::string_view bytes) {
    directory_ += std::string(kind) + "," + std::string(name) + "," + IntToStr(int64_t(data_.size()) + 1) +
                  "," + IntToStr(int64_t(bytes.size())) + ";";
    data_ += bytes;
}

// Forms of one name in a row share a sequence number and differ by the borrower digit of their
// fill names. The reader tells them apart by nothing else: a form that repeats a borrower
// number of the run (one form included twice), or whose annotations differ from the run's (all
// copies of a sequence number read the one annotation entry), starts a sequence number of its
// own, as does a form whose fill names would spell those of an earlier form. The reader takes
// the sequence number from the display line, so the forms read back as they were.
void TQuodexWriter::NextSequence(const TDocSetForm& form, const std::string& annotations) {
    const bool joinsRun = sequence_ > 0 && form.Name == runName_ &&
                          !runBorrowers_.count(form.BorrowerNumber) && annotations == runAnnotations_;
    if (!joinsRun) {
        ++sequence_;
        runBorrowers_.clear();
    }
    auto stem = [&] { return PadLeft(IntToStr(sequence_), 2, '0') + IntToStr(form.BorrowerNumber); };
    while (stems_.count(stem())) {
        ++sequence_;
        runBorrowers_.clear();
    }
    stems_.insert(stem());
    runName_ = form.Name;
    runBorrowers_.insert(form.BorrowerNumber);
    runAnnotations_ = annotations;
}

// Names the reader looks up for the package itself; a template under one of them would be
// read as a display list, a fill, annotations, a stacking order or an error text.
bool TQuodexWriter::IsReservedName(std::string_view name) const {
    const std::string upper = UpperCase(name);
    if (upper == ".ERR" || upper == "PLANCODE.ORD" || upper == UpperCase(ws_ + ".DSP") ||
        upper == UpperCase("W" + ws7_ + ".DSP"))
        return true;
    for (const std::string& ws : {ws_, ws7_})
        for (const char* lead : {"F", "A"})
            if (upper.starts_with(UpperCase(lead + ws + ".")))
                return true;
    return false;
}

// Field 13 names each page's template. A page keeps its template's own name; only when the
// reader could not find this template under it (no name, a name the directory cannot hold or
// that the package itself uses, or a name already written with other bytes: names are looked up
// without regard to case and the first entry counts) is the page's template written under
// "T" + WS7 + stem + "." + page position instead. A page without template bytes names none:
// the reader gives a page a template name only together with template data.
std::vector<std::string> TQuodexWriter::TemplateNames(const TDocSetForm& form, const std::string& stem) {
    std::vector<std::string> names;
    for (size_t i = 0; i < form.Pages.size(); ++i) {
        const TDocSetPage& page = *form.Pages[i];
        const std::string_view bytes = page.TemplateData.View();
        if (bytes.empty()) {
            names.emplace_back();
            continue;
        }
        std::string name = page.Template.Name;
        auto clash = [&](const std::string& n) {
            auto it = templates_.find(UpperCase(n));
            return it != templates_.end() && it->second != bytes;
        };
        if (!IsPlainTemplateName(name) || IsReservedName(name) || clash(name)) {
            const std::string base = "T" + WorksheetSafe(ws7_) + stem + "." + IntToStr(int64_t(i + 1));
            name = base;
            for (int k = 2; clash(name) || IsReservedName(name); ++k)
                name = base + "-" + IntToStr(k);
        }
        templates_.emplace(UpperCase(name), bytes);
        names.push_back(std::move(name));
    }
    return names;
}

std::string TQuodexWriter::DisplayLine(const TDocSetForm& form,
                                       const std::vector<std::string>& templates) const {
    std::string field13;
    for (const std::string& t : templates)
        field13 += t + std::string(kTemplateSep);
    std::string fields[13] = {IntToStr(sequence_),
                              LineSafe(form.Name),
                              LineSafe(form.Description),
                              IntToStr(form.BorrowerNumber),
                              "1",
                              IntToStr(form.PageCount()),
                              LineSafe(form.PageSize),
                              LineSafe(form.BorrowerName),
                              YesNoFlag(form.Duplexable),
                              YesNoFlag(form.Barcodes),
                              YesNoFlag(form.Changed),
                              YesNoFlag(form.Deleted),
                              field13};
    auto join = [&] {
        std::string line = fields[0];
        for (size_t i = 1; i < 13; ++i)
            line += std::string(kFieldSep) + fields[i];
        return line;
    };
    std::string line = join();
    // The reader skips a line with "PLANCODE" in its first 20 characters. A form whose name or
    // description brings the word there gets its sequence number written with leading zeros
    // (which read as the same number), so the first 20 characters are digits.
    if (UpperCase(line.substr(0, 20)).find("PLANCODE") != std::string::npos) {
        fields[0] = PadLeft(fields[0], 20, '0');
        line = join();
    }
    return line;
}

void TQuodexWriter::WriteForm(const TDocSetForm& form) {
    // The display list cannot hold a form without pages: the reader creates nothing for it.
    if (form.Pages.empty())
        throw TQuodexWriteError("The form " + form.Name + " (" + form.Description +
                                ") has no pages; a Quodex package cannot hold it");
    const std::string annotations = AnnotationText(form);
    NextSequence(form, annotations);
    const std::string s2 = PadLeft(IntToStr(sequence_), 2, '0');
    const std::string stem = "." + s2 + IntToStr(form.BorrowerNumber);
    const std::vector<std::string> templates = TemplateNames(form, stem);
    displayLines_.push_back(DisplayLine(form, templates));
    // The reader finds page n's fill under its position n, whatever the page's stored number.
    for (size_t i = 0; i < form.Pages.size(); ++i)
        AddEntry("PCL", "F" + ws7_ + stem + "." + IntToStr(int64_t(i + 1)), form.Pages[i]->FillData.View());
    if (!annotations.empty())
        AddEntry("PCL", "A" + ws7_ + "." + s2 + "1", annotations);
    // A template is written once, however many pages use it.
    for (size_t i = 0; i < form.Pages.size(); ++i) {
        const std::string_view bytes = form.Pages[i]->TemplateData.View();
        if (!bytes.empty() && writtenTemplates_.insert(UpperCase(templates[i])).second)
            AddEntry("PCL", templates[i], bytes);
    }
}

std::string TQuodexWriter::Finish() {
    std::string display = "PLANCODE;" + PlanCodeSafe(set_.PlanCode) + std::string(kCrLf);
    for (const std::string& line : displayLines_)
        display += line + std::string(kCrLf);
    AddEntry("DISPLAY", ws_ + ".DSP", display);
    directory_.pop_back(); // the final ";"
    std::string out = Header();
    out.reserve(out.size() + directory_.size() + 1 + data_.size());
    out += directory_;
    out += ':';
    out += data_;
    return out;
}

} // namespace

// ---- TQuodex ---------------------------------------------------------------------------------

void TQuodex::LoadFromStream(const THLWMemorystream& stream) {
    LoadFromBytes(stream.View());
}

void TQuodex::LoadFromBytes(std::string_view bytes) {
    TQuodexReader reader(*this, bytes);
    reader.Read();
}

std::string TQuodex::BuildQuodex(const TDocSet& set, TSaveMode mode, bool includeDeleted,
                                 bool lockAnnotations) {
    TQuodexWriter writer(set, lockAnnotations);
    for (const auto& e : set.Forms)
        if (FormIsSaved(*e.Form, mode, includeDeleted))
            writer.WriteForm(*e.Form);
    return writer.Finish();
}

bool TQuodex::SaveQuodex(TDocSet& set, const std::string& path, TSaveMode mode, bool includeDeleted,
                         bool lockAnnotations) {
    std::string bytes;
    try {
        bytes = BuildQuodex(set, mode, includeDeleted, lockAnnotations);
    } catch (const TQuodexWriteError& e) {
        DebugMsg("Quodex : save refused; " + path);
        ShowError("Error saving to " + path + "\n" + e.what());
        return false;
    }
    std::string error;
    if (AtomicWriteFile(path, bytes, error)) {
        set.Modified = false;
        return true;
    }
    DebugMsg("Quodex : save failed; " + path);
    ShowError("Error saving to " + path + "\n" + error +
              "\n\nUse File|SaveAs to save in a different location");
    return false;
}

std::string TQuodex::PaddedWorksheet(std::string_view ws) {
    return PadLeft(ws, 7, '0');
}

std::string TQuodex::DerivedTemplateName(std::string_view formName, int32_t pageCount, int32_t pageNumber) {
    const std::string_view prefix = formName.substr(0, formName.find('.'));
    std::string_view ext = SecondPart(formName, '.');
    ext = ext.substr(0, ext.find('-'));
    return std::string(prefix) + (pageCount < 2 ? "" : IntToStr(pageNumber)) + "." + std::string(ext);
}

} // namespace pg
