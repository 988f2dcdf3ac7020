#include "Paths.h"

#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"
#include "WorkFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace pg {

namespace {

bool IsDelimiter(char c) {
    return c == '/' || c == ':' || c == '\\';
}

size_t LastDelimiter(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsDelimiter(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

std::string StripTrailingSlashes(std::string s) {
    while (!s.empty() && s.back() == PathDelim)
        s.pop_back();
    return s;
}

std::string ErrorText(int err) {
    return std::strerror(err);
}

std::string HomeFromPasswd() {
    const passwd* pw = getpwuid(geteuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

std::string& ApplicationNameStore() {
    static std::string name = "Pagellan";
    return name;
}

TKeyStateHook& KeyStateHook() {
    static TKeyStateHook hook;
    return hook;
}

bool KeyDown(TModifierKey key) {
    const TKeyStateHook& hook = KeyStateHook();
    return hook && hook(key);
}

// Creates the folder if needed and hands back its path.
std::string EnsureFolder(const std::string& folder) {
    if (!FolderExists(folder))
        ForceFolders(folder);
    return folder;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The permissions a newly created file gets from the process's umask.
mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The rule the kernel applies to opening through a link (protected_symlinks), which resolving
// the link ourselves would bypass: a link in a sticky folder that everybody may write to (a
// shared temporary folder) is followed only when it is ours or the folder owner's. Anybody can
// plant a link there, naming a file of ours to be overwritten.
bool MayFollowLink(const std::string& link) {
    struct stat linkStat {};
    struct stat folderStat {};
    const size_t slash = link.rfind(PathDelim);
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : link.substr(0, slash);
    if (::lstat(link.c_str(), &linkStat) != 0 || ::stat(folder.c_str(), &folderStat) != 0)
        return false;
    const bool shared = (folderStat.st_mode & S_ISVTX) && (folderStat.st_mode & S_IWOTH);
    return !shared || linkStat.st_uid == ::geteuid() || linkStat.st_uid == folderStat.st_uid;
}

// The atomic save; error receives the system's text on failure.
bool AtomicWrite(const std::string& path, std::string_view bytes, std::string& error) {
    std::string target = NativePath(path);
    // A work file is ours alone: nobody else sees it, and a link in its place is never followed.
    const bool workFile = InWorkFolder(target);
    // Saving through a link replaces the file it points to and keeps the link.
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        if (workFile || !MayFollowLink(target)) {
            error = "a link stands where " + target + " should be written; it is not followed";
            return false;
        }
        const fs::path real = fs::weakly_canonical(target, ec);
        if (!ec)
            target = real.string();
    }
    const size_t slash = target.rfind(PathDelim);
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    if (name.empty()) {
        error = ErrorText(EISDIR);
        return false;
    }
    // A short fixed prefix: a name derived from the target could exceed the name limit.
    std::string temp = folder + ".pg-save-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = ErrorText(errno);
        return false;
    }
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    ::fchmod(fd, workFile ? 0600 : replacing ? (old.st_mode & 07777) : NewFileMode());
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = ErrorText(err);
    }
    return ok;
}

int LeadingNumber(std::string_view s, size_t& pos) {
    int v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && v < 100000)
        v = v * 10 + (s[pos++] - '0');
    return v;
}

} // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = ErrorText(errno);
        return false;
    }
    // A read error (a folder opens like a file but cannot be read) surfaces as an exception of
    // the stream buffer, not as a state of the stream.
    errno = 0;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        bytes.clear();
        error = ErrorText(errno ? errno : EIO);
        return false;
    }
    if (in.bad()) {
        error = ErrorText(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::string GetEnv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

std::string NativePath(std::string_view path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\')
            c = PathDelim;
    return p;
}

// ---- folders ----

std::string DecideTempFolder(const TEnvLookup& env) {
    // An empty variable is not a folder: it would put temporary files into whatever the
    // current directory happens to be.
    for (const char* name : {"TEMP", "TMP", "TMPDIR"}) {
        const std::string value = env(name);
        if (value.empty())
            continue;
        const std::string folder = IncludeSlash(NativePath(value));
        if (CanWriteTo(folder))
            return folder;
    }
    return "/tmp/";
}

std::string TempFolder() {
    static const std::string folder = [] {
        DebugMsg("FileBox - Initialization GetWindowsTempDirectory");
        return DecideTempFolder(GetEnv);
    }();
    return folder;
}

std::string AppDataFolderFor(const TEnvLookup& env) {
    // The XDG rules: a relative XDG_DATA_HOME is invalid and ignored.
    std::string base = env("XDG_DATA_HOME");
    if (base.empty() || base[0] != PathDelim) {
        std::string home = env("HOME");
        if (home.empty())
            home = HomeFromPasswd();
        if (home.empty())
            home = TempFolder();
        base = IncludeSlash(home) + ".local/share";
    }
    return IncludeSlash(base) + "Harlowen Inc/";
}

std::string AppDataFolder() {
    return EnsureFolder(AppDataFolderFor(GetEnv));
}

std::string ProgramDataFolder() {
    return EnsureFolder(AppDataFolder() + ApplicationName() + "/");
}

void SetApplicationName(const std::string& name) {
    ApplicationNameStore() = name;
}

std::string ApplicationName() {
    return ApplicationNameStore();
}

bool ForceFolders(const std::string& path) {
    const std::string p = NativePath(path);
    if (p.empty())
        return false;
    if (FolderExists(p))
        return true;
    // Every level is tried even after one fails, but the user hears about it once.
    int firstError = 0;
    for (size_t i = 0; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != PathDelim)
            continue;
        const std::string level = p.substr(0, i < p.size() ? i + 1 : i);
        if (level.empty() || FolderExists(level))
            continue;
        if (::mkdir(level.c_str(), 0777) != 0 && !FolderExists(level) && firstError == 0)
            firstError = errno;
    }
    if (FolderExists(p))
        return true;
    ShowError(ErrorText(firstError ? firstError : ENOENT) + "\n" + "Unable to create folder: " + path);
    return false;
}

bool FolderExists(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return fs::is_directory(NativePath(path), ec);
}

bool FileExists(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    const fs::file_status st = fs::status(NativePath(path), ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool CanWriteTo(const std::string& folder) {
    // A probe with a unique name: a fixed name would overwrite a user's file of that name.
    const std::string f = NativePath(folder);
    std::string probe = (f.empty() ? f : IncludeSlash(f)) + "pg-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    const bool exists = FileExists(probe);
    ::unlink(probe.c_str());
    return exists;
}

// ---- paths ----

namespace {

std::string JoinPath(const std::string& base, const std::string& rest, bool baseAbsolute) {
    const std::string b = StripTrailingSlashes(base);
    if (b.empty())
        return baseAbsolute ? PathDelim + rest : rest;
    return b + PathDelim + rest;
}

void WarnMissing(const std::string& result) {
    if (!result.empty() && result.back() == PathDelim) {
        if (!FolderExists(result))
            ShowWarning("CAUTION: Directory " + result + " not found");
    } else if (!FileExists(result)) {
        ShowWarning("CAUTION: File " + result + " not found");
    }
}

// One message for the whole path rather than one per component.
void WarnNon83(const std::string& result) {
    const std::vector<std::string> parts = Split(result, std::string(1, PathDelim));
    std::string lines;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& c = parts[i];
        const size_t dot = c.find('.');
        const size_t nameLength = dot == std::string::npos ? c.size() : dot;
        const size_t extLength = dot == std::string::npos ? 0 : c.size() - dot - 1;
        if (nameLength > 8 || extLength >= 4)
            lines += (lines.empty() ? "" : "\n") + c + " is not a legal DOS (8.3) filename. Errors may occur";
    }
    if (!lines.empty())
        ShowWarning(lines);
}

} // namespace

std::string ResolvePath(const std::string& base, const std::string& path, bool check83, bool checkExistence) {
    const std::string b = NativePath(base);
    std::string p = NativePath(path);
    const bool baseAbsolute = !b.empty() && b[0] == PathDelim;
    std::string result;
    if ((!p.empty() && p[0] == PathDelim) || (p.size() >= 3 && p[1] == ':' && p[2] == PathDelim)) {
        result = p;
    } else if (p.starts_with("../")) {
        std::string up = StripTrailingSlashes(b);
        while (p.starts_with("../")) {
            p.erase(0, 3);
            const size_t slash = up.rfind(PathDelim);
            up = slash == std::string::npos ? "" : up.substr(0, slash);
        }
        result = JoinPath(up, p, baseAbsolute);
    } else {
        result = JoinPath(b, p, baseAbsolute);
    }
    if (checkExistence)
        WarnMissing(result);
    if (check83)
        WarnNon83(result);
    return result;
}

bool ClearReadOnly(const std::string& file, bool ask) {
    const std::string p = NativePath(file);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0 || (st.st_mode & S_IWUSR))
        return false;
    if (!ask)
        return true;
    if (AskYesNo(file + " is marked as Read-Only.  Reset it so you can save modifications?") !=
        PromptAnswer::Yes)
        return true;
    ::chmod(p.c_str(), (st.st_mode & 07777) | S_IWUSR);
    return ::stat(p.c_str(), &st) != 0 || !(st.st_mode & S_IWUSR);
}

// ---- text helpers ----

std::string FileNamePart(std::string_view path) {
    const size_t k = LastDelimiter(path);
    const std::string_view name = k == std::string_view::npos ? path : path.substr(k + 1);
    return std::string(name.substr(0, 64));
}

std::string FolderPart(std::string_view path) {
    if (path.size() <= 1)
        return std::string(path);
    const size_t k = LastDelimiter(path);
    if (k == std::string_view::npos)
        return "";
    // A root keeps its separator: "/" and "C:\".
    const bool root = path[k] != ':' && (k == 0 || (k == 2 && path[1] == ':'));
    return std::string(path.substr(0, root ? k + 1 : k));
}

std::string ExtensionPart(std::string_view path) {
    const size_t k = LastDelimiter(path);
    const std::string_view name = k == std::string_view::npos ? path : path.substr(k + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1, 3));
}

