#pragma once
// The optional database plug-in "PagellanDB" (libPagellanDB.so) and database mode.
//
// When the plug-in is present and the configuration file names a database server it accepts,
// the settings live in an INI list that the plug-in fills and stores instead of in the settings
// store, and the plug-in also supplies the user's permissions.

#include "IniList.h"

#include <memory>
#include <string>

namespace pg {

// The plug-in's entry points, resolved by these names. Texts are zero-terminated 8-bit
// strings; every buffer the program hands over holds PagellanDBBufferSize characters.
inline constexpr size_t PagellanDBBufferSize = 10000;
using TDLLInitDataModule = void (*)(bool debug);
using TDLLSetServer = bool (*)(const char* address);
using TDLLGetUserSettingsAndPermissions = bool (*)(char* settings, char* permissions);
using TDLLSetUserSettingsAndPermissions = bool (*)(const char* settings, char* permissions);
using TDLLGetUserInfomation = void (*)(char* sid, char* group);
using TDLLDestroyDataModule = void (*)();

inline constexpr char PagellanDBLibraryName[] = "libPagellanDB.so";

// A loaded plug-in library with its six entry points. Unloading calls "DLLDestroyDataModule"
// first.
class TDatabasePlugin {
    struct TKey {
        explicit TKey() = default;
    };

public:
    // Made by Load only.
    explicit TDatabasePlugin(TKey) {}
    // Loads the library and resolves the entry points; nullptr when the library is missing or
    // any entry point is absent. Where it is looked for: the explicit path (a file, or a folder
    // holding libPagellanDB.so) when not empty; otherwise the folder named by the environment
    // variable PAGELLAN_PLUGIN_DIR, the executable's folder, then the system's library search.
    static std::unique_ptr<TDatabasePlugin> Load(const std::string& explicitPath = "");
    ~TDatabasePlugin();
    TDatabasePlugin(const TDatabasePlugin&) = delete;
    TDatabasePlugin& operator=(const TDatabasePlugin&) = delete;

    const std::string& FileName() const { return fileName_; }

    void InitDataModule(bool debug) const;
    bool SetServer(const std::string& address) const;
    bool GetUserSettingsAndPermissions(std::string& settings, std::string& permissions) const;
    void SetUserSettingsAndPermissions(const std::string& settings) const;
    void GetUserInformation(std::string& sid, std::string& group) const;

private:
    void* handle_ = nullptr;
    std::string fileName_;
    TDLLInitDataModule init_ = nullptr;
    TDLLSetServer setServer_ = nullptr;
    TDLLGetUserSettingsAndPermissions getSettings_ = nullptr;
    TDLLSetUserSettingsAndPermissions setSettings_ = nullptr;
    TDLLGetUserInfomation getUserInfo_ = nullptr;
    TDLLDestroyDataModule destroy_ = nullptr;
};

enum class TConnectResult {
    NotConnected, // not in database mode, or the server was not accepted: nothing moved
    Loaded,       // settings and permissions came from the plug-in
    LoadRefused,  // the plug-in answered no settings; the lists are unchanged
    Saved,        // the settings list went to the plug-in
    NotPermitted, // loaded, but the user lacks "CanRunPagellan": the caller must end the program
    Failed        // the plug-in failed; database mode is off for the rest of the run
};

// The process-wide database-mode state: the plug-in, the mode flag, the settings and
// permission lists, and the user's SID and group name.
class TSettingsDatabase {
public:
    TSettingsDatabase() = default;
    ~TSettingsDatabase();
    TSettingsDatabase(const TSettingsDatabase&) = delete;
    TSettingsDatabase& operator=(const TSettingsDatabase&) = delete;

    // Start-up: database mode off; load the plug-in (see TDatabasePlugin::Load), initialise it
    // with the debug flag and, when configExists, offer it the server address; database mode
    // is on when it accepts. A missing or incomplete plug-in leaves registry mode, silently.
    void StartUp(bool debug, bool configExists, const std::string& serverAddress,
                 const std::string& pluginPath = "");
    // Calls "DLLDestroyDataModule" and unloads the library; database mode ends.
    void Unload();

    bool DatabaseMode() const { return databaseMode_; }
    bool PluginLoaded() const { return plugin_ != nullptr; }
    // Back to the settings store for the rest of the run.
    void LeaveDatabaseMode() { databaseMode_ = false; }

    // Section "SETTINGS" holds the settings, section "Settings" of the permissions list the
    // permissions as name=1 or name=0.
    TIniList& SettingsList() { return settings_; }
    const TIniList& SettingsList() const { return settings_; }
    TIniList& PermissionsList() { return permissions_; }
    const TIniList& PermissionsList() const { return permissions_; }
    const std::string& UserSID() const { return sid_; }
    const std::string& UserGroup() const { return group_; }

    // Moves settings and permissions between the plug-in and the lists (load) or the settings
    // list to the plug-in (save), after offering it serverAddress. Nothing happens outside
    // database mode. A load by a user without the "CanRunPagellan" permission shows the
    // refusal and answers NotPermitted.
    TConnectResult TryToConnectToDB(bool load, const std::string& serverAddress);

    // Every permission is granted outside database mode; inside, the name's 1/0 value in the
    // permissions list decides, and an absent name is granted.
    bool HasPermission(const std::string& name) const;

private:
    TConnectResult Load();
    TConnectResult Save();

    std::unique_ptr<TDatabasePlugin> plugin_;
    bool databaseMode_ = false;
    TIniList settings_;
    TIniList permissions_;
    std::string sid_;
    std::string group_;
};

inline constexpr char RefusalMessage[] =
    "Please contact your system administrator.\nYou do not have permission to run Pagellan.";

} // namespace pg
