#pragma once
// Text helpers the tests share.

#include <cstddef>
#include <string_view>

namespace pg::test {

// How often part occurs in text, overlapping occurrences included.
inline size_t CountOf(std::string_view text, std::string_view part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace pg::test