std::string ForceExtension(std::string_view path, std::string_view ext) {
    const size_t k = LastDelimiter(path);
    const size_t dot = path.rfind('.');
    // Only a "." in the file name counts: taking one in a folder name ("/home/ann/loans.2024/PKG")
    // would cut the path there and name a file in another folder ("/home/ann/loans.TSN").
    if (dot != std::string_view::npos && (k == std::string_view::npos || dot > k))
        return std::string(path.substr(0, dot + 1)) + std::string(ext);
    return std::string(path) + "." + std::string(ext);
}

std::string IncludeSlash(std::string_view path) {
    if (path.empty() || path.back() == '/' || path.back() == '\\')
        return std::string(path);
    return std::string(path) + PathDelim;
}

// ---- files ----

bool CopyFile(const std::string& source, const std::string& destination) {
    if (UpperCase(Trim(source)) == UpperCase(Trim(destination)))
        return false;
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(NativePath(source), bytes, error)) {
        ShowError("Cannot open file \"" + source + "\". " + error);
        return false;
    }
    // Written aside and renamed: a failed copy never leaves a half-written destination.
    if (!AtomicWrite(destination, bytes, error)) {
        ShowError("Cannot create file \"" + destination + "\". " + error);
        return false;
    }
    CopyFileDate(source, destination);
    return true;
}

