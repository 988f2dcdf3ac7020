#pragma once
// The round-trip check of the container fuzz targets: a set read from one container, written
// (to the same or the other container) and read back must hold the same package. Everything
// the containers carry is compared; what a container cannot carry is compared in the form it
// can carry it, or left out:
// - Quodex: no Type, Processed, Scanned, page numbers (pages are numbered by position), error
//   records, LenderNumber (read as the lender name), annotation user/date/time, a template name
//   without template bytes; Format only as the reader derives it from the first fill
//   ("<?xml" = Vivaform); texts lose line ends, 0xFD (and 0xFC in template names) and
//   ",;:" in header values.
// - Tesselon: Version ("2.0"), CanAnnotate ("Y"), CreatedBy (stamped), PageSize only as letter
//   or legal, error paths (all records are written below DocSet), BarcodeFormula, LenderNumber;
//   runs of blanks in texts become one blank, leading and trailing blanks go.
// - Page bytes both readers clean up (resets, page-size and duplex commands) and bytes that
//   spell the container's macro markers are compared only where they hold none.

#include "DocSet.h"
#include "Quodex.h"
#include "Strings.h"
#include "Tesselon.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzzcheck {

enum class Path { QQ, TT, QTQ, TQT };

// A difference ends the fuzz run; the unit tests that use these checks make it an exception.
#ifndef FUZZCHECK_FAIL
#define FUZZCHECK_FAIL() std::abort()
#endif

inline void Check(bool ok) {
    if (!ok)
        FUZZCHECK_FAIL();
}

inline bool Contains(std::string_view s, std::string_view what) {
    return s.find(what) != std::string_view::npos;
}

// Bytes no reader changes: no command the readers remove from page data, and nothing that
// spells a macro marker of the container (matched with bit 0x20 ignored).
inline bool PlainPageBytes(std::string_view s) {
    for (std::string_view p : {"\x1b"
                               "E",
                               "\x1b&l1l1h", "\x1b&l2A", "\x1b&l3A", "\x1b&l1S", "\x1b&l0S"})
        if (Contains(s, p))
            return false;
    for (size_t i = 0; i + 2 < s.size(); ++i)
        if ((s[i] == '\x1b' || s[i] == ';') && (s[i + 1] & ~0x20) == 0x06 && (s[i + 2] & ~0x20) == 'F')
            return false;
    return true;
}

