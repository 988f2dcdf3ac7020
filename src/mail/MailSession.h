#pragma once
// One e-mail session as the Email dialog and "pagellan-cli mail" run it: the SMTP and POP3
// connections are made on the first send and kept for the next, each send checks the
// addresses, builds the message from the draft and the account settings, and ends in one
// outcome with the text the user sees.

#include "MailClient.h"
#include "PdfConversion.h" // TEventPump

#include <string>
#include <vector>

namespace pg {

// The account settings a send uses.
struct TMailSetup {
    std::string Host;
    std::string Port; // "25" unless the server listens elsewhere (587)
    std::string POP3Host;
    int POP3Port = 0; // 0: the "pop3" service port, 110
    std::string POP3UserID;
    std::string Password; // clear text
    std::string FromName;
    std::string EmailAddr;
    std::string AutomaticEmailCC;
    std::string CABundle;
};
// From the settings store (the password decoded).
TMailSetup MailSetupFromSettings();

// The account settings no send can do without, in the order the user is asked for them.
enum class TMailSetting { None, Host, FromName, EmailAddr };
// The first of them that is blank; None when all are filled.
TMailSetting FirstBlankMailSetting(const TMailSetup& setup);
inline constexpr char kMailSettingsIncompleteText[] =
    "Your email settings must be completed before you may continue.";

struct TMailDraft {
    std::string To; // ";"-separated
    std::string CC; // ";"-separated
    std::string Subject;
    std::vector<std::string> BodyLines;
    std::vector<std::string> Attachments;
};

enum class TMailOutcome {
    Sent,
    InvalidAddress,    // "Invalid email address"
    NoSmtpConnection,  // "Email NOT sent.  Invalid outgoing (SMTP) address."
    SmtpConnectFailed, // the server was reached but no session came of it: Text says why
    NoPop3Connection,  // "Unable to make POP3 connection"
    SmtpError,         // "SMTP error. Email not sent"
    Refused,           // the server refused the message: Text says why
};

struct TMailResult {
    TMailOutcome Outcome = TMailOutcome::Sent;
    std::string Text;          // the message for the user
    bool StatusWindow = false; // shown in the status window "Error" rather than a message box
    int ReplyCode = 0;
    std::string Field; // for InvalidAddress: "TO" or "CC"
};

// The text of a failed mail request by the server's reply: 502 "Invalid POP3 Address", 521
// "Incorrect POP3 User ID", else the client's error text or, when blank, its last response.
std::string MailFailureText(int replyCode, const std::string& error, const std::string& lastResponse);
// Rounded percentage of sent in total, at most 100; 0 while total is 0.
int MailPercent(int64_t sent, int64_t total);

class TMailSession {
public:
    TMailSession();
    ~TMailSession();
    TMailSession(const TMailSession&) = delete;
    TMailSession& operator=(const TMailSession&) = delete;

    // Called between network waits (a window processes its events there).
    TEventPump Pump;
    std::function<void(const std::string& line)> OnDisplay;
    std::function<void(int percent)> OnProgress;
    // The server greeted: the send goes ahead (a window keeps what the user typed from here).
    std::function<void()> OnGreeted;

    // The whole send: address checks, connections (made once, then reused), the message. A
    // connection that fails at an address that answers nothing is NoSmtpConnection; one that
    // fails for another reason (a certificate not trusted, encryption refused) says that reason.
    TMailResult Send(const TMailSetup& setup, const TMailDraft& draft);
    // Connects POP3 (when a host is set) and SMTP when not connected; whether SMTP is.
    bool SetUpEmailConnections(const TMailSetup& setup);
    // QUIT on both sessions.
    void Close();

    bool Sending() const { return sending_; }
    TMailClient& Smtp() { return smtp_; }
    TMailClient& Pop3() { return pop3_; }

private:
    void Wait(TMailClient& client);

    TMailClient smtp_{TMailClient::TProtocol::SMTP};
    TMailClient pop3_{TMailClient::TProtocol::POP3};
    bool sending_ = false;
};

} // namespace pg
