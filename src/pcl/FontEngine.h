#pragma once
// TFontEngine: the system fonts behind PCL text. A family name and style are looked up
// through fontconfig ("Arial", "Times New Roman" and "Courier New" resolve to their metric
// twins, the Liberation faces), the face is sized by its cell height the way the platform
// sizes a font by a positive height, and characters are rendered by FreeType as 8-bit
// coverage. A character the face lacks comes from the font fontconfig finds for it, at the
// face's size and on its baseline. Rendered characters are cached per face, size and
// character.
//
// One engine serves every interpreter of the process (Shared()); it is safe to use from
// several threads.

#include "PageBitmapDevice.h"
#include "SystemFonts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// The names of the installed font families, each in upper case, sorted (read once).
const std::vector<std::string>& InstalledFontFamilies();

class TFontEngine : public TCharRasterizer {
public:
    TFontEngine();
    ~TFontEngine() override;
    TFontEngine(const TFontEngine&) = delete;
    TFontEngine& operator=(const TFontEngine&) = delete;

    static TFontEngine& Shared();

    bool Render(const TDeviceFont& font, uint32_t ch, TCharCoverage& out) override;
    // Measure and lend images from the cache without copying them.
    int Advance(const TDeviceFont& font, uint32_t ch) override;
    bool Use(const TDeviceFont& font, uint32_t ch,
             const std::function<void(const TCharCoverage&)>& use) override;

    // Without the cache every character is rendered anew (to measure what the cache saves).
    void SetCaching(bool on);
    size_t CachedCharCount() const;

private:
    struct TImpl;
    const TCharCoverage* Find(const TDeviceFont& font, uint32_t ch, TCharCoverage& scratch);
    std::unique_ptr<TImpl> impl_;
};

} // namespace pg
