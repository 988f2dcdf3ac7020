// Arbitrary bytes as a WebDocs reply and as a version list: no crash, and the answers keep
// their promises (a coded reply always has words for the user unless it asks for the pass
// phrase; a decision never offers an address twice).

#include "Updates.h"
#include "WebDocs.h"

#include <cstdint>
#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const pg::TWebDocsReply reply = pg::EvaluateWebDocsReply(bytes);
    if (reply.Kind == pg::TWebDocsReplyKind::Response && reply.Code != 1 && reply.Message.empty() &&
        reply.Code >= 0 && reply.Code <= 206)
        std::abort();
    pg::TVersionList list;
    std::string error;
    if (!list.Load(bytes, error))
        return 0;
    pg::TInstalled installed{"004.001.000.003", "001.000.000.000", "001.000.000.000"};
    const pg::TUpdateDecision d = pg::DecideUpdates(list, "Pagellan", installed);
    std::set<std::string> seen;
    for (const pg::TAppInfo& a : d.Downloads)
        if (!seen.insert(a.URL).second)
            std::abort();
    return 0;
}
