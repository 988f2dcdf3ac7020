#pragma once
// A written PDF made smaller without changing what it shows: the many small dictionaries of a
// long document (pages, resources, fonts, stream lengths) go into compressed object streams
// with a compressed cross-reference table (a document of hundreds of pages loses about a sixth
// of its size), and the fonts of one face share one embedded program.

#include <string>

namespace pg {

// Rewrites pdf in place; false (pdf untouched, error says why) when it cannot be read back.
bool CompactPdf(std::string& pdf, std::string& error);

} // namespace pg
