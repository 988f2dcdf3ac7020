#include "AboutInfo.h"

#include "DocSet.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Process.h"
#include "Programs.h"
#include "Strings.h"
#include "SystemProxy.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
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
    lines.push_back("Web browser Ver: " + f.BrowserText);
    lines.push_back("Document Directory : " + f.CurrentFolder);
    lines.push_back("Temp directory: " + f.TempFolder);
    lines.push_back("Program running   : " + f.ProgramPath);
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

std::string InstalledPackageVersion(const std::string& program, const TCommandRunner& run) {
    std::vector<std::string> paths;
    const std::string found = program.find('/') == std::string::npos ? FindOnPath(program) : program;
    if (found.empty())
        return {};
    paths.push_back(found);
    // A program reached through a link (the alternatives system) belongs to the package of the file
    // it leads to.
    std::error_code ec;
    const std::string real = std::filesystem::canonical(found, ec).string();
    if (!ec && real != found)
        paths.push_back(real);
    for (const std::string& path : paths) {
        std::string owners;
        if (!run("dpkg-query -S " + ShellQuote(path), owners))
            continue;
        std::istringstream in(owners);
        for (std::string line; std::getline(in, line);) {
            // "package[, package]: path"; diversion lines say which package diverted the file.
            const size_t colon = line.find(": ");
            if (colon == std::string::npos || line.starts_with("diversion "))
                continue;
            const std::string package = Trim(line.substr(0, std::min(colon, line.find(','))));
            std::string version;
            if (!package.empty() && run("dpkg-query -W -f='${Version}' " + ShellQuote(package), version) &&
                !Trim(version).empty())
                return Trim(version);
        }
    }
    return {};
}

std::string DesktopBrowserText(const TCommandRunner& run) {
    const std::string id = DefaultBrowserEntry();
    if (id.empty())
        return {};
    const std::string file = FindDesktopEntry(id);
    std::string text;
    std::string error;
    if (file.empty() || !ReadFileBytes(file, text, error))
        return id;
    const TDesktopEntry entry = ParseDesktopEntry(text);
    const std::string version =
        entry.Program.empty() ? std::string() : InstalledPackageVersion(entry.Program, run);
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
