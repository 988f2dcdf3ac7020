#include "VivaformView.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace pg {

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
    : QWebEngineView(parent), interceptor_(std::make_unique<TBlockRemoteRequests>()) {
    // A profile of our own, kept in memory: nothing of a page is stored on disk.
    auto* profile = new QWebEngineProfile(this);
    profile->setUrlRequestInterceptor(interceptor_.get());
    profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
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
