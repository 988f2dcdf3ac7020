#pragma once
// TFontEngine: the system fonts behind PCL text. A family name and style are looked up
// through fontconfig ("Arial", "Times New Roman" and "Courier New" resolve to their metric
// twins, the Liberation faces), the face is sized by its cell height the way the platform
// sizes a font by a positive height, and characters are rendered by FreeType as 8-bit
// coverage. Rendered characters are cached per face, size and character code.
//
// One engine serves every interpreter of the process (Shared()); it is safe to use from
// several threads.

#include "PageBitmapDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct FT_FaceRec_;

namespace pg {

// The names of the installed font families, each in upper case, sorted (read once).
const std::vector<std::string>& InstalledFontFamilies();

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

class TFontEngine : public TCharRasterizer {
public:
    TFontEngine();
    ~TFontEngine() override;
    TFontEngine(const TFontEngine&) = delete;
    TFontEngine& operator=(const TFontEngine&) = delete;

    static TFontEngine& Shared();

    bool Render(const TDeviceFont& font, uint8_t code, TCharCoverage& out) override;

    // Without the cache every character is rendered anew (to measure what the cache saves).
    void SetCaching(bool on);
    size_t CachedCharCount() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

} // namespace pg
