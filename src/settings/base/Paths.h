#pragma once
// Folders, paths and small file services that the rest of the program leans on: the temporary
// folder, the per-user data folders, path resolution, copy/delete/write helpers, the read-only
// check before a save, system and user information, and the atomic save every writer uses.
//
// Paths read from packages and settings may use "\" or "/" as separators; every function here
// that takes a path accepts both. Paths this unit builds use "/" and folders it returns always
// end with "/".

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pg {

inline constexpr char PathDelim = '/';

// Looks up an environment variable; an unset variable gives the empty text.
using TEnvLookup = std::function<std::string(const std::string& name)>;
// The process environment.
std::string GetEnv(const std::string& name);

// The temporary folder: decided on first use and then kept for the run.
std::string TempFolder();
// The decision behind TempFolder: TEMP when it can be written to, else TMP, else TMPDIR, else
// "/tmp/". Exposed so it can be checked with any environment.
std::string DecideTempFolder(const TEnvLookup& env);

// "Harlowen Inc" under the XDG data home; created when missing.
std::string AppDataFolder();
// The same folder for the given environment, without creating it.
std::string AppDataFolderFor(const TEnvLookup& env);
// AppDataFolder + the application's name; created when missing.
std::string ProgramDataFolder();
void SetApplicationName(const std::string& name);
std::string ApplicationName(); // "Pagellan" unless set otherwise

// Creates the folder and every missing folder above it. A failure is reported once through
// the prompt seam; the answer is whether the folder exists afterwards.
bool ForceFolders(const std::string& path);
bool FolderExists(const std::string& path);
bool FileExists(const std::string& path); // an existing entry that is not a folder
// Whether a new file can be created in the folder (tried with a uniquely named probe file).
bool CanWriteTo(const std::string& folder);

// Resolves path against the base folder (absolute paths are taken as they are; leading "..\"
// or "../" move the base up). check83 warns about components that are not DOS 8.3 names;
// checkExistence warns when the file or folder is missing. Warnings go through the prompt seam.
std::string ResolvePath(const std::string& base, const std::string& path, bool check83, bool checkExistence);
// The path with every "\" turned into the platform separator.
std::string NativePath(std::string_view path);

// True when the file is (still) read-only after the call. With ask, the user is asked whether
// to make it writable. A missing file is not read-only.
bool ClearReadOnly(const std::string& file, bool ask);

// Text helpers; delimiters are "/", ":" and "\".
std::string FileNamePart(std::string_view path); // at most 64 characters
std::string FolderPart(std::string_view path);
// The up to 3 characters after the file name's last "."; a "." in a folder name is no extension.
std::string ExtensionPart(std::string_view path);
// Everything after the file name's last "." replaced by ext, or "." and ext appended when the
// file name has none. ext is taken as it stands: "pdf", not ".pdf".
std::string ForceExtension(std::string_view path, std::string_view ext);
std::string IncludeSlash(std::string_view path);

// Copies the bytes and the file date. Names equal without regard to case and surrounding
// blanks copy nothing and answer false. Errors are shown and answer false.
bool CopyFile(const std::string& source, const std::string& destination);
bool CopyFileDate(const std::string& source, const std::string& destination);
// Deletes every file in the mask's folder whose name matches the mask's name part (wildcards
// "*" and "?", letter case ignored); answers how many files were deleted.
int DeleteFiles(const std::string& mask);
bool MatchesMask(std::string_view name, std::string_view mask);
// The size in bytes, or -1 when the file cannot be examined.
int64_t FileSizeOf(const std::string& file);
// Reads the whole file into bytes; false with the system's reason in error when it cannot be
// opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);
// Writes (or with append, adds) the bytes; false on an I/O error.
bool WriteTextFile(std::string_view text, const std::string& file, bool append);
// Writes the bytes to a temporary file in the target's folder and renames it over the target.
// On failure the old file is untouched, the temporary file is removed and the answer is false.
// A target that is a link is written through (the link stays), except where following it could
// be someone else's doing: a link in a work folder (WorkFolder.h) or one planted by another user
// in a shared sticky folder such as /tmp is refused. Files in a work folder get mode 0600.
bool AtomicWriteFile(const std::string& path, std::string_view bytes);
// The same; error receives the system's reason on failure.
bool AtomicWriteFile(const std::string& path, std::string_view bytes, std::string& error);

// The program's own version for the running executable; empty for any other file.
std::string FileVersionText(const std::string& file);
// The system's name and version, for example "Linux 6.1"; read once per run.
std::string WindowsVersionText();
// The same text built from uname's system name and release.
std::string SystemVersionText(std::string_view sysname, std::string_view release);
// True: every system this build runs on has the behaviour of the newer Windows generation.
bool IsNtSixOrLater();
std::string UserName();
std::string ComputerName();       // at most 15 characters
std::string BrowserVersionText(); // no embedded browser version to report: empty

// Form-style URL encoding: blank -> "+", letters, digits and "_" kept, every other byte "%XX".
std::string FormEncode(std::string_view text);

// Modifier keys. Core has no keyboard: the GUI installs a hook; without one nothing is down.
enum class TModifierKey { Ctrl, Alt, Shift };
using TKeyStateHook = std::function<bool(TModifierKey)>;
// Installs the hook and returns the previous one (an empty hook means "not pressed").
TKeyStateHook SetKeyStateHook(TKeyStateHook hook);
bool CtrlDown();
bool AltDown();
bool ShiftDown();

} // namespace pg
