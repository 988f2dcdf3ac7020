#include "MailSession.h"

#include "HLWRegistry.h"
#include "PGRegistry.h"
#include "Strings.h"

#include <cmath>

namespace pg {

namespace {

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (c != ' ')
            out += c;
    return out;
}

// Every part of a recipient text is an address that can go into an envelope command and a
// header (an empty part after a final ";" names nobody and is passed over).
bool SafeRecipients(const std::string& text) {
    for (const std::string& part : SplitRecipients(text))
        if (!part.empty() && !IsSafeAddress(part))
            return false;
    return !HasLineBreak(text);
}

} // namespace

TMailSetup MailSetupFromSettings() {
    TMailSetup s;
    s.Host = PGRegistry::Host();
    s.Port = PGRegistry::Port();
    s.POP3Host = PGRegistry::POP3Host();
    s.POP3UserID = PGRegistry::POP3UserID();
    s.Password = PGRegistry::LoadVersionAndPasswords().Password;
    s.FromName = PGRegistry::FromName();
    s.EmailAddr = PGRegistry::EmailAddr();
    s.AutomaticEmailCC = PGRegistry::AutomaticEmailCC();
    s.CABundle = Registry().ReadString("CABundle", "");
    return s;
}

TMailSetting FirstBlankMailSetting(const TMailSetup& setup) {
    if (Trim(setup.Host).empty())
        return TMailSetting::Host;
    if (Trim(setup.FromName).empty())
        return TMailSetting::FromName;
    if (Trim(setup.EmailAddr).empty())
        return TMailSetting::EmailAddr;
    return TMailSetting::None;
}

std::string MailFailureText(int replyCode, const std::string& error, const std::string& lastResponse) {
    if (replyCode == 502)
        return "Invalid POP3 Address";
    if (replyCode == 521)
        return "Incorrect POP3 User ID";
    return Trim(error).empty() ? lastResponse : error;
}

int MailPercent(int64_t sent, int64_t total) {
    if (total <= 0)
        return 0;
    return int(std::min<double>(100.0, std::nearbyint(double(sent) * 100.0 / double(total))));
}

TMailSession::TMailSession() {
    smtp_.Events.Display = [this](const std::string& line) {
        if (OnDisplay)
            OnDisplay(line);
    };
    pop3_.Events.Display = smtp_.Events.Display;
    smtp_.Events.Progress = [this](int64_t sent, int64_t total) {
        if (OnProgress)
            OnProgress(MailPercent(sent, total));
    };
}

TMailSession::~TMailSession() {
    Close();
}

void TMailSession::Wait(TMailClient& client) {
    while (!client.Ready()) {
        client.Pump(20);
        if (Pump)
            Pump();
    }
}

bool TMailSession::SetUpEmailConnections(const TMailSetup& setup) {
    const std::string pop3Host = WithoutBlanks(setup.POP3Host);
    pop3_.Account = {pop3Host, setup.POP3Port, setup.POP3UserID, "", setup.CABundle};
    if (!pop3Host.empty() && !pop3_.Connected() && pop3_.Connect())
        Wait(pop3_);
    const int port = StrToIntDef(Trim(setup.Port), 25);
    smtp_.Account = {WithoutBlanks(setup.Host), port > 0 ? port : 25, setup.POP3UserID, setup.Password,
                     setup.CABundle};
    if (!smtp_.Account.Host.empty() && !smtp_.Connected() && smtp_.Connect())
        Wait(smtp_);
    return smtp_.Connected();
}

TMailResult TMailSession::Send(const TMailSetup& setup, const TMailDraft& draft) {
    TMailResult result;
    const auto fail = [&](TMailOutcome outcome, std::string text) {
        sending_ = false;
        result.Outcome = outcome;
        result.Text = std::move(text);
        return result;
    };
    if (draft.To.find('@') == std::string::npos || !SafeRecipients(draft.To)) {
        result.Field = "TO";
        return fail(TMailOutcome::InvalidAddress, "Invalid email address");
    }
    if ((!Trim(draft.CC).empty() && draft.CC.find('@') == std::string::npos) || !SafeRecipients(draft.CC) ||
        !SafeRecipients(setup.AutomaticEmailCC) ||
        (!setup.EmailAddr.empty() && !IsSafeAddress(setup.EmailAddr))) {
        result.Field = "CC";
        return fail(TMailOutcome::InvalidAddress, "Invalid email address");
    }
    if (!SetUpEmailConnections(setup)) {
        if (smtp_.ServerNotReached())
            return fail(TMailOutcome::NoSmtpConnection, "Email NOT sent.  Invalid outgoing (SMTP) address.");
        return fail(TMailOutcome::SmtpConnectFailed, "Email NOT sent.  " + smtp_.ErrorMessage());
    }
    if (OnGreeted)
        OnGreeted();
    sending_ = true;

    TMailMessage& m = smtp_.Message;
    m = {};
    m.Recipients = EmailRecipients(draft.To, draft.CC, setup.AutomaticEmailCC);
    for (const std::string& to : SplitRecipients(draft.To))
        if (!to.empty())
            m.ToHeader.push_back(to);
    m.From = setup.EmailAddr;
    m.FromName = setup.FromName;
    m.Subject = draft.Subject;
    m.BodyLines = draft.BodyLines;
    m.Attachments = draft.Attachments;

    if ((!WithoutBlanks(setup.POP3Host).empty() && !pop3_.Connected()) || !smtp_.Connected())
        return fail(TMailOutcome::NoPop3Connection, "Unable to make POP3 connection");
    if (!smtp_.Mail())
        return fail(TMailOutcome::SmtpError, "SMTP error. Email not sent");
    Wait(smtp_);
    sending_ = false;
    result.ReplyCode = smtp_.LastReplyCode();
    if (!smtp_.ErrorMessage().empty()) {
        result.Outcome = TMailOutcome::Refused;
        result.Text = MailFailureText(result.ReplyCode, smtp_.ErrorMessage(), smtp_.LastResponse());
        result.StatusWindow = result.ReplyCode != 502 && result.ReplyCode != 521;
        return result;
    }
    result.Text = "Email sent";
    return result;
}

void TMailSession::Close() {
    smtp_.Quit();
    pop3_.Quit();
}

} // namespace pg
