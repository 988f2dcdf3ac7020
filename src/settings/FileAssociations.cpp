#include "FileAssociations.h"

#include "PackageExtensions.h"
#include "Paths.h"
#include "Programs.h"
#include "Prompt.h"
#include "Strings.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pg {

namespace fs = std::filesystem;

namespace {

std::string DesktopFileName() {
    return std::string(HarlowenProgID) + ".desktop";
}

// The last lines a failed program wrote, for the user's message.
std::string FailureText(const std::string& what, const TProcessResult& r) {
    std::string text = Trim(r.Errors.empty() ? r.Output : r.Errors);
    if (!r.Started())
        text = "cannot run " + what;
    return text.empty() ? what + " failed" : what + ": " + text;
}

// The default application of a type ("" when it has none).
std::string DefaultApplication(const std::string& type) {
    const TProcessResult r = RunProgram({"xdg-mime", "query", "default", type});
    if (!r.Started())
        throw std::runtime_error("cannot run xdg-mime");
    return r.ExitCode == 0 ? Trim(r.Output) : std::string();
}

void WriteOrThrow(const std::string& path, const std::string& text) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::string error;
    if (!AtomicWriteFile(path, text, error))
        throw std::runtime_error(error.empty() ? "cannot write " + path : error);
}

// Desktop entries escape "\" in string values; Exec's quoting rules come on top of that.
std::string EscapeEntryString(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string ExecKey(const std::string& executable) {
    return QuoteExecArgument(executable) + " %f";
}

} // namespace

std::vector<std::string> ExtensionList(std::string_view list) {
    std::vector<std::string> out;
    for (const std::string& part : Split(list, ",")) {
        std::string e = UpperCase(Trim(part));
        if (e.empty())
            continue;
        if (e[0] != '.')
            e.insert(e.begin(), '.');
        out.push_back(e);
    }
    return out;
}

std::string MimeTypeForExtension(std::string_view extension) {
    const std::string e = UpperCase(Trim(extension));
    switch (PackageExtensionKind(e)) {
    case TPackageExtension::Quodex:
        return QuodexMimeType;
    case TPackageExtension::Tesselon:
        return TesselonMimeType;
    default:
        break;
    }
    return e == "PCL" || e == ".PCL" ? PclMimeType : std::string();
}

std::string QuoteExecArgument(std::string_view argument) {
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string arg;
    for (char c : argument) {
        // A literal "%" is written "%%" so that it is not read as a field code.
        if (c == '%')
            arg += "%%";
        else
            arg += c;
    }
    std::string out;
    if (argument.find_first_of(reserved) == std::string_view::npos)
        out = arg;
    else {
        out = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return EscapeEntryString(out);
}

std::vector<std::string> SplitExecLine(std::string_view exec) {
    // First the string-value escapes, then the quoting of the arguments.
    std::string value;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            const char n = exec[++i];
            value += n == 'n' ? '\n' : n == 't' ? '\t' : n == 's' ? ' ' : n;
        } else {
            value += exec[i];
        }
    }
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool any = false;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < value.size())
                current += value[++i];
            else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%')
                current += value[++i];
            else if (c == '"')
                inQuotes = false;
            else
                current += c;
        } else if (c == '"') {
            inQuotes = true;
            any = true;
        } else if (c == ' ' || c == '\t') {
            if (any || !current.empty())
                args.push_back(current);
            current.clear();
            any = false;
        } else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%') {
            current += '%';
            ++i;
        } else {
            current += c;
        }
    }
    if (any || !current.empty())
        args.push_back(current);
    return args;
}

std::string SharedMimeInfoXml() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"application/x-quodex\">\n"
           "    <comment>Quodex document package</comment>\n"
           "    <generic-icon name=\"pagellan\"/>\n"
           "    <glob pattern=\"*.qdx\"/>\n"
           "    <glob pattern=\"*.qdz\"/>\n"
           "  </mime-type>\n"
           "  <mime-type type=\"application/x-tesselon\">\n"
           "    <comment>Tesselon document package</comment>\n"
           "    <generic-icon name=\"pagellan\"/>\n"
           "    <glob pattern=\"*.tsn\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopEntryText(const std::string& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pagellan\n"
           "GenericName=Loan Document Viewer\n"
           "Comment=View, print and e-mail packages of loan documents\n"
           "Exec=" +
           ExecKey(executable) +
           "\n"
           "Icon=" +
           std::string(ProgramIconName) +
           "\n"
           "Terminal=false\n"
           "MimeType=" +
           std::string(QuodexMimeType) + ";" + TesselonMimeType + ";" + PclMimeType +
           ";\n"
           "Categories=Office;Viewer;\n";
}

std::string UserDataHome() {
    const std::string xdg = GetEnv("XDG_DATA_HOME");
    if (!xdg.empty() && xdg[0] == '/')
        return xdg;
    return GetEnv("HOME") + "/.local/share";
}

std::string UserDesktopEntryPath() {
    return UserDataHome() + "/applications/" + DesktopFileName();
}

