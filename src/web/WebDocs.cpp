#include "WebDocs.h"

#include <pugixml.hpp>

#include <charconv>

namespace pg {

std::string WebDocsRequest(std::string_view code, std::string_view passPhrase) {
    std::string r =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<QuodexRequest>\r\n<type>Retrieve</type>\r\n"
        "<Format>QDX</Format>\r\n<Code>";
    r += code;
    r += "</Code>\r\n<PassPhrase>";
    r += passPhrase;
    r += "</PassPhrase>\r\n</QuodexRequest>";
    return r;
}

namespace {

std::string CodeMessage(int code, std::string_view reply) {
    switch (code) {
    case 0:
        return "Successful retrieval. Try again?";
    case 1:
        return "";
    case 200:
        return "Unknown error. Try again?";
    case 201:
        return "Invalid code. Try again?";
    case 202:
        return "Retrieval code required and missing or blank. Try again?";
    case 203:
        return "Authentication failure. Try again?";
    case 204:
        return "A configuration error has occured on the server. Try again?";
    case 205:
        return "Missing required configuration data. Try again?";
    case 206:
        return "A processing error has occured. Try again?";
    default:
        break;
    }
    const size_t at = reply.find(kWebDocsResponseMarker);
    return std::string(reply.substr(at + std::string_view(kWebDocsResponseMarker).size(), 4));
}

} // namespace

TWebDocsReply EvaluateWebDocsReply(std::string_view reply) {
    TWebDocsReply r;
    if (reply.find(kWebDocsResponseMarker) == std::string_view::npos) {
        r.Kind =
            reply.rfind(kWebDocsHtmlStart, 0) == 0 ? TWebDocsReplyKind::HtmlPage : TWebDocsReplyKind::Package;
        return r;
    }
    r.Kind = TWebDocsReplyKind::Response;
    pugi::xml_document doc;
    const pugi::xml_node root = doc.load_buffer(reply.data(), reply.size())
                                    ? doc.select_node("/QuodexResponse").node()
                                    : pugi::xml_node();
    const std::string codeText = root ? root.attribute("code").value() : "";
    int code = 0;
    const auto [end, ec] = std::from_chars(codeText.data(), codeText.data() + codeText.size(), code);
    if (!root || codeText.empty() || ec != std::errc() || end != codeText.data() + codeText.size()) {
        r.Code = -1;
        r.Message = kWebDocsUnreadable;
        return r;
    }
    r.Code = code;
    if (const pugi::xml_node pass = root.child("PassType")) {
        const std::string text = pass.text().get();
        r.Prompt = !text.empty() && text[0] == '*' ? "Password:" : text + ":";
    }
    r.Message = CodeMessage(code, reply);
    r.WantsPassPhrase = code == 1 || code == 203;
    return r;
}

} // namespace pg
