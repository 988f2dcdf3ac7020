#pragma once
// Printing what a verification found missing: a job of exactly the missing pages, or, when
// nothing is missing, the confirmation page. The missing-documents dialog calls it with the
// printer dialog and the window's print host.

#include "DateTime.h"
#include "PrintWalk.h"
#include "Verification.h"

#include <vector>

namespace pg {

// The job of the pages, in the order given: footers on, legal, form names and bar codes from the
// choices, never duplex (a page printed again goes on a sheet of its own), between the resets.
void AssembleMissingJob(THLWPrintJobStream& job, const TDocSet& set, const std::vector<TExpectedPage>& pages,
                        const TPrintChoices& choices);

enum class TMissingPrintResult { Cancelled, Pending, PrintedMissing, PrintedConfirmation };

// "Print all missing" (pages given) or "Print Confirmation" (none): duplex set to "No" and the
// order to "As Displayed", both disabled while the printer dialog shows (unless it was already
// confirmed); on OK the job goes to the current printer, the confirmation text always raw. The
// remembered duplex and order choices are restored and enabled again in every case.
TMissingPrintResult PrintMissingDocuments(const TDocSet& set, const std::vector<TExpectedPage>& missing,
                                          TPrintState& state, TPrinterDialog& dialog, TPrintHost& host,
                                          TDateTime now);

} // namespace pg
