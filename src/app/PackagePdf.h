#pragma once
// What a package's PDF carries besides its pages: bookmarks that mirror the tree (one per form
// with its caption, and below a form that several borrowers share one per borrower copy, each
// opening the first page of its part), page labels by form ("Note 1", "Note 2", ...) and the
// package's properties. The bookmarks are made from the pages of the job the PDF is converted
// from, so they hold exactly what the job holds (all, selected or changed forms), in its order.

#include "DocTree.h"
#include "PdfFinish.h"
#include "PrintJob.h"

#include <string>
#include <vector>

namespace pg {

// The bookmarks and labels of the job's pages; a page whose node the tree does not hold adds
// nothing but its place.
TPdfOutline JobOutline(const TDocTree& tree, const std::vector<TJobPage>& pages);

// Title "WS # " + worksheet number + " - " + lender's name (either alone when the other is
// blank, the package's file name when both are), Author the lender, Subject "Loan documents",
// Keywords "Worksheet " + number + ", Plan " + plan code, Creator "Pagellan " + version,
// created now.
TPdfDocumentInfo PackageDocumentInfo(const TDocSet& set);
// A plain PCL file's: its file name as the title, the creator, created now.
TPdfDocumentInfo FileDocumentInfo(const std::string& path);

// The outline (unless withOutline is false) and the properties of a package's job.
TPdfFinish PackagePdfFinish(const TDocSet& set, const TDocTree& tree, const std::vector<TJobPage>& pages,
                            bool withOutline = true);
// A plain file's: one bookmark per page (unless withOutline is false) and its properties.
TPdfFinish FilePdfFinish(const std::string& path, bool withOutline = true);

} // namespace pg
