#include "Updates.h"

#include "PGRegistry.h"
#include "Paths.h"

#include <algorithm>

namespace pg {

namespace {

constexpr char kNoVersion[] = "000.000.000.000";

bool Select(const pugi::xml_document& doc, const std::string& expression, pugi::xml_node& node,
            std::string& error) {
    try {
        node = doc.select_node(expression.c_str()).node();
        return true;
    } catch (const pugi::xpath_exception&) {
        error = "Error parsing : " + expression;
        return false;
    }
}

TAppInfo InfoOf(const pugi::xml_node& node) {
    return {node.attribute("Version").value(), node.attribute("URL").value(),
            node.attribute("SHA256").value()};
}

void AddOnce(std::vector<TAppInfo>& list, const TAppInfo& info) {
    if (info.URL.empty())
        return;
    if (std::none_of(list.begin(), list.end(), [&](const TAppInfo& a) { return a.URL == info.URL; }))
        list.push_back(info);
}

} // namespace

bool TVersionList::Load(std::string_view xml, std::string& error) {
    const pugi::xml_parse_result r = doc_.load_buffer(xml.data(), xml.size());
    if (!r) {
        error = std::string("Error parsing : ") + r.description();
        return false;
    }
    return true;
}

bool TVersionList::GetAppInfo(const std::string& name, TAppInfo& info, std::string& error) const {
    pugi::xml_node node;
    if (!Select(doc_, "/SoftwareProducts/Application [@Name=\"" + name + "\"]", node, error))
        return false;
    info = InfoOf(node);
    return true;
}

bool TVersionList::FindPatch(const std::string& name, const std::string& installed,
                             const std::string& released, TAppInfo& patch, std::string& error) const {
    pugi::xml_node node;
    if (!Select(doc_,
                "/SoftwareProducts/Application [@Name=\"" + name + "\"]/Patch[@ClientVersion=\"" + installed +
                    "\" and @DestinationVersion=\"" + released + "\"]",
                node, error))
        return false;
    patch = node ? TAppInfo{released, node.attribute("URL").value(), node.attribute("SHA256").value()}
                 : TAppInfo{};
    return true;
}

std::string ReadFileVersion(const std::string& path) {
    std::string bytes, error;
    if (!ReadFileBytes(path, bytes, error))
        return kNoVersion;
    // The key is split so that this reader does not find its own search text.
    const std::string key = std::string("\x01Pagellan") + "FileVersion=";
    for (size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1)) {
        const size_t start = at + key.size();
        const size_t end = bytes.find('\0', start);
        if (end == std::string::npos || end - start > 20 || start == end ||
            !std::isdigit(uint8_t(bytes[start])))
            continue;
        return NormalizeVersion(bytes.substr(start, end - start));
    }
    return kNoVersion;
}

TUpdateDecision DecideUpdates(const TVersionList& list, const std::string& appName,
                              const TInstalled& installed) {
    TUpdateDecision d;
    TAppInfo app;
    if (!list.GetAppInfo(appName, app, d.Error))
        return d;
    const std::string released = NormalizeVersion(app.Version);
    if (!app.Version.empty() && installed.Program < released) {
        d.ProgramCurrent = false;
        TAppInfo patch;
        if (!list.FindPatch(appName, installed.Program, released, patch, d.Error))
            return d;
        d.PatchUpdate = !patch.URL.empty();
        d.FullUpdate = !d.PatchUpdate;
        AddOnce(d.Downloads, d.PatchUpdate ? patch : app);
    }
    // Plug-ins only when installed: a plug-in the user never installed is never offered.
    const std::pair<const char*, const std::string*> plugins[] = {{"PagellanScan", &installed.ScanPlugin},
                                                                  {"PagellanDB", &installed.DatabasePlugin}};
    for (const auto& [name, version] : plugins) {
        TAppInfo info;
        if (version->empty() || !list.GetAppInfo(name, info, d.Error) || info.Version.empty())
            continue;
        if (*version < NormalizeVersion(info.Version)) {
            AddOnce(d.Downloads, info);
            ++d.OutdatedPlugins;
        }
    }
    if (d.ProgramCurrent && d.OutdatedPlugins == 0)
        return d;
    const std::pair<const char*, const std::string*> helpers[] = {{"Patch", &installed.PatchHelper},
                                                                  {"WaitForAppToEnd", &installed.WaitHelper}};
    for (const auto& [name, version] : helpers) {
        TAppInfo info;
        if (list.GetAppInfo(name, info, d.Error) && !info.Version.empty() &&
            *version < NormalizeVersion(info.Version)) {
            AddOnce(d.Downloads, info);
            d.Helpers.push_back(name);
        }
    }
    return d;
}

} // namespace pg
