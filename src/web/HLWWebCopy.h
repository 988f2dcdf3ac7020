#pragma once
// THLWWebCopy: the one transfer engine all of Pagellan's web traffic goes through (WebDocs,
// packages by address, the version list, updates and plug-ins). It holds a list of items and
// runs them one after the other over libcurl, on the caller's thread. Bodies move in chunks of
// at most 4096 bytes; between chunks the engine raises OnCopyProgress and calls the event
// pump, so a window stays alive and a Cancel click is seen before the next chunk.
//
// Downloads to a file go to a temporary file beside the target that is renamed over it only
// when the body arrived complete: a failed or cancelled download leaves no partial file.
// TLS peers are verified (name and dates) against the system's trust store plus an optional
// extra CA bundle; proxy credentials go to the proxy only.

#include "DateTime.h"
#include "HLWStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pg {

enum class TWebAuthenticate { waNever, waAlways, waAuto };
enum class THTTPCommand { hcPost, hcPut };
enum class TWebProtocol {
    wpHttp,
    wpFtp,
    wpFile,
    wpFtpUpload,
    wpHttpUpload,
    wpHttpPostData,
    wpHttpGet1,
    wpHttpGet2
};

// Error codes of the engine's own failures (others are HTTP statuses or libcurl codes).
inline constexpr int kErrCannotCreateFile = 3;
inline constexpr int kErrCannotConnect = 6;
// A reply without a body: nothing to hand on.
inline constexpr int kErrEmptyReply = 7;
// A redirect the item's rule does not allow.
inline constexpr int kErrRedirectRefused = 8;
// Bodies above this size are refused: nothing we fetch is that large.
inline constexpr int64_t kMaxBodyBytes = int64_t(1) << 30;
inline constexpr int kMaxRedirects = 10;
inline constexpr size_t kChunkBytes = 4096;

class THLWWebCopyItem {
public:
    bool Active = true;
    TWebAuthenticate Authenticate = TWebAuthenticate::waNever;
    bool CopyNewerOnly = false;
    TDateTime FileDate = 0;
    std::string FTPHost, FTPUserID, FTPPassword;
    int FTPPort = 21;
    THTTPCommand HTTPCommand = THTTPCommand::hcPost;
    TWebProtocol Protocol = TWebProtocol::wpHttp;
    std::string TargetDir, TargetFilename;
    std::string URL;
    std::string HTTPUserID, HTTPPassword;
    THLWMemorystream Stream;
    std::vector<std::string> AdditionalHeaders;
    std::string NetMagicDownloadSh;
    // When set, every address a redirect leads to must pass it, or the item fails with
    // kErrRedirectRefused naming that address (nothing is sent to it). The rule of downloads
    // that get installed (UpdateInstall.h). Empty: http and https redirects are followed.
    std::function<bool(const std::string& address)> RedirectAllowed;

    const std::string& PostData() const { return postData_; }
    // Results of the last run.
    bool Succeeded() const { return succeeded_; }
    bool NoNewerFile() const { return noNewerFile_; }

private:
    friend class THLWWebCopy;
    std::string postData_;
    bool succeeded_ = false;
    bool noNewerFile_ = false;
};

// The items are shared with a running transfer, which holds its own references: a host that
// clears or replaces the list meanwhile never frees the item being transferred.
class THLWWebCopyItems {
public:
    THLWWebCopyItem& Add();
    void Clear() { items_.clear(); }
    size_t Count() const { return items_.size(); }
    THLWWebCopyItem& operator[](size_t i) { return *items_[i]; }
    const THLWWebCopyItem& operator[](size_t i) const { return *items_[i]; }

private:
    friend class THLWWebCopy;
    std::vector<std::shared_ptr<THLWWebCopyItem>> items_;
};

class THLWWebCopy {
public:
    THLWWebCopy();
    ~THLWWebCopy();
    THLWWebCopy(const THLWWebCopy&) = delete;
    THLWWebCopy& operator=(const THLWWebCopy&) = delete;

