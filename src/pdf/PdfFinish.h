#pragma once
// What a converted PDF gets afterwards, in the program that asked for it, so that the
// converter's command line stays as it is: an outline (bookmarks) with page labels, the document
// information with the same properties as XMP metadata, and on request linearisation ("fast web
// view") for large documents opened over a network share. The document is read and written
// again with libqpdf, with object streams as CompactPdf writes them.

#include <ctime>
#include <string>
#include <vector>

namespace pg {

// One bookmark: its title (UTF-8) and the page it opens (0 for the first), with the bookmarks
// below it.
struct TPdfOutlineItem {
    std::string Title;
    int Page = 0;
    std::vector<TPdfOutlineItem> Children;
};

// The pages from FirstPage on are labelled Prefix (UTF-8) followed by a number counting from
// Start, up to the next label.
struct TPdfPageLabel {
    int FirstPage = 0;
    std::string Prefix;
    int Start = 1;
};

struct TPdfOutline {
    std::vector<TPdfOutlineItem> Items;
    std::vector<TPdfPageLabel> Labels;
    // The pages the items and labels count. A document of another page count keeps its
    // bookmarks, each inside the document, but gets no labels: its pages no longer line up.
    int Pages = 0;
    // One bookmark "Page n" per page of the document, whatever it holds (a plain PCL file).
    bool EveryPage = false;

    bool Empty() const { return Items.empty() && Labels.empty() && !EveryPage; }
};

// The document's properties (UTF-8); empty ones are left out.
struct TPdfDocumentInfo {
    std::string Title;
    std::string Author;
    std::string Subject;
    std::string Keywords;
    std::string Creator;
    std::time_t Created = 0; // 0: not given

    bool Empty() const {
        return Title.empty() && Author.empty() && Subject.empty() && Keywords.empty() && Creator.empty() &&
               Created == 0;
    }
};

struct TPdfFinish {
    TPdfOutline Outline;
    TPdfDocumentInfo Info;
    bool Linearize = false;
    // One font program per face (PdfFontPrograms.h).
    bool ShareFonts = false;

    bool Empty() const { return Outline.Empty() && Info.Empty() && !Linearize && !ShareFonts; }
};

// Rewrites pdf in place with what finish asks for; an empty finish only compacts it. False (pdf
// untouched, error says why) when it cannot be read back.
bool FinishPdf(std::string& pdf, const TPdfFinish& finish, std::string& error);

// The pages of a PDF; 0 when it cannot be read.
int PdfPageCount(const std::string& pdf);

// The date as PDF writes it ("D:20260114093000Z") and as XMP does ("2026-01-14T09:30:00Z").
std::string PdfDate(std::time_t time);
std::string XmpDate(std::time_t time);
// The XMP packet of the properties, with the producer the document names.
std::string XmpPacket(const TPdfDocumentInfo& info, const std::string& producer);

} // namespace pg
