// pagellan-cli verify on the demo package: the expected codes in print order, and the missing
// pages and unknown codes of a partial scan.
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace pg {
namespace {

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

test::TCommandRun Verify(const std::string& arguments) {
    return test::RunCommand(std::string("'") + PAGELLAN_CLI + "' verify '" + kDemo + "' " + arguments +
                            " 2>/dev/null");
}

TEST(CliVerify, ListAndPartialAndCompleteScans) {
    const test::TCommandRun list = Verify("--list");
    ASSERT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out, "2026114NOTE.DOT1.1\n2026114NOTE.DOT1.2\n2026114DEED.DOT1.1\n2026114DEED.DOT1.2\n"
                        "2026114DEED.DOT1.3\n2026114TIL.DOT1.1\n2026114GFE.DOT1.1\n2026114CERT.DOT1.1\n"
                        "2026114CERT.DOT2.1\n2026114W9.DOT1.1\n");

    test::TTempFolder dir("pg-cliverify");
    // What a scanner typed: lower case, CR LF line ends, a code read twice, one code of another
    // package, two pages never scanned.
    const std::string partial = dir.File("partial.txt", "2026114note.dot1.1\r\n2026114NOTE.DOT1.2\r\n"
                                                        "2026114DEED.DOT1.1\r\n2026114DEED.DOT1.3\r\n"
                                                        "2026114TIL.DOT1.1\r\n2026114TIL.DOT1.1\r\n"
                                                        "9999999XX1.1\r\n2026114GFE.DOT1.1\r\n"
                                                        "2026114CERT.DOT1.1\r\n2026114W9.DOT1.1\r\n");
    const test::TCommandRun run = Verify("--codes '" + partial + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "Repeated BarCode: 2026114TIL.DOT1.1\nUnknown BarCode: 9999999XX1.1\n"
                       "2 of 10 page(s) missing:\n"
                       "Form 2 DEED.DOT (Deed of Trust), page 2, borrower 1\n"
                       "Form 6 CERT.DOT (Borrower's Certification and Authorization), page 1, borrower 2\n");

    const test::TCommandRun ordered = Verify("--codes '" + partial + "' --ordered");
    EXPECT_EQ(ordered.Status, 1);
    EXPECT_NE(ordered.Out.find("Out of order: 2026114DEED.DOT1.3 (expected 2026114DEED.DOT1.2)\n"),
              std::string::npos);

    const test::TCommandRun complete = Verify("--codes '" + dir.File("all.txt", list.Out) + "' --ordered");
    EXPECT_EQ(complete.Status, 0);
    EXPECT_EQ(complete.Out, "All 10 page(s) read.\n");

    EXPECT_EQ(Verify("--list --codes x").Status, 2);
    EXPECT_EQ(Verify("--codes '" + dir.Path("none.txt") + "'").Status, 2);
}

} // namespace
} // namespace pg
