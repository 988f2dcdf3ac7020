#pragma once
// The system fonts behind PCL text, as every device that draws text finds them: the font file
// fontconfig picks for a family and style ("Arial", "Times New Roman" and "Courier New"
// resolve to their metric twins, the Liberation faces), and a face's cell as the platform
// sizes a font by a positive height.

#include <cstdint>
#include <string>

struct FT_FaceRec_;

namespace pg {

// The font file fontconfig picks for a family and style, with the style the file lacks (to
// be synthesised by whoever draws with it). False when nothing matches.
struct TFontFile {
    std::string Path;
    int Index = 0;
    bool Embolden = false;
    bool Oblique = false;
};
bool MatchFontFile(const std::string& family, bool bold, bool italic, TFontFile& out);
// The font file that has the character ch, for text in a family that lacks it: the one
// fontconfig likes best for the family and style among the fonts that hold ch. False when no
// installed font has it.
bool MatchFallbackFontFile(const std::string& family, bool bold, bool italic, uint32_t ch, TFontFile& out);

// A face's cell in font units, as the platform sizes a font by a positive height: ascent plus
// descent of its Windows metrics (the face's own when it has none).
struct TCellMetrics {
    int CellUnits = 1;
    int AscentUnits = 1;
};
TCellMetrics CellMetricsOf(FT_FaceRec_* face);

} // namespace pg
