#pragma once
// A picture of two colours, one bit a pixel: how the page window keeps line art (a scanned page
// in G4), at a 24th of the memory of 24-bit colour.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pg {

// Bit value v shows Colours[v] (0x00BBGGRR). Rows
// run top to bottom, first pixel in the most significant bit, each padded to a multiple of four
// bytes (the layout of a one-bit QImage).
class TMonoImage {
public:
    TMonoImage() = default;
    // Every pixel of value 0.
    TMonoImage(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    size_t Stride() const { return stride_; }
    uint8_t* Row(int y) { return bits_.data() + size_t(y) * stride_; }
    const uint8_t* Row(int y) const { return bits_.data() + size_t(y) * stride_; }
    uint8_t* Data() { return bits_.data(); }
    const uint8_t* Data() const { return bits_.data(); }
    // The bit of (x, y); 0 outside.
    int Bit(int x, int y) const;
    // The colour at (x, y) as 0x00BBGGRR; white outside.
    uint32_t Pixel(int x, int y) const;
    // Whether the two colours are black and white.
    bool Monochrome() const;
    // Rows first to first + count - 1 in 24-bit colour (blue, green, red), width * 3 bytes a row.
    void ExpandRows(int first, int count, std::vector<uint8_t>& out) const;

    std::array<uint32_t, 2> Colours{0x00FFFFFF, 0};

private:
    int width_ = 0;
    int height_ = 0;
    size_t stride_ = 0;
    std::vector<uint8_t> bits_;
};

} // namespace pg