// The Tesselon reader's whitespace normalisation; the writer escapes every other whitespace
// byte, so only blanks are affected.
inline std::string Normalised(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

inline std::string Blanked(std::string_view text, std::string_view bytes) {
    std::string out(text);
    for (char& c : out)
        if (bytes.find(c) != std::string_view::npos)
            c = ' ';
    return out;
}

// A text of a through the path as b must hold it.
inline std::string Carried(Path path, std::string_view text, std::string_view quodexBreaks) {
    switch (path) {
    case Path::QQ:
    case Path::TT:
        return std::string(text);
    case Path::QTQ:
        return Normalised(text);
    case Path::TQT:
        return Normalised(Blanked(text, quodexBreaks));
    }
    return {};
}

inline bool IsLetter(std::string_view size) {
    const std::string upper = pg::UpperCase(size);
    return upper == "LTR" || upper == "LETTER";
}

// The format the Quodex reader gives a form: Vivaform when the first fill holds "<?xml".
inline bool QuodexKeepsFormat(const pg::TDocSetForm& f) {
    const bool viva = !f.Pages.empty() && Contains(f.Pages[0]->FillData.View(), "<?xml");
    return f.Format == (viva ? pg::kFormatVivaform : pg::kFormatDefault);
}

inline void ComparePage(Path path, const pg::TDocSetForm& fa, const pg::TDocSetPage& a,
                        const pg::TDocSetPage& b, size_t position) {
    const bool viaTesselon = path != Path::QQ;
    const bool throughQuodex = path != Path::TT;
    if (path == Path::TT)
        Check(a.PageNumber == b.PageNumber && a.ForceToFront == b.ForceToFront);
    else
        Check(b.PageNumber == int32_t(position + 1));
    const std::string_view fill = a.FillData.View();
    const std::string_view tmpl = a.TemplateData.View();
    const bool pageBytes = path == Path::QQ || (PlainPageBytes(fill) && PlainPageBytes(tmpl));
    const bool formatKept = path != Path::TQT || QuodexKeepsFormat(fa);
    if (pageBytes && formatKept) {
        Check(fill == b.FillData.View());
        if (!throughQuodex || PlainPageBytes(tmpl))
            Check(tmpl == b.TemplateData.View());
        // The Quodex writer renames a template only where the reader could not find it under
        // its own name ("T" + padded worksheet + ...).
        if (path == Path::TT)
            Check(a.Template.Name == b.Template.Name);
        else if (path != Path::TQT && !tmpl.empty())
            Check(a.Template.Name == b.Template.Name || b.Template.Name.rfind("T", 0) == 0);
    }
    Check(a.Annotations.size() == b.Annotations.size());
    for (size_t k = 0; k < a.Annotations.size(); ++k) {
        const pg::TDocSetAnnotation& x = *a.Annotations[k];
        const pg::TDocSetAnnotation& y = *b.Annotations[k];
        Check(x.XPosition == y.XPosition && x.YPosition == y.YPosition);
        std::string content = x.Content;
        if (path == Path::TQT) {
            content = Blanked(content, "\r\xFD");
            for (size_t at = content.find(pg::kPageSeparator); at != std::string::npos;
                 at = content.find(pg::kPageSeparator, at))
                content[at] = ' ';
        }
        Check(content == y.Content);
        if (path == Path::TT)
            Check(x.UserId == y.UserId && x.Date == y.Date && x.Time == y.Time);
    }
    (void)viaTesselon;
}

inline void CompareForm(Path path, const pg::TDocSetForm& a, const pg::TDocSetForm& b) {
    constexpr std::string_view kLine = "\r\n\xFD";
    Check(Carried(path, a.Name, kLine) == b.Name);
    Check(Carried(path, a.Description, kLine) == b.Description);
    Check(Carried(path, a.BorrowerName, kLine) == b.BorrowerName);
    Check(a.BorrowerNumber == b.BorrowerNumber);
    Check(a.Duplexable == b.Duplexable && a.Deleted == b.Deleted);
    if (path == Path::QQ)
        Check(a.PageSize == b.PageSize);
    else
        Check(IsLetter(a.PageSize) == IsLetter(b.PageSize));
    if (path == Path::TT)
        Check(a.Type == b.Type && a.Processed == b.Processed && a.Scanned == b.Scanned);
    Check(a.PageCount() == b.PageCount());
    const bool formatKept = path != Path::TQT || QuodexKeepsFormat(a);
    if (formatKept && path != Path::QTQ)
        Check(a.Format == b.Format);
    bool allBytes = true;
    for (int32_t n = 0; n < a.PageCount(); ++n) {
        ComparePage(path, a, *a.Pages[size_t(n)], *b.Pages[size_t(n)], size_t(n));
        // The Quodex reader cleans templates and the Tesselon reader whole pages up.
        const pg::TDocSetPage& page = *a.Pages[size_t(n)];
        allBytes = allBytes && PlainPageBytes(page.TemplateData.View()) &&
                   (path == Path::QQ || PlainPageBytes(page.FillData.View()));
    }
    if (allBytes && formatKept)
        Check(a.FormChecksum() == b.FormChecksum());
    if (path == Path::QTQ && allBytes)
        Check(a.Format == b.Format);
}

inline void CompareSets(Path path, const pg::TDocSet& a, const pg::TDocSet& b) {
    constexpr std::string_view kHeader = ",;:";
    Check(Carried(path, a.WorksheetNumber, kHeader) == b.WorksheetNumber);
    Check(Carried(path, a.FromName, kHeader) == b.FromName);
    Check(Carried(path, a.LenderName, kHeader) == b.LenderName);
    Check(Carried(path, a.PlanCode, ";\r\n") == b.PlanCode);
    if (path == Path::QQ)
        Check(a.Version == b.Version && a.CreatedBy == b.CreatedBy && a.CanAnnotate == b.CanAnnotate);
    if (path == Path::TT) {
        Check(a.PackageType == b.PackageType);
        // The package's own records travel; what a reading found damaged is each reading's own.
        auto carried = [](const pg::TDocSet& set) {
            std::vector<const pg::TErrorEntry*> out;
            for (const pg::TErrorEntry& e : set.Errors)
                if (!pg::IsDamageRecord(e))
                    out.push_back(&e);
            return out;
        };
        const auto ea = carried(a), eb = carried(b);
        Check(ea.size() == eb.size());
        for (size_t i = 0; i < ea.size(); ++i) {
            const pg::TDocSetError* x = ea[i]->Error.get();
            const pg::TDocSetError* y = eb[i]->Error.get();
            Check(x && y);
            Check(x->Severity == y->Severity && x->Message == y->Message && x->Data == y->Data &&
                  x->Source == y->Source);
        }
    }
    Check(a.FormCount() == b.FormCount());
    for (size_t i = 0; i < a.FormCount(); ++i)
        CompareForm(path, a.Form(i), b.Form(i));
}

inline std::unique_ptr<pg::TDocSet> ReadQuodex(const std::string& bytes) {
    auto set = std::make_unique<pg::TQuodex>();
    set->LoadFromBytes(bytes);
    return set;
}

inline std::unique_ptr<pg::TDocSet> ReadTesselon(const std::string& bytes) {
    auto set = std::make_unique<pg::TTesselon>();
    set->LoadFromBytes(bytes);
    set->ReadFormList();
    return set;
}

inline std::string WriteQuodex(const pg::TDocSet& set) {
    return pg::TQuodex::BuildQuodex(set, pg::TSaveMode::All, true, false);
}

inline std::string WriteTesselon(const pg::TDocSet& set) {
    return pg::TTesselon::BuildTesselon(set, pg::TSaveMode::All, true);
}

// The two round trips from a set read from a Quodex file. A written file whose deleted pages
// inflate past the reader's bound on page data is refused by it and not compared.
inline void FromQuodex(const pg::TDocSet& first) {
    try {
        CompareSets(Path::QQ, first, *ReadQuodex(WriteQuodex(first)));
        auto middle = ReadTesselon(WriteTesselon(first));
        CompareSets(Path::QTQ, first, *ReadQuodex(WriteQuodex(*middle)));
    } catch (const pg::TPageDataLimitError&) {
    }
}

// The two round trips from a set read from a Tesselon file. A set the Quodex format cannot
// hold (a form without pages) is refused by its writer and not compared.
inline void FromTesselon(const pg::TDocSet& first) {
    try {
        CompareSets(Path::TT, first, *ReadTesselon(WriteTesselon(first)));
        std::string quodex;
        try {
            quodex = WriteQuodex(first);
        } catch (const pg::TQuodexWriteError&) {
            return;
        }
        CompareSets(Path::TQT, first, *ReadTesselon(WriteTesselon(*ReadQuodex(quodex))));
    } catch (const pg::TPageDataLimitError&) {
    }
}

} // namespace fuzzcheck
