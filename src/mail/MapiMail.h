#pragma once
// The desktop's own mail program instead of the SMTP dialog: the message with its attachments
// is handed over through xdg-email (the freedesktop stand-in for Simple MAPI), and xdg-email's
// exit status is mapped to the MAPI result codes and their messages. The mailto: route builds
// the address and opens it with xdg-open.

#include <string>
#include <string_view>
#include <vector>

namespace pg {

// xdg-email is on the PATH and the desktop names a handler for mailto: addresses.
bool MapiInstalled();

// Hands the message to the mail program: attachments is one text with a ";" after every path
// (text after the last ";" is ignored), recipients one address per entry. Answers the MAPI
// result code (xdg-email 0 -> 0, 2 -> 11, 5 -> 12, any other failure -> 2); with showErrors the
// code's message goes through the prompt seam.
int SendMapiMail(const std::string& subject, const std::string& body, const std::string& attachments,
                 bool showErrors, bool showDialog, const std::vector<std::string>& recipients,
                 const std::string& fromAddress, const std::string& fromName);

// The result code of an xdg-email exit status.
int MapiCodeOfXdgEmailStatus(int status);
// The message of a MAPI result code (empty for 0).
std::string MapiErrorText(int code);
// The paths of an attachment text: as many ";"-separated parts as there are ";".
std::vector<std::string> MapiAttachmentPaths(std::string_view text);

// "mailto:" + recipients + "?subject=" + subject + "&Body=" + body + "&CC=" + cc, the body's
// lines joined by "%0a". "%", "&", "#", "?", blanks, control characters and bytes above 127 are
// percent-encoded in every part, so no part can change the address or add a field.
std::string MailtoAddress(std::string_view recipients, std::string_view subject,
                          const std::vector<std::string>& bodyLines, std::string_view cc);
// Opens the address with xdg-open; whether it started.
bool OpenMailto(const std::string& address);

} // namespace pg
