// download and webdocs: a package fetched by address, or from the WebDocs service by its
// retrieval code, through the same transfer engine and stored proxy and certificate settings
// as the program's web window.

#include "CliDesktopProgram.h"
#include "CliPrograms.h"
#include "Command.h"
#include "HLWWebCopy.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "UpdateInstall.h"
#include "Updates.h"
#include "WebAddress.h"
#include "WebDocs.h"
#include "WebSettings.h"

#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

std::string OutputOf(const std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            return args[i + 1];
    return {};
}

// A transfer whose failures are written to stderr, each with the address it concerns.
struct TCliTransfer {
    THLWWebCopy copy;
    bool failed = false;
    TCliTransfer() {
        ApplyStoredTransferSettings(copy);
        copy.OnErrorInfo = [this](int index, int, const std::string& text) {
            failed = true;
            std::cerr << text << '\n' << AddressForDisplay(copy.Items[size_t(index)].URL) << '\n';
        };
        copy.OnError = [this](int, int) { failed = true; };
    }
};

int Download(const std::vector<std::string>& args) {
    const auto pos = Positionals(args, {});
    const std::string out = OutputOf(args);
    if (pos.size() != 1 || out.empty()) {
        std::cerr << "usage: pagellan-cli " << kDownloadUsage << '\n';
        return 2;
    }
    TCliTransfer t;
    THLWWebCopyItem& item = t.copy.Items.Add();
    item.URL = pos[0];
    item.Protocol = TWebProtocol::wpHttp;
    item.TargetDir = FolderPart(out);
    item.TargetFilename = out.substr(item.TargetDir.size());
    t.copy.Execute();
    if (!item.Succeeded())
        return 1;
    std::cout << out << ": " << FileSizeOf(out) << " bytes\n";
    return 0;
}

int WebDocs(const std::vector<std::string>& args) {
    const auto pos = Positionals(args, {"pass-phrase", "server"});
    const std::string out = OutputOf(args);
    if (pos.size() != 1 || out.empty()) {
        std::cerr << "usage: pagellan-cli " << kWebDocsUsage << '\n';
        return 2;
    }
    const std::string server = OptionValue(args, "server", PGRegistry::WebDocsWithPwd());
    TCliTransfer t;
    t.copy.Agent = "WebCopy";
    THLWWebCopyItem& item = t.copy.Items.Add();
    item.URL = server;
    item.Protocol = TWebProtocol::wpHttpPostData;
    item.HTTPCommand = THTTPCommand::hcPost;
    item.Stream.Write(WebDocsRequest(pos[0], OptionValue(args, "pass-phrase")));
    t.copy.Execute();
    if (t.failed || !item.Succeeded())
        return 1;
    const std::string reply(item.Stream.View());
    const TWebDocsReply r = EvaluateWebDocsReply(reply);
    switch (r.Kind) {
    case TWebDocsReplyKind::Package: {
        std::string error;
        if (!AtomicWriteFile(out, reply, error)) {
            std::cerr << "Cannot create file " << out << ": " << error << '\n';
            return 1;
        }
        std::cout << out << ": " << reply.size() << " bytes\n";
        return 0;
    }
    case TWebDocsReplyKind::HtmlPage: {
        // Kept beside the output the user named, for reading once the command has ended.
        std::string page = ForceExtension(out, "htm");
        if (page == out)
            page += ".htm";
        AtomicWriteFile(page, reply);
        std::cerr << "The WebDocs service answered with a web page: " << page << '\n';
        return 1;
    }
    case TWebDocsReplyKind::Response:
        break;
    }
    if (r.Code == 1)
        std::cerr << "Additional information is required: " << r.Prompt << " (give it with --pass-phrase)\n";
    else
        std::cerr << r.Message << '\n';
    return 1;
}

// The folder of our own executable, where the plug-ins sit.
std::string ProgramFolderOfUs() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string() + "/";
}

std::string InstalledPlugin(const std::string& file) {
    return FileExists(file) ? ReadFileVersion(file) : std::string();
}

int Update(const std::vector<std::string>& args) {
    const bool install = HasOption(args, "install");
    if (!HasOption(args, "check") && !install) {
        std::cerr << "usage: pagellan-cli " << kUpdateUsage << '\n';
        return 2;
    }
    const std::string listURL = OptionValue(args, "list", PGRegistry::URLForCurrentPagellan());
    TCliTransfer t;
    THLWWebCopyItem& item = t.copy.Items.Add();
    item.URL = listURL;
    KeepRedirectsTrusted(item, listURL);
    t.copy.Execute();
    if (t.failed || !item.Succeeded())
        return 1;
    TVersionList list;
    std::string error;
    if (!list.Load(item.Stream.View(), error)) {
        std::cerr << error << '\n';
        return 1;
    }
    const std::string folder = ProgramFolderOfUs();
    const std::string data = AppDataFolder();
    TInstalled installed;
    // The program the list calls by the application name is the desktop program, not this one.
    const std::string program = DesktopProgram(args);
    installed.Program = ReadFileVersion(program);
    installed.ScanPlugin = InstalledPlugin(folder + "libPagellanScan.so");
    installed.DatabasePlugin = InstalledPlugin(folder + "libPagellanDB.so");
    installed.PatchHelper = ReadFileVersion(data + "Patch");
    installed.WaitHelper = ReadFileVersion(data + "WaitForAppToEnd");
    const TUpdateDecision d = DecideUpdates(list, ApplicationName(), installed);
    if (!d.Error.empty()) {
        std::cerr << d.Error << '\n';
        return 1;
    }
    std::cout << "installed: " << installed.Program << " (" << program << ")\n";
    std::cout << "program: " << (d.ProgramCurrent ? "current" : d.PatchUpdate ? "patch" : "full") << '\n';
    std::cout << "outdated plug-ins: " << d.OutdatedPlugins << '\n';
    for (const std::string& h : d.Helpers)
        std::cout << "helper: " << h << '\n';
    for (const TAppInfo& a : d.Downloads)
        std::cout << "download: " << AddressForDisplay(a.URL) << '\n';
    if (d.ProgramCurrent && d.OutdatedPlugins == 0) {
        std::cout << "No Updates are currently available\n";
        return 0;
    }
    if (!install)
        return 0;
    const TUpdateFiles files = DownloadUpdates(t.copy, d, listURL, ProgramDataFolder());
    for (const std::string& f : files.Downloaded)
        std::cout << "downloaded: " << f << '\n';
    for (const std::string& f : files.Extracted)
        std::cout << "extracted: " << f << '\n';
    if (!files.Error.empty()) {
        std::cerr << files.Error << '\n';
        return 1;
    }
    // The installer takes over: it waits for the program to end, then replaces and restarts it.
    TInstallPlan plan;
    plan.UpdateFolder = ProgramDataFolder();
    plan.AppDataFolder = data;
    plan.Executable = program;
    plan.FullUpdate = d.FullUpdate;
    plan.PatchUpdate = d.PatchUpdate;
    plan.PluginUpdate = d.OutdatedPlugins > 0;
    if (!StartInstaller(plan, error)) {
        std::cerr << error << '\n';
        return 1;
    }
    std::cout << "installer: " << plan.UpdateFolder << "_I.sh\n";
    return 0;
}

const TCliCommand download("download", kDownloadUsage, Download);
const TCliCommand webdocs("webdocs", kWebDocsUsage, WebDocs);
const TCliCommand update("update", kUpdateUsage, Update);

} // namespace

} // namespace pg::cli
