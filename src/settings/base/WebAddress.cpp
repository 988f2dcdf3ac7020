#include "WebAddress.h"

namespace pg {

std::string AddressForDisplay(std::string_view address) {
    std::string text(address);
    const size_t scheme = text.find("://");
    const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t end = text.find_first_of("/?#", start);
    const size_t at = text.rfind('@', end == std::string::npos ? std::string::npos : end - 1);
    if (at != std::string::npos && at >= start && (end == std::string::npos || at < end))
        text.erase(start, at + 1 - start);
    return text;
}

} // namespace pg
