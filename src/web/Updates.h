#pragma once
// Program updates: the maker's version list (XML, read with XPath), the versions of what is
// installed (read from the files without running them), and the decision what to download.

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace pg {

struct TAppInfo {
    std::string Version; // as the list gives it
    std::string URL;
    std::string SHA256; // optional: the download must match it
};

class TVersionList {
public:
    // Parses the list; false with "Error parsing : " + what in error when it is no XML.
    bool Load(std::string_view xml, std::string& error);
    // The first "Application" element of that name (empty texts when there is none); false with
    // "Error parsing : " + the expression when the selection fails.
    bool GetAppInfo(const std::string& name, TAppInfo& info, std::string& error) const;
    // The "Patch" element from installed to released (normalized versions): its address.
    bool FindPatch(const std::string& name, const std::string& installed, const std::string& released,
                   TAppInfo& patch, std::string& error) const;

private:
    pugi::xml_document doc_;
};

// The version stamped into one of our programs or plug-ins, normalized; "000.000.000.000" when
// the file does not exist or carries none.
std::string ReadFileVersion(const std::string& path);

// What is installed, with normalized versions; an empty plug-in version: not installed.
struct TInstalled {
    std::string Program;
    std::string ScanPlugin;
    std::string DatabasePlugin;
    std::string PatchHelper = "000.000.000.000";
    std::string WaitHelper = "000.000.000.000";
};

struct TUpdateDecision {
    bool ProgramCurrent = true;
    bool PatchUpdate = false;
    bool FullUpdate = false;
    int OutdatedPlugins = 0;
    std::vector<std::string> Helpers; // names of helper programs to refresh
    std::vector<TAppInfo> Downloads;  // in download order, no address twice
    std::string Error;                // "Error parsing : ..." when the list could not be read
};

// The decision of the update check for the application name (normally "Pagellan").
TUpdateDecision DecideUpdates(const TVersionList& list, const std::string& appName,
                              const TInstalled& installed);

} // namespace pg
