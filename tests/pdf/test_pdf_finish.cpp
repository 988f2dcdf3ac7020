// A converted PDF finished afterwards: bookmarks and page labels as given (kept inside a document
// of another page count, whose labels are then left out), one bookmark per page, the properties
// in the document information and as XMP metadata, and linearisation; read back with libqpdf,
// poppler and qpdf.

#include "PclToPdf.h"
#include "PdfFinish.h"

#include "PdfMarks.h"
#include "PdfTools.h"
#include "TestFiles.h"
#include "TestTables.h"

#include <qpdf/QPDF.hh>

#include <gtest/gtest.h>

#include <string>

namespace pg {
namespace {

const std::string kThreePages = "\x1b"
                                "E\x1b&l2AONE\fTWO\fTHREE\f";

std::string ThreePagePdf() {
    const TPclToPdfResult result = ConvertPclToPdf(kThreePages);
    EXPECT_EQ(result.Pages, 3);
    return result.Pdf;
}

TEST(FinishPdf, BookmarksAndLabelsAsGiven) {
    test::TTempFolder folder("pdf-finish-marks");
    const std::string converted = ThreePagePdf();
    const struct {
        const char* Name;
        TPdfOutline Outline;
        test::TPdfMarks Marks;
    } rows[] = {
        {"a form of two copies, then another",
         {{{"Déed", 0, {{"Ann", 0, {}}, {"Bob", 1, {}}}}, {"Note", 2, {}}},
          {{0, "Déed ", 1}, {1, "Déed ", 1}, {2, "Note ", 2}},
          3,
          false},
         {{"Déed @1", "  Ann @1", "  Bob @2", "Note @3"}, {"Déed 1", "Déed 1", "Note 2"}}},
        {"pages before the first label",
         {{}, {{1, "Rider ", 1}}, 3, false},
         {{}, {"1", "Rider 1", "Rider 2"}}},
        {"another page count", {{{"Late", 7, {}}}, {{0, "Late ", 1}}, 5, false}, {{"Late @3"}, {}}},
        {"every page", {{}, {}, 0, true}, {{"Page 1 @1", "Page 2 @2", "Page 3 @3"}, {}}},
        {"nothing asked", {}, {}},
    };
    for (const auto& row : rows) {
        std::string pdf = converted, error;
        ASSERT_TRUE(FinishPdf(pdf, {row.Outline, {}}, error)) << row.Name << ": " << error;
        const std::string path = folder.File("marks.pdf", pdf);
        EXPECT_TRUE(test::QpdfAccepts(path)) << row.Name;
        EXPECT_EQ(test::ReadPdfMarks(path), row.Marks) << row.Name;
        EXPECT_EQ(test::PdfPageSizes(path).size(), 3u) << row.Name;
    }
    std::string damaged = "%PDF-1.5 nothing else", error;
    EXPECT_FALSE(FinishPdf(damaged, {}, error));
    EXPECT_EQ(damaged, "%PDF-1.5 nothing else");
    EXPECT_FALSE(error.empty());
}

// Characters that a size first shows on a later page, two faces: words stay whole in the text
// layer, and each face has one font program.
TEST(PdfFonts, WholeWordsAndOneProgramPerFace) {
    test::TTempFolder folder("pdf-fonts");
    const std::string times = "\x1b(8U\x1b(s1p12v0s0b4101T", arial = "\x1b(8U\x1b(s1p10v0s3b4148T";
    const struct {
        const char* Name;
        std::string Pcl;
        std::string Text;
    } rows[] = {
        {"new characters on a later page",
         "\x1b"
         "E" +
             times +
             "\x1b&a300h300VBorrower owes the Lender money.\f\x1b&a300h300VAssessor's parcel; "
             "Requester's name, Wyoming.\f",
         "Borrower owes the Lender money. Assessor's parcel; Requester's name, Wyoming."},
        {"two faces, three sizes",
         "\x1b"
         "E" +
             times +
             "\x1b&a300h300VNote of the borrower\x1b(s1p14v0s0b4101T\x1b&a300h500VDEED OF "
             "TRUST\f" +
             arial +
             "\x1b&a300h300VWitness: Jo's \x1b(s1p9v0s3b4148T\x1b&a300h400Vcopy, "
             "kept.\x1b(s1p12v0s0b4101T\x1b&a300h500VQuick brown fox jumps.\f",
         "Note of the borrower DEED OF TRUST Witness: Jo's copy, kept. Quick brown fox jumps."},
    };
    for (const auto& row : rows) {
        const TPclToPdfResult result = ConvertPclToPdf(row.Pcl);
        ASSERT_TRUE(result.Ok) << row.Name;
        const std::string path = folder.File("fonts.pdf", result.Pdf);
        EXPECT_TRUE(test::QpdfAccepts(path)) << row.Name;
        EXPECT_EQ(test::WordsOf(test::PdfText(path)), test::WordsOf(row.Text)) << row.Name;
        const auto faces = test::FontProgramsByFace(path);
        EXPECT_GE(faces.size(), 1u) << row.Name;
        for (const auto& [face, programs] : faces)
            EXPECT_EQ(programs.size(), 1u) << row.Name << ": " << face;
    }
}

// The XMP packet the document's catalogue names.
std::string XmpOf(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
    if (!metadata.isStream())
        return {};
    const std::shared_ptr<Buffer> data = metadata.getStreamData();
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

TEST(FinishPdf, PropertiesInTheInformationAndAsXmpAndLinearised) {
    test::TTempFolder folder("pdf-finish-info");
    std::string pdf = ThreePagePdf(), error;
    TPdfFinish finish;
    finish.Info = {"R&D <Loan> é",        "Bank \"One\"", "Loan documents",
                   "Worksheet 1, Plan P", "Pagellan 9",   1768383000};
    finish.Linearize = true;
    ASSERT_TRUE(FinishPdf(pdf, finish, error)) << error;
    const std::string path = folder.File("info.pdf", pdf);
    EXPECT_TRUE(test::QpdfAccepts(path));
    EXPECT_EQ(test::RunCommand("qpdf --check-linearization \"" + path + "\" >/dev/null 2>&1").Status, 0);
    const std::string info = test::RunCommand("TZ=UTC pdfinfo -isodates \"" + path + "\"").Out;
    test::ExpectContains(info, {"Title:           R&D <Loan> é\n", "Author:          Bank \"One\"\n",
                                "Subject:         Loan documents\n", "Keywords:        Worksheet 1, Plan P\n",
                                "Creator:         Pagellan 9\n", "CreationDate:    2026-01-14T09:30:00Z\n",
                                "Metadata Stream: yes\n", "Optimized:       yes\n"});

    const std::string xmp = XmpOf(path);
    test::ExpectContains(xmp,
                         {"<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">R&amp;D &lt;Loan&gt; é</rdf:li>",
                          "<dc:creator><rdf:Seq><rdf:li>Bank &quot;One&quot;</rdf:li>",
                          "<pdf:Keywords>Worksheet 1, Plan P</pdf:Keywords>",
                          "<xmp:CreatorTool>Pagellan 9</xmp:CreatorTool>",
                          "<xmp:CreateDate>2026-01-14T09:30:00Z</xmp:CreateDate>", "<pdf:Producer>cairo"});
    // Well-formed for an XML reader.
    const std::string packet = folder.File("xmp.xml", xmp);
    EXPECT_EQ(
        test::RunCommand("python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' \"" +
                         packet + "\" 2>&1")
            .Status,
        0);
}

} // namespace
} // namespace pg
