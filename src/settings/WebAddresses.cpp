#include "WebAddresses.h"

#include "HLWRegistry.h"
#include "Strings.h"

namespace pg::PGRegistry {

namespace {

// A blank value would open nothing useful: the default stands in for it.
std::string Address(const char* key, const char* def) {
    const std::string v = Registry().ReadString(key, def);
    return Trim(v).empty() ? std::string(def) : v;
}

} // namespace

std::string WebHelpAddress() {
    return Address(Keys::WebHelpAddress, DefaultWebHelpAddress);
}
void SetWebHelpAddress(const std::string& v) {
    Registry().WriteString(Keys::WebHelpAddress, v);
}
std::string OnlineHelpAddress() {
    return Address(Keys::OnlineHelpAddress, DefaultOnlineHelpAddress);
}
void SetOnlineHelpAddress(const std::string& v) {
    Registry().WriteString(Keys::OnlineHelpAddress, v);
}
std::string ReleaseNotesAddress() {
    return Address(Keys::ReleaseNotesAddress, DefaultReleaseNotesAddress);
}
void SetReleaseNotesAddress(const std::string& v) {
    Registry().WriteString(Keys::ReleaseNotesAddress, v);
}
std::string SuggestionsAddress() {
    return Address(Keys::SuggestionsAddress, DefaultSuggestionsAddress);
}
void SetSuggestionsAddress(const std::string& v) {
    Registry().WriteString(Keys::SuggestionsAddress, v);
}

} // namespace pg::PGRegistry
