#pragma once
// Printing a Vivaform page during a print run: the page is laid out by the browser engine with
// margins of 0.18 in and no header or footer, on the paper its form names. The
// layout belongs to the one job, so the system's default printer and any stored page setup are
// never touched and there is nothing to put back after a crash.

#include <QByteArray>
#include <QPageLayout>

#include <string>
#include <string_view>

namespace pg {

// Margins of a printed Vivaform page, in inches.
inline constexpr double kVivaformMarginInches = 0.18;
// How long the engine may take to load the page and to lay it out, each; a page whose scripts
// never finish is given up after this.
inline constexpr int kVivaformPrintTimeoutMs = 30000;

// Letter paper for a letter page size ("LTR", "LETTER"), else legal, as for every printed page;
// portrait, the margins above.
QPageLayout VivaformPageLayout(const std::string& pageSize);

// The page of a Vivaform document (wrapped or bare "html") as the engine prints it, in PDF;
// empty when the document has no page or the engine failed or timed out.
QByteArray VivaformToPdf(std::string_view document, const std::string& pageSize,
                         int timeoutMs = kVivaformPrintTimeoutMs);

// Prints the page of a Vivaform document as one job to printerName, the printer chosen in the
// print dialog: a CUPS destination through the engine's own printing, an IPP address as the
// engine's PDF sent directly. Answers whether a job was handed over; never raises.
bool PrintVivaformPage(std::string_view document, const std::string& printerName,
                       const std::string& documentName, const std::string& pageSize,
                       int timeoutMs = kVivaformPrintTimeoutMs);

} // namespace pg
