// A converted PDF finished afterwards: bookmarks and page labels as given (kept inside a document
// of another page count, whose labels are then left out) and one bookmark per page; read back
// with libqpdf and qpdf.

#include "PclToPdf.h"
#include "PdfFinish.h"

#include "PdfMarks.h"
#include "PdfTools.h"
#include "TestFiles.h"
#include "TestTables.h"

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
        ASSERT_TRUE(FinishPdf(pdf, {row.Outline}, error)) << row.Name << ": " << error;
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

} // namespace
} // namespace pg
