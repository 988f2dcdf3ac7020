#include "HLWWebCopy.h"

#include "Paths.h"
#include "Strings.h"
#include "WebAddress.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace pg {

namespace {

struct TCurlGlobal {
    TCurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~TCurlGlobal() { curl_global_cleanup(); }
};

void EnsureCurl() {
    static TCurlGlobal global;
}

struct TEasy {
    TEasy() : h(curl_easy_init()) { errbuf[0] = 0; }
    ~TEasy() {
        curl_easy_cleanup(h);
        curl_slist_free_all(headers);
    }
    TEasy(const TEasy&) = delete;
    TEasy& operator=(const TEasy&) = delete;
    void AddHeader(const std::string& line) { headers = curl_slist_append(headers, line.c_str()); }
    long StatusCode() const {
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        return status;
    }
    int64_t AnnouncedLength() const {
        curl_off_t length = -1;
        curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        return length > 0 ? int64_t(length) : 0;
    }
    CURL* h;
    curl_slist* headers = nullptr;
    char errbuf[CURL_ERROR_SIZE];
};

std::string SchemeOf(const std::string& url) {
    const size_t colon = url.find("://");
    return colon == std::string::npos ? std::string() : LowerCase(url.substr(0, colon));
}

// "host[:port]" after the scheme, without user information.
std::string Authority(const std::string& url) {
    std::string rest = url;
    if (const size_t p = rest.find("://"); p != std::string::npos)
        rest = rest.substr(p + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const size_t at = rest.rfind('@'); at != std::string::npos)
        rest = rest.substr(at + 1);
    return rest;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexDigitValue(s[i + 1]) >= 0 && HexDigitValue(s[i + 2]) >= 0) {
            out += char(HexDigitValue(s[i + 1]) * 16 + HexDigitValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool IsConnectFailure(CURLcode code) {
    return code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
           code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_OPERATION_TIMEDOUT;
}

// The words for a transfer that libcurl ended, naming the reason.
std::string FailureText(CURLcode code, const char* errbuf, const std::string& url) {
    const std::string detail =
        errbuf && *errbuf ? std::string(errbuf) : std::string(curl_easy_strerror(code));
    const std::string host = AddressHost(url);
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
        return "The certificate of " + host + " was not accepted: " + detail;
    case CURLE_SSL_CACERT_BADFILE:
        return "The trusted certificates cannot be read: " + detail;
    case CURLE_TOO_MANY_REDIRECTS:
        return "Too many redirects (more than " + std::to_string(kMaxRedirects) + ") from " +
               AddressForDisplay(url);
    case CURLE_FILESIZE_EXCEEDED:
        return "The reply from " + host + " is larger than 1 GB and was refused";
    default:
        break;
    }
    if (IsConnectFailure(code))
        return "Cannot connect to server " + host + " (" + detail + ")";
    return "Transfer from " + host + " failed: " + detail;
}

int FailureCode(CURLcode code) {
    return IsConnectFailure(code) ? kErrCannotConnect : int(code);
}

std::string HttpErrorText(long status) {
    return "Returned http error code " + std::to_string(status);
}

} // namespace

THLWWebCopyItem& THLWWebCopyItems::Add() {
    items_.push_back(std::make_shared<THLWWebCopyItem>());
    return *items_.back();
}

int AddressPort(const std::string& url) {
    const std::string authority = Authority(url);
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        const std::string digits = authority.substr(colon + 1);
        if (!digits.empty() && digits.size() <= 5 &&
            digits.find_first_not_of("0123456789") == std::string::npos)
            return std::stoi(digits);
    }
    return UpperCase(url).rfind("HTTPS", 0) == 0 ? 443 : 80;
}

std::string AddressHost(const std::string& url) {
    std::string authority = Authority(url);
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos)
        authority = authority.substr(0, colon);
    return authority;
}

std::string FileNameFromAddress(const std::string& url) {
    std::string path = url;
    if (const size_t p = path.find("://"); p != std::string::npos)
        path = path.substr(p + 3);
    path = path.substr(0, path.find_first_of("?#"));
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return {};
    const std::string name = PercentDecode(path.substr(slash + 1));
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos ||
        name.find('\0') != std::string::npos)
        return {};
    return name;
}

std::string TargetPath(const std::string& dir, const std::string& name) {
    if (name.empty())
        return dir;
    if (dir.empty())
        return name;
    const bool dirEnds = dir.back() == '/' || dir.back() == '\\';
    return dirEnds ? dir + name : dir + PathDelim + name;
}

