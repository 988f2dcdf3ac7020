// Text drawing hooks of the interpreter, called only while rendering: system-font text runs
// and soft-font text runs.

#include "PCLParse.h"

namespace pg {

// System-font text: pending the text renderer (fonts, width tables, cursor advance).
void TPCLBuffer::DrawTextRun(std::string_view) {}

// Soft-font text: pending the soft-font renderer (glyph blocks, advances).
void TPCLBuffer::DrawSoftFontRun(const TSoftFont&, std::string_view) {}

} // namespace pg
