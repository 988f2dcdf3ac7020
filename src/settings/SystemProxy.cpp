#include "SystemProxy.h"

#include "FileAssociations.h"
#include "Programs.h"
#include "Strings.h"

#include <fstream>

namespace pg {

namespace {

// gsettings prints strings in single quotes: "'proxy.example'".
std::string Unquote(std::string s) {
    s = Trim(s);
    if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'')
        s = s.substr(1, s.size() - 2);
    return s;
}

std::string RunForOutput(const std::vector<std::string>& argv) {
    const TProcessResult r = RunProgram(argv);
    return r.Succeeded() ? r.Output : std::string();
}

// The value of a key in the [Desktop Entry] group of a desktop entry file.
std::string EntryValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    bool inEntry = false;
    for (std::string line; std::getline(in, line);) {
        line = TrimRight(line);
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

// The folders of an XDG search path (a colon-separated variable, or its default when unset).
std::vector<std::string> SearchPath(const char* variable, const std::string& fallback) {
    std::string value = GetEnv(variable);
    if (value.empty())
        value = fallback;
    std::vector<std::string> dirs;
    for (const std::string& d : Split(value, ":"))
        if (!d.empty())
            dirs.push_back(d);
    return dirs;
}

// The handlers a mimeapps.list file gives for http in its [Default Applications] group.
std::vector<std::string> HttpDefaults(const std::string& file) {
    std::ifstream in(file);
    bool inDefaults = false;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (!line.empty() && line[0] == '[')
            inDefaults = line == "[Default Applications]";
        else if (inDefaults && line.rfind("x-scheme-handler/http=", 0) == 0)
            return Split(line.substr(22), ";");
    }
    return {};
}

TBrowserInfo FindDefaultBrowser() {
    TBrowserInfo info;
    const std::string entry = DefaultBrowserEntry();
    if (entry.empty())
        return info;
    const std::string file = FindDesktopEntry(entry);
    const std::vector<std::string> exec = SplitExecLine(file.empty() ? "" : EntryValue(file, "Exec"));
    if (exec.empty())
        return info;
    info.Program = FindOnPath(exec[0]);
    if (info.Program.empty())
        info.Program = exec[0];
    info.Version = EntryValue(file, "X-AppVersion");
    const std::string upper = UpperCase(info.Program);
    info.InternetExplorer = upper.size() >= 12 && upper.substr(upper.size() - 12) == "IEXPLORE.EXE";
    info.Netscape = upper.find("NETSCAPE") != std::string::npos;
    return info;
}

} // namespace

std::string FindDesktopEntry(const std::string& id) {
    std::vector<std::string> dirs = {UserDataHome()};
    for (const std::string& d : SearchPath("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        dirs.push_back(d);
    for (const std::string& d : dirs)
        if (FileExists(d + "/applications/" + id))
            return d + "/applications/" + id;
    return {};
}

std::string DefaultBrowserEntry() {
    std::string configHome = GetEnv("XDG_CONFIG_HOME");
    if (configHome.empty())
        configHome = GetEnv("HOME") + "/.config";
    std::vector<std::string> folders = {configHome};
    for (const std::string& d : SearchPath("XDG_CONFIG_DIRS", "/etc/xdg"))
        folders.push_back(d);
    folders.push_back(UserDataHome() + "/applications");
    for (const std::string& d : SearchPath("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.push_back(d + "/applications");
    std::vector<std::string> names;
    for (const std::string& desktop : Split(LowerCase(GetEnv("XDG_CURRENT_DESKTOP")), ":"))
        if (!desktop.empty())
            names.push_back(desktop + "-mimeapps.list");
    names.push_back("mimeapps.list");
    for (const std::string& folder : folders)
        for (const std::string& name : names)
            for (const std::string& id : HttpDefaults(folder + "/" + name)) {
                // Only a plain entry id: it becomes part of a path.
                const std::string clean = Trim(id);
                if (!clean.empty() && clean.find('/') == std::string::npos &&
                    !FindDesktopEntry(clean).empty())
                    return clean;
            }
    return {};
}

TProxyServer SplitProxyServer(const std::string& server) {
    const size_t scheme = server.find("://");
    if (scheme == std::string::npos) {
        const size_t colon = server.find(':');
        if (colon == std::string::npos)
            return {server, ""};
        return {server.substr(0, colon), server.substr(colon + 1)};
    }
    const size_t last = server.rfind(':');
    if (server.find(':') == last)
        return {server, ""};
    return {server.substr(0, last), server.substr(last + 1)};
}

TSystemProxy ReadSystemProxy(const TEnvLookup& env, const TCommandOutput& run) {
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"}) {
        std::string value = Trim(env(name));
        // A URL's trailing "/" is no part of the port.
        while (!value.empty() && value.back() == '/')
            value.pop_back();
        if (!value.empty())
            return {true, value};
    }
    if (Unquote(run({"gsettings", "get", "org.gnome.system.proxy", "mode"})) != "manual")
        return {};
    for (const char* schema : {"org.gnome.system.proxy.https", "org.gnome.system.proxy.http"}) {
        const std::string host = Unquote(run({"gsettings", "get", schema, "host"}));
        if (host.empty())
            continue;
        const std::string port = Trim(run({"gsettings", "get", schema, "port"}));
        return {true, port.empty() || port == "0" ? host : host + ":" + port};
    }
    return {};
}

TSystemProxy ReadSystemProxy() {
    return ReadSystemProxy(GetEnv, RunForOutput);
}

TBrowserInfo DefaultBrowser() {
    // Asked once per run: the choice rarely changes.
    static const TBrowserInfo info = FindDefaultBrowser();
    return info;
}

bool OpenNetworkSettings() {
    if (!FindOnPath("gnome-control-center").empty())
        return StartProgram({"gnome-control-center", "network"});
    if (!FindOnPath("systemsettings").empty())
        return StartProgram({"systemsettings", "kcm_proxy"});
    if (!FindOnPath("nm-connection-editor").empty())
        return StartProgram({"nm-connection-editor"});
    return false;
}

bool DesktopMailInstalled() {
    return !FindOnPath("xdg-email").empty();
}

} // namespace pg