    int WinInetError = 0;
    int Status = 0;
    int64_t TotalTransferSize = 0;
    std::string Agent = "Pagellan";
    bool FTPPassive = false;
    bool HTTPKeepAliveAuthentication = false;
    THLWWebCopyItems Items;
    // "host:port" or "http://host:port"; empty: the system's proxy from the environment.
    std::string Proxy;
    std::string ProxyUserID, ProxyPassword;
    // Extra trusted certificates (PEM) besides the system store; empty: the system store only.
    std::string CABundle;
    // Seconds to wait for a connection, and seconds without a byte after which a transfer gives
    // up (0: never). A check at start-up keeps both short, so an unreachable server cannot hold
    // the program up for long.
    long ConnectTimeout = 30;
    long StallTimeout = 0;
    bool ShowDialog = true, ShowOpenFile = false, ShowOpenFolder = false, ShowCompletion = false,
         ShowFileName = true, ShowServer = true, ShowTime = false;

    // Events; any may be empty.
    std::function<void()> OnConnectError, OnCopyCancel, OnCopyDone;
    std::function<void(const std::string& target, bool& allow)> OnCopyOverWrite;
    // fileIndex: active items started so far; size: the announced length (0 when unknown);
    // totsize: bytes moved so far for this item; data: each reply chunk of an upload.
    std::function<void(int fileIndex, int64_t size, int64_t totsize, std::string& data)> OnCopyProgress;
    std::function<void(int index, int code)> OnError;
    std::function<void(int index, int code, const std::string& text)> OnErrorInfo;
    std::function<void(int index)> OnFileDone, OnFileStart;
    std::function<void(int index, TDateTime newDate, bool& allow)> OnFileDateCheck;
    std::function<void(const std::string& address)> OnURLNotFound;
    std::function<void(const std::string& file, TDateTime current, TDateTime newDate)> OnNoNewFileFound;
    // Called between chunks and while waiting for data: the host dispatches its window events.
    std::function<void()> EventPump;

    static constexpr const char* Version = "1.5.0.1";
    bool UserCanceled() const { return userCanceled_; }
    bool IsActive() const { return active_; }

    // Runs every active item; refused (false, nothing done) while a run is active, which is
    // how a host that pumps events between chunks is kept from starting a run inside a run.
    bool Execute();
    // Refused in the same way while a run is active.
    void CalculateTotalSize();
    // Requests a stop; honoured before the next chunk.
    void Cancel() { cancelRequested_ = true; }
    int64_t TransferredBytes() const { return transferred_; }

private:
    struct TRun;
    bool RunItem(int index, THLWWebCopyItem& item);
    bool Download(int index, THLWWebCopyItem& item);
    bool PostData(int index, THLWWebCopyItem& item);
    bool Upload(int index, THLWWebCopyItem& item);
    bool Get2(int index, THLWWebCopyItem& item);
    void Fail(int index, int code, const std::string& text);
    void Pump();

    bool userCanceled_ = false;
    bool active_ = false;
    bool cancelRequested_ = false;
    int fileIndex_ = 0;
    int64_t transferred_ = 0;
};

// Address helpers.
int AddressPort(const std::string& url);         // explicit port, else 443 for https, else 80
std::string AddressHost(const std::string& url); // without user information and port
// The last path segment, percent-decoded; empty when that would not be a plain file name
// (empty, ".", "..", or holding a separator), so that a name taken from an address can never
// leave the folder it is written to.
std::string FileNameFromAddress(const std::string& url);
// TargetDir and TargetFilename joined with one separator (either alone when the other is empty).
std::string TargetPath(const std::string& dir, const std::string& name);

// The proxy of the options dialog's settings, as THLWWebCopy takes it.
struct TProxySettings {
    std::string Proxy, UserID, Password;
};
// useProxy off or "Use Default": no proxy of our own (the environment's applies); custom: the
// address with its port and the credentials.
TProxySettings ProxyFromOptions(bool useProxy, bool useCustom, const std::string& address,
                                const std::string& port, const std::string& user,
                                const std::string& password);
// The extra CA bundle: PAGELLAN_CA_BUNDLE from the environment, else the stored setting.
std::string ChooseCABundle(const std::string& envValue, const std::string& setting);

} // namespace pg
