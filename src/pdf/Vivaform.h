#pragma once
// A Vivaform form without a window: an XML document that wraps an HTML page
// (/VIVAFORM_DOCUMENT/VIEW/html) with the form's data, or a bare HTML page (/html). Element names
// are matched without regard to case. The page window shows HTML() in its browser and the data
// tree on its "Data" tab.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

class TVivaformDocument {
public:
    TVivaformDocument();
    ~TVivaformDocument();
    TVivaformDocument(const TVivaformDocument&) = delete;
    TVivaformDocument& operator=(const TVivaformDocument&) = delete;

    // Parses the bytes. A malformed document is kept as far as it parsed (possibly nothing).
    void Load(std::string_view bytes);
    // The page for the browser from the one wrapped "html" element, else the one bare "html"
    // element; false (and no page) unless exactly one matched. A page declaring "charset=UTF-8"
    // starts with the UTF-8 byte-order mark; every non-breaking space is written "&nbsp;".
    bool ExtractHTML();
    const std::string& HTML() const { return html_; }
    // The last ExtractHTML found no wrapper and used the bare page.
    bool HasOnlyHTMLData() const { return onlyHtml_; }
    // The text of the one head/title of the page (wrapped, else bare); empty unless exactly one.
    std::string GetTitle() const;

private:
    struct TImpl;
    TImpl* impl_;
    std::string html_;
    bool onlyHtml_ = false;
};

// One item of the data tree: its text, its picture (-1 for none: the top level), its children.
struct TXmlItem {
    std::string Text;
    int Picture = -1;
    std::vector<TXmlItem> Children;
};

// Node pictures by node type.
enum TXmlPicture {
    xpElement = 0,
    xpElementWithAttributes = 1,
    xpText = 2,
    xpCData = 3,
    xpInstruction = 4,
    xpComment = 5
};

// The data tree of the one "VIVAFORM_DOCUMENT" element of the bytes: one top-level item for it,
// its children below in document order. None unless exactly one such element. Nesting deeper
// than kMaxXmlDepth is left out, so that no document can exhaust the stack.
inline constexpr int kMaxXmlDepth = 256;
std::optional<TXmlItem> VivaformDataTree(std::string_view bytes);

} // namespace pg
