// Vivaform documents without a window: the page handed to the browser (wrapped or bare, exactly
// one "html", the byte-order mark, non-breaking spaces, end tags a browser needs), the window
// caption, and the data tree with its item texts and pictures.

#include "Vivaform.h"

#include <gtest/gtest.h>

using namespace pg;

namespace {

std::string Wrapped(const std::string& html, const std::string& data = "<LOAN id=\"7\" kind=\"A\">x</LOAN>") {
    return "<?xml version=\"1.0\"?><VIVAFORM_DOCUMENT><VIEW>" + html + "</VIEW>" + data +
           "</VIVAFORM_DOCUMENT>";
}

} // namespace

TEST(Vivaform, PageAndTitleFromTheDocument) {
    const std::string page = "<html><head><title>Deed</title></head><body>A&#160;B</body></html>";
    const struct {
        const char* Name;
        std::string Document;
        bool Extracted;
        bool OnlyHtml;
        std::string Html; // as the browser gets it
        std::string Title;
    } rows[] = {
        {"wrapped", Wrapped(page), true, false,
         "<html><head><title>Deed</title></head><body>A&nbsp;B</body></html>", "Deed"},
        {"bare, names in other letters", "<HTML><Head><TITLE>T</TITLE></Head></HTML>", true, true,
         "<HTML><Head><TITLE>T</TITLE></Head></HTML>", "T"},
        {"wrapper in other letters", "<vivaform_document><View><html><p/></html></View></vivaform_document>",
         true, false, "<html><p></p></html>", ""},
        {"two html in VIEW: no fallback",
         "<VIVAFORM_DOCUMENT><VIEW><html/><html/></VIEW></VIVAFORM_DOCUMENT>", false, false, "", ""},
        {"neither", "<other><html/></other>", false, true, "", ""},
        {"malformed: kept as far as it parsed", "<html><head><title>Cut", true, true,
         "<html><head><title>Cut</title></head></html>", "Cut"},
        {"not XML", "\x01\x02 binary", false, true, "", ""},
        {"UTF-8 declared",
         "<html><head><meta content=\"text/html; "
         "charset=UTF-8\"/><title>a</title><title>b</title></head></html>",
         true, true,
         "\xEF\xBB\xBF<html><head><meta content=\"text/html; "
         "charset=UTF-8\"><title>a</title><title>b</title></head></html>",
         ""},
        {"lower-case charset: no mark", "<html><head><meta content=\"charset=utf-8\"/></head></html>", true,
         true, "<html><head><meta content=\"charset=utf-8\"></head></html>", ""},
        {"empty script keeps its end tag, br stays void", "<html><script src=\"a.js\"/><BR/>x</html>", true,
         true, "<html><script src=\"a.js\"></script><BR>x</html>", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TVivaformDocument doc;
        doc.Load(row.Document);
        EXPECT_EQ(doc.ExtractHTML(), row.Extracted);
        EXPECT_EQ(doc.HasOnlyHTMLData(), row.OnlyHtml);
        EXPECT_EQ(doc.HTML(), row.Html);
        EXPECT_EQ(doc.GetTitle(), row.Title);
    }
}

TEST(Vivaform, DataTreeTextsPicturesAndLimits) {
    const std::string comment(150, 'c');
    const auto tree =
        VivaformDataTree(Wrapped("<html/>", "<LOAN id=\"7\" kind=\"A\">x<![CDATA[raw]]><?pi go?><!--" +
                                                comment + "--><EMPTY/></LOAN>"));
    ASSERT_TRUE(tree.has_value());
    EXPECT_EQ(tree->Text, "VIVAFORM_DOCUMENT");
    EXPECT_EQ(tree->Picture, -1);
    ASSERT_EQ(tree->Children.size(), 2u);
    EXPECT_EQ(tree->Children[0].Text, "VIEW");
    EXPECT_EQ(tree->Children[0].Picture, xpElement);
    const TXmlItem& loan = tree->Children[1];
    EXPECT_EQ(loan.Text, "LOAN id=\"7\"  kind=\"A\" ");
    EXPECT_EQ(loan.Picture, xpElementWithAttributes);
    std::vector<std::pair<std::string, int>> children;
    for (const TXmlItem& c : loan.Children)
        children.emplace_back(c.Text, c.Picture);
    EXPECT_EQ(children,
              (std::vector<std::pair<std::string, int>>{{"[TEXT]x", xpText},
                                                        {"[CDATA]raw", xpCData},
                                                        {"pi", xpInstruction},
                                                        {"[COMMENT]" + comment.substr(0, 100), xpComment},
                                                        {"EMPTY", xpElement}}));

    // No single wrapper: no tree.
    EXPECT_FALSE(VivaformDataTree("<html><body/></html>").has_value());
    EXPECT_FALSE(VivaformDataTree("<r><VIVAFORM_DOCUMENT/><VIVAFORM_DOCUMENT/></r>").has_value());
    EXPECT_FALSE(VivaformDataTree("").has_value());

    // Nesting far beyond any form is cut at the limit instead of exhausting the stack.
    std::string deep = "<VIVAFORM_DOCUMENT>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    const auto cut = VivaformDataTree(deep);
    ASSERT_TRUE(cut.has_value());
    int depth = 0;
    for (const TXmlItem* item = &*cut; !item->Children.empty(); item = &item->Children[0])
        ++depth;
    EXPECT_EQ(depth, kMaxXmlDepth);
}
