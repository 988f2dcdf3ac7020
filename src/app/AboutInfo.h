#pragma once
// What the About window and the Help menu show and open, without a window: the diagnostics
// memo, the desktop's default browser, the internet library's version and the address of the
// product-suggestion form.

#include <functional>
#include <string>
#include <vector>

namespace pg {

class TDocSet;

inline constexpr char kBuildDateText[] = "June 18, 2008";
inline constexpr char kInternetLibraryVersionError[] = "Error getting WinInet Version";

// "Version: " + version + three blanks + the build date.
std::string AboutVersionLabel();

// The facts of the diagnostics memo, gathered by the window.
struct TAboutFacts {
    std::string UserName;
    bool MultiUser = false;
    std::string UserSID;
    std::string GroupName;
    std::string DefaultPrinter;
    std::string PrintMode;
    const TDocSet* Set = nullptr;
    std::string SystemText;
    std::string BrowserText;
    std::string CurrentFolder;
    std::string TempFolder;
    std::string ProgramPath;
    std::vector<std::string> Arguments; // the command line after the program name
};

// The memo, one item per line.
std::vector<std::string> AboutMemoLines(const TAboutFacts& facts);

// Runs a shell command line and answers its standard output, or nothing when it could not run
// or failed.
using TCommandRunner = std::function<bool(const std::string& commandLine, std::string& output)>;
// Through the shell, without input and with the command's error output discarded.
bool RunCommandLine(const std::string& commandLine, std::string& output);

// The desktop's default browser: its name from its desktop entry and the version of the package
// that installed its program, as "Firefox ESR 115.6.0esr-1~deb12u1 (firefox-esr.desktop)". The
// entry is the one the desktop's mimeapps.list names (DefaultBrowserEntry); the version is asked
// of the package database (dpkg-query), never of the browser, which is not started. Empty when
// the desktop names no browser. It takes the package database a moment: the About window asks
// off its own thread.
std::string DesktopBrowserText(const TCommandRunner& run = RunCommandLine);
// The version of the installed package that holds the program (a name on the path, or a path,
// also the file a link leads to); empty when no package is known to hold it.
std::string InstalledPackageVersion(const std::string& program, const TCommandRunner& run = RunCommandLine);
// The desktop entry's name and program (the first word of Exec, after "env" and its
// assignments).
struct TDesktopEntry {
    std::string Name;
    std::string Program;
};
TDesktopEntry ParseDesktopEntry(const std::string& text);

// The internet library's version as major + "." + minor (libcurl).
std::string InternetLibraryVersionText();

// The query of the product-suggestion form: "product=pg", then the lender, the user name and
// the e-mail address of the command line, each lower-cased and form-encoded, when not empty.
std::string SuggestionQuery(const std::string& lenderName, const std::string& userName,
                            const std::string& email);

} // namespace pg
