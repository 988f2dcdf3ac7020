#pragma once
// Small document sets built in code for the tree tests.

#include "DocSet.h"

#include <memory>
#include <string>

namespace pg::testing {

inline TDocSetForm& AddTestForm(TDocSet& set, const std::string& name, const std::string& description,
                                int borrower, const std::string& borrowerName, int pages,
                                uint8_t format = kFormatDefault) {
    auto form =
        std::make_unique<TDocSetForm>(name, description, borrower, borrowerName, "LTR", false, false, false);
    form->Format = format;
    for (int p = 1; p <= pages; ++p)
        form->AddPage(std::make_unique<TDocSetPage>(p, "T.LSR", false, "", 0, "fill"));
    return set.AddForm(std::move(form));
}

// A, B (two borrowers), C with three pages, an attachment between B and C; 1 + 1 + 1 + 3 pages,
// plus the attachment's page.
inline std::unique_ptr<TDocSet> ExampleSet() {
    auto set = std::make_unique<TDocSet>();
    set->WorksheetNumber = "123";
    AddTestForm(*set, "A.LSR", "DEED OF TRUST", 1, "JOHN SMITH", 1);
    AddTestForm(*set, "B.LSR", "truth in lending", 1, "john smith", 1);
    AddTestForm(*set, "B.LSR", "truth in lending", 2, "MARY-JO SMITH", 1);
    AddTestForm(*set, "X.PDF", "attached letter", 1, "JOHN SMITH", 1, kFormatAttachment);
    AddTestForm(*set, "C.LSR", "NOTE  rider", 1, "JOHN SMITH", 3);
    return set;
}

} // namespace pg::testing
