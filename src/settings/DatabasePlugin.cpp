#include "DatabasePlugin.h"

#include "Paths.h"
#include "Prompt.h"
#include "Trace.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace pg {

namespace fs = std::filesystem;

namespace {

// A zero-filled buffer one character longer than the plug-in is told, so that a plug-in that
// fills all of it without a terminator still leaves a terminated text behind.
class TPluginBuffer {
public:
    TPluginBuffer() : data_(PagellanDBBufferSize + 1, '\0') {}
    char* Data() { return data_.data(); }
    std::string Text() const {
        return std::string(data_.data(), ::strnlen(data_.data(), PagellanDBBufferSize));
    }

private:
    std::vector<char> data_;
};

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string InFolder(const std::string& folder) {
    return (fs::path(NativePath(folder)) / PagellanDBLibraryName).string();
}

// The names to try, most specific first.
std::vector<std::string> Candidates(const std::string& explicitPath) {
    if (!explicitPath.empty())
        return {FolderExists(explicitPath) ? InFolder(explicitPath) : NativePath(explicitPath)};
    std::vector<std::string> names;
    const std::string dir = GetEnv("PAGELLAN_PLUGIN_DIR");
    if (!dir.empty())
        names.push_back(InFolder(dir));
    const std::string exeDir = ExecutableFolder();
    if (!exeDir.empty())
        names.push_back(InFolder(exeDir));
    names.push_back(PagellanDBLibraryName);
    return names;
}

template <typename Fn> bool Resolve(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::dlsym(handle, name));
    return fn != nullptr;
}

} // namespace

std::unique_ptr<TDatabasePlugin> TDatabasePlugin::Load(const std::string& explicitPath) {
    for (const std::string& name : Candidates(explicitPath)) {
        // A bare name goes through the system's library search; a path is tried only when
        // the file is there, so a missing one costs no loader work.
        if (name.find('/') != std::string::npos && !FileExists(name))
            continue;
        void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        auto p = std::make_unique<TDatabasePlugin>(TKey{});
        p->handle_ = handle;
        p->fileName_ = name;
        if (Resolve(handle, "DLLInitDataModule", p->init_) &&
            Resolve(handle, "DLLSetServer", p->setServer_) &&
            Resolve(handle, "DLLGetUserSettingsAndPermissions", p->getSettings_) &&
            Resolve(handle, "DLLSetUserSettingsAndPermissions", p->setSettings_) &&
            Resolve(handle, "DLLGetUserInfomation", p->getUserInfo_) &&
            Resolve(handle, "DLLDestroyDataModule", p->destroy_))
            return p;
        // An incomplete library is unloaded without its data module ever being set up.
        p->destroy_ = nullptr;
        DebugMsg("PGRegistry : " + name + " lacks an entry point");
        return nullptr;
    }
    return nullptr;
}

TDatabasePlugin::~TDatabasePlugin() {
    if (destroy_)
        destroy_();
    if (handle_)
        ::dlclose(handle_);
}

void TDatabasePlugin::InitDataModule(bool debug) const {
    init_(debug);
}

bool TDatabasePlugin::SetServer(const std::string& address) const {
    return setServer_(address.c_str());
}

bool TDatabasePlugin::GetUserSettingsAndPermissions(std::string& settings, std::string& permissions) const {
    TPluginBuffer s, p;
    if (!getSettings_(s.Data(), p.Data()))
        return false;
    settings = s.Text();
    permissions = p.Text();
    return true;
}

void TDatabasePlugin::SetUserSettingsAndPermissions(const std::string& settings) const {
    TPluginBuffer unused;
    setSettings_(settings.c_str(), unused.Data());
}

void TDatabasePlugin::GetUserInformation(std::string& sid, std::string& group) const {
    TPluginBuffer s, g;
    getUserInfo_(s.Data(), g.Data());
    sid = s.Text();
    group = g.Text();
}

// ---- database mode ----

TSettingsDatabase::~TSettingsDatabase() = default;

void TSettingsDatabase::StartUp(bool debug, bool configExists, const std::string& serverAddress,
                                const std::string& pluginPath) {
    databaseMode_ = false;
    plugin_ = TDatabasePlugin::Load(pluginPath);
    if (!plugin_)
        return;
    DebugMsg("PGRegistry : database plug-in " + plugin_->FileName());
    try {
        plugin_->InitDataModule(debug);
        if (configExists && plugin_->SetServer(serverAddress))
            databaseMode_ = true;
    } catch (...) {
        databaseMode_ = false;
    }
}

void TSettingsDatabase::Unload() {
    databaseMode_ = false;
    plugin_.reset();
}

TConnectResult TSettingsDatabase::TryToConnectToDB(bool load, const std::string& serverAddress) {
    if (!databaseMode_ || !plugin_)
        return TConnectResult::NotConnected;
    try {
        if (!plugin_->SetServer(serverAddress))
            return TConnectResult::NotConnected;
        return load ? Load() : Save();
    } catch (...) {
        DebugMsg("PGRegistry : database plug-in failed; back to the settings store");
        databaseMode_ = false;
        return TConnectResult::Failed;
    }
}

TConnectResult TSettingsDatabase::Load() {
    std::string settings, permissions;
    const bool got = plugin_->GetUserSettingsAndPermissions(settings, permissions);
    if (got) {
        settings_.Clear();
        settings_.AddText(settings);
        permissions_.Clear();
        permissions_.AddText(permissions);
        plugin_->GetUserInformation(sid_, group_);
    }
    // Checked whether or not the plug-in answered: a refused load keeps the permissions that
    // were already there.
    if (!HasPermission("CanRunPagellan")) {
        ShowInformation(RefusalMessage);
        return TConnectResult::NotPermitted;
    }
    return got ? TConnectResult::Loaded : TConnectResult::LoadRefused;
}

TConnectResult TSettingsDatabase::Save() {
    plugin_->SetUserSettingsAndPermissions(settings_.Text());
    return TConnectResult::Saved;
}

bool TSettingsDatabase::HasPermission(const std::string& name) const {
    if (!databaseMode_)
        return true;
    return permissions_.ReadBool("Settings", name, true);
}

} // namespace pg
