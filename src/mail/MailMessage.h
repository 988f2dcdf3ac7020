#pragma once
// The message a send carries and the text rules around it: recipient lists, address checks,
// the header values (Date, Message-ID, encoded words) and the body kept in the settings.
// Everything here is plain text work; the SMTP client turns a TMailMessage into MIME.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

struct TMailMessage {
    std::string From;                    // envelope sender and header From address
    std::string FromName;                // display name in the From header
    std::vector<std::string> ToHeader;   // addresses shown in the To header
    std::vector<std::string> Recipients; // envelope recipients, in order
    std::string Subject;
    std::vector<std::string> BodyLines; // single-byte (iso-8859-1) text
    std::vector<std::string> Attachments;
};

// The parts of one recipient text: blank text gives none; otherwise every ";"-separated part,
// trimmed, also the (possibly empty) part after the last ";".
std::vector<std::string> SplitRecipients(std::string_view text);
// The recipients of a send: the TO text, then the CC text, then the automatic CC address.
std::vector<std::string> EmailRecipients(std::string_view to, std::string_view cc,
                                         std::string_view automaticCC);

// Whether the text holds a CR or LF: such text would end a header line and start another.
bool HasLineBreak(std::string_view text);
// An address that may go into an envelope command and a header: no control characters, no
// blanks and none of "<", ">", ",", ";", '"', and one "@" with text on both sides.
bool IsSafeAddress(std::string_view address);
// The subject with every CR and LF removed (they would start a header of their own).
std::string CleanSubject(std::string_view subject);

// "Wed, 09 Dec 2026 13:12:17 +0000" for the Date header.
std::string MailDate(std::time_t when);
// A fresh "<...@domain>" for the Message-ID header; the domain is the sender's, else "pagellan".
std::string NewMessageId(std::string_view fromAddress);
// Header text: as it is when plain printable ASCII, else an RFC 2047 encoded word in iso-8859-1.
std::string EncodeHeaderWord(std::string_view text);

// The body text kept in "Email Message": "<CRLF>" markers as line breaks, and the maker's old
// product name replaced by ours in a non-blank text.
std::string GetEmailBodyMessageFromRegistry();
// The same rules on a stored text.
std::string EmailBodyFromStored(std::string_view stored);

// A body text as the lines of a message: split at every LF, the CR before it dropped.
std::vector<std::string> EmailBodyLines(std::string_view body);

// The subject a package's e-mail starts with: "Documents for #" + its worksheet number.
std::string EmailSubjectFor(std::string_view worksheet);

// The name of the attachment files of a set, from its worksheet number: characters that would
// leave the folder become "_", and a blank number gives "Pagellan".
std::string EmailDocumentName(std::string_view worksheet);

// The annotation-disabled copy of a Quodex container: in the header (the text before the first
// ":") every CanAnnotate item is dropped and "CanAnnotate,N" appended. Content without ":" stays.
std::string DisableAnnotationsInQuodex(std::string_view content);

} // namespace pg