bool CopyFileDate(const std::string& source, const std::string& destination) {
    struct stat st {};
    if (::stat(NativePath(source).c_str(), &st) != 0)
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    return ::utimensat(AT_FDCWD, NativePath(destination).c_str(), times, 0) == 0;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*")
        mask = "*";
    size_t n = 0, m = 0;
    size_t star = std::string_view::npos, resume = 0;
    auto same = [](char a, char b) {
        return UpperCase(std::string_view(&a, 1)) == UpperCase(std::string_view(&b, 1));
    };
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && (mask[m] == '?' || same(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

int DeleteFiles(const std::string& mask) {
    const std::string m = NativePath(mask);
    const size_t slash = m.rfind(PathDelim);
    const std::string folder = slash == std::string::npos ? "." : m.substr(0, slash + 1);
    const std::string pattern = m.substr(slash == std::string::npos ? 0 : slash + 1);
    std::error_code ec;
    int deleted = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        std::error_code entryError;
        if (e.is_directory(entryError) || !MatchesMask(e.path().filename().string(), pattern))
            continue;
        if (fs::remove(e.path(), entryError))
            ++deleted;
    }
    return deleted;
}

int64_t FileSizeOf(const std::string& file) {
    struct stat st {};
    if (::stat(NativePath(file).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return st.st_size;
}

bool WriteTextFile(std::string_view text, const std::string& file, bool append) {
    const std::string p = NativePath(file);
    if (!append || !FileExists(p))
        return AtomicWriteFile(p, text);
    FILE* f = std::fopen(p.c_str(), "ab");
    if (!f)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0) && written;
}

bool AtomicWriteFile(const std::string& path, std::string_view bytes) {
    std::string error;
    return AtomicWrite(path, bytes, error);
}

bool AtomicWriteFile(const std::string& path, std::string_view bytes, std::string& error) {
    return AtomicWrite(path, bytes, error);
}

// ---- system and user ----

// The version compiled into every program and plug-in that links these helpers, found in the
// file by the update check without running it (see the web subsystem's ReadFileVersion).
extern const char kPagellanVersionStamp[];
[[gnu::used]] const char kPagellanVersionStamp[] = "\x01PagellanFileVersion=" PAGELLAN_PROGRAM_VERSION;

std::string FileVersionText(const std::string& file) {
    std::error_code ec;
    if (!file.empty() && fs::equivalent(NativePath(file), "/proc/self/exe", ec) && !ec)
        return PAGELLAN_PROGRAM_VERSION;
    return "";
}

std::string SystemVersionText(std::string_view sysname, std::string_view release) {
    size_t pos = 0;
    const int major = LeadingNumber(release, pos);
    int minor = 0;
    if (pos < release.size() && release[pos] == '.') {
        ++pos;
        minor = LeadingNumber(release, pos);
    }
    return std::string(sysname) + " " + IntToStr(major) + "." + IntToStr(minor);
}

std::string WindowsVersionText() {
    static const std::string text = [] {
        utsname u{};
        if (::uname(&u) != 0)
            return std::string();
        return SystemVersionText(u.sysname, u.release);
    }();
    return text;
}

bool IsNtSixOrLater() {
    return true;
}

std::string UserName() {
    std::string name;
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        name = pw->pw_name;
    if (name.empty())
        name = GetEnv("USER");
    if (name.empty())
        name = GetEnv("LOGNAME");
    return name.substr(0, 1023);
}

std::string ComputerName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return "";
    // The short host name, the way the network knows the machine.
    std::string name(buf);
    name = name.substr(0, name.find('.'));
    return name.substr(0, 15);
}

std::string BrowserVersionText() {
    return "";
}

std::string FormEncode(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ')
            out += '+';
        else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            out += ch;
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// ---- keyboard ----

TKeyStateHook SetKeyStateHook(TKeyStateHook hook) {
    return std::exchange(KeyStateHook(), std::move(hook));
}
bool CtrlDown() {
    return KeyDown(TModifierKey::Ctrl);
}
bool AltDown() {
    return KeyDown(TModifierKey::Alt);
}
bool ShiftDown() {
    return KeyDown(TModifierKey::Shift);
}

} // namespace pg
