#include "VivaformView.h"

#include <QByteArray>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <cstdlib>

namespace pg {

namespace {

// WebRTC opens UDP (STUN, media) and TCP (TURN) connections of its own, past every request
// check: only through a proxy, and the proxy is a port of this machine where nothing listens.
// Name lookups ahead of time and connecting ahead are off as well; so is QUIC (UDP).
constexpr const char* kEngineSwitches[] = {
    "--force-webrtc-ip-handling-policy=disable_non_proxied_udp",
    "--webrtc-ip-handling-policy=disable_non_proxied_udp",
    "--proxy-server=http://127.0.0.1:9",
    "--proxy-bypass-list=<-loopback>",
    "--disable-quic",
    "--dns-prefetch-disable",
    "--disable-features=NetworkPrediction,WebRtcHideLocalIpsWithMdns,WebTransport",
};

// Before anything of the page runs, in every frame: the WebRTC interfaces are gone.
constexpr char kNoWebRtcScript[] = R"(
(function () {
  for (const name of ['RTCPeerConnection', 'webkitRTCPeerConnection', 'RTCDataChannel',
                      'RTCIceCandidate', 'RTCSessionDescription', 'RTCRtpSender', 'RTCRtpReceiver',
                      'RTCRtpTransceiver', 'RTCDtlsTransport', 'RTCIceTransport', 'RTCSctpTransport',
                      'RTCCertificate', 'RTCError', 'RTCEncodedAudioFrame', 'RTCEncodedVideoFrame',
                      'WebTransport']) {
    try { delete window[name]; } catch (e) {}
    try { Object.defineProperty(window, name, {value: undefined, writable: false, configurable: false}); } catch (e) {}
  }
  if (navigator.mediaDevices) {
    try { Object.defineProperty(navigator, 'mediaDevices', {value: undefined, configurable: false}); } catch (e) {}
  }
})();
)";

} // namespace

void TVivaform::ConfineEngine() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char* flag : kEngineSwitches) {
        const QByteArray name = QByteArray(flag).left(QByteArray(flag).indexOf('=') + 1);
        if (!flags.contains(name.isEmpty() ? QByteArray(flag) : name))
            flags += (flags.isEmpty() ? "" : " ") + QByteArray(flag);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

class TBlockRemoteRequests : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme == QLatin1String("data") || scheme == QLatin1String("about"))
            return;
        info.block(true);
        ++Blocked;
    }
    int Blocked = 0;
};

TVivaform::TVivaform(QWidget* parent)
    : QWebEngineView((ConfineEngine(), parent)), interceptor_(std::make_unique<TBlockRemoteRequests>()) {
    // A profile of our own, kept in memory: nothing of a page is stored on disk.
    auto* profile = new QWebEngineProfile(this);
    profile->setUrlRequestInterceptor(interceptor_.get());
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    QWebEngineScript noWebRtc;
    noWebRtc.setName(QStringLiteral("pagellan-no-webrtc"));
    noWebRtc.setSourceCode(QString::fromLatin1(kNoWebRtcScript));
    noWebRtc.setInjectionPoint(QWebEngineScript::DocumentCreation);
    noWebRtc.setWorldId(QWebEngineScript::MainWorld);
    noWebRtc.setRunsOnSubFrames(true);
    profile->scripts()->insert(noWebRtc);
    setPage(new QWebEnginePage(profile, this));
}

TVivaform::~TVivaform() {
    // The page goes before the profile and the interceptor it uses.
    delete page();
}

bool TVivaform::Load(std::string_view bytes) {
    document_.Load(bytes);
    return true;
}

void TVivaform::Show() {
    const std::string& html = document_.HTML();
    // The page is written out as UTF-8 whatever encoding its document was read in, so the
    // browser is told so: without it, a page that does not declare UTF-8 itself would show
    // accented letters and curly quotes as the bytes of another encoding.
    setContent(QByteArray(html.data(), qsizetype(html.size())), QStringLiteral("text/html;charset=UTF-8"),
               QUrl(QStringLiteral("about:blank")));
}

int TVivaform::BlockedRequests() const {
    return interceptor_->Blocked;
}

} // namespace pg
