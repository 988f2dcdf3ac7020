#pragma once
// The stored settings a transfer runs with: the proxy of the options dialog and the extra
// trusted certificates. Header-only so that the engine itself stays free of the settings
// store; the programs that include this link it.

#include "HLWRegistry.h"
#include "HLWWebCopy.h"
#include "PGRegistry.h"
#include "Paths.h"

namespace pg {

inline constexpr char kCABundleSetting[] = "CABundle";
inline constexpr char kCABundleEnv[] = "PAGELLAN_CA_BUNDLE";

inline void ApplyStoredTransferSettings(THLWWebCopy& copy) {
    namespace R = PGRegistry;
    const TProxySettings proxy =
        ProxyFromOptions(R::UseProxy(), R::UseCustomProxySettings(), R::ProxyAddress(), R::ProxyPort(),
                         R::ProxyUserName(), R::LoadVersionAndPasswords().ProxyPassword);
    copy.Proxy = proxy.Proxy;
    copy.ProxyUserID = proxy.UserID;
    copy.ProxyPassword = proxy.Password;
    copy.CABundle = ChooseCABundle(GetEnv(kCABundleEnv), Registry().ReadString(kCABundleSetting, ""));
}

} // namespace pg
