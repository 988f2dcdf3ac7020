#pragma once
// SHA-256 (FIPS 180-4) of a byte string, for fingerprints of page data in CLI reports.

#include <string>
#include <string_view>

namespace pg::cli {

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

} // namespace pg::cli
