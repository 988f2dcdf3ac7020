#include "PdfCompact.h"

#include "PdfFinish.h"

namespace pg {

bool CompactPdf(std::string& pdf, std::string& error) {
    return FinishPdf(pdf, TPdfFinish{}, error);
}

} // namespace pg
