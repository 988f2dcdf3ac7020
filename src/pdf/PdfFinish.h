#pragma once
// What a converted PDF gets afterwards, in the program that asked for it, so that the
// converter's command line stays as it is: an outline (bookmarks) with page labels. The
// document is read and written again with libqpdf, with object streams as CompactPdf writes
// them.

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

struct TPdfFinish {
    TPdfOutline Outline;

    bool Empty() const { return Outline.Empty(); }
};

// Rewrites pdf in place with what finish asks for; an empty finish only compacts it. False (pdf
// untouched, error says why) when it cannot be read back.
bool FinishPdf(std::string& pdf, const TPdfFinish& finish, std::string& error);

} // namespace pg
