#include "MailClient.h"

#include "Paths.h"
#include "Strings.h"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>

namespace pg {

struct TMailClient::TCurl {
    CURLM* Multi = nullptr;
    CURL* Easy = nullptr;
    curl_mime* Mime = nullptr;
    curl_slist* Recipients = nullptr;
    curl_slist* Headers = nullptr;
    char Error[CURL_ERROR_SIZE] = {};

    TCurl() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        Multi = curl_multi_init();
        Easy = curl_easy_init();
    }
    ~TCurl() {
        FreeRequest();
        // The easy handle goes first; cleaning up the multi handle then closes the cached
        // connections, which sends QUIT on each.
        curl_easy_cleanup(Easy);
        curl_multi_cleanup(Multi);
    }
    TCurl(const TCurl&) = delete;
    TCurl& operator=(const TCurl&) = delete;

    void FreeRequest() {
        curl_mime_free(Mime);
        curl_slist_free_all(Recipients);
        curl_slist_free_all(Headers);
        Mime = nullptr;
        Recipients = Headers = nullptr;
    }

    static size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
        auto* self = static_cast<TMailClient*>(user);
        if (type == CURLINFO_SSL_DATA_IN || type == CURLINFO_SSL_DATA_OUT)
            self->encrypted_ = true;
        else if (type == CURLINFO_HEADER_IN || type == CURLINFO_HEADER_OUT)
            self->Display(type == CURLINFO_HEADER_IN, std::string_view(data, size));
        return 0;
    }

    static int XferInfo(void* user, curl_off_t, curl_off_t, curl_off_t total, curl_off_t now) {
        auto* self = static_cast<TMailClient*>(user);
        if (self->running_ != TMailRequest::Mail)
            return 0;
        const int64_t whole = std::max<int64_t>(self->mailTotal_, total);
        const int64_t sent = std::min<int64_t>(std::max<int64_t>(self->lastSent_, now), whole);
        if (sent != self->lastSent_ || whole != self->mailTotal_) {
            self->lastSent_ = sent;
            self->mailTotal_ = whole;
            if (self->Events.Progress)
                self->Events.Progress(sent, whole);
        }
        return 0;
    }
};

TMailClient::TMailClient(TProtocol protocol) : protocol_(protocol) {}

TMailClient::~TMailClient() = default;

void TMailClient::Display(bool incoming, std::string_view text) {
    std::string& pending = incoming ? pendingIn_ : pendingOut_;
    pending.append(text);
    for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (incoming) {
            lastResponse_ = line;
            const std::string upper = UpperCase(line);
            if (upper.rfind("250-AUTH", 0) == 0 || upper.rfind("250 AUTH", 0) == 0)
                authOffered_ = true;
            if (upper.rfind("235", 0) == 0 || (line.size() > 0 && line[0] >= '4'))
                hideOut_ = false;
        } else if (UpperCase(line).rfind("AUTH", 0) == 0) {
            hideOut_ = true;
            line = "AUTH ****";
        } else if (hideOut_) {
            line = "****";
        }
        if (Events.Display)
            Events.Display(line);
    }
}

bool TMailClient::Connect() {
    if (!Ready())
        return false;
    encrypted_ = authOffered_ = loggingIn_ = login_ = false;
    return Start(TMailRequest::Connect);
}

bool TMailClient::Mail() {
    if (!Ready() || !connected_ || protocol_ != TProtocol::SMTP)
        return false;
    return Start(TMailRequest::Mail);
}

