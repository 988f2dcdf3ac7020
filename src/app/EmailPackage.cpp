#include "EmailPackage.h"

#include "MailMessage.h"
#include "PGRegistry.h"
#include "PackagePdf.h"
#include "Paths.h"
#include "PrintJob.h"
#include "PrintTree.h"
#include "PrintWalk.h"
#include "Quodex.h"
#include "Tesselon.h"
#include "TreeCommands.h"

namespace pg {

std::string EmailAttachmentPath(const TDocSet& set, TEmailFormat format, const std::string& folder) {
    static const char* const extensions[] = {".QDX", ".PDF", ".TSN"};
    return IncludeSlash(folder) + EmailDocumentName(set.WorksheetNumber) + extensions[int(format)];
}

bool DisableAnnotationsInFile(const std::string& path) {
    std::string bytes, error;
    if (!ReadFileBytes(path, bytes, error))
        return false;
    return AtomicWriteFile(path, DisableAnnotationsInQuodex(bytes));
}

bool WriteEmailAttachment(TDocSet& set, const TDocTree& tree, const TSelection& selection, TSaveMode mode,
                          TEmailFormat format, const std::string& path, const TPdfConversion& conversion) {
    if (mode == TSaveMode::Selected)
        GetNumberOfPagesSelected(&set, true, selection);
    switch (format) {
    case TEmailFormat::Quodex:
        return TQuodex::SaveQuodex(set, path, mode, false, true) && DisableAnnotationsInFile(path);
    case TEmailFormat::Tesselon:
        return TTesselon::SaveTesselon(set, path, mode, false);
    case TEmailFormat::PDF:
        break;
    }
    TPrintRequest request;
    request.SelectedOnly = mode == TSaveMode::Selected;
    request.ChangedOnly = mode == TSaveMode::Changed;
    TPrintChoices choices;
    choices.LegalTrayCode = PGRegistry::LegalTray();
    choices.LetterTrayCode = PGRegistry::LetterTray();
    THLWPrintJobStream job(CopyFootersFromSettings());
    AssembleJob(job, set, PrintNodes(tree, request.SelectedOnly ? selection : TSelection{}), request, choices,
                true);
    job.WriteJobReset();
    TPdfConversion withOutline = conversion;
    withOutline.Finish = PackagePdfFinish(set, tree, job.Pages);
    return ConvertPCLStringToPDF(job.View(), path, withOutline);
}

} // namespace pg
