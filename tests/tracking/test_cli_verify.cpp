// pagellan-cli verify on the demo package: the expected codes in print order (also in the plan's
// stored order), the missing pages, and every unknown, repeated and misplaced code of a scan.
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pg {
namespace {

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
const std::string kAll = "2026114NOTE.DOT1.1\n2026114NOTE.DOT1.2\n2026114DEED.DOT1.1\n2026114DEED.DOT1.2\n"
                         "2026114DEED.DOT1.3\n2026114TIL.DOT1.1\n2026114GFE.DOT1.1\n2026114CERT.DOT1.1\n"
                         "2026114CERT.DOT2.1\n2026114W9.DOT1.1\n";

// The command with a settings store of the folder's own.
test::TCommandRun Cli(const test::TTempFolder& dir, const std::string& arguments) {
    return test::RunCommand("PAGELLAN_SETTINGS_DIR='" + dir.Path("settings") + "' '" + PAGELLAN_CLI + "' " +
                            arguments + " 2>/dev/null");
}

TEST(CliVerify, ListAndScansWithEveryKindOfWrongCode) {
    test::TTempFolder dir("pg-cliverify");
    const auto verify = [&](const std::string& arguments) {
        return Cli(dir, "verify '" + kDemo + "' " + arguments);
    };
    const test::TCommandRun list = verify("--list");
    ASSERT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out, kAll);

    const struct {
        const char* Name;
        std::string Scan;
        bool Ordered;
        std::string Out;
    } rows[] = {
        // What a scanner typed: lower case, CR LF line ends, a code read twice, one code of
        // another package, two pages never scanned.
        {"partial",
         "2026114note.dot1.1\r\n2026114NOTE.DOT1.2\r\n2026114DEED.DOT1.1\r\n2026114DEED.DOT1.3\r\n"
         "2026114TIL.DOT1.1\r\n2026114TIL.DOT1.1\r\n9999999XX1.1\r\n2026114GFE.DOT1.1\r\n"
         "2026114CERT.DOT1.1\r\n2026114W9.DOT1.1\r\n",
         false,
         "Repeated BarCode: 2026114TIL.DOT1.1\nUnknown BarCode: 9999999XX1.1\n2 of 10 page(s) missing:\n"
         "Form 2 DEED.DOT (Deed of Trust), page 2, borrower 1\n"
         "Form 6 CERT.DOT (Borrower's Certification and Authorization), page 1, borrower 2\n"},
        {"all read, one twice and one unknown", kAll + "2026114W9.DOT1.1\n9999999XX1.1\n", false,
         "Repeated BarCode: 2026114W9.DOT1.1\nUnknown BarCode: 9999999XX1.1\nAll 10 page(s) read, 2 code(s) "
         "wrong.\n"},
        {"all read, two swapped, order matters",
         "2026114NOTE.DOT1.1\n2026114NOTE.DOT1.2\n2026114DEED.DOT1.2\n2026114DEED.DOT1.1\n2026114DEED.DOT1."
         "3\n"
         "2026114TIL.DOT1.1\n2026114GFE.DOT1.1\n2026114CERT.DOT1.1\n2026114CERT.DOT2.1\n2026114W9.DOT1.1\n",
         true,
         "Out of order: 2026114DEED.DOT1.2 (expected 2026114DEED.DOT1.1)\n"
         "Out of order: 2026114DEED.DOT1.1 (expected 2026114DEED.DOT1.3)\n"
         "All 10 page(s) read, 2 code(s) wrong.\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const test::TCommandRun run =
            verify("--codes '" + dir.File("scan.txt", row.Scan) + "'" + (row.Ordered ? " --ordered" : ""));
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, row.Out);
    }
    const test::TCommandRun complete = verify("--codes '" + dir.File("all.txt", list.Out) + "' --ordered");
    EXPECT_EQ(complete.Status, 0);
    EXPECT_EQ(complete.Out, "All 10 page(s) read.\n");

    EXPECT_EQ(verify("--list --codes x").Status, 2);
    EXPECT_EQ(verify("--codes '" + dir.Path("none.txt") + "'").Status, 2);
}

// The plan's stored order (the order file in the history folder) is the order the window
// prints and verifies in.
TEST(CliVerify, TheStoredPlanOrderIsTheStacksOrder) {
    test::TTempFolder dir("pg-cliverify");
    ASSERT_EQ(Cli(dir, "settings set 'Quodex History Dir' '" + dir.Path("history") + "/'").Status, 0);
    ASSERT_EQ(Cli(dir, "settings set FillDir '" + dir.Path("nowhere") + "'").Status, 0);
    std::filesystem::create_directories(dir.Path("history"));
    dir.File("history/PLANCODE.ORD", "CONV30\xFDW9.DOT\xFDGFE.DOT\r\n");
    const test::TCommandRun list = Cli(dir, "verify '" + kDemo + "' --list");
    ASSERT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out.rfind("2026114W9.DOT1.1\n2026114GFE.DOT1.1\n2026114NOTE.DOT1.1\n", 0), 0u) << list.Out;
    const test::TCommandRun ordered =
        Cli(dir, "verify '" + kDemo + "' --ordered --codes '" + dir.File("scan.txt", list.Out) + "'");
    EXPECT_EQ(ordered.Status, 0);
    EXPECT_EQ(ordered.Out, "All 10 page(s) read.\n");
}

} // namespace
} // namespace pg
