#include "PdfFinish.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <exception>
#include <memory>

namespace pg {

namespace {

using TPages = std::vector<QPDFObjectHandle>;

// The top of the page in its own units: bookmarks open a page at its top.
QPDFObjectHandle PageTop(QPDFObjectHandle page) {
    QPDFObjectHandle box = QPDFPageObjectHelper(page).getMediaBox();
    if (box.isArray() && box.getArrayNItems() == 4 && box.getArrayItem(3).isNumber())
        return box.getArrayItem(3);
    return QPDFObjectHandle::newNull();
}

// Writes the items as the children of parent; answers how many bookmarks show when every one
// is open.
int AddItems(QPDF& document, const std::vector<TPdfOutlineItem>& items, QPDFObjectHandle parent,
             const TPages& pages) {
    int visible = 0;
    QPDFObjectHandle previous;
    for (const TPdfOutlineItem& item : items) {
        QPDFObjectHandle entry = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        const QPDFObjectHandle page = pages[size_t(std::clamp(item.Page, 0, int(pages.size()) - 1))];
        entry.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(item.Title));
        entry.replaceKey("/Parent", parent);
        entry.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/XYZ"),
                                                              QPDFObjectHandle::newInteger(0), PageTop(page),
                                                              QPDFObjectHandle::newNull()}));
        if (!item.Children.empty()) {
            const int below = AddItems(document, item.Children, entry, pages);
            entry.replaceKey("/Count", QPDFObjectHandle::newInteger(below));
            visible += below;
        }
        if (previous.isInitialized()) {
            previous.replaceKey("/Next", entry);
            entry.replaceKey("/Prev", previous);
        } else {
            parent.replaceKey("/First", entry);
        }
        parent.replaceKey("/Last", entry);
        previous = entry;
        ++visible;
    }
    return visible;
}

void WriteOutline(QPDF& document, const TPdfOutline& outline, const TPages& pages) {
    QPDFObjectHandle root = document.getRoot();
    std::vector<TPdfOutlineItem> everyPage;
    if (outline.EveryPage)
        for (size_t i = 0; i < pages.size(); ++i)
            everyPage.push_back({"Page " + std::to_string(i + 1), int(i), {}});
    const std::vector<TPdfOutlineItem>& items = outline.EveryPage ? everyPage : outline.Items;
    if (!items.empty()) {
        QPDFObjectHandle outlines = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        outlines.replaceKey("/Count",
                            QPDFObjectHandle::newInteger(AddItems(document, items, outlines, pages)));
        root.replaceKey("/Outlines", outlines);
        root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
    }
    // Labels only when the pages are the ones they were made for.
    if (outline.Labels.empty() || outline.Pages != int(pages.size()))
        return;
    QPDFObjectHandle nums = QPDFObjectHandle::newArray();
    // The pages before the first label are numbered plainly.
    if (outline.Labels.front().FirstPage != 0) {
        nums.appendItem(QPDFObjectHandle::newInteger(0));
        nums.appendItem(QPDFObjectHandle::parse("<< /S /D >>"));
    }
    int last = -1;
    for (const TPdfPageLabel& label : outline.Labels) {
        // The number tree wants its keys rising, each within the document.
        if (label.FirstPage <= last || label.FirstPage >= int(pages.size()))
            continue;
        last = label.FirstPage;
        QPDFObjectHandle style = QPDFObjectHandle::newDictionary();
        style.replaceKey("/S", QPDFObjectHandle::newName("/D"));
        if (!label.Prefix.empty())
            style.replaceKey("/P", QPDFObjectHandle::newUnicodeString(label.Prefix));
        if (label.Start > 1)
            style.replaceKey("/St", QPDFObjectHandle::newInteger(label.Start));
        nums.appendItem(QPDFObjectHandle::newInteger(label.FirstPage));
        nums.appendItem(style);
    }
    QPDFObjectHandle labels = QPDFObjectHandle::newDictionary();
    labels.replaceKey("/Nums", nums);
    root.replaceKey("/PageLabels", labels);
}

} // namespace

bool FinishPdf(std::string& pdf, const TPdfFinish& finish, std::string& error) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("converted PDF", pdf.data(), pdf.size());
        const TPages pages = document.getAllPages();
        if (!finish.Outline.Empty() && !pages.empty())
            WriteOutline(document, finish.Outline, pages);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setObjectStreamMode(qpdf_o_generate);
        // The same pages give the same bytes, run after run.
        writer.setDeterministicID(true);
        writer.write();
        const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
        pdf.assign(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

} // namespace pg
