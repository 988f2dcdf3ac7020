#pragma once
// The checksum of form data and of the tracking history: the reflected CRC-32 (table EDB88320,
// least significant bit first) started from a given value and without a final exclusive-or,
// read as a signed 32-bit number. "abc" started from 0 gives -899311408.

#include "HLWStream.h"

#include <cstdint>
#include <string_view>

namespace pg {

// Continues a running checksum over more bytes; chaining pieces equals one pass over all.
uint32_t ChecksumUpdate(uint32_t crc, std::string_view bytes);

int32_t StreamChecksum(std::string_view bytes, int32_t start);
// Over the whole content of the stream, whatever its position.
int32_t StreamChecksum(const THLWMemorystream& stream, int32_t start);

} // namespace pg
