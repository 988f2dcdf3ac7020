#pragma once
// The SMTP and POP3 clients over libcurl's multi interface. A request (Connect, Mail, Quit)
// starts at once and runs while the owner calls Pump, so a window can keep its event loop
// going and a program can simply wait; the outcome comes back as events.
//
// SMTP: Connect opens the session (greeting, EHLO, STARTTLS when the server offers it, AUTH
// with the account's user and password only once the session is encrypted) and Mail sends
// MAIL FROM, RCPT TO per recipient and DATA with a MIME message built by curl. The connection
// stays open between requests, so a second Mail reuses it; Quit ends it.
// POP3: Connect opens the connection and reads the greeting only; no USER or PASS is sent.

#include "MailMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pg {

enum class TMailRequest { None, Connect, Mail, Quit };

struct TMailServerAccount {
    std::string Host;
    int Port = 0;         // 0: the protocol's standard port
    std::string UserID;   // AUTH user, used only over TLS
    std::string Password; // AUTH password, used only over TLS
    std::string CABundle; // extra trusted certificates (PEM file) besides the system's
};

struct TMailEvents {
    // Every protocol line sent or received, without its line break.
    std::function<void(const std::string& line)> Display;
    // A request ended; replyCode is the server's last reply code (0 when none came).
    std::function<void(TMailRequest request, bool failed, int replyCode)> RequestDone;
    std::function<void()> SessionClosed;
    // Message bytes handed to the server so far, of total.
    std::function<void(int64_t sent, int64_t total)> Progress;
};

class TMailClient {
public:
    enum class TProtocol { SMTP, POP3 };
    explicit TMailClient(TProtocol protocol);
    ~TMailClient();
    TMailClient(const TMailClient&) = delete;
    TMailClient& operator=(const TMailClient&) = delete;

    TMailServerAccount Account;
    TMailMessage Message; // what Mail sends
    TMailEvents Events;

    // Start a request; false (and nothing starts) while another runs or, for Mail, without a
    // connection or with an unsafe address in the message.
    bool Connect();
    bool Mail();
    // Ends the session (QUIT) at once; SessionClosed follows when one was open.
    void Quit();

    // Moves the running request on, waiting at most timeoutMs for the network.
    void Pump(int timeoutMs);
    bool Ready() const { return running_ == TMailRequest::None; }
    bool Connected() const { return connected_; }
    // Whether the session runs over TLS (STARTTLS).
    bool Encrypted() const { return encrypted_; }
    std::string ErrorMessage() const { return error_; }
    // Whether the last request failed before any server answered at that address (no such
    // host, nothing listening, no answer in time), rather than for what a server said or sent.
    bool ServerNotReached() const;
    std::string LastResponse() const { return lastResponse_; }
    int LastReplyCode() const { return replyCode_; }
    // Connections curl opened since the client was made (a reused session does not add one).
    long ConnectionsOpened() const { return connectionsOpened_; }

private:
    struct TCurl; // the curl handles; its callbacks reach the state below
    bool Start(TMailRequest request);
    void Finish(int curlResult);
    void Display(bool incoming, std::string_view text);

    TProtocol protocol_;
    std::unique_ptr<TCurl> curl_;
    TMailRequest running_ = TMailRequest::None;
    bool connected_ = false;
    bool encrypted_ = false;
    bool authOffered_ = false;
    bool login_ = false;     // the session logged in (requests must carry the same account)
    bool loggingIn_ = false; // the second round of Connect: a new session with AUTH
    bool hideOut_ = false;   // AUTH exchange in progress: outgoing lines are not shown
    std::string error_;
    int result_ = 0; // libcurl's result of the last request
    std::string lastResponse_;
    std::string pendingIn_, pendingOut_;
    int replyCode_ = 0;
    long connectionsOpened_ = 0;
    int64_t lastSent_ = 0;
    int64_t mailTotal_ = 0;
};

} // namespace pg
