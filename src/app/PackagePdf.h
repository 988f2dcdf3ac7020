#pragma once
// What a package's PDF carries besides its pages: bookmarks that mirror the tree (one per form
// with its caption, and below a form that several borrowers share one per borrower copy, each
// opening the first page of its part) and page labels by form ("Note 1", "Note 2", ...). The
// bookmarks are made from the pages of the job the PDF is converted from, so they hold exactly
// what the job holds (all, selected or changed forms), in its order.

#include "DocTree.h"
#include "PdfFinish.h"
#include "PrintJob.h"

#include <string>
#include <vector>

namespace pg {

// The bookmarks and labels of the job's pages; a page whose node the tree does not hold adds
// nothing but its place.
TPdfOutline JobOutline(const TDocTree& tree, const std::vector<TJobPage>& pages);

// The outline of a package's job (none when withOutline is false).
TPdfFinish PackagePdfFinish(const TDocSet& set, const TDocTree& tree, const std::vector<TJobPage>& pages,
                            bool withOutline = true);
// A plain file's: one bookmark per page (none when withOutline is false).
TPdfFinish FilePdfFinish(const std::string& path, bool withOutline = true);

} // namespace pg
