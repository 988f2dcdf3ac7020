#pragma once
// The desktop program a command speaks about (file associations, the desktop shortcut, the
// update check): the one named by --program, else "pagellan" beside this program, as the two
// are installed side by side.

#include "Command.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pg::cli {

inline std::string DesktopProgram(const std::vector<std::string>& args) {
    const std::string given = OptionValue(args, "program", "");
    std::error_code ec;
    if (!given.empty())
        return std::filesystem::absolute(given, ec).lexically_normal().string();
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / "pagellan").string();
}

} // namespace pg::cli
