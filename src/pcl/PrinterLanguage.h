#pragma once
// What a printer file is written in, found before anything interprets it. Print-to-file output
// is PCL 5, PCL XL, PostScript or PDF, often wrapped in job-control lines ("@PJL ENTER
// LANGUAGE=...") after a universal exit; a job may switch languages several times. Reading a
// file in the wrong language draws garbage, so every caller asks here first: the languages we
// draw (PCL 5 and PCL XL) go to their interpreters, a PDF to the PDF reader, everything else
// is refused with its name.

#include <string>
#include <string_view>
#include <vector>

namespace pg {

enum class TPrinterLanguage {
    Pcl5,
    PclXl,
    PostScript,
    Pdf,
    // A language job control names that is none of the above ("@PJL ENTER LANGUAGE=ZJS").
    Other,
};

// One stretch of a job in one language: the bytes from Offset, Length long, without the
// universal exits and job-control lines around them. Name is the language as the job named
// it (upper case) for Other, empty otherwise.
struct TLanguageSegment {
    TPrinterLanguage Language = TPrinterLanguage::Pcl5;
    size_t Offset = 0;
    size_t Length = 0;
    std::string Name;
};

// The job cut at each language switch: a segment per "@PJL ENTER LANGUAGE" (or per stream
// header of PCL XL, PostScript or PDF after a universal exit). Bytes in no announced language
// are PCL 5, as a printer takes them. Empty only for empty input.
std::vector<TLanguageSegment> SplitPrinterLanguages(std::string_view bytes);

// The language of the job's first segment (PCL 5 for empty input).
TPrinterLanguage RecognisePrinterLanguage(std::string_view bytes);

// Whether we draw the language ourselves.
bool DrawsLanguage(TPrinterLanguage language);

// The language's name as users know it: "PCL 5", "PCL XL", "PostScript", "PDF"; for Other the
// name the job gave (e.g. "ZJS").
std::string PrinterLanguageName(const TLanguageSegment& segment);
std::string PrinterLanguageName(TPrinterLanguage language);

// The languages of a job as info shows them: "PCL XL", or "PCL 5 and PCL XL" for a job that
// switches, in the order they first appear.
std::string JobLanguagesText(const std::vector<TLanguageSegment>& segments);

// Why a file is not drawn: "This file is PostScript; Pagellan shows PCL 5 and PCL XL". Empty
// when every segment is in a language we draw.
std::string UndrawnLanguageMessage(const std::vector<TLanguageSegment>& segments);

// What becomes of a loose file that is opened for viewing: drawn, handed to the PDF reader (a
// PDF, as a file named ".pdf" is), or refused with Message.
struct TLooseFileRoute {
    enum class TKind { Draw, PdfReader, Refuse };
    TKind Kind = TKind::Draw;
    std::string Message;
};
TLooseFileRoute RouteLooseFile(std::string_view bytes);

} // namespace pg
