// The open and save commands' decisions by file name: the open command's branch, the target of
// Save As and Save Selected, and the container a target gets.

#include "FileKinds.h"

#include <gtest/gtest.h>

using namespace pg;

TEST(FileKinds, OpenBranchByExtension) {
    const std::pair<const char*, TOpenKind> cases[] = {
        {"/a/loan.tsn", TOpenKind::Package},   {"/a/loan.QDX", TOpenKind::Package},
        {"/a/loan.dsp", TOpenKind::Package},   {"/a/loan.Qdz", TOpenKind::Package},
        {"/a/loan.pdf", TOpenKind::Pdf},       {"/a/LOAN.PDF", TOpenKind::Pdf},
        {"/a/setup.exe", TOpenKind::Refused},  {"/a/x.dll", TOpenKind::Refused},
        {"/a/x.OCX", TOpenKind::Refused},      {"/a/x.zip", TOpenKind::Refused},
        {"/a/form.lsr", TOpenKind::PlainFile}, {"/a.pdf/noext", TOpenKind::PlainFile},
    };
    for (const auto& [path, kind] : cases)
        EXPECT_EQ(OpenKindOf(path), kind) << path;
}

TEST(FileKinds, SaveTargets) {
    struct TCase {
        const char* Chosen;
        int Filter;
        const char* SaveAs;
        const char* SaveSelected;
        TSaveKind Kind; // of the Save As target
    };
    const TCase cases[] = {
        {"/o/copy", 0, "/o/copy.TSN", "/o/copy.TSN", TSaveKind::Tesselon},
        // The Quodex filter with a ".tsn" name: a Quodex file named ".QDX".
        {"/o/copy.tsn", 1, "/o/copy.QDX", "/o/copy.tsn", TSaveKind::Quodex},
        // The user's spelling of the filter's extension stays.
        {"/o/loan.pdf", 2, "/o/loan.pdf", "/o/loan.pdf", TSaveKind::Pdf},
        {"/o/loan.pdfx", 2, "/o/loan.PDF", "/o/loan.pdfx", TSaveKind::Pdf},
        {"/o/my loan é", 2, "/o/my loan é.PDF", "/o/my loan é.PDF", TSaveKind::Pdf},
        {"/o.d/loan", 1, "/o.d/loan.QDX", "/o.d/loan.QDX", TSaveKind::Quodex},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(SaveAsTarget(c.Chosen, c.Filter), c.SaveAs) << c.Chosen;
        EXPECT_EQ(SaveSelectedTarget(c.Chosen, c.Filter), c.SaveSelected) << c.Chosen;
        EXPECT_EQ(SaveKindOf(c.SaveAs), c.Kind) << c.Chosen;
    }
    EXPECT_EQ(SaveKindOf("/o/loan.pdfx"), TSaveKind::Unknown);
    EXPECT_EQ(SaveKindOf("/o/loan.txt"), TSaveKind::Unknown);
    EXPECT_EQ(OverwriteQuestion("/o/a.PDF"), "/o/a.PDF exists? Overwrite it?");
}

TEST(FileKinds, DeletedFormsSaveMessage) {
    TDocSetForm kept("A.LSR", "DEED OF TRUST", 1, "J", "LTR", false, false, false);
    TDocSetForm gone("B.LSR", "NOTE", 1, "J", "LTR", false, false, false);
    gone.Deleted = true;
    EXPECT_EQ(DeletedFormsSaveMessage({&kept}), "");
    EXPECT_EQ(DeletedFormsSaveMessage({&kept, &gone}),
              "These form(s) have been deleted.\n\nNOTE\n\nPlease unselect these forms and try again.\n\n"
              "Nothing will be saved.");
}
