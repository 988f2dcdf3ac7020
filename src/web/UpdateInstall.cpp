#include "UpdateInstall.h"

#include "HLWWebCopy.h"
#include "Paths.h"
#include "Process.h"
#include "Sha256.h"
#include "WebAddress.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pg {

namespace fs = std::filesystem;

namespace {

bool HasExtension(const fs::path& p, std::string_view ext) {
    std::string e = p.extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return e == ext;
}

std::vector<std::string> FilesWithExtension(const std::string& folder, std::string_view ext) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && HasExtension(entry.path(), ext))
            out.push_back(entry.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The archive's first entry that is not a folder, with its bytes; false when there is none or
// it cannot be read whole.
bool FirstFileEntry(const std::string& archivePath, std::string& name, std::string& bytes) {
    std::string data, error;
    if (!ReadFileBytes(archivePath, data, error))
        return false;
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source = zip_source_buffer_create(data.data(), data.size(), 0, &zerr);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &zerr) : nullptr;
    zip_error_fini(&zerr);
    if (!archive) {
        if (source)
            zip_source_free(source);
        return false;
    }
    bool found = false;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && !found; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            std::string_view(st.name).ends_with('/'))
            continue;
        found = true;
        name = st.name;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file)
            return zip_discard(archive), false;
        bytes.clear();
        char buffer[65536];
        for (zip_int64_t n; (n = zip_fread(file, buffer, sizeof buffer)) > 0;) {
            bytes.append(buffer, size_t(n));
            if (int64_t(bytes.size()) > kMaxBodyBytes) {
                n = -1;
                found = false;
                break;
            }
        }
        zip_fclose(file);
    }
    zip_discard(archive);
    return found;
}

} // namespace

std::string FileSha256(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    TSha256 sha;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        sha.Add(std::string_view(buffer, size_t(in.gcount())));
    return sha.Hex();
}

