#pragma once
// One embedded font program per face. The PDF device gives every text size a font of its own,
// so that each size's font dictionary carries the interpreter's advances as its widths; cairo
// then embeds one subset per size, the same outlines over and over. Here the font dictionaries
// of one face (same name, TrueType with WinAnsi encoding) come to share one descriptor and one
// program: the face's glyphs for every character any of them uses, from the font file the
// system has under that name, without hinting. The widths stay each dictionary's own, and
// readers place glyphs by them, not by the program's metrics. Their ToUnicode maps become one
// as well, when they agree on every code.

class QPDF;

namespace pg {

// Rewrites the document's fonts in place; answers how many programs were dropped. A face the
// system cannot find again, or whose new program cannot be made, keeps its programs.
int ShareFontPrograms(QPDF& document);

} // namespace pg