bool TMailClient::Start(TMailRequest request) {
    if (!curl_)
        curl_ = std::make_unique<TCurl>();
    CURL* easy = curl_->Easy;
    curl_->FreeRequest();
    curl_easy_reset(easy);
    error_.clear();
    curl_->Error[0] = 0;
    pendingIn_.clear();
    pendingOut_.clear();
    hideOut_ = false;

    const bool smtp = protocol_ == TProtocol::SMTP;
    const int port = Account.Port > 0 ? Account.Port : (smtp ? 25 : 110);
    const std::string url = std::string(smtp ? "smtp://" : "pop3://") + Account.Host + ":" + IntToStr(port);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    // Opportunistic encryption: STARTTLS (STLS) when the server offers it; a certificate that
    // does not verify ends the request instead of falling back to plain text.
    curl_easy_setopt(easy, CURLOPT_USE_SSL, long(login_ || loggingIn_ ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(easy, CURLOPT_CAPATH, "/etc/ssl/certs");
    std::string bundle = Account.CABundle.empty() ? GetEnv("PAGELLAN_CA_BUNDLE") : Account.CABundle;
    if (!bundle.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, bundle.c_str());
    if (login_ || loggingIn_) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, Account.UserID.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, Account.Password.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curl_->Error);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &TCurl::Debug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &TCurl::XferInfo);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TCurl::Discard);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    // A server that stops answering ends the request after a minute instead of never.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);

    if (request == TMailRequest::Connect) {
        if (smtp)
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "NOOP"); // greeting, EHLO, STARTTLS, then NOOP
        else
            curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L); // greeting only: no USER, no PASS
    } else if (request == TMailRequest::Mail) {
        const TMailMessage& m = Message;
        if (!m.From.empty() && !IsSafeAddress(m.From)) {
            error_ = "Invalid email address";
            return false;
        }
        for (const std::string& r : m.Recipients) {
            if (r.empty())
                continue; // a trailing ";" leaves an empty entry: nobody to send to
            if (!IsSafeAddress(r)) {
                error_ = "Invalid email address";
                return false;
            }
            curl_->Recipients = curl_slist_append(curl_->Recipients, r.c_str());
        }
        if (!curl_->Recipients) {
            error_ = "Invalid email address";
            return false;
        }
        std::string to;
        for (const std::string& r : m.ToHeader)
            if (IsSafeAddress(r))
                to += (to.empty() ? "" : ", ") + r;
        std::string fromName = EncodeHeaderWord(CleanSubject(m.FromName));
        if (fromName == m.FromName) {
            std::string quoted = "\"";
            for (const char c : fromName)
                quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
            fromName = quoted + "\"";
        }
        const std::vector<std::string> headers = {
            "From: " + (m.FromName.empty() ? m.From : fromName + " <" + m.From + ">"),
            "To: " + (to.empty() ? std::string("undisclosed-recipients:;") : to),
            "Subject: " + EncodeHeaderWord(CleanSubject(m.Subject)), "Date: " + MailDate(std::time(nullptr)),
            "Message-ID: " + NewMessageId(m.From)};
        for (const std::string& h : headers)
            curl_->Headers = curl_slist_append(curl_->Headers, h.c_str());

        curl_->Mime = curl_mime_init(easy);
        std::string body;
        for (size_t i = 0; i < m.BodyLines.size(); ++i)
            body += (i ? "\r\n" : "") + m.BodyLines[i];
        curl_mimepart* text = curl_mime_addpart(curl_->Mime);
        curl_mime_data(text, body.data(), body.size());
        curl_mime_type(text, "text/plain; charset=iso-8859-1");
        curl_mime_encoder(text, "quoted-printable");
        mailTotal_ = int64_t(body.size());
        for (const std::string& path : m.Attachments) {
            const int64_t size = FileSizeOf(path);
            if (size < 0 || !FileExists(path)) {
                error_ = "Cannot read the attachment " + path;
                return false;
            }
            std::string name;
            for (const char c : FileNamePart(path))
                if (uint8_t(c) >= 32 && c != '"' && c != '\\')
                    name += c;
            curl_mimepart* part = curl_mime_addpart(curl_->Mime);
            curl_mime_filedata(part, path.c_str());
            curl_mime_filename(part, name.c_str());
            curl_mime_type(part, ("application/octet-stream; name=\"" + name + "\"").c_str());
            curl_mime_encoder(part, "base64");
            mailTotal_ += (size + 2) / 3 * 4;
        }
        lastSent_ = 0;
        curl_easy_setopt(easy, CURLOPT_MAIL_FROM, m.From.c_str());
        curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, curl_->Recipients);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, curl_->Headers);
        curl_easy_setopt(easy, CURLOPT_MIMEPOST, curl_->Mime);
        if (Events.Progress)
            Events.Progress(0, mailTotal_);
    }
    running_ = request;
    curl_multi_add_handle(curl_->Multi, easy);
    return true;
}

void TMailClient::Pump(int timeoutMs) {
    if (!curl_ || Ready())
        return;
    int active = 0;
    curl_multi_perform(curl_->Multi, &active);
    if (active) {
        curl_multi_poll(curl_->Multi, nullptr, 0, timeoutMs, nullptr);
        curl_multi_perform(curl_->Multi, &active);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(curl_->Multi, &queued))
        if (message->msg == CURLMSG_DONE && message->easy_handle == curl_->Easy) {
            const CURLcode result = message->data.result;
            curl_multi_remove_handle(curl_->Multi, curl_->Easy);
            Finish(result);
            return;
        }
}

void TMailClient::Finish(int curlResult) {
    long code = 0;
    long connects = 0;
    curl_easy_getinfo(curl_->Easy, CURLINFO_RESPONSE_CODE, &code);
    curl_easy_getinfo(curl_->Easy, CURLINFO_NUM_CONNECTS, &connects);
    connectionsOpened_ += connects;
    replyCode_ = int(code);
    const TMailRequest request = running_;
    running_ = TMailRequest::None;
    result_ = curlResult;
    const bool failed = curlResult != CURLE_OK;
    if (failed)
        error_ = curl_->Error[0] ? std::string(curl_->Error) : curl_easy_strerror(CURLcode(curlResult));

    if (request == TMailRequest::Connect) {
        connected_ = !failed;
        // The server wants a log-in and the session is encrypted: open a logged-in session.
        // Over a plain connection the password is never sent.
        if (!failed && !loggingIn_ && protocol_ == TProtocol::SMTP && authOffered_ && encrypted_ &&
            !Account.UserID.empty()) {
            loggingIn_ = true;
            Start(TMailRequest::Connect);
            return;
        }
        if (loggingIn_) {
            loggingIn_ = false;
            login_ = !failed;
        }
    } else if (failed && code == 0) {
        connected_ = false; // no reply at all: the connection is gone
    }
    if (request == TMailRequest::Mail && !failed && Events.Progress && mailTotal_ > lastSent_) {
        lastSent_ = mailTotal_;
        Events.Progress(mailTotal_, mailTotal_);
    }
    if (Events.RequestDone)
        Events.RequestDone(request, failed, replyCode_);
}

bool TMailClient::ServerNotReached() const {
    switch (result_) {
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return true;
    default:
        return Account.Host.empty();
    }
}

void TMailClient::Quit() {
    if (!curl_)
        return;
    if (!Ready())
        curl_multi_remove_handle(curl_->Multi, curl_->Easy);
    running_ = TMailRequest::None;
    curl_.reset();
    const bool wasConnected = connected_;
    connected_ = login_ = loggingIn_ = false;
    if (wasConnected && Events.SessionClosed)
        Events.SessionClosed();
}

} // namespace pg