TProxySettings ProxyFromOptions(bool useProxy, bool useCustom, const std::string& address,
                                const std::string& port, const std::string& user,
                                const std::string& password) {
    if (!useProxy || !useCustom || Trim(address).empty())
        return {};
    TProxySettings p;
    p.Proxy = Trim(address);
    if (!Trim(port).empty())
        p.Proxy += ":" + Trim(port);
    p.UserID = user;
    p.Password = password;
    return p;
}

std::string ChooseCABundle(const std::string& envValue, const std::string& setting) {
    return !envValue.empty() ? envValue : setting;
}

// One libcurl transfer of the current item: the handle, its callbacks' state, and where the
// body goes.
struct THLWWebCopy::TRun {
    THLWWebCopy& self;
    THLWWebCopyItem& item;
    int index;
    TEasy easy;

    // Body sink.
    bool prepared = false;
    bool stopped = false; // we ended the transfer on purpose (reported already, or skipped)
    bool tooLarge = false;
    std::string target;
    std::string tempPath;
    std::FILE* file = nullptr;
    int64_t received = 0;
    std::function<bool()> prepare; // decides, on the first byte or at the end, whether to take the body
    // A body for the item's stream, gathered here (with room for its announced length) and
    // handed over in one piece when the transfer ends.
    std::string body;
    bool toStream = true;
    bool uploadReplyAsData = false;

    // Upload source.
    std::FILE* source = nullptr;
    int64_t sent = 0;

    // The address a redirect led to that the item's rule refused.
    std::string refusedRedirect;

    std::chrono::steady_clock::time_point lastPump{};

    TRun(THLWWebCopy& s, THLWWebCopyItem& i, int idx) : self(s), item(i), index(idx) {}
    ~TRun() {
        if (file)
            std::fclose(file);
        if (!tempPath.empty())
            ::unlink(tempPath.c_str());
        if (source)
            std::fclose(source);
    }

