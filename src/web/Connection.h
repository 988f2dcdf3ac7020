#pragma once
// Whether the machine is online and how, from its network interfaces, and the version of the
// HTTP library the transfers run on.

#include <functional>
#include <string>

namespace pg {

inline constexpr int kOnline = 1;
inline constexpr int kNotOnline = 2;

// "LAN" when a network interface other than the loopback is up, else "Proxy" when a proxy is
// in use (the one given, or one from the environment), else "Not online". The answer is
// whether the machine counts as connected.
bool GetConnectionType(std::string& type, const std::string& proxy = "");
// 1 when online. Otherwise, without dial-up, asks the user (Retry or Cancel) until
// the machine is online or the user gives up: 2. Linux has no dial-up to start: allowing it
// only checks once more.
int CheckConnection(bool allowDialUp, const std::string& purpose);
// libcurl's major and minor version ("7.88").
std::string GetWinInetVersion();

// Replaces the interface query (tests); answers the previous one. Empty restores the real one.
using TOnlineQuery = std::function<bool()>;
TOnlineQuery SetOnlineQuery(TOnlineQuery query);

} // namespace pg
