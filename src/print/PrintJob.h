#pragma once
// THLWPrintJobStream: one PCL print job held in memory. It is built page by page from the
// package model: every page is preceded by tray, page-size and duplex commands and the overlay
// header, re-emitted through a fresh interpreter without its form feeds, and followed by its
// annotations, the form name, a Code 128 bar code, the copy footer and its template data.
//
// A job always starts with WriteJobReset, then the pages, then WriteJobReset again; a job to
// which no page contributed is still sent, as the two resets.

#include "DocSet.h"
#include "HLWStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// Positions of the additions, in dots of 1/300 inch.
inline constexpr int kBarcodeRight = 2380;
inline constexpr int kBarcodeHeight = 60;
inline constexpr int kModuleDots = 4;

// The footer texts of the four sets: "Original Copy", "Copy 1", "Copy 2", "Copy 3".
using TCopyFooters = std::array<std::string, 4>;
// The four footers as the settings hold them now.
TCopyFooters CopyFootersFromSettings();

// A page a job holds: the node data it was appended from (the caller's, which must outlive any
// use of the record) and the set of copies it belongs to. A PDF made from the job finds its
// forms and borrower copies by these.
struct TJobPage {
    const TInfo* Info = nullptr;
    int32_t Copy = 0;
    // The pages of the PDF it becomes: one for a PCL page; a Vivaform page goes in as the PDF
    // its HTML view makes, which may run to several.
    int32_t PdfPages = 1;
};

class THLWPrintJobStream : public THLWMemorystream {
public:
    // The caller supplies the copy footers (CopyFootersFromSettings for the user's own).
    explicit THLWPrintJobStream(TCopyFooters copyFooters);

    const TDocSet* DocumentSet = nullptr;
    int32_t PagesWritten = 0;
    std::string CurrentPaper; // paper of the last page-size command written
    TCopyFooters CopyFooters;
    bool AllOnLegal = false;
    bool PrintFooters = false;
    bool PrintBarCodes = false;
    bool PrintAnnotations = true;
    bool PrintFormNames = false;
    // Tray-selection commands without their leading ESC, as entered ("&l4H").
    std::string LegalTrayCode;
    std::string LetterTrayCode;
    std::string PreviousFormName;
    int32_t PreviousPageNumber = 0;
    bool Duplex = false;
    int32_t CopyIndex = 0;        // 0 first set, 1 to 3 additional copies: selects the footer
    bool DeviceResetMode = false; // for the driver path
    std::vector<TJobPage> Pages;  // the pages appended, in job order

    // Appends ESC E.
    void WriteJobReset();
    // Appends the page the node data stands for, with its additions. A page that does not
    // contribute (PageContributes) adds nothing.
    void AppendPage(const TInfo& info);

private:
    void WriteTray(const std::string& paper);
    bool WritePageSize(const std::string& paper);
    void WriteSheetCommands(const TDocSetForm& form, int32_t pageNumber, bool pageSizeWritten);
    void WriteAdditions(const TDocSetForm& form, int32_t pageNumber, const std::string& paper);
};

// Whether AppendPage writes anything for the node data: not for a form node (page -1), a page
// number outside the form or a Vivaform page.
bool PageContributes(const TInfo& info);

// ---- The additions, exposed so they can be checked on their own -----------------------------

// ESC&l2A for a letter paper name, else ESC&l3A.
std::string PageSizeCommand(std::string_view paper);
// The 6-point text font (PC-8, proportional, typeface 5) and the 10-point one.
std::string SmallFont();
std::string NormalFont();
// ESC*p0X, ESC*p<Y>Y (3095 letter, 3995 otherwise), the small font, the name, the normal font.
std::string FormNameText(std::string_view paper, std::string_view formName);
// The normal font, ESC*p<X>X, ESC*p<Y>Y, the footer; X = |1200 - 20n| with bar codes, else
// |1200 - 10n| for a footer of n characters. An empty footer gives nothing.
std::string CopyFooterText(std::string_view paper, std::string_view footer, bool withBarcodes);
// Vertical positions of the footer and of the bar code: letter papers ("LTR" or "LETTER" in any
// case) get 3095 and 3060, every other paper 3995 and 3960.
int FooterY(std::string_view paper);
int BarcodeY(std::string_view paper);

// The value the bar code of one page carries: empty unless the form has its Barcodes flag; else
// the set's worksheet number padded or cut to 7 characters, the form's name, its borrower number,
// "." and the page number. Each page carries its own value, so a scanned stack tells exactly
// which pages are there.
std::string BarcodeValue(const TDocSet& set, const TDocSetForm& form, int32_t pageNumber);
// The Code 128 symbol values of the text: start symbol, data (with code-set switches), check
// symbol and the stop symbol 106. Empty for an empty text.
std::vector<int> Code128Symbols(std::string_view text);
// The bar pattern of a symbol value, bars '1' and spaces '0' (11 modules, 13 for the stop).
std::string_view Code128Pattern(int symbol);
// One raster row of the symbols at 4 dots per module, packed 8 dots a byte, first dot in the
// most significant bit; dots gives the row length.
std::string Code128Row(const std::vector<int>& symbols, int& dots);
// The PCL raster image of the bar code ending at X 2380, 60 rows high; empty for an empty text.
std::string BarcodeText(std::string_view paper, std::string_view text);

} // namespace pg