    void Setup(const std::string& url) {
        CURL* h = easy.h;
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, easy.errbuf);
        curl_easy_setopt(h, CURLOPT_USERAGENT, self.Agent.c_str());
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        // libcurl reads the socket in larger blocks (fewer system calls); the host still sees
        // the body in chunks of at most 4096 bytes (WriteBody).
        curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, self.ConnectTimeout);
        if (self.StallTimeout > 0) {
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, self.StallTimeout);
        }
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, long(kMaxRedirects));
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxBodyBytes));
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!self.CABundle.empty()) {
            // CAINFO alone would replace the system store; the hashed system folder keeps it.
            curl_easy_setopt(h, CURLOPT_CAINFO, self.CABundle.c_str());
            curl_easy_setopt(h, CURLOPT_CAPATH, "/etc/ssl/certs");
        }
        if (!self.Proxy.empty())
            curl_easy_setopt(h, CURLOPT_PROXY, self.Proxy.c_str());
        if (!self.ProxyUserID.empty() && !self.ProxyPassword.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, self.ProxyUserID.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, self.ProxyPassword.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
        }
        // The engine never serves from a cache: every request is a reload.
        easy.AddHeader("Cache-Control: no-cache");
        easy.AddHeader("Pragma: no-cache");
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TRun::WriteBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TRun::Progress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        if (item.RedirectAllowed) {
            curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TRun::BeforeRequest);
            curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
        }
    }

    // Called once the connection for each request stands and before anything is sent on it,
    // also for every request a redirect leads to: the item's rule decides on that address.
    static int BeforeRequest(void* user, char*, char*, int, int) {
        auto* run = static_cast<TRun*>(user);
        const char* current = nullptr;
        curl_easy_getinfo(run->easy.h, CURLINFO_EFFECTIVE_URL, &current);
        if (current == nullptr || run->item.RedirectAllowed(current))
            return CURL_PREREQFUNC_OK;
        run->refusedRedirect = current;
        return CURL_PREREQFUNC_ABORT;
    }

    void AddExtraHeaders() {
        for (const std::string& line : item.AdditionalHeaders)
            if (!Trim(line).empty())
                easy.AddHeader(line);
    }

    void UseBasicAuth() {
        if (item.HTTPUserID.empty() && item.HTTPPassword.empty())
            return;
        curl_easy_setopt(easy.h, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(easy.h, CURLOPT_USERNAME, item.HTTPUserID.c_str());
        curl_easy_setopt(easy.h, CURLOPT_PASSWORD, item.HTTPPassword.c_str());
    }

    CURLcode Perform() {
        curl_easy_setopt(easy.h, CURLOPT_HTTPHEADER, easy.headers);
        self.Pump();
        const CURLcode code = curl_easy_perform(easy.h);
        if (item.Stream.Size() == 0) {
            item.Stream = THLWMemorystream(std::move(body));
            item.Stream.Seek(item.Stream.Size());
        } else {
            item.Stream.Write(body);
        }
        body.clear();
        self.Pump();
        return code;
    }

    // Opens the temporary file beside the target; false (reported) when it cannot be made.
    bool OpenTarget() {
        const std::filesystem::path path(NativePath(target));
        std::error_code ec;
        if (path.has_parent_path())
            std::filesystem::create_directories(path.parent_path(), ec);
        std::string pattern =
            (path.has_parent_path() ? path.parent_path() / ".part-XXXXXX" : ".part-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) {
            // mkstemp makes the file private; the finished download gets the usual permissions.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
            file = ::fdopen(fd, "wb");
            // Chunks reach the host 4096 bytes at a time; the disk gets them in larger writes.
            if (file)
                std::setvbuf(file, nullptr, _IOFBF, 256 * 1024);
        }
        if (!file) {
            if (fd >= 0) {
                ::close(fd);
                ::unlink(pattern.c_str());
            }
            self.Fail(index, kErrCannotCreateFile, "Cannot create file " + target);
            return false;
        }
        tempPath = pattern;
        return true;
    }

    // Renames the complete body over the target.
    bool CommitTarget() {
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        std::error_code ec;
        if (closed)
            std::filesystem::rename(tempPath, NativePath(target), ec);
        if (!closed || ec) {
            self.Fail(index, kErrCannotCreateFile, "Cannot create file " + target);
            return false;
        }
        tempPath.clear();
        return true;
    }

    bool Prepare() {
        if (prepared)
            return !stopped;
        prepared = true;
        if (prepare && !prepare()) {
            stopped = true;
            return false;
        }
        return true;
    }

    size_t Take(const char* data, size_t n) {
        if (self.cancelRequested_ || !Prepare())
            return 0;
        if (received + int64_t(n) > kMaxBodyBytes) {
            tooLarge = true;
            return 0;
        }
        if (uploadReplyAsData) {
            std::string chunk(data, n);
            received += int64_t(n);
            if (self.OnCopyProgress)
                self.OnCopyProgress(self.fileIndex_, easy.AnnouncedLength(), received, chunk);
            self.Pump();
            return n;
        }
        if (file ? std::fwrite(data, 1, n, file) != n : false) {
            self.Fail(index, kErrCannotCreateFile, "Cannot create file " + target);
            stopped = true;
            return 0;
        }
        if (!file)
            body.append(data, n);
        received += int64_t(n);
        self.transferred_ += int64_t(n);
        std::string none;
        if (self.OnCopyProgress)
            self.OnCopyProgress(self.fileIndex_, easy.AnnouncedLength(), received, none);
        self.Pump();
        return n;
    }

    static size_t WriteBody(char* data, size_t size, size_t count, void* user) {
        auto* run = static_cast<TRun*>(user);
        // Chunks reach the host at most 4096 bytes at a time, whatever libcurl hands us.
        const size_t total = size * count;
        for (size_t done = 0; done < total;) {
            const size_t n = std::min(kChunkBytes, total - done);
            if (run->Take(data + done, n) != n)
                return 0;
            done += n;
        }
        return total;
    }

    static size_t ReadSource(char* buffer, size_t size, size_t count, void* user) {
        auto* run = static_cast<TRun*>(user);
        if (run->self.cancelRequested_)
            return CURL_READFUNC_ABORT;
        const size_t n = std::fread(buffer, 1, std::min(size * count, kChunkBytes), run->source);
        run->sent += int64_t(n);
        run->self.transferred_ += int64_t(n);
        std::string none;
        if (n > 0 && run->self.OnCopyProgress)
            run->self.OnCopyProgress(run->self.fileIndex_, 0, run->sent, none);
        run->self.Pump();
        return n;
    }

    static int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* run = static_cast<TRun*>(user);
        // Keeps the window alive while a slow server sends nothing; at most every 20 ms.
        const auto now = std::chrono::steady_clock::now();
        if (now - run->lastPump > std::chrono::milliseconds(20)) {
            run->lastPump = now;
            run->self.Pump();
        }
        return run->self.cancelRequested_ ? 1 : 0;
    }

    // Reports a failure libcurl ended the transfer with, unless we stopped it ourselves.
    void ReportCurlFailure(CURLcode code, bool urlNotFound) {
        if (stopped || self.cancelRequested_)
            return;
        const std::string url = item.URL;
        if (!refusedRedirect.empty()) {
            self.Fail(index, kErrRedirectRefused,
                      "The redirect from " + AddressForDisplay(url) + " to " +
                          AddressForDisplay(refusedRedirect) +
                          " was refused: what gets installed comes only over https or from the version "
                          "list's server.");
            return;
        }
        if (tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            self.Fail(index, CURLE_FILESIZE_EXCEEDED, FailureText(CURLE_FILESIZE_EXCEEDED, nullptr, url));
            return;
        }
        if (urlNotFound && self.OnURLNotFound)
            self.OnURLNotFound(url);
        self.Fail(index, FailureCode(code), FailureText(code, easy.errbuf, url));
    }
    // Runs a request whose reply is data, not a file: an HTTP error status fails it (an error
    // page must never be taken for a reply of the service). False when the transfer failed;
    // the failure is reported.
    bool PerformRefusingHttpErrors() {
        prepare = [this]() {
            const long status = easy.StatusCode();
            if (status > 299) {
                self.Fail(index, int(status), HttpErrorText(status));
                return false;
            }
            return true;
        };
        const CURLcode code = Perform();
        if (code == CURLE_OK && !self.cancelRequested_)
            Prepare();
        if (code != CURLE_OK) {
            ReportCurlFailure(code, false);
            return false;
        }
        return true;
    }
};

