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
    bool SocketsAvailable = true;
    std::vector<std::string> Arguments; // the command line after the program name
};

// The memo, one item per line.
std::vector<std::string> AboutMemoLines(const TAboutFacts& facts);

// Runs a shell command line and answers its standard output, or nothing when it could not run
// or failed.
using TCommandRunner = std::function<bool(const std::string& commandLine, std::string& output)>;
// Through the shell, without input and with the command's error output discarded.
bool RunCommandLine(const std::string& commandLine, std::string& output);

// The desktop's default browser: its name from its desktop entry and its version, as
// "Firefox ESR 115.6.0esr (firefox-esr.desktop)". The entry is the one `xdg-settings get
// default-web-browser` names, looked up in the XDG application folders; the version is the
// first version-like word the entry's program prints for "--version". Empty when the desktop
// names no browser.
std::string DesktopBrowserText(const TCommandRunner& run = RunCommandLine);
// The pieces: the desktop entry's name and program (the first word of Exec, after "env" and
// its assignments), and the version word of a "--version" output.
struct TDesktopEntry {
    std::string Name;
    std::string Program;
};
TDesktopEntry ParseDesktopEntry(const std::string& text);
std::string VersionWord(const std::string& output);
// The file of a desktop entry id in XDG_DATA_HOME and XDG_DATA_DIRS; empty when none.
std::string FindDesktopEntry(const std::string& id);

// The internet library's version as major + "." + minor (libcurl).
std::string InternetLibraryVersionText();

// The query of the product-suggestion form: "product=pg", then the lender, the user name and
// the e-mail address of the command line, each lower-cased and form-encoded, when not empty.
std::string SuggestionQuery(const std::string& lenderName, const std::string& userName,
                            const std::string& email);

} // namespace pg
