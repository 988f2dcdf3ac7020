#include "WorkFolder.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace pg {

namespace {

// The live work folders of the process, each with its "/" at the end. Conversions may run on
// several threads of a test or a tool, so the list is guarded.
std::mutex& LiveMutex() {
    static std::mutex m;
    return m;
}
std::vector<std::string>& LiveFolders() {
    static std::vector<std::string> folders;
    return folders;
}

// A folder (not a link to one) of ours that nobody else may enter or write to.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0 && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string HomeFolder(const TEnvLookup& env) {
    const std::string home = env("HOME");
    if (!home.empty())
        return home;
    const passwd* pw = ::getpwuid(::geteuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

// The cache folder's "pagellan/", made when missing; empty when it is not safe to use.
std::string PrivateCacheFolder(const TEnvLookup& env) {
    std::string cache = env("XDG_CACHE_HOME");
    if (cache.empty() || cache[0] != '/') {
        const std::string home = HomeFolder(env);
        if (home.empty() || home[0] != '/')
            return {};
        cache = IncludeSlash(home) + ".cache";
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(cache, ec)) {
        // The cache folder is created private, as the desktop's rules ask.
        std::filesystem::create_directories(cache, ec);
        ::chmod(cache.c_str(), 0700);
    }
    // A cache folder that others can write to would let them swap our folder inside it.
    struct stat st {};
    if (::stat(cache.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 022) != 0)
        return {};
    const std::string folder = IncludeSlash(cache) + "pagellan";
    ::mkdir(folder.c_str(), 0700);
    // Ours but open to others (made by hand, or by an earlier umask): closed again.
    struct stat own {};
    if (::lstat(folder.c_str(), &own) == 0 && S_ISDIR(own.st_mode) && own.st_uid == ::geteuid())
        ::chmod(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? folder + "/" : std::string();
}

// The runtime folder, else the cache folder's; empty when neither is safe to use.
std::string PrivateBase(const TEnvLookup& env) {
    const std::string runtime = env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/' && IsPrivateFolder(runtime))
        return IncludeSlash(runtime);
    return PrivateCacheFolder(env);
}

void Register(const std::string& path) {
    const std::lock_guard<std::mutex> lock(LiveMutex());
    LiveFolders().push_back(path);
}

void Unregister(const std::string& path) {
    const std::lock_guard<std::mutex> lock(LiveMutex());
    std::vector<std::string>& live = LiveFolders();
    live.erase(std::remove(live.begin(), live.end(), path), live.end());
}

} // namespace

std::string WorkFolderBaseFor(const TEnvLookup& env) {
    const std::string base = PrivateBase(env);
    return base.empty() ? DecideTempFolder(env) : base;
}

std::string WorkFolderBase() {
    const std::string base = PrivateBase(GetEnv);
    // Else the program's temporary folder, as decided once for the run.
    return base.empty() ? TempFolder() : base;
}

TWorkFolder::TWorkFolder(const std::string& prefix) {
    std::string pattern = WorkFolderBase() + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    path_ = pattern + "/";
    Register(path_);
}

TWorkFolder::~TWorkFolder() {
    Remove();
}

void TWorkFolder::Remove() {
    if (path_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    Unregister(path_);
    path_.clear();
}

bool InWorkFolder(const std::string& path) {
    const std::string p = NativePath(path);
    const std::lock_guard<std::mutex> lock(LiveMutex());
    for (const std::string& folder : LiveFolders())
        if (p.size() > folder.size() && p.compare(0, folder.size(), folder) == 0)
            return true;
    return false;
}

} // namespace pg