THLWWebCopy::THLWWebCopy() {
    EnsureCurl();
}

THLWWebCopy::~THLWWebCopy() = default;

void THLWWebCopy::Pump() {
    if (EventPump)
        EventPump();
}

void THLWWebCopy::Fail(int index, int code, const std::string& text) {
    if (OnError)
        OnError(index, code);
    if (OnErrorInfo && !text.empty())
        OnErrorInfo(index, code, text);
}

bool THLWWebCopy::Execute() {
    if (active_)
        return false;
    WinInetError = 0;
    Status = 0;
    fileIndex_ = 0;
    userCanceled_ = false;
    cancelRequested_ = false;
    transferred_ = 0;
    active_ = true;
    // The run keeps its own references: the list may be cleared by a handler meanwhile.
    const std::vector<std::shared_ptr<THLWWebCopyItem>> items = Items.items_;
    for (size_t i = 0; i < items.size(); ++i) {
        THLWWebCopyItem& item = *items[i];
        if (!item.Active)
            continue;
        ++fileIndex_;
        if (OnFileStart)
            OnFileStart(int(i));
        item.noNewerFile_ = false;
        const bool ok = RunItem(int(i), item);
        item.succeeded_ = ok && !cancelRequested_;
        if (cancelRequested_) {
            userCanceled_ = true;
            break;
        }
        if (OnFileDone)
            OnFileDone(int(i));
    }
    active_ = false;
    if (OnCopyDone)
        OnCopyDone();
    return true;
}

bool THLWWebCopy::RunItem(int index, THLWWebCopyItem& item) {
    switch (item.Protocol) {
    case TWebProtocol::wpHttp:
        return Download(index, item);
    case TWebProtocol::wpHttpPostData:
        return PostData(index, item);
    case TWebProtocol::wpHttpUpload:
        return Upload(index, item);
    case TWebProtocol::wpHttpGet2:
        return Get2(index, item);
    default:
        return false;
    }
}

bool THLWWebCopy::Download(int index, THLWWebCopyItem& item) {
    TRun run(*this, item, index);
    run.Setup(item.URL);
    run.UseBasicAuth();
    const bool checkDate = item.CopyNewerOnly || bool(OnFileDateCheck);
    if (checkDate)
        curl_easy_setopt(run.easy.h, CURLOPT_FILETIME, 1L);
    run.target = TargetPath(item.TargetDir, item.TargetFilename);
    run.prepare = [&]() {
        const long status = run.easy.StatusCode();
        if (status == 401 && item.Authenticate != TWebAuthenticate::waNever)
            return false;
        if (status > 299) {
            Fail(index, int(status), HttpErrorText(status));
            return false;
        }
        if (checkDate) {
            curl_off_t stamp = -1;
            curl_easy_getinfo(run.easy.h, CURLINFO_FILETIME_T, &stamp);
            const TDateTime serverDate = stamp >= 0 ? DateTimeFromTime(std::time_t(stamp)) : 0;
            if (OnFileDateCheck) {
                bool allow = true;
                OnFileDateCheck(index, serverDate, allow);
            } else if (!(serverDate > item.FileDate)) {
                item.noNewerFile_ = true;
                item.FileDate = serverDate;
                if (OnNoNewFileFound)
                    OnNoNewFileFound(FileNamePart(item.URL), serverDate, serverDate);
                return false;
            }
            item.FileDate = serverDate;
        }
        if (run.target.empty()) {
            run.body.reserve(size_t(run.easy.AnnouncedLength()));
            return true;
        }
        if (FileExists(NativePath(run.target)) && OnCopyOverWrite) {
            bool allow = true;
            OnCopyOverWrite(run.target, allow);
            if (!allow)
                return false;
        }
        return run.OpenTarget();
    };
    const CURLcode code = run.Perform();
    if (code == CURLE_OK && !cancelRequested_)
        run.Prepare();
    if (code != CURLE_OK) {
        run.ReportCurlFailure(code, true);
        return false;
    }
    if (run.stopped || cancelRequested_)
        return false;
    if (run.received == 0) {
        Fail(index, kErrEmptyReply, "No data received from " + AddressForDisplay(item.URL));
        return false;
    }
    return run.file ? run.CommitTarget() : true;
}