std::string UserMimePackagePath() {
    return UserDataHome() + "/mime/packages/" + std::string(HarlowenProgID) + ".xml";
}

bool AssociationsExist(std::string_view list) {
    try {
        bool all = true;
        for (const std::string& ext : ExtensionList(list)) {
            const std::string type = MimeTypeForExtension(ext);
            if (type.empty() || DefaultApplication(type).empty())
                all = false;
        }
        return all;
    } catch (const std::exception&) {
        ShowError(AssociationsCheckFailedText);
        return false;
    }
}

bool RegisterAssociations(std::string_view progID, std::string_view list, const std::string& executable) {
    const std::string entry = progID.empty() ? DesktopFileName() : std::string(progID) + ".desktop";
    bool ok = true;
    try {
        WriteOrThrow(UserMimePackagePath(), SharedMimeInfoXml());
        const TProcessResult mime = RunProgram({"update-mime-database", UserDataHome() + "/mime"});
        if (!mime.Succeeded())
            throw std::runtime_error(FailureText("update-mime-database", mime));
        WriteOrThrow(UserDataHome() + "/applications/" + entry, DesktopEntryText(executable));
        // The desktop's cache of which entry opens which type; absent on minimal systems.
        if (!FindOnPath("update-desktop-database").empty())
            RunProgram({"update-desktop-database", UserDataHome() + "/applications"});
        for (const std::string& ext : ExtensionList(list)) {
            const std::string type = MimeTypeForExtension(ext);
            if (type.empty() || !DefaultApplication(type).empty())
                continue;
            const TProcessResult r = RunProgram({"xdg-mime", "default", entry, type});
            if (!r.Succeeded())
                throw std::runtime_error(FailureText("xdg-mime default", r));
        }
    } catch (const std::exception& e) {
        ShowError(std::string(AssociationsWriteFailedText) + "\n\n" + e.what());
        ok = false;
    }
    ClearOpenWithChoice(list);
    return ok;
}

std::string AssociationCommand() {
    std::ifstream in(UserDesktopEntryPath());
    std::string command;
    bool inEntry = false;
    for (std::string line; std::getline(in, line);) {
        line = TrimRight(line);
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.rfind("Exec=", 0) == 0)
            command = line.substr(5);
    }
    ClearOpenWithChoice(OpenWithExtensions);
    return command;
}

void ClearOpenWithChoice(std::string_view) {}

bool RegisterFileTypes(const std::string& executable, const std::function<void()>& saveSettings) {
    const bool existed = AssociationsExist(AssociatedExtensions);
    if (!RegisterAssociations(HarlowenProgID, AssociatedExtensions, executable))
        return false;
    if (existed)
        ShowInformation(AssociationsRegisteredText + executable);
    if (saveSettings)
        saveSettings();
    return true;
}

TAssociationCheck CheckFileAssociations(const std::string& executable, bool storedVersionOlder,
                                        const std::function<void()>& saveSettings) {
    if (AssociationsExist(AssociatedExtensions)) {
        const bool ours = UpperCase(AssociationCommand()).find(UpperCase(executable)) != std::string::npos;
        if (ours || !storedVersionOlder)
            return TAssociationCheck::Unchanged;
    }
    return RegisterFileTypes(executable, saveSettings) ? TAssociationCheck::Registered
                                                       : TAssociationCheck::Failed;
}

std::string DesktopFolder() {
    const TProcessResult r = RunProgram({"xdg-user-dir", "DESKTOP"});
    const std::string folder = Trim(r.Output);
    if (r.Succeeded() && !folder.empty())
        return folder;
    return GetEnv("HOME") + "/Desktop";
}

std::string ShortcutWorkingFolder(const std::string& fillDir, const std::string& executable) {
    if (!fillDir.empty() && FolderExists(fillDir))
        return fillDir;
    return fs::path(executable).parent_path().string();
}

std::string CreateDesktopShortcut(const std::string& target, const std::string& arguments,
                                  const std::string& name, const std::string& workingFolder) {
    std::string exec = QuoteExecArgument(target);
    for (const std::string& arg : SplitExecLine(arguments))
        exec += " " + QuoteExecArgument(arg);
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=" << EscapeEntryString(name) << "\n"
         << "Comment=View, print and e-mail packages of loan documents\n"
         << "Exec=" << exec << "\n"
         << "Icon=" << ProgramIconName << "\n"
         << "Terminal=false\n";
    if (!workingFolder.empty())
        text << "Path=" << EscapeEntryString(workingFolder) << "\n";
    const std::string folder = DesktopFolder();
    const std::string file = folder + "/" + name + ".desktop";
    WriteOrThrow(file, text.str());
    if (::chmod(file.c_str(), 0755) != 0)
        throw std::runtime_error("cannot make " + file + " executable");
    // GNOME's file manager starts only launchers marked trusted.
    if (!FindOnPath("gio").empty())
        RunProgram({"gio", "set", file, "metadata::trusted", "true"});
    return file;
}

} // namespace pg
