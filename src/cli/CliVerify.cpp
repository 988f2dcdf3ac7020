// verify: a printed stack checked against its package, from the codes a scanner read (one per
// line of a file), or the package's expected codes listed in print order.

#include "CliPackage.h"
#include "CliPrograms.h"
#include "Command.h"
#include "DocTree.h"
#include "PackageFile.h"
#include "Paths.h"
#include "Strings.h"
#include "Verification.h"

#include <iostream>

namespace pg::cli {

namespace {

constexpr const char* kUsage = kVerifyUsage;

int RunVerify(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"codes"});
    const std::string codesFile = OptionValue(args, "codes");
    const bool list = HasOption(args, "list");
    if (files.size() != 1 || list == !codesFile.empty()) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    std::unique_ptr<TDocSet> set = ReadCliPackage(files[0], "verify");
    // The stack was printed in the package's own stacking order, as the print commands print it.
    if (!set->PlanCode.empty())
        set->ReorderForms();
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
    for (const std::string& line : SplitLines(scanned)) {
        const TScanResult result = verifier.Read(line);
        if (!result.Message.empty())
            std::cout << result.Message << '\n';
    }
    const std::vector<const TExpectedPage*> missing = verifier.Missing();
    if (missing.empty()) {
        std::cout << "All " << verifier.Expected().size() << " page(s) read.\n";
        return StatusAfterReading(*set);
    }
    std::cout << missing.size() << " of " << verifier.Expected().size() << " page(s) missing:\n";
    for (const TExpectedPage* page : missing)
        std::cout << ExpectedPageText(*page) << '\n';
    return 1;
}

const TCliCommand verify("verify", kUsage, RunVerify);

} // namespace

} // namespace pg::cli
