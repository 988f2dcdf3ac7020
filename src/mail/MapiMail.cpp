#include "MapiMail.h"

#include "Process.h"
#include "Prompt.h"
#include "Strings.h"

namespace pg {

namespace {

// Runs the program (looked up on the PATH) with the arguments, without a shell, and waits;
// the exit status, or -1 when it could not run.
int RunProgram(const std::vector<std::string>& words, bool quiet) {
    TProcessOptions options;
    if (quiet)
        options.Output = options.Errors = TProcessStream::Discard;
    return RunProcess(words, options).ExitCode;
}

// What the program writes to standard output, trimmed; its error output is dropped.
std::string Output(const std::vector<std::string>& words) {
    TProcessOptions options;
    options.Output = TProcessStream::Capture;
    options.Errors = TProcessStream::Discard;
    return Trim(RunProcess(words, options).Output);
}

std::string PercentEncode(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = uint8_t(c);
        if (b <= ' ' || b >= 127 || c == '%' || c == '&' || c == '#' || c == '?') {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool MapiInstalled() {
    if (RunProgram({"sh", "-c", "command -v xdg-email"}, true) != 0)
        return false;
    return !Output({"xdg-mime", "query", "default", "x-scheme-handler/mailto"}).empty();
}

int MapiCodeOfXdgEmailStatus(int status) {
    switch (status) {
    case 0:
        return 0;
    case 2:
        return 11;
    case 5:
        return 12;
    default:
        return 2;
    }
}

std::string MapiErrorText(int code) {
    switch (code) {
    case 0:
        return {};
    case 1:
        return "The user canceled the process; no message was sent.";
    case 2:
        return "One or more unspecified errors occurred; no message was sent. \rYou may only need to launch "
               "your email client to resolve this problem.";
    case 3:
        return "There was no default logon, and the user failed to log on successfully when the logon dialog "
               "box was displayed. No message was sent.";
    case 5:
        return "There was insufficient memory to proceed. No message was sent.";
    case 9:
        return "There were too many file attachments; no message was sent.";
    case 10:
        return "There were too many recipients; no message was sent.";
    case 11:
        return "The specified attachment was not found; no message was sent.";
    case 12:
        return "The specified attachment could not be open; no message was sent.";
    case 14:
        return "A recipient did not appear in the address list; no message was sent.";
    case 15:
        return "The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was sent.";
    case 18:
        return "The text in the message was too large to sent; the message was not sent.";
    case 21:
        return "A recipient matched more than one of the recipient descriptor structures and MAPI_DIALOG was "
               "not set. No message was sent.";
    default:
        return "Your MAPI email client has not been setup properly.\nContact your system administrator or "
               "set "
               "the email\nclient to the HLW SMTP client under 'Options|System options'.";
    }
}

std::vector<std::string> MapiAttachmentPaths(std::string_view text) {
    std::vector<std::string> parts = Split(text, ";");
    if (!parts.empty())
        parts.pop_back(); // the text after the last ";"
    return parts;
}

int SendMapiMail(const std::string& subject, const std::string& body, const std::string& attachments,
                 bool showErrors, bool /*showDialog: the mail program always shows its window*/,
                 const std::vector<std::string>& recipients, const std::string& /*fromAddress*/,
                 const std::string& /*fromName*/) {
    // xdg-email writes every line break as CR LF itself.
    std::string text;
    for (size_t i = 0; i < body.size(); ++i)
        if (!(body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n'))
            text += body[i];
    std::vector<std::string> words = {"xdg-email", "--subject", subject, "--body", text};
    for (const std::string& path : MapiAttachmentPaths(attachments))
        words.insert(words.end(), {"--attach", path});
    for (const std::string& r : recipients)
        if (!Trim(r).empty())
            words.push_back(Trim(r));
    const int status = RunProgram(words, false);
    const int code = status < 0 ? 1 : MapiCodeOfXdgEmailStatus(status); // not installed: as MAPI missing
    if (showErrors && code == 1)
        ShowInformation(MapiErrorText(code));
    else if (showErrors && code != 0)
        ShowError(MapiErrorText(code));
    return code;
}

std::string MailtoAddress(std::string_view recipients, std::string_view subject,
                          const std::vector<std::string>& bodyLines, std::string_view cc) {
    std::string body;
    for (size_t i = 0; i < bodyLines.size(); ++i)
        body += (i ? "%0a" : "") + PercentEncode(bodyLines[i]);
    return "mailto:" + PercentEncode(recipients) + "?subject=" + PercentEncode(subject) + "&Body=" + body +
           "&CC=" + PercentEncode(cc);
}

bool OpenMailto(const std::string& address) {
    return RunProgram({"xdg-open", address}, false) == 0;
}

} // namespace pg
