#include "PdfCompact.h"

#include "PdfFinish.h"

namespace pg {

bool CompactPdf(std::string& pdf, std::string& error) {
    TPdfFinish finish;
    finish.ShareFonts = true;
    return FinishPdf(pdf, finish, error);
}

} // namespace pg
