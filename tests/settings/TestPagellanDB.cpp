// A stand-in for the outside database plug-in, for the tests. The "server address" names a
// folder; the folder's PagellanDB.ini is the database: section [SETTINGS] holds the user's
// settings, [PERMISSIONS] the permissions and [USER] the SID and group name. Every call is
// appended to calls.log in the same folder so that tests can see what the program did.
// Special addresses: a folder that does not exist is an unreachable server; a folder holding
// a file named "fail" makes every later call throw, as a broken driver would.

#include "DatabasePlugin.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <vector>

namespace {

// Plain storage: the program may call in while the process is ending, after the library's
// own objects with destructors are gone.
char g_folderText[4096];
bool g_debug = false;

std::string Folder() {
    return g_folderText;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void Log(const std::string& line) {
    if (Folder().empty())
        return;
    std::ofstream(Folder() + "/calls.log", std::ios::app) << line << '\n';
}

void FailWhenAsked() {
    struct stat st {};
    if (!Folder().empty() && ::stat((Folder() + "/fail").c_str(), &st) == 0)
        throw std::runtime_error("database connection lost");
}

std::vector<std::string> ReadLines() {
    std::ifstream in(Folder() + "/PagellanDB.ini");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The key=value lines of one section of the database file, each ended by a line feed.
std::string Section(const std::string& name) {
    std::string out;
    bool inside = false;
    for (const std::string& line : ReadLines()) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + name + "]";
            continue;
        }
        if (inside && !line.empty())
            out += line + "\n";
    }
    return out;
}

// Replaces the body of [SETTINGS] with the given INI text's [SETTINGS] lines.
void StoreSettings(const std::string& text) {
    std::string body;
    bool inside = false;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = line == "[SETTINGS]";
            continue;
        }
        if (inside && !line.empty())
            body += line + "\n";
    }
    std::string out = "[SETTINGS]\n" + body;
    for (const char* other : {"PERMISSIONS", "USER"})
        out += std::string("[") + other + "]\n" + Section(other);
    std::ofstream(Folder() + "/PagellanDB.ini", std::ios::trunc) << out;
}

void CopyOut(const std::string& text, char* buffer) {
    const size_t n = std::min(text.size(), pg::PagellanDBBufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string Value(const std::string& section, const std::string& key) {
    std::istringstream in(Section(section));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "";
}

} // namespace

extern "C" {

void DLLInitDataModule(bool debug) {
    g_debug = debug;
}

bool DLLSetServer(const char* address) {
    std::strncpy(g_folderText, address, sizeof g_folderText - 1);
    FailWhenAsked();
    Log(std::string("SetServer ") + address + (g_debug ? " debug" : ""));
    return IsFolder(Folder());
}

bool DLLGetUserSettingsAndPermissions(char* settings, char* permissions) {
    FailWhenAsked();
    Log("Get");
    CopyOut("[SETTINGS]\r\n" + Section("SETTINGS"), settings);
    CopyOut("[Settings]\n\n" + Section("PERMISSIONS"), permissions);
    return true;
}

bool DLLSetUserSettingsAndPermissions(const char* settings, char* permissions) {
    FailWhenAsked();
    Log("Set");
    StoreSettings(settings);
    permissions[0] = '\0';
    return true;
}

void DLLGetUserInfomation(char* sid, char* group) {
    Log("UserInfo");
    CopyOut(Value("USER", "SID"), sid);
    CopyOut(Value("USER", "Group"), group);
}

void DLLDestroyDataModule() {
    Log("Destroy");
}

} // extern "C"

static_assert(std::is_same_v<decltype(&DLLInitDataModule), pg::TDLLInitDataModule>);
static_assert(std::is_same_v<decltype(&DLLSetServer), pg::TDLLSetServer>);
static_assert(
    std::is_same_v<decltype(&DLLGetUserSettingsAndPermissions), pg::TDLLGetUserSettingsAndPermissions>);
static_assert(
    std::is_same_v<decltype(&DLLSetUserSettingsAndPermissions), pg::TDLLSetUserSettingsAndPermissions>);
static_assert(std::is_same_v<decltype(&DLLGetUserInfomation), pg::TDLLGetUserInfomation>);
static_assert(std::is_same_v<decltype(&DLLDestroyDataModule), pg::TDLLDestroyDataModule>);
