#include "MailMessage.h"

#include "PGRegistry.h"
#include "Strings.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

namespace pg {

std::vector<std::string> SplitRecipients(std::string_view text) {
    std::vector<std::string> out;
    if (Trim(text).empty())
        return out;
    for (const std::string& part : Split(text, ";"))
        out.push_back(Trim(part));
    return out;
}

std::vector<std::string> EmailRecipients(std::string_view to, std::string_view cc,
                                         std::string_view automaticCC) {
    std::vector<std::string> out;
    for (const std::string_view text : {to, cc, automaticCC})
        for (std::string& part : SplitRecipients(text))
            out.push_back(std::move(part));
    return out;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsSafeAddress(std::string_view address) {
    for (const char c : address) {
        const auto b = uint8_t(c);
        if (b <= ' ' || b == 127 || std::string_view("<>,;\"").find(c) != std::string_view::npos)
            return false;
    }
    const size_t at = address.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
           address.find('@', at + 1) == std::string_view::npos;
}

std::string CleanSubject(std::string_view subject) {
    std::string out;
    for (const char c : subject)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

std::string MailDate(std::time_t when) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&when, &local);
    const long offset = local.tm_gmtoff / 60;
    const long size = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[local.tm_wday],
                  local.tm_mday, months[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, offset < 0 ? '-' : '+', size / 60, size % 60);
    return text;
}

std::string NewMessageId(std::string_view fromAddress) {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const size_t at = fromAddress.find('@');
    std::string domain = at == std::string_view::npos ? "" : std::string(fromAddress.substr(at + 1));
    if (domain.empty() || !IsSafeAddress("x@" + domain))
        domain = "pagellan";
    char text[96];
    std::snprintf(text, sizeof text, "<%llx.%x.%x.%x@", (unsigned long long)now.count(), unsigned(::getpid()),
                  counter++, device());
    return text + domain + ">";
}

std::string EncodeHeaderWord(std::string_view text) {
    const bool plain =
        std::all_of(text.begin(), text.end(), [](char c) { return uint8_t(c) >= 32 && uint8_t(c) < 127; });
    if (plain)
        return std::string(text);
    return "=?iso-8859-1?B?" + EncodeBase64(text) + "?=";
}

static std::string ReplaceEvery(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string EmailBodyFromStored(std::string_view stored) {
    std::string body = CRLFMarkersToBreaks(stored);
    if (Trim(body).empty())
        return body;
    return ReplaceEvery(ReplaceEvery(body, "Cor*vane", "Pagellan"), "Corvane", "Pagellan");
}

std::string GetEmailBodyMessageFromRegistry() {
    return EmailBodyFromStored(PGRegistry::EmailMessage());
}

std::vector<std::string> EmailBodyLines(std::string_view body) {
    std::vector<std::string> lines = Split(body, "\n");
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

std::string EmailSubjectFor(std::string_view worksheet) {
    return "Documents for #" + std::string(worksheet);
}

std::string EmailDocumentName(std::string_view worksheet) {
    std::string name;
    for (const char c : worksheet)
        name += (c == '/' || c == '\\' || uint8_t(c) < 32) ? '_' : c;
    if (Trim(name).empty() || name == "." || name == "..")
        name = "Pagellan";
    return name;
}

std::string DisableAnnotationsInQuodex(std::string_view content) {
    const size_t colon = content.find(':');
    if (colon == std::string_view::npos)
        return std::string(content);
    std::string header;
    for (const std::string& item : Split(content.substr(0, colon), ";"))
        if (UpperCase(item).find("CANANNOTATE") == std::string::npos)
            header += item + ";";
    header += "CanAnnotate,N";
    return header + std::string(content.substr(colon));
}

} // namespace pg
