#include "PdfFinish.h"

#include "PdfFontPrograms.h"

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

std::string FormatTime(std::time_t time, const char* format) {
    std::tm parts{};
    if (::gmtime_r(&time, &parts) == nullptr)
        return {};
    char text[40];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // XML 1.0 has no place for the other control characters.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n')
                out += c;
        }
    }
    return out;
}

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

void WriteInfo(QPDF& document, const TPdfDocumentInfo& info) {
    QPDFObjectHandle trailer = document.getTrailer();
    QPDFObjectHandle dictionary = trailer.getKey("/Info");
    if (!dictionary.isDictionary()) {
        dictionary = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", dictionary);
    }
    const std::pair<const char*, const std::string*> texts[] = {{"/Title", &info.Title},
                                                                {"/Author", &info.Author},
                                                                {"/Subject", &info.Subject},
                                                                {"/Keywords", &info.Keywords},
                                                                {"/Creator", &info.Creator}};
    for (const auto& [key, text] : texts)
        if (!text->empty())
            dictionary.replaceKey(key, QPDFObjectHandle::newUnicodeString(*text));
    if (info.Created != 0) {
        dictionary.replaceKey("/CreationDate", QPDFObjectHandle::newString(PdfDate(info.Created)));
        dictionary.replaceKey("/ModDate", QPDFObjectHandle::newString(PdfDate(info.Created)));
    }
    QPDFObjectHandle producer = dictionary.getKey("/Producer");
    const std::string packet = XmpPacket(info, producer.isString() ? producer.getUTF8Value() : std::string());
    QPDFObjectHandle metadata = document.newStream(packet);
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    document.getRoot().replaceKey("/Metadata", metadata);
}

} // namespace

std::string PdfDate(std::time_t time) {
    return FormatTime(time, "D:%Y%m%d%H%M%SZ");
}

std::string XmpDate(std::time_t time) {
    return FormatTime(time, "%Y-%m-%dT%H:%M:%SZ");
}

std::string XmpPacket(const TPdfDocumentInfo& info, const std::string& producer) {
    std::string body;
    auto simple = [&body](const char* element, const std::string& text) {
        if (!text.empty())
            body += std::string("   <") + element + ">" + XmlEscaped(text) + "</" + element + ">\n";
    };
    auto alternative = [&body](const char* element, const std::string& text) {
        if (!text.empty())
            body += std::string("   <") + element + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
                    XmlEscaped(text) + "</rdf:li></rdf:Alt></" + element + ">\n";
    };
    simple("dc:format", "application/pdf");
    alternative("dc:title", info.Title);
    if (!info.Author.empty())
        body += "   <dc:creator><rdf:Seq><rdf:li>" + XmlEscaped(info.Author) +
                "</rdf:li></rdf:Seq></dc:creator>\n";
    alternative("dc:description", info.Subject);
    simple("pdf:Keywords", info.Keywords);
    simple("pdf:Producer", producer);
    simple("xmp:CreatorTool", info.Creator);
    if (info.Created != 0) {
        simple("xmp:CreateDate", XmpDate(info.Created));
        simple("xmp:ModifyDate", XmpDate(info.Created));
        simple("xmp:MetadataDate", XmpDate(info.Created));
    }
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
           " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n" +
           body +
           "  </rdf:Description>\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>";
}

int PdfPageCount(const std::string& pdf) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("page count", pdf.data(), pdf.size());
        return int(document.getAllPages().size());
    } catch (const std::exception&) {
        return 0;
    }
}

bool FinishPdf(std::string& pdf, const TPdfFinish& finish, std::string& error) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("converted PDF", pdf.data(), pdf.size());
        const TPages pages = document.getAllPages();
        if (!finish.Outline.Empty() && !pages.empty())
            WriteOutline(document, finish.Outline, pages);
        if (!finish.Info.Empty())
            WriteInfo(document, finish.Info);
        if (finish.ShareFonts)
            ShareFontPrograms(document);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setObjectStreamMode(qpdf_o_generate);
        // The same pages give the same bytes, run after run.
        writer.setDeterministicID(true);
        writer.setLinearization(finish.Linearize);
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
