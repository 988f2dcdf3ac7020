#pragma once
// The maker's web pages the Help menu and the About window open. They are settings, so a
// site can point them at its own pages; the defaults sit under the reserved example domain
// until the maker's real addresses are known.

#include <string>

namespace pg {

namespace Keys {
inline constexpr char WebHelpAddress[] = "WebHelpAddress";
inline constexpr char OnlineHelpAddress[] = "OnlineHelpAddress";
inline constexpr char ReleaseNotesAddress[] = "ReleaseNotesAddress";
inline constexpr char SuggestionsAddress[] = "SuggestionsAddress";
} // namespace Keys

inline constexpr char DefaultWebHelpAddress[] = "https://www.example.com/pagellan/webhelp/";
inline constexpr char DefaultOnlineHelpAddress[] = "https://www.example.com/pagellan/help/";
inline constexpr char DefaultReleaseNotesAddress[] = "https://www.example.com/pagellan/release-notes/";
// The query of the suggestion form is appended as it stands, so the address ends with "?".
inline constexpr char DefaultSuggestionsAddress[] = "https://www.example.com/pagellan/suggestions?";

namespace PGRegistry {
std::string WebHelpAddress();
void SetWebHelpAddress(const std::string& v);
std::string OnlineHelpAddress();
void SetOnlineHelpAddress(const std::string& v);
std::string ReleaseNotesAddress();
void SetReleaseNotesAddress(const std::string& v);
std::string SuggestionsAddress();
void SetSuggestionsAddress(const std::string& v);
} // namespace PGRegistry

} // namespace pg
