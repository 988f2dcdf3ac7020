#include "RecentPackages.h"

#include "HLWRegistry.h"
#include "Strings.h"

#include <algorithm>
#include <filesystem>

namespace pg {

namespace {

void Store(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& path : list)
        text += path + '\n';
    Registry().WriteString(kRecentPackagesSetting, text);
}

} // namespace

std::vector<std::string> WithRecentPackage(std::vector<std::string> list, const std::string& path) {
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > kRecentPackageLimit)
        list.resize(kRecentPackageLimit);
    return list;
}

std::vector<std::string> RecentPackages() {
    std::vector<std::string> list;
    for (const std::string& line : Split(Registry().ReadString(kRecentPackagesSetting, ""), "\n"))
        if (!line.empty() && list.size() < kRecentPackageLimit &&
            std::find(list.begin(), list.end(), line) == list.end())
            list.push_back(line);
    return list;
}

void RememberRecentPackage(const std::string& path) {
    if (path.empty())
        return;
    // Stored absolute: a name relative to the folder the program was started in would name
    // another file, or none, in the next run.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    Store(WithRecentPackage(RecentPackages(), ec ? path : full.lexically_normal().string()));
}

void ForgetRecentPackage(const std::string& path) {
    std::vector<std::string> list = RecentPackages();
    std::erase(list, path);
    Store(list);
}

} // namespace pg