bool THLWWebCopy::PostData(int index, THLWWebCopyItem& item) {
    TRun run(*this, item, index);
    run.Setup(item.URL);
    run.UseBasicAuth();
    run.AddExtraHeaders();
    item.postData_ = std::string(item.Stream.View());
    item.Stream.Clear();
    curl_easy_setopt(run.easy.h, CURLOPT_POST, 1L);
    curl_easy_setopt(run.easy.h, CURLOPT_POSTFIELDS, item.postData_.data());
    curl_easy_setopt(run.easy.h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(item.postData_.size()));
    // A redirected post stays a post.
    curl_easy_setopt(run.easy.h, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_ALL));
    if (!run.PerformRefusingHttpErrors())
        return false;
    if (run.stopped || cancelRequested_)
        return false;
    if (run.received == 0) {
        Fail(index, kErrEmptyReply, "No data received from " + AddressForDisplay(item.URL));
        return false;
    }
    return true;
}

bool THLWWebCopy::Upload(int index, THLWWebCopyItem& item) {
    const std::string name =
        item.TargetFilename.empty() ? FileNameFromAddress(item.URL) : item.TargetFilename;
    const std::string path = TargetPath(item.TargetDir, name);
    TRun run(*this, item, index);
    const int64_t size = name.empty() ? -1 : FileSizeOf(NativePath(path));
    run.source = size < 0 ? nullptr : std::fopen(NativePath(path).c_str(), "rb");
    if (!run.source) {
        Fail(index, kErrCannotCreateFile, "Cannot open file " + path);
        return false;
    }
    run.Setup(item.URL);
    run.UseBasicAuth();
    run.AddExtraHeaders();
    run.uploadReplyAsData = true;
    CURL* h = run.easy.h;
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &TRun::ReadSource);
    curl_easy_setopt(h, CURLOPT_READDATA, &run);
    if (item.HTTPCommand == THTTPCommand::hcPut) {
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
    } else {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(size));
    }
    if (!run.PerformRefusingHttpErrors())
        return false;
    return !run.stopped && !cancelRequested_ && run.sent == size;
}

bool THLWWebCopy::Get2(int index, THLWWebCopyItem& item) {
    const std::string scheme = SchemeOf(item.URL).empty() ? "http" : SchemeOf(item.URL);
    const std::string url = scheme + "://" + Authority(item.URL) + "/" + FileNamePart(item.URL);
    TRun run(*this, item, index);
    run.Setup(url);
    run.UseBasicAuth();
    run.AddExtraHeaders();
    if (!run.PerformRefusingHttpErrors())
        return false;
    return !run.stopped && !cancelRequested_ && run.received > 0;
}

void THLWWebCopy::CalculateTotalSize() {
    if (active_)
        return;
    transferred_ = 0;
    TotalTransferSize = 0;
    active_ = true;
    const std::vector<std::shared_ptr<THLWWebCopyItem>> items = Items.items_;
    for (size_t i = 0; i < items.size(); ++i) {
        THLWWebCopyItem& item = *items[i];
        TRun run(*this, item, int(i));
        // The survey asks each item's own server, over its own scheme and port.
        run.Setup(item.URL);
        run.UseBasicAuth();
        curl_easy_setopt(run.easy.h, CURLOPT_NOBODY, 1L);
        if (run.Perform() == CURLE_OK && run.easy.StatusCode() < 300)
            TotalTransferSize += run.easy.AnnouncedLength();
    }
    active_ = false;
}

} // namespace pg
