// The open and save commands' decisions by file name: the open command's branch, the target of
// Save As and Save Selected, the container a target gets, and the folder their dialogs start in.

#include "DialogFolder.h"
#include "FileKinds.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// Where the Open and Save dialogs start: the package's folder, the last folder, the documents
// folder, the home folder, in this order, skipping what does not exist and the program's folder
// however it is spelled.
TEST(FileKinds, DialogStartFolder) {
    const test::TTempFolder temp("pg-dialog-folder");
    const std::filesystem::path root = temp.Path();
    for (const char* folder : {"packages", "last", "Documents", "home", "bin"})
        std::filesystem::create_directories(root / folder);
    const auto at = [&root](const char* name) { return (root / name).string(); };
    struct TRow {
        const char* Name;
        TDialogFolderFacts Facts;
        std::string Expected;
    };
    const TDialogFolderFacts all{at("packages/loan.tsn"), at("last"), at("Documents"), at("home"), at("bin")};
    const auto with = [&all](auto change) {
        TDialogFolderFacts f = all;
        change(f);
        return f;
    };
    const TRow rows[] = {
        {"the package's folder", all, at("packages")},
        {"no package: the last folder", with([](auto& f) { f.PackageFile.clear(); }), at("last")},
        {"package in the program folder",
         with([&](auto& f) { f.PackageFile = at("bin/../bin/RemoteQuodex.qdx"); }), at("last")},
        {"package folder gone", with([&](auto& f) { f.PackageFile = at("gone/loan.tsn"); }), at("last")},
        {"last folder is the program folder",
         with([&](auto& f) { f.PackageFile.clear(), f.LastFolder = at("bin/"); }), at("Documents")},
        {"last folder gone", with([&](auto& f) { f.PackageFile.clear(), f.LastFolder = at("gone"); }),
         at("Documents")},
        {"no documents folder",
         with([&](auto& f) { f.PackageFile.clear(), f.LastFolder.clear(), f.DocumentsFolder = at("none"); }),
         at("home")},
        {"nothing at all", TDialogFolderFacts{{}, {}, {}, at("bin"), at("bin")}, ""},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(DialogStartFolder(row.Facts), row.Expected) << row.Name;
}
