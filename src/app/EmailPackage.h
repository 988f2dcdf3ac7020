#pragma once
// The attachment the e-mail commands send: the chosen forms of the loaded set written to the
// temporary folder as a Quodex container (annotations locked, "CanAnnotate,N"), a PDF or a
// Tesselon container. One name for it everywhere, made from the worksheet number, so the
// dialog lists exactly the file that was written and the clean-up removes it.

#include "DocSet.h"
#include "DocTree.h"
#include "PdfConversion.h"

#include <string>

namespace pg {

enum class TEmailFormat { Quodex = 0, PDF = 1, Tesselon = 2 };

// folder + worksheet number (characters that would leave the folder replaced by "_"; "Pagellan"
// when blank) + ".QDX", ".PDF" or ".TSN".
std::string EmailAttachmentPath(const TDocSet& set, TEmailFormat format, const std::string& folder);

// Writes the forms the mode picks (All; Selected: the forms under selection; Changed) without
// deleted forms to path. A Quodex copy has its annotations disabled. The PDF is converted from
// the forms' print job with conversion. Whether path now holds the attachment.
bool WriteEmailAttachment(TDocSet& set, const TDocTree& tree, const TSelection& selection, TSaveMode mode,
                          TEmailFormat format, const std::string& path, const TPdfConversion& conversion);

// The annotation-disabled copy of a written Quodex file, in place.
bool DisableAnnotationsInFile(const std::string& path);

} // namespace pg