bool VerifyDownload(const std::string& path, const std::string& expected, std::string& error) {
    if (expected.empty())
        return true;
    std::string want = expected;
    std::transform(want.begin(), want.end(), want.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (FileSha256(path) == want)
        return true;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    error = "The downloaded file " + path + " does not match its SHA256 and was deleted.";
    return false;
}

std::vector<std::string> ExtractUpdateArchives(const std::string& folder, std::string& error) {
    std::vector<std::string> written;
    const std::vector<std::string> archives = FilesWithExtension(folder, ".zip");
    if (archives.empty())
        return written;
    const std::string tmp = IncludeSlash(folder) + "TMP/";
    std::error_code ec;
    std::filesystem::create_directories(tmp, ec);
    for (const std::string& archive : archives) {
        std::string entry, bytes;
        if (!FirstFileEntry(archive, entry, bytes))
            continue; // an unreadable archive installs nothing; the installer reports that
        // Only the entry's own file name: an archive must not place files anywhere else.
        const std::string name = entry.substr(entry.find_last_of("/\\") + 1);
        if (name.empty() || name == "." || name == "..")
            continue;
        std::string why;
        if (!AtomicWriteFile(tmp + name, bytes, why)) {
            if (error.empty())
                error = "Cannot create file " + tmp + name + ": " + why;
            continue;
        }
        // The programs and plug-ins of an update must stay runnable once copied into place.
        std::filesystem::permissions(tmp + name, std::filesystem::perms(0755), ec);
        written.push_back(tmp + name);
    }
    return written;
}

bool TrustedUpdateAddress(const std::string& address, const std::string& listURL) {
    const auto scheme = [](const std::string& url) {
        std::string s = url.substr(0, url.find("://"));
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    if (scheme(address) == "https")
        return true;
    return scheme(address) == scheme(listURL) && AddressHost(address) == AddressHost(listURL) &&
           AddressPort(address) == AddressPort(listURL);
}

void KeepRedirectsTrusted(THLWWebCopyItem& item, const std::string& listURL) {
    item.RedirectAllowed = [listURL](const std::string& address) {
        return TrustedUpdateAddress(address, listURL);
    };
}

TUpdateFiles DownloadUpdates(THLWWebCopy& copy, const TUpdateDecision& decision, const std::string& listURL,
                             const std::string& folder) {
    TUpdateFiles r;
    for (const TAppInfo& a : decision.Downloads)
        if (!TrustedUpdateAddress(a.URL, listURL)) {
            r.Error = "The update file " + AddressForDisplay(a.URL) +
                      " is neither on a verified https server nor beside the version list.";
            return r;
        }
    if (decision.FullUpdate)
        DeleteFiles(IncludeSlash(folder) + "*.zip");
    copy.Items.Clear();
    for (const TAppInfo& a : decision.Downloads) {
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = a.URL;
        item.Protocol = TWebProtocol::wpHttp;
        item.TargetDir = IncludeSlash(folder);
        item.TargetFilename = FileNameFromAddress(a.URL);
        KeepRedirectsTrusted(item, listURL);
        if (item.TargetFilename.empty()) {
            r.Error = "The address " + AddressForDisplay(a.URL) + " names no file.";
            return r;
        }
    }
    copy.CalculateTotalSize();
    copy.Execute();
    if (copy.UserCanceled()) {
        r.Error = "User aborted";
        return r;
    }
    // Every file is checked, so that none that fails its digest stays behind.
    for (size_t i = 0; i < copy.Items.Count(); ++i) {
        const THLWWebCopyItem& item = copy.Items[i];
        const std::string path = TargetPath(item.TargetDir, item.TargetFilename);
        std::string error;
        if (!item.Succeeded())
            error = "The download of " + AddressForDisplay(item.URL) + " failed.";
        else if (VerifyDownload(path, decision.Downloads[i].SHA256, error))
            r.Downloaded.push_back(path);
        if (r.Error.empty())
            r.Error = error;
    }
    if (!r.Error.empty())
        return r;
    r.Extracted = ExtractUpdateArchives(folder, r.Error);
    return r;
}

std::string ShellQuote(const std::string& path) {
    std::string q = "'";
    for (char c : path)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string InstallerScript(const TInstallPlan& plan) {
    const auto Q = ShellQuote;
    const std::string& U = plan.UpdateFolder;
    const std::string& A = plan.AppDataFolder;
    const std::string& E = plan.Executable;
    const std::string F = fs::path(E).parent_path().string();
    const std::string N = fs::path(E).filename().string();
    // The patch is the last "*.upd" of the update folder.
    const std::vector<std::string> patches = FilesWithExtension(U, ".upd");
    const std::string P = patches.empty() ? U + "*" : patches.back();
    const std::string stem = fs::path(P).stem().string();
    std::string R = Q(E);
    if (!plan.ReopenFile.empty())
        R += " " + Q(plan.ReopenFile);
    for (const std::string& a : plan.FurtherArgs)
        R += " " + Q(a);
    // Restarted in the background so that the script can clean up; its output goes nowhere.
    const std::string restart = "  " + R + " ";
    std::string s = "#!/bin/sh\n# Installs the downloaded update once the program has ended.\nstatus=0\n";
    s += "restart_error() {\n" + restart + "/UPDATE=FAIL >/dev/null 2>&1 &\n  cleanup\n  exit 1\n}\n";
    s += "cleanup() {\n";
    for (const char* mask : {"*.upd", "*.UPD", "*.zip", "*.ZIP", "*.so"})
        s += "  rm -f " + Q(U) + mask + "\n";
    s += "  rm -f " + Q(U + "TMP") + "/*\n";
    s += "  rm -f " + Q(F + "/" + stem + ".err") + "\n";
    s += "  rm -f " + Q(F + "/" + stem + ".log") + "\n";
    s += "  rm -f " + Q(U + "_I.sh") + "\n}\n";
    for (const char* helper : {"WaitForAppToEnd", "Patch"})
        s += "if [ -e " + Q(U + "TMP/" + helper) + " ]; then cp -f " + Q(U + "TMP/" + helper) + " " +
             Q(A + helper) + "; fi\n";
    s += Q(A + "WaitForAppToEnd") + " " + Q(E) + " 20\n";
    s += "if [ $? -ge 1 ]; then restart_error; fi\n";
    if (plan.PluginUpdate)
        s += "for f in " + Q(U + "TMP") + "/*.so; do [ -e \"$f\" ] || continue; cp -f \"$f\" " + Q(F + "/") +
             " || status=1; done\n";
    s += "if [ -e " + Q(U + "DoUpdate.sh") + " ]; then sh " + Q(U + "DoUpdate.sh") + "; fi\n";
    // A copy beside the program renamed over it: an interrupted copy never leaves half a program.
    if (plan.FullUpdate)
        s += "cp -f " + Q(U + "TMP/" + N) + " " + Q(E + ".new") + " && mv -f " + Q(E + ".new") + " " + Q(E) +
             " || status=1\n";
    if (plan.PatchUpdate)
        s += Q(A + "Patch") + " " + Q(P) + " " + Q(E) + " || status=1\n";
    s += "if [ -e " + Q(F + "/" + stem + ".err") + " ]; then restart_error; fi\n";
    s += "if [ $status -ge 1 ]; then restart_error; fi\n";
    s += R + " /UPDATE=SUCCESS >/dev/null 2>&1 &\n";
    s += "cleanup\n";
    return s;
}

bool StartInstaller(const TInstallPlan& plan, std::string& error) {
    const std::string script = plan.UpdateFolder + "_I.sh";
    if (!AtomicWriteFile(script, InstallerScript(plan), error))
        return false;
    TProcessOptions options;
    options.SearchPath = false;
    options.NoInput = true;
    options.Output = options.Errors = TProcessStream::Discard;
    options.Detach = true;
    const int rc = RunProcess({"/bin/sh", script}, options).StartError;
    if (rc != 0) {
        error = std::string("Cannot start ") + script + ": " + std::strerror(rc);
        return false;
    }
    return true;
}

} // namespace pg
