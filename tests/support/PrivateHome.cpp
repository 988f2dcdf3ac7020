// Linked into every test program: before anything else runs, the home folder and the XDG
// folders point into the build folder, so no test reads or writes the user's own settings,
// history or desktop files.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const bool kPrivateHome = [] {
    const std::filesystem::path home = PAGELLAN_TEST_HOME;
    const std::pair<const char*, std::filesystem::path> folders[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home / "config"},
        {"XDG_DATA_HOME", home / "data"},
        {"XDG_CACHE_HOME", home / "cache"},
    };
    for (const auto& [name, path] : folders) {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        ::setenv(name, path.c_str(), 1);
    }
    return true;
}();

} // namespace
