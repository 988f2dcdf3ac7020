#include "FontEngine.h"

#include "Strings.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace pg {

namespace {

std::vector<std::string> ReadInstalledFamilies() {
    std::vector<std::string> names;
    if (!FcInit())
        return names;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            // A font may carry several family names (localised ones); each counts.
            for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                names.push_back(UpperCase(reinterpret_cast<const char*>(family)));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// A face as fontconfig chose it, with the style it could not supply to be synthesised.
struct TFace {
    FT_Face Face = nullptr;
    bool Embolden = false;
    bool Oblique = false;
    // Windows cell metrics in font units: the platform sizes a font by ascent + descent.
    int CellUnits = 1;
    int AscentUnits = 1;
    // For characters this face lacks, the face that has them (nullptr: none has).
    std::unordered_map<uint32_t, const TFace*> Fallbacks;
};

// Characters above this cell height (480 points) are not drawn: a hostile stream could make
// every character a page-sized image. Rendered images are kept up to a total size.
constexpr int kMaxCellHeight = 2000;
constexpr size_t kMaxCachedBytes = size_t(64) << 20;

using TFaceKey = std::tuple<std::string, bool, bool>;

struct TCharKey {
    const TFace* Face;
    int Height;
    uint32_t Char;
    bool operator==(const TCharKey&) const = default;
};

struct TCharKeyHash {
    size_t operator()(const TCharKey& k) const {
        return std::hash<const void*>()(k.Face) ^ (size_t(k.Height) << 21 | k.Char) * 0x9E3779B97F4A7C15ull;
    }
};

// A fallback face by its file and the style to synthesise.
using TFileKey = std::tuple<std::string, int, bool, bool>;

} // namespace

const std::vector<std::string>& InstalledFontFamilies() {
    static const std::vector<std::string> names = ReadInstalledFamilies();
    return names;
}

struct TFontEngine::TImpl {
    FT_Library Library = nullptr;
    std::map<TFaceKey, std::unique_ptr<TFace>> Faces;
    std::map<TFileKey, std::unique_ptr<TFace>> FallbackFaces;
    std::map<std::string, FT_Face> FaceFiles; // by file and index; owns the FT faces
    std::unordered_map<TCharKey, TCharCoverage, TCharKeyHash> Chars;
    size_t CachedBytes = 0;
    bool Caching = true;
    mutable std::mutex Lock;

    ~TImpl() {
        for (auto& [file, face] : FaceFiles)
            FT_Done_Face(face);
        if (Library)
            FT_Done_FreeType(Library);
    }

    FT_Face OpenFile(const std::string& file, int index) {
        const std::string key = file + '\n' + IntToStr(index);
        auto it = FaceFiles.find(key);
        if (it != FaceFiles.end())
            return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(Library, file.c_str(), index, &face) != 0)
            face = nullptr;
        FaceFiles.emplace(key, face);
        return face;
    }

    std::unique_ptr<TFace> Open(const TFontFile& file) {
        auto face = std::make_unique<TFace>();
        face->Face = OpenFile(file.Path, file.Index);
        face->Embolden = file.Embolden;
        face->Oblique = file.Oblique;
        if (face->Face) {
            FT_Select_Charmap(face->Face, FT_ENCODING_UNICODE);
            const TCellMetrics cell = CellMetricsOf(face->Face);
            face->CellUnits = cell.CellUnits;
            face->AscentUnits = cell.AscentUnits;
        }
        return face;
    }

    TFace* FindFace(const TDeviceFont& font) {
        TFaceKey key{font.Family, font.Bold, font.Italic};
        auto it = Faces.find(key);
        if (it == Faces.end()) {
            TFontFile file;
            auto face = MatchFontFile(font.Family, font.Bold, font.Italic, file) ? Open(file)
                                                                                 : std::make_unique<TFace>();
            it = Faces.emplace(std::move(key), std::move(face)).first;
        }
        return it->second->Face ? it->second.get() : nullptr;
    }

    // The face that draws ch for text in font, whose own face is face: that face when it has
    // the character, else the face fontconfig finds for it; nullptr when no font has it.
    const TFace* GlyphFace(TFace& face, const TDeviceFont& font, uint32_t ch) {
        if (ch == 0 || FT_Get_Char_Index(face.Face, ch) != 0)
            return &face;
        auto known = face.Fallbacks.find(ch);
        if (known != face.Fallbacks.end())
            return known->second;
        const TFace* fallback = nullptr;
        TFontFile file;
        if (MatchFallbackFontFile(font.Family, font.Bold, font.Italic, ch, file)) {
            TFileKey key{file.Path, file.Index, file.Embolden, file.Oblique};
            auto it = FallbackFaces.find(key);
            if (it == FallbackFaces.end())
                it = FallbackFaces.emplace(std::move(key), Open(file)).first;
            if (it->second->Face && FT_Get_Char_Index(it->second->Face, ch) != 0)
                fallback = it->second.get();
        }
        face.Fallbacks.emplace(ch, fallback);
        return fallback;
    }

