#pragma once
// Fetching and unpacking an update: the decided files are downloaded into the update folder,
// checked against the digest the version list gives for them, and the ZIP archives among them
// are unpacked into the folder's "TMP" sub-folder, from where the installer copies them.

#include "Updates.h"

#include <string>
#include <vector>

namespace pg {

class THLWWebCopy;
class THLWWebCopyItem;

// The SHA-256 of the file as 64 lower-case hexadecimal digits; empty when it cannot be read.
std::string FileSha256(const std::string& path);

// True when expected is empty (the list gave no digest) or equals the file's SHA-256 (letter
// case ignored). Otherwise the file is deleted, so that nothing unverified gets installed, and
// error names the file.
bool VerifyDownload(const std::string& path, const std::string& expected, std::string& error);

struct TUpdateFiles {
    std::vector<std::string> Downloaded; // paths in the update folder, in download order
    std::vector<std::string> Extracted;  // paths in its "TMP" sub-folder
    std::string Error;                   // the first failure; empty when all arrived intact
};

// Whether an update file may be fetched from address: over https (whose peer is verified), or
// from the scheme, host and port the version list itself came from.
bool TrustedUpdateAddress(const std::string& address, const std::string& listURL);

// Holds the item's redirects to the same rule: a download of the version list, an update or a
// plug-in that a server sends on to an address TrustedUpdateAddress refuses fails, naming it.
void KeepRedirectsTrusted(THLWWebCopyItem& item, const std::string& listURL);

// Downloads every file of the decision into folder (with a separator at the end) through copy,
// whose events stay the caller's; names come from the addresses and never leave the folder.
// A full update first removes the archives of earlier runs. Nothing is fetched when an address
// is not trusted; a failed, cancelled or mismatching download leaves Error set and unpacks
// nothing; otherwise the archives are unpacked.
TUpdateFiles DownloadUpdates(THLWWebCopy& copy, const TUpdateDecision& decision, const std::string& listURL,
                             const std::string& folder);

// For every "*.zip" in folder: its first entry that is not a folder, written into folder +
// "TMP/" under the entry's own file name (folders in the entry name are dropped; names that
// would not be a plain file name are skipped). Answers the written paths.
std::vector<std::string> ExtractUpdateArchives(const std::string& folder, std::string& error);

// What the installer needs to know: folders with a separator at the end.
struct TInstallPlan {
    std::string UpdateFolder;             // where the downloads and "TMP" are
    std::string AppDataFolder;            // where the helper programs live
    std::string Executable;               // the program to replace, patch and restart
    std::string ReopenFile;               // the package to reopen after the restart; may be empty
    std::vector<std::string> FurtherArgs; // given to the restarted program after it
    bool FullUpdate = false, PatchUpdate = false, PluginUpdate = false;
};

// The path in single quotes for the POSIX shell: nothing in it (blanks, quotes, "$") is
// interpreted.
std::string ShellQuote(const std::string& path);

// The installer script "_I.sh": copies fresh helpers, waits for the program to end, copies the
// plug-ins, runs "DoUpdate.sh" when present, replaces or patches the program, restarts it with
// "/UPDATE=SUCCESS" or "/UPDATE=FAIL", and removes the update's files and itself.
std::string InstallerScript(const TInstallPlan& plan);

// Writes the script into the update folder and starts it in a session of its own, so that it
// outlives the program; false with the reason in error.
bool StartInstaller(const TInstallPlan& plan, std::string& error);

} // namespace pg
