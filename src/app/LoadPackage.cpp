#include "LoadPackage.h"

#include "PackageFile.h"
#include "Paths.h"
#include "Quodex.h"
#include "Strings.h"
#include "Tesselon.h"

namespace pg {

TLoadOutcome ReadDocSet(const THLWMemorystream& stream, std::string& currentFile) {
    TLoadOutcome outcome;
    if (stream.Size() <= 1)
        return outcome;
    // The name keeps its own spelling when it already ends in "tsn": on a file system that tells
    // letter cases apart, "x.TSN" would be another file.
    const TContainerKind kind = ContainerFor(currentFile, stream.View());
    if (stream.View().front() == '\x1b' && !SameText(ExtensionPart(currentFile), "TSN"))
        currentFile = ForceExtension(currentFile, "TSN");
    if (kind == TContainerKind::Quodex) {
        auto set = std::make_unique<TQuodex>();
        set->LoadFromStream(stream);
        outcome.Set = std::move(set);
        return outcome;
    }
    try {
        auto set = std::make_unique<TTesselon>();
        set->LoadFromStream(stream);
        set->ReadFormList();
        outcome.Set = std::move(set);
    } catch (const TTesselonFormatError&) {
        outcome.ShowAsPlainFile = true;
    }
    return outcome;
}

void PrepareDocSet(TDocSet& set, const std::string& userEmail, const std::string& orderFile,
                   const std::string& currentFile) {
    set.UserEmail = userEmail;
    if (set.StackingOrder.empty() && !orderFile.empty() && FileExists(orderFile)) {
        THLWMemorystream lines;
        if (lines.LoadFromFile(orderFile))
            set.StackingOrder = SplitLines(lines.View());
    }
    if (!set.PlanCode.empty())
        set.ReorderForms();
    set.FileName = currentFile;
}

namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// Resolves leading "..\" against the program folder: the first one goes up a folder, further
// ones are dropped.
std::string ResolveFromProgramFolder(std::string path, std::string folder) {
    while (!folder.empty() && IsSlash(folder.back()))
        folder.pop_back();
    bool first = true;
    while (path.size() >= 3 && path[0] == '.' && path[1] == '.' && IsSlash(path[2])) {
        path.erase(0, 3);
        if (first) {
            const size_t cut = folder.find_last_of("\\/");
            folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
            first = false;
        }
    }
    return folder + path;
}

} // namespace

std::string PlanCodeOrderFile(const std::string& fillDir, const std::string& programFolder,
                              const std::string& historyDir) {
    const size_t cut = fillDir.find_last_of("\\/");
    std::string path =
        (cut == std::string::npos ? std::string() : fillDir.substr(0, cut + 1)) + "PLANCODE.ORD";
    if (path.find("..\\") != std::string::npos || path.find("../") != std::string::npos)
        path = ResolveFromProgramFolder(path, programFolder);
    path = NativePath(path);
    if (UpperCase(path).find("LENDER") != std::string::npos && FolderExists(FolderPart(path)))
        return path;
    ForceFolders(historyDir);
    return IncludeSlash(NativePath(historyDir)) + "PLANCODE.ORD";
}

} // namespace pg
