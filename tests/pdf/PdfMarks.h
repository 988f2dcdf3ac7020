#pragma once
// A PDF's bookmarks, page labels and font programs read back with libqpdf, and the bookmarks
// and labels a document tree gives, so that the two can be compared line by line. Users link
// libqpdf.

#include "DocTree.h"
#include "PackageText.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace pg::test {

struct TPdfMarks {
    // "Title @page" per bookmark in order, two blanks deeper per level; pages count from 1.
    std::vector<std::string> Outline;
    // Every page's label; empty when the document has none.
    std::vector<std::string> Labels;
    bool operator==(const TPdfMarks&) const = default;
};

inline void PrintTo(const TPdfMarks& marks, std::ostream* out) {
    *out << "outline:";
    for (const std::string& line : marks.Outline)
        *out << " [" << line << "]";
    *out << " labels:";
    for (const std::string& label : marks.Labels)
        *out << " [" << label << "]";
}

inline TPdfMarks ReadPdfMarks(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
    auto pageNumber = [&pages](QPDFObjectHandle page) {
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i].getObjGen() == page.getObjGen())
                return int(i) + 1;
        return 0;
    };
    TPdfMarks marks;
    QPDFOutlineDocumentHelper outlines(pdf);
    std::function<void(std::vector<QPDFOutlineObjectHelper>, const std::string&)> walk =
        [&](std::vector<QPDFOutlineObjectHelper> items, const std::string& indent) {
            for (QPDFOutlineObjectHelper& item : items) {
                marks.Outline.push_back(indent + item.getTitle() + " @" +
                                        std::to_string(pageNumber(item.getDestPage())));
                walk(item.getKids(), indent + "  ");
            }
        };
    walk(outlines.getTopLevelOutlines(), "");
    QPDFPageLabelDocumentHelper labels(pdf);
    if (labels.hasPageLabels())
        for (size_t i = 0; i < pages.size(); ++i) {
            QPDFObjectHandle label = labels.getLabelForPage((long long)i);
            QPDFObjectHandle prefix = label.getKey("/P"), start = label.getKey("/St");
            marks.Labels.push_back((prefix.isString() ? prefix.getUTF8Value() : std::string()) +
                                   (start.isInteger() ? std::to_string(start.getIntValue()) : std::string()));
        }
    return marks;
}

// The embedded font programs of each face (the font's name without its subset tag), as object
// numbers.
inline std::map<std::string, std::set<int>> FontProgramsByFace(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    std::map<std::string, std::set<int>> faces;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (!object.isDictionary() || !object.getKey("/Type").isNameAndEquals("/Font") ||
            !object.getKey("/BaseFont").isName())
            continue;
        QPDFObjectHandle descriptor = object.getKey("/FontDescriptor");
        if (!descriptor.isDictionary())
            continue;
        QPDFObjectHandle program = descriptor.getKey("/FontFile2");
        std::string name = object.getKey("/BaseFont").getName().substr(1);
        if (name.size() > 7 && name[6] == '+')
            name = name.substr(7);
        faces[name].insert(program.isIndirect() ? program.getObjectID() : 0);
    }
    return faces;
}

// The blank-separated words of a text.
inline std::set<std::string> WordsOf(const std::string& text) {
    std::set<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.insert(word);
    return words;
}

// What the tree gives for the forms the filter takes, in display order: a bookmark per form node
// at the first page of it that is taken, below a group node one per borrower copy taken; a label
// per page taken, the form node's caption and the page's number in its form.
inline TPdfMarks TreeMarks(const TDocTree& tree, const std::function<bool(const TDocSetForm&)>& taken) {
    TPdfMarks marks;
    int page = 1;
    for (const auto& formNode : tree.Root()->Children) {
        const std::string caption = PackageTextToUtf8(formNode->Caption);
        bool listed = false;
        // A group's borrower copies, or the form node alone.
        std::vector<const TTreeNode*> parts;
        if (formNode->Kind == TNodeKind::Group)
            for (const auto& copy : formNode->Children)
                parts.push_back(copy.get());
        else
            parts.push_back(formNode.get());
        for (const TTreeNode* part : parts) {
            if (!taken(*part->Form()))
                continue;
            if (!listed)
                marks.Outline.push_back(caption + " @" + std::to_string(page));
            listed = true;
            if (part != formNode.get())
                marks.Outline.push_back("  " + PackageTextToUtf8(part->Caption) + " @" +
                                        std::to_string(page));
            std::vector<const TTreeNode*> leaves;
            if (part->Children.empty())
                leaves.push_back(part);
            for (const auto& leaf : part->Children)
                leaves.push_back(leaf.get());
            for (const TTreeNode* leaf : leaves) {
                marks.Labels.push_back(caption + " " + std::to_string(leaf->Info->PageNumber));
                ++page;
            }
        }
    }
    return marks;
}

} // namespace pg::test
