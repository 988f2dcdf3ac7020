#include "Connection.h"

#include "Paths.h"
#include "Prompt.h"

#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace pg {

namespace {

TOnlineQuery& OnlineQuery() {
    static TOnlineQuery query;
    return query;
}

bool InterfaceUp() {
    if (OnlineQuery())
        return OnlineQuery()();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (const ifaddrs* a = list; a && !up; a = a->ifa_next)
        up = (a->ifa_flags & IFF_UP) && !(a->ifa_flags & IFF_LOOPBACK) && (a->ifa_flags & IFF_RUNNING);
    ::freeifaddrs(list);
    return up;
}

bool ProxyInUse(const std::string& proxy) {
    if (!proxy.empty())
        return true;
    for (const char* name :
         {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        if (!GetEnv(name).empty())
            return true;
    return false;
}

} // namespace

TOnlineQuery SetOnlineQuery(TOnlineQuery query) {
    TOnlineQuery previous = std::move(OnlineQuery());
    OnlineQuery() = std::move(query);
    return previous;
}

bool GetConnectionType(std::string& type, const std::string& proxy) {
    if (InterfaceUp()) {
        type = "LAN";
        return true;
    }
    if (ProxyInUse(proxy)) {
        type = "Proxy";
        return true;
    }
    type = "Not online";
    return false;
}

int CheckConnection(bool allowDialUp, const std::string& purpose) {
    std::string type;
    if (GetConnectionType(type))
        return kOnline;
    if (allowDialUp)
        return GetConnectionType(type) ? kOnline : kNotOnline;
    const std::string text = "Pagellan can not establish a connection to the internet \n\n" + purpose +
                             "\n\nIf you have a dial-up connection, please inititate it now.\n\nOnce the "
                             "connection has been established, click the retry button.";
    for (;;) {
        if (AskRetryCancel(text, PromptAnswer::Cancel, "Confirm") != PromptAnswer::Retry)
            return kNotOnline;
        if (GetConnectionType(type))
            return kOnline;
    }
}

std::string GetWinInetVersion() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (!info)
        return "Error getting WinInet Version";
    return std::to_string((info->version_num >> 16) & 0xff) + "." +
           std::to_string((info->version_num >> 8) & 0xff);
}

} // namespace pg
