#pragma once
// PCL to PDF: a PCL job is cut into pages by the interpreter's page splitting, each page is
// drawn anew through the PDF device, and the pages make one PDF document. This is what our
// converter program pcl2pdf runs.

#include <string>
#include <string_view>

namespace pg {

struct TPclToPdfOptions {
    // The size of pages that name none: "LTR" letter, anything else legal.
    std::string PaperHint = "LTR";
    // Colours as the page window shows them (blue fill text); otherwise black, as printed.
    bool Colour = false;
};

struct TPclToPdfResult {
    bool Ok = false;
    std::string Pdf;   // the document's bytes
    int Pages = 0;     // PDF pages written
    std::string Error; // why no PDF was made
};

// A job without pages (nothing printable in it) gives one blank page, so that the result is
// always a valid document. Pages embedded in the job as PDF (EmbeddedPdfText, HLWStream.h) go
// into the document in their place, at most kMaxEmbeddedPages of them.
inline constexpr size_t kMaxEmbeddedPages = 1000;
TPclToPdfResult ConvertPclToPdf(std::string_view pcl, const TPclToPdfOptions& options = {});

// The sheet a page is printed on, in pixels of 300 per inch: 8.5 x 11 inches (letter) or
// 8.5 x 14 inches, turned for a landscape page.
struct TSheet {
    int Width = 2550;
    int Height = 3300;
};
TSheet SheetFor(bool letter, bool landscape);

// The pcl2pdf command line: INPUT OUTPUT [-Legal] [-MM] (options in any letter case; "-MM" is
// accepted and changes nothing). Answers the exit status: 0 only when OUTPUT holds the whole
// PDF; 1 when the input cannot be read or the PDF cannot be made or written (OUTPUT is then
// untouched); 2 for a wrong command line. Messages go to err.
int RunPcl2Pdf(int argc, const char* const* argv, std::string& err);

} // namespace pg
