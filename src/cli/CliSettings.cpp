// pagellan-cli settings: shows and edits the settings store by key text, through the same
// getters and setters the program uses (so every key's rules apply), in database mode too.

#include "CliPrograms.h"
#include "Command.h"
#include "HLWRegistry.h"
#include "PGRegistry.h"

#include <iostream>

namespace pg::cli {

namespace {

namespace R = PGRegistry;

constexpr const char* UsageText = kSettingsUsage;

// Database mode as the program starts it; false when the user may not run the program.
bool ConnectSettings() {
    THLWRegistry& reg = Registry();
    reg.StartDatabaseMode(false);
    if (!reg.Database().DatabaseMode())
        return true;
    return reg.Database().TryToConnectToDB(true, reg.DatabaseAddress()) != TConnectResult::NotPermitted;
}

void SaveSettings() {
    THLWRegistry& reg = Registry();
    if (reg.Database().DatabaseMode())
        reg.Database().TryToConnectToDB(false, reg.DatabaseAddress());
}

const R::TSettingInfo* Find(const std::string& name) {
    const R::TSettingInfo* s = R::FindSetting(name);
    if (!s)
        std::cerr << "Unknown setting: " << name << '\n';
    return s;
}

int List() {
    // One line per key: line breaks in a value show as the store's "<CRLF>" marker.
    for (const R::TSettingInfo& s : R::Settings())
        std::cout << s.Name << '=' << BreaksToCRLFMarkers(s.Get()) << '\n';
    return 0;
}

int Get(const std::string& name) {
    const R::TSettingInfo* s = Find(name);
    if (!s)
        return 2;
    std::cout << s->Get() << '\n';
    return 0;
}

int Set(const std::string& name, const std::string& value) {
    const R::TSettingInfo* s = Find(name);
    if (!s)
        return 2;
    if (!s->Set) {
        std::cerr << "Setting " << s->Name << " is read-only\n";
        return 2;
    }
    if (s->NeedsScanPlugin && !ScannerSettingsAvailable()) {
        std::cerr << "Setting " << s->Name << " is kept only while the scanning plug-in is loaded\n";
        return 2;
    }
    if (!s->Set(value)) {
        std::cerr << "Invalid value for " << s->Name << ": " << value << '\n';
        return 2;
    }
    SaveSettings();
    return 0;
}

int RunSettings(const std::vector<std::string>& args) {
    const std::string verb = args.empty() ? "list" : args[0];
    const bool fits = (verb == "list" && args.size() <= 1) || (verb == "get" && args.size() == 2) ||
                      (verb == "set" && args.size() == 3);
    if (!fits) {
        std::cerr << "usage: pagellan-cli " << UsageText << '\n';
        return 2;
    }
    // The plug-in is let go before the process ends, while its own objects still exist.
    struct TUnload {
        ~TUnload() { Registry().Database().Unload(); }
    } unload;
    if (!ConnectSettings())
        return 1;
    if (verb == "list")
        return List();
    if (verb == "get")
        return Get(args[1]);
    return Set(args[1], args[2]);
}

const TCliCommand registration("settings", UsageText, RunSettings);

} // namespace

} // namespace pg::cli