    // The character drawn by glyphs (its own face or a fallback) at the size and on the
    // baseline of face, so that a character from another font stands in line with the text.
    bool RenderChar(const TFace& face, const TFace& glyphs, int height, uint32_t ch, TCharCoverage& out) {
        FT_Face ft = glyphs.Face;
        // The em that gives the requested cell height, in 26.6 pixels.
        const double em = double(height) * face.Face->units_per_EM / face.CellUnits;
        FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_NOMINAL, 0, FT_Long(std::lround(em * 64)), 0, 0};
        if (FT_Request_Size(ft, &request) != 0)
            return false;
        if (ch == 0 || FT_Load_Char(ft, ch, FT_LOAD_DEFAULT) != 0)
            return false;
        if (glyphs.Oblique)
            FT_GlyphSlot_Oblique(ft->glyph);
        if (glyphs.Embolden)
            FT_GlyphSlot_Embolden(ft->glyph);
        if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_NORMAL) != 0)
            return false;
        const FT_Bitmap& bitmap = ft->glyph->bitmap;
        const int baseline = int(std::lround(em * face.AscentUnits / face.Face->units_per_EM));
        out.OffsetX = ft->glyph->bitmap_left;
        out.OffsetY = baseline - ft->glyph->bitmap_top;
        out.Width = int(bitmap.width);
        out.Height = int(bitmap.rows);
        out.Pitch = bitmap.width;
        out.Advance = int((ft->glyph->advance.x + 32) >> 6);
        out.Coverage.resize(size_t(out.Width) * size_t(out.Height));
        for (int row = 0; row < out.Height; ++row)
            std::memcpy(out.Coverage.data() + size_t(row) * out.Pitch, bitmap.buffer + row * bitmap.pitch,
                        out.Pitch);
        return true;
    }
};

// fontconfig is not started here: reading its configuration and caches costs more than many
// a page, and pages without system-font text (soft fonts, rules, raster) never need it.
// MatchFontFile starts it when the first face is looked up.
TFontEngine::TFontEngine() : impl_(std::make_unique<TImpl>()) {
    if (FT_Init_FreeType(&impl_->Library) != 0)
        impl_->Library = nullptr;
}

TFontEngine::~TFontEngine() = default;

TFontEngine& TFontEngine::Shared() {
    static TFontEngine engine;
    return engine;
}

void TFontEngine::SetCaching(bool on) {
    std::lock_guard guard(impl_->Lock);
    impl_->Caching = on;
    impl_->Chars.clear();
    impl_->CachedBytes = 0;
}

size_t TFontEngine::CachedCharCount() const {
    std::lock_guard guard(impl_->Lock);
    return impl_->Chars.size();
}

// The character's image: from the cache (rendered and kept on a miss), or rendered into
// scratch when caching is off; nullptr when the character has none. Called under the lock.
const TCharCoverage* TFontEngine::Find(const TDeviceFont& font, uint32_t ch, TCharCoverage& scratch) {
    if (font.Height <= 0 || font.Height > kMaxCellHeight || !impl_->Library)
        return nullptr;
    TFace* face = impl_->FindFace(font);
    if (!face)
        return nullptr;
    const auto render = [&](TCharCoverage& out) {
        const TFace* glyphs = impl_->GlyphFace(*face, font, ch);
        return glyphs && impl_->RenderChar(*face, *glyphs, font.Height, ch, out);
    };
    if (!impl_->Caching)
        return render(scratch) ? &scratch : nullptr;
    const TCharKey key{face, font.Height, ch};
    auto it = impl_->Chars.find(key);
    if (it == impl_->Chars.end()) {
        TCharCoverage image;
        if (!render(image))
            image = TCharCoverage{}; // remembered as having no image
        if (impl_->CachedBytes + image.Coverage.size() > kMaxCachedBytes) {
            impl_->Chars.clear();
            impl_->CachedBytes = 0;
        }
        impl_->CachedBytes += image.Coverage.size();
        it = impl_->Chars.emplace(key, std::move(image)).first;
    }
    if (it->second.Pitch == 0 && it->second.Advance == 0)
        return nullptr;
    return &it->second;
}

bool TFontEngine::Render(const TDeviceFont& font, uint32_t ch, TCharCoverage& out) {
    std::lock_guard guard(impl_->Lock);
    const TCharCoverage* image = Find(font, ch, out);
    if (!image)
        return false;
    if (image != &out)
        out = *image;
    return true;
}

bool TFontEngine::Use(const TDeviceFont& font, uint32_t ch,
                      const std::function<void(const TCharCoverage&)>& use) {
    std::lock_guard guard(impl_->Lock);
    TCharCoverage scratch;
    const TCharCoverage* image = Find(font, ch, scratch);
    if (!image)
        return false;
    // Under the lock: the cache may drop the image as soon as another thread renders.
    use(*image);
    return true;
}

int TFontEngine::Advance(const TDeviceFont& font, uint32_t ch) {
    std::lock_guard guard(impl_->Lock);
    TCharCoverage scratch;
    const TCharCoverage* image = Find(font, ch, scratch);
    return image ? image->Advance : 0;
}

} // namespace pg
