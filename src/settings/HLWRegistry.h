#pragma once
// THLWRegistry: the settings store. Every setting is a named value of one of three kinds
// (string, 32-bit integer, 8-byte float) in the store "Harlowen" / "Doc Viewer", an INI file
// kept through QSettings. Values keep their kind, so a value of another kind than the one asked
// for reads as the default. Reads never fail and writes never raise. In database mode reads and
// writes go to the settings list of the database plug-in instead (see DatabasePlugin.h).
//
// Nothing is cached: every read looks at the store again, so several running programs see each
// other's writes at their next read. Every write reaches the file before the call returns.

#include "DatabasePlugin.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pg {

class THLWRegistry {
public:
    // The store in the folder named by the environment variable PAGELLAN_SETTINGS_DIR, else in
    // the user's configuration folder (XDG_CONFIG_HOME or ~/.config); the configuration file
    // beside the executable.
    THLWRegistry();
    // The store in settingsDir (the folder is created on the first write); configFile replaces
    // the configuration file beside the executable when not empty.
    explicit THLWRegistry(const std::string& settingsDir, const std::string& configFile = "");
    ~THLWRegistry();
    THLWRegistry(const THLWRegistry&) = delete;
    THLWRegistry& operator=(const THLWRegistry&) = delete;

    std::string ReadString(const std::string& name, const std::string& def) const;
    void WriteString(const std::string& name, const std::string& value);
    int32_t ReadInteger(const std::string& name, int32_t def) const;
    void WriteInteger(const std::string& name, int32_t value);
    double ReadFloat(const std::string& name, double def) const;
    void WriteFloat(const std::string& name, double value);
    // Works on the store also in database mode; true when a value was there and is gone.
    bool DeleteValue(const std::string& name);
    bool ValueExists(const std::string& name) const;

    // Values of a sub-key such as "\EMAIL-TO" (the recipient history). In database mode the
    // INI key is the sub-key without its "\" followed by the name: "EMAIL-TO3".
    std::string ReadSubKeyString(const std::string& subKey, const std::string& name,
                                 const std::string& def) const;
    void WriteSubKeyString(const std::string& subKey, const std::string& name, const std::string& value);

    // Section "SETTINGS" of the configuration file; def when the file does not exist.
    std::string ReadConfigString(const std::string& name, const std::string& def) const;
    // The executable's name with the extension "CFG" (appended when it has none).
    std::string ConfigFileName() const;
    bool ConfigFileExists() const;
    // Where the store lives.
    std::string SettingsFileName() const;

    // Database-mode start-up: loads the plug-in (pluginPath as for TDatabasePlugin::Load) and
    // offers it the configuration file's "Database IP Address".
    void StartDatabaseMode(bool debug, const std::string& pluginPath = "");
    // The configuration file's "Database IP Address" ("0.0.0.0" when absent).
    std::string DatabaseAddress() const;
    TSettingsDatabase& Database() { return *database_; }
    const TSettingsDatabase& Database() const { return *database_; }

    // Between these two, writes reach this object at once but the file only at the last
    // EndUpdate: saving many values costs one file write. Prefer TSettingsBatch.
    void BeginUpdate();
    void EndUpdate();

private:
    class TStore;
    std::unique_ptr<TStore> store_;
    std::string configFile_;
    std::unique_ptr<TSettingsDatabase> database_;
};

// Holds the writes of its lifetime back to one file write at its end (see BeginUpdate).
class TSettingsBatch {
public:
    explicit TSettingsBatch(THLWRegistry& registry);
    TSettingsBatch();
    ~TSettingsBatch();
    TSettingsBatch(const TSettingsBatch&) = delete;
    TSettingsBatch& operator=(const TSettingsBatch&) = delete;

private:
    THLWRegistry& registry_;
};

// The process-wide store, made on first use with THLWRegistry(). A program that starts
// database mode unloads the plug-in (Database().Unload()) before main returns: once the
// process is ending the library's own objects may already be gone.
THLWRegistry& Registry();
// Puts r (not owned) in place of the process-wide store and answers the one it replaces;
// nullptr goes back to the process-wide store.
THLWRegistry* SetRegistry(THLWRegistry* r);

} // namespace pg
