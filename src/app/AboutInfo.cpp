#include "AboutInfo.h"

#include "DocSet.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Process.h"
#include "Strings.h"

#include <curl/curl.h>

#include <cctype>
#include <sstream>
#include <utility>

namespace pg {

namespace {

std::string TrueFalse(bool value) {
    return value ? "True" : "False";
}

// A word for a POSIX shell, single-quoted.
std::string ShellQuote(const std::string& word) {
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// The words of an Exec line: blanks separate them; a double-quoted word may hold blanks, and a
// backslash inside quotes takes the next character literally.
std::vector<std::string> ExecWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size())
                word += text[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

} // namespace

std::string AboutVersionLabel() {
    return "Version: " + ProgramVersion() + "   " + kBuildDateText;
}

std::vector<std::string> AboutMemoLines(const TAboutFacts& f) {
    std::vector<std::string> lines;
    lines.push_back("User Name: " + f.UserName);
    if (f.MultiUser) {
        lines.push_back("User SID: " + f.UserSID);
        lines.push_back("Group Name: " + f.GroupName);
    }
    lines.push_back("Pagellan version: " + ProgramVersion() + "  " + kBuildDateText);
    lines.push_back("Default Printer: " + f.DefaultPrinter);
    lines.push_back("Print mode: " + f.PrintMode);
    if (const TDocSet* s = f.Set) {
        lines.push_back("Worksheet : " + s->WorksheetNumber);
        lines.push_back("Plan code : " + s->PlanCode);
        lines.push_back("Reordered : " + TrueFalse(s->Reordered));
        lines.push_back("Using embedded Order: " + TrueFalse(s->UsingEmbeddedOrder));
        lines.push_back("Lender# : " + s->LenderNumber);
        lines.push_back("File: " + s->FileName);
        lines.push_back("Can annotate: " + TrueFalse(s->CanAnnotate));
        lines.push_back("Locked: " + TrueFalse(s->Locked));
        lines.push_back("Has errors: " + TrueFalse(s->HasErrors()));
        lines.push_back("Total page count: " + std::to_string(s->TotalPageCount()));
    }
    lines.push_back("OS: " + f.SystemText);
    lines.push_back("Internet Explorer Ver: " + f.BrowserText);
    lines.push_back("Document Directory : " + f.CurrentFolder);
    lines.push_back("Temp directory: " + f.TempFolder);
    lines.push_back("Program running   : " + f.ProgramPath);
    lines.push_back(f.SocketsAvailable ? "Winsock installed" : "Winsock NOT installed");
    lines.push_back("Command line parameter(s):");
    for (size_t i = 0; i < f.Arguments.size(); ++i)
        lines.push_back("  (" + std::to_string(i + 1) + ") = " + f.Arguments[i]);
    return lines;
}

bool RunCommandLine(const std::string& commandLine, std::string& output) {
    TProcessOptions options;
    options.NoInput = true;
    options.Output = TProcessStream::Capture;
    options.Errors = TProcessStream::Discard;
    TProcessResult run = RunProcess({"/bin/sh", "-c", commandLine}, options);
    output = std::move(run.Output);
    return run.Succeeded();
}

TDesktopEntry ParseDesktopEntry(const std::string& text) {
    TDesktopEntry entry;
    bool inMain = false;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain)
            continue;
        // Localised keys ("Name[de]") are left to the desktop; the plain key is the fallback.
        if (line.starts_with("Name=") && entry.Name.empty())
            entry.Name = Trim(line.substr(5));
        else if (line.starts_with("Exec=") && entry.Program.empty()) {
            const std::vector<std::string> words = ExecWords(line.substr(5));
            size_t i = 0;
            if (i < words.size() && words[i] == "env")
                for (++i; i < words.size() && words[i].find('=') != std::string::npos;)
                    ++i;
            if (i < words.size())
                entry.Program = words[i];
        }
    }
    return entry;
}

std::string VersionWord(const std::string& output) {
    for (const std::string& word : Words(output))
        if (std::isdigit(static_cast<unsigned char>(word.front())) && word.find('.') != std::string::npos)
            return word;
    return {};
}

std::string FindDesktopEntry(const std::string& id) {
    std::string home = GetEnv("XDG_DATA_HOME");
    if (home.empty())
        home = GetEnv("HOME") + "/.local/share";
    std::string dirs = GetEnv("XDG_DATA_DIRS");
    if (dirs.empty())
        dirs = "/usr/local/share:/usr/share";
    std::vector<std::string> folders{home};
    std::istringstream in(dirs);
    for (std::string dir; std::getline(in, dir, ':');)
        if (!dir.empty())
            folders.push_back(dir);
    for (const std::string& folder : folders) {
        const std::string path = IncludeSlash(folder) + "applications/" + id;
        if (FileExists(path))
            return path;
    }
    return {};
}

std::string DesktopBrowserText(const TCommandRunner& run) {
    std::string id;
    if (!run("xdg-settings get default-web-browser", id))
        return {};
    id = Trim(id);
    // Only a plain entry id is looked up: it becomes part of a path.
    if (id.empty() || id.find('/') != std::string::npos || !id.ends_with(".desktop"))
        return {};
    const std::string file = FindDesktopEntry(id);
    std::string text;
    std::string error;
    if (file.empty() || !ReadFileBytes(file, text, error))
        return id;
    const TDesktopEntry entry = ParseDesktopEntry(text);
    std::string version;
    std::string output;
    // A browser that does not know "--version" may open a window instead: it is given a moment.
    if (!entry.Program.empty() && run("timeout 5 " + ShellQuote(entry.Program) + " --version", output))
        version = VersionWord(output);
    std::string result = entry.Name.empty() ? id : entry.Name;
    if (!version.empty())
        result += " " + version;
    return entry.Name.empty() ? result : result + " (" + id + ")";
}

std::string InternetLibraryVersionText() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info == nullptr)
        return kInternetLibraryVersionError;
    const unsigned v = info->version_num;
    return std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF);
}

std::string SuggestionQuery(const std::string& lenderName, const std::string& userName,
                            const std::string& email) {
    std::string query = "product=pg";
    if (!lenderName.empty())
        query += "&customer_num=" + FormEncode(LowerCase(lenderName));
    if (!userName.empty())
        query += "&name=" + FormEncode(LowerCase(userName));
    if (!email.empty())
        query += "&email=" + FormEncode(LowerCase(email));
    return query;
}

} // namespace pg
