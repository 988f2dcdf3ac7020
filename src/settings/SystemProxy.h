#pragma once
// What the desktop says about the proxy and the web browser, for the options dialog's proxy
// and browser fields: the proxy from the environment (https_proxy, http_proxy) or GNOME's
// proxy settings, the default browser from xdg-settings, and the desktop's network settings.

#include "Paths.h"

#include <functional>
#include <string>
#include <vector>

namespace pg {

// A proxy server text split into address and port: without "://" at the first ":"; with a
// scheme and a single ":" the whole text is the address; otherwise the address is everything
// before the last ":" and the port what follows it.
struct TProxyServer {
    std::string Address;
    std::string Port;
};
TProxyServer SplitProxyServer(const std::string& server);

struct TSystemProxy {
    bool Enabled = false;
    std::string Server; // "host:port" or a URL
};
// Runs a program and answers its standard output ("" when it failed); tests give their own.
using TCommandOutput = std::function<std::string(const std::vector<std::string>& argv)>;
// https_proxy, then http_proxy (either case) from env; else GNOME's manual proxy (mode
// 'manual', the https then http host and port) through gsettings.
TSystemProxy ReadSystemProxy(const TEnvLookup& env, const TCommandOutput& run);
TSystemProxy ReadSystemProxy();

struct TBrowserInfo {
    std::string Program; // the full path of the browser's program; empty when unknown
    std::string Version;
    bool InternetExplorer = false;
    bool Netscape = false;
};
// The desktop entry id of the default browser ("firefox-esr.desktop"): the first installed
// entry the desktop's mimeapps.list files name for http, read in the XDG order (the user's
// configuration, the system's, then the data folders; a file of the current desktop before the
// common one). Nothing is started for it. Empty when none is named.
std::string DefaultBrowserEntry();
// The full path of the installed desktop entry of that id; empty when there is none.
std::string FindDesktopEntry(const std::string& id);
// The default browser: its desktop entry (DefaultBrowserEntry) names the program in its Exec.
TBrowserInfo DefaultBrowser();

// The desktop's network settings: started when a known settings program is there. False
// when there is none (the caller tells the user where the proxy is set instead).
bool OpenNetworkSettings();
inline constexpr char ProxyWhereText[] =
    "No network settings program was found.\nSet the proxy in your desktop's network settings, "
    "or with the http_proxy and https_proxy environment variables.";

// Whether the desktop's mail client can be handed a message (xdg-email is there).
bool DesktopMailInstalled();

} // namespace pg
