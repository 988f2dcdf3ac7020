#pragma once
// The packages opened recently, newest first, as the File menu lists them. The list lives in
// the settings store under "RecentPackages", one path per line, so that every running program
// sees the same list.

#include <cstddef>
#include <string>
#include <vector>

namespace pg {

inline constexpr char kRecentPackagesSetting[] = "RecentPackages";
inline constexpr size_t kRecentPackageLimit = 8;

// The list with path in front: an entry already there moves up, the oldest beyond the limit
// goes.
std::vector<std::string> WithRecentPackage(std::vector<std::string> list, const std::string& path);

// The stored list (empty lines and entries beyond the limit dropped).
std::vector<std::string> RecentPackages();
// A package opened: it goes to the front of the stored list.
void RememberRecentPackage(const std::string& path);
// A package that is gone: its entry leaves the stored list.
void ForgetRecentPackage(const std::string& path);

} // namespace pg
