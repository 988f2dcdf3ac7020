#include "DialogFolder.h"

#include "HLWRegistry.h"
#include "Paths.h"

#include <filesystem>
#include <system_error>

namespace pg {

namespace {

namespace fs = std::filesystem;

// The folder as one name for comparing: absolute, without "." and "..", links followed.
fs::path Normal(const std::string& folder) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    if (error)
        return {};
    const fs::path normal = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : normal;
}

} // namespace

std::string DialogStartFolder(const TDialogFolderFacts& facts) {
    const fs::path program = facts.ProgramFolder.empty() ? fs::path() : Normal(facts.ProgramFolder);
    const std::string packageFolder =
        facts.PackageFile.empty() ? std::string() : fs::path(facts.PackageFile).parent_path().string();
    for (const std::string& candidate :
         {facts.PackageFile.empty() ? std::string()
                                    : (packageFolder.empty() ? std::string(".") : packageFolder),
          facts.LastFolder, facts.DocumentsFolder, facts.HomeFolder}) {
        if (candidate.empty() || !FolderExists(candidate))
            continue;
        const fs::path folder = Normal(candidate);
        if (folder.empty() || (!program.empty() && folder == program))
            continue;
        return folder.string();
    }
    return {};
}

std::string LastDialogFolder() {
    return Registry().ReadString(kLastFolderSetting, "");
}

void RememberDialogFolder(const std::string& chosenFile) {
    const std::string folder = Normal(fs::path(chosenFile).parent_path().string()).string();
    if (!folder.empty())
        Registry().WriteString(kLastFolderSetting, folder);
}

} // namespace pg
