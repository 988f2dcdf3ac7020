#pragma once
// The stick font's glyph data (HPGLStickFont.cpp): strokes of the characters 32 to 126.

#include <array>
#include <string_view>

namespace pg {

const std::array<std::string_view, 95>& StickGlyphs();

} // namespace pg
