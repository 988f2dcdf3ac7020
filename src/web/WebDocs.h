#pragma once
// The WebDocs exchange: the request that asks the service for a package by its retrieval code,
// and what a reply means (the package, an HTML page, or a coded answer of the service).

#include <string>
#include <string_view>

namespace pg {

// The request body; code and pass phrase go in as typed.
std::string WebDocsRequest(std::string_view code, std::string_view passPhrase);

enum class TWebDocsReplyKind { Package, HtmlPage, Response };

struct TWebDocsReply {
    TWebDocsReplyKind Kind = TWebDocsReplyKind::Package;
    int Code = 0;
    // The pass-phrase prompt ("Password:" unless the service names what it wants).
    std::string Prompt = "Password:";
    // The question shown for the code ("" for code 1, which asks for the pass phrase instead).
    std::string Message;
    // Codes 1 and 203 open the pass-phrase field.
    bool WantsPassPhrase = false;
};

// Classifies a reply. A reply carrying the service's response marker that is not readable XML,
// or whose code is not a number, is reported as unreadable rather than as a success.
TWebDocsReply EvaluateWebDocsReply(std::string_view reply);

inline constexpr char kWebDocsResponseMarker[] = "QuodexResponse code=\"";
inline constexpr char kWebDocsHtmlStart[] = "<!DOCTYPE HTML PUBLIC";
inline constexpr char kWebDocsUnreadable[] =
    "The WebDocs service sent a reply that cannot be read. Try again?";

} // namespace pg
