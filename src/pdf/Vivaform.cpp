#include "Vivaform.h"

#include <pugixml.hpp>

#include <cctype>
#include <sstream>

namespace pg {

namespace {

// Comments and processing instructions are kept for the data tree; character data as it stands.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype;

bool SameName(const char* a, std::string_view b) {
    size_t i = 0;
    for (; a[i] != '\0' && i < b.size(); ++i)
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i])))
            return false;
    return a[i] == '\0' && i == b.size();
}

// The nodes of a fixed element path ("/A/B/c") below the nodes given, names matched in any case.
std::vector<pugi::xml_node> Select(std::vector<pugi::xml_node> nodes, std::string_view path) {
    size_t start = 1;
    while (start <= path.size() && !nodes.empty()) {
        const size_t slash = path.find('/', start);
        const std::string_view name =
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        std::vector<pugi::xml_node> next;
        for (const pugi::xml_node& n : nodes)
            for (const pugi::xml_node& child : n.children())
                if (child.type() == pugi::node_element && SameName(child.name(), name))
                    next.push_back(child);
        nodes = std::move(next);
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return nodes;
}

std::string Serialised(const pugi::xml_node& node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

// The page for a browser: an empty element written "<script src=x/>" would swallow the rest of
// the page as script, so elements get end tags, except HTML's void elements, which take none.
std::string SerialisedHtml(const pugi::xml_node& node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw | pugi::format_no_empty_element_tags, pugi::encoding_utf8);
    std::string text = out.str();
    std::string lower = text;
    for (char& c : lower)
        c = char(std::tolower(uint8_t(c)));
    for (const std::string_view name : {"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
                                        "meta", "param", "source", "track", "wbr"}) {
        const std::string end = "</" + std::string(name) + ">";
        for (size_t at = lower.find(end); at != std::string::npos; at = lower.find(end, at)) {
            lower.erase(at, end.size());
            text.erase(at, end.size());
        }
    }
    return text;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The first n characters of UTF-8 text.
std::string FirstCharacters(std::string_view text, size_t n) {
    size_t i = 0, count = 0;
    while (i < text.size() && count < n) {
        ++i;
        while (i < text.size() && (uint8_t(text[i]) & 0xC0) == 0x80)
            ++i;
        ++count;
    }
    return std::string(text.substr(0, i));
}

TXmlItem Item(const pugi::xml_node& node, int depth) {
    TXmlItem item;
    switch (node.type()) {
    case pugi::node_pcdata:
        item.Text = std::string("[TEXT]") + node.value();
        item.Picture = xpText;
        break;
    case pugi::node_cdata:
        item.Text = "[CDATA]" + FirstCharacters(node.value(), 100);
        item.Picture = xpCData;
        break;
    case pugi::node_comment:
        item.Text = "[COMMENT]" + FirstCharacters(node.value(), 100);
        item.Picture = xpComment;
        break;
    default: {
        item.Text = node.name();
        bool attributes = false;
        for (const pugi::xml_attribute& a : node.attributes()) {
            item.Text += std::string(" ") + a.name() + "=\"" + a.value() + "\" ";
            attributes = true;
        }
        const bool instruction = node.type() == pugi::node_pi || node.type() == pugi::node_declaration;
        item.Picture = instruction ? xpInstruction : attributes ? xpElementWithAttributes : xpElement;
    }
    }
    if (depth < kMaxXmlDepth)
        for (const pugi::xml_node& child : node.children())
            item.Children.push_back(Item(child, depth + 1));
    return item;
}

} // namespace

struct TVivaformDocument::TImpl {
    pugi::xml_document Dom;
};

TVivaformDocument::TVivaformDocument() : impl_(new TImpl) {}

TVivaformDocument::~TVivaformDocument() {
    delete impl_;
}

void TVivaformDocument::Load(std::string_view bytes) {
    impl_->Dom.reset();
    impl_->Dom.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    html_.clear();
    onlyHtml_ = false;
}

bool TVivaformDocument::ExtractHTML() {
    const std::vector<pugi::xml_node> root{impl_->Dom};
    std::vector<pugi::xml_node> found = Select(root, "/VIVAFORM_DOCUMENT/VIEW/html");
    onlyHtml_ = false;
    if (found.empty()) {
        found = Select(root, "/html");
        onlyHtml_ = true;
    }
    html_.clear();
    if (found.size() != 1)
        return false;
    std::string text = SerialisedHtml(found[0]);
    // A non-breaking space is written as its entity, which any page encoding reads the same.
    ReplaceAll(text, "&#160", "&nbsp");
    ReplaceAll(text, "\xC2\xA0", "&nbsp;");
    if (text.find("charset=UTF-8") != std::string::npos)
        html_ = "\xEF\xBB\xBF";
    html_ += text;
    return true;
}

std::string TVivaformDocument::GetTitle() const {
    const std::vector<pugi::xml_node> root{impl_->Dom};
    std::vector<pugi::xml_node> found = Select(root, "/VIVAFORM_DOCUMENT/VIEW/html/head/title");
    if (found.empty())
        found = Select(root, "/html/head/title");
    return found.size() == 1 ? found[0].text().get() : std::string();
}

std::optional<TXmlItem> VivaformDataTree(std::string_view bytes) {
    pugi::xml_document dom;
    dom.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    const std::vector<pugi::xml_node> found = Select({dom}, "/VIVAFORM_DOCUMENT");
    if (found.size() != 1)
        return std::nullopt;
    // The tree shows the element as written out and read again, as the data view keeps it.
    const std::string stream = Serialised(found[0]);
    pugi::xml_document again;
    again.load_buffer(stream.data(), stream.size(), kParseOptions);
    const pugi::xml_node top = again.first_child();
    if (!top)
        return std::nullopt;
    TXmlItem item = Item(top, 0);
    item.Picture = -1;
    return item;
}

} // namespace pg
