#pragma once
// Addresses as messages and logs show them.

#include <string>
#include <string_view>

namespace pg {

// The address without the "user:password@" part a user may have written into it (both with a
// scheme, "https://user:pw@host/x", and without, "user:pw@proxy:8080"): credentials never reach
// the screen or a log. Everything else stays as it is.
std::string AddressForDisplay(std::string_view address);

} // namespace pg
