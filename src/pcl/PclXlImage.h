#pragma once
// Images and raster patterns of PCL XL: the rows of a BeginImage .. EndImage come in blocks,
// each uncompressed, run-length coded, delta-row coded or JPEG; they are decoded, turned into
// what each pixel paints (its colour through the palette, combined with the brush by the
// logical operation), and drawn as soon as a block is complete. Every pixel of the page is
// sampled from the image pixel under its middle, whatever the image's scale and turning.

#include "PclXlInterpreter.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg::xl {

// Run-length decoding (a count byte n: n + 1 literal bytes for n < 128, the next byte 257 - n
// times for n > 128, nothing for 128) of in, appending to out until it holds limit bytes.
// Returns how many bytes of in were used.
size_t DecodeRunLength(std::string_view in, std::vector<uint8_t>& out, size_t limit);

// Delta-row decoding: each row is a 16-bit byte count (low byte first) and commands that
// replace bytes of the row before; a count of 0 repeats that row.
class TDeltaRowDecoder {
public:
    explicit TDeltaRowDecoder(size_t rowBytes) : seed_(rowBytes, 0) {}
    // The next row from in at pos (pos moves past it); false when in holds no more rows.
    bool NextRow(std::string_view in, size_t& pos);
    const std::vector<uint8_t>& Row() const { return seed_; }

private:
    std::vector<uint8_t> seed_;
};

// A pixel that leaves the page as it is.
inline constexpr uint32_t kLeave = 0xFF000000;

struct TInterpreter::TImageState {
    bool Pattern = false;
    int64_t PatternId = 0;
    int Width = 0, Height = 0;
    int Depth = 1;        // bits a component (or an index)
    bool Indexed = false; // pixels are palette indices
    int Components = 1;   // components of a direct pixel: 1 grey, 3 RGB
    size_t RowBytes = 0;  // bytes of one row's pixels, without padding
    TMatrix ToPage, ToImage;
    bool Invertible = false;
    int Compression = -1; // of the blocks so far
    std::unique_ptr<TDeltaRowDecoder> Delta;
    std::string Jpeg;  // JPEG data gathered over the blocks
    int JpegStart = 0; // the first row it holds
    // What each pixel value paints, for images with few values (indices, grey levels).
    std::vector<uint32_t> Paints;
    uint32_t LastColour = 0xFFFFFFFF, LastPaint = kLeave;
    // The decoded rows waiting to be drawn, RowBytes each, from row ChunkStart. They stay as
    // they came: a page pixel takes its paint from the image pixel it samples when drawn.
    std::vector<uint8_t> Chunk;
    int ChunkStart = 0;
    int ChunkRows = 0;
    int NextRow = 0;
    // Bytes of decoded rows still allowed for this image.
    int64_t Budget = 0;
    // A pattern's colour sums.
    uint64_t Sum[3] = {0, 0, 0};
    uint64_t Pixels = 0;
};

} // namespace pg::xl
