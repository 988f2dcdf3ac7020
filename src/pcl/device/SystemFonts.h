#pragma once
// The system fonts behind PCL text, as every device that draws text finds them: the font file
// fontconfig picks for a family and style ("Arial", "Times New Roman" and "Courier New"
// resolve to their metric twins, the Liberation faces), and a face's cell as the platform
// sizes a font by a positive height.

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

// A face's cell in font units, as the platform sizes a font by a positive height: ascent plus
// descent of its Windows metrics (the face's own when it has none).
struct TCellMetrics {
    int CellUnits = 1;
    int AscentUnits = 1;
};
TCellMetrics CellMetricsOf(FT_FaceRec_* face);

} // namespace pg
