#include "FormCRC.h"

#include <array>

namespace pg {

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

} // namespace

uint32_t ChecksumUpdate(uint32_t crc, std::string_view bytes) {
    for (unsigned char b : bytes)
        crc = kTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc;
}

int32_t StreamChecksum(std::string_view bytes, int32_t start) {
    return int32_t(ChecksumUpdate(uint32_t(start), bytes));
}

int32_t StreamChecksum(const THLWMemorystream& stream, int32_t start) {
    return StreamChecksum(stream.View(), start);
}

} // namespace pg
