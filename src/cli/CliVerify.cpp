// verify: a printed stack checked against its package, from the codes a scanner read (one per
// line of a file), or the package's expected codes listed in print order.

#include "CliPackage.h"
#include "CliPrograms.h"
#include "Command.h"
#include "DocTree.h"
#include "LoadPackage.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "Paths.h"
#include "Strings.h"
#include "Verification.h"

#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

constexpr const char* kUsage = kVerifyUsage;

// The folder of this program: the desktop program's too once installed, and in a build tree
// one level under the same folder, so a relative fill folder leads both to one order file.
std::string ProgramFolder() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
}

int RunVerify(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"codes"});
    const std::string codesFile = OptionValue(args, "codes");
    const bool list = HasOption(args, "list");
    if (files.size() != 1 || list == !codesFile.empty()) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    std::unique_ptr<TDocSet> set = ReadCliPackage(files[0], "verify");
    // The stack was printed in the order the window shows: the package's own stacking order,
    // else the plan's line of the local order file.
    PrepareDocSet(*set, "",
                  set->StackingOrder.empty() ? PlanCodeOrderFile(PGRegistry::FillDir(), ProgramFolder(),
                                                                 PGRegistry::QuodexHistoryDir())
                                             : std::string(),
                  files[0]);
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });
    const std::vector<TExpectedPage> expected = ExpectedPages(*set, tree);
    if (list) {
        for (const TExpectedPage& page : expected)
            std::cout << page.Code << '\n';
        return StatusAfterReading(*set);
    }

    std::string scanned, error;
    if (!ReadFileBytes(codesFile, scanned, error)) {
        std::cerr << "pagellan-cli verify: cannot read " << codesFile << ": " << error << '\n';
        return 2;
    }
    TBarcodeVerifier verifier(expected, HasOption(args, "ordered"));
    // Every unknown, repeated and misplaced code is said where the scan met it.
    for (const std::string& line : SplitLines(scanned)) {
        const TScanResult result = verifier.Read(line);
        if (!result.Message.empty())
            std::cout << result.Message << '\n';
    }
    const size_t wrong =
        verifier.UnknownCodes().size() + verifier.RepeatedCodes().size() + verifier.OutOfOrderCodes().size();
    const std::vector<const TExpectedPage*> missing = verifier.Missing();
    if (missing.empty()) {
        std::cout << "All " << verifier.Expected().size() << " page(s) read";
        if (wrong > 0)
            std::cout << ", " << wrong << " code(s) wrong";
        std::cout << ".\n";
        return StatusAfterReading(*set, wrong > 0 ? 1 : 0);
    }
    std::cout << missing.size() << " of " << verifier.Expected().size() << " page(s) missing:\n";
    for (const TExpectedPage* page : missing)
        std::cout << ExpectedPageText(*page) << '\n';
    return 1;
}

const TCliCommand verify("verify", kUsage, RunVerify);

} // namespace

} // namespace pg::cli
