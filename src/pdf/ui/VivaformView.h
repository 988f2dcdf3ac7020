#pragma once
// TVivaform: the "View" tab of a Vivaform page, the page in Qt WebEngine. Documents never reach
// the network: every request other than the page itself (data:, about:) is blocked, WebSockets
// included, so a package can neither call out nor tell anyone it was read. Scripts may run, but
// the paths a script has past the requests are shut: WebRTC is gone from the page and from the
// engine (no UDP, no TCP except through a proxy, and the engine's proxy goes nowhere), as are
// DNS prefetching and connecting ahead.

#include "Vivaform.h"

#include <QWebEngineView>

#include <memory>
#include <string_view>

namespace pg {

class TBlockRemoteRequests;

class TVivaform : public QWebEngineView {
    Q_OBJECT
public:
    // The engine's command-line switches that shut its other network paths; they must be in
    // place before the engine starts, so the program calls this before its windows are made
    // (the first TVivaform calls it too). Switches already given are kept.
    static void ConfineEngine();

    explicit TVivaform(QWidget* parent = nullptr);
    ~TVivaform() override;

    bool Load(std::string_view bytes);
    bool ExtractHTML() { return document_.ExtractHTML(); }
    bool HasOnlyHTMLData() const { return document_.HasOnlyHTMLData(); }
    std::string GetTitle() const { return document_.GetTitle(); }
    // The browser shows the page ExtractHTML made, as UTF-8.
    void Show();
    // Requests refused since the control was made.
    int BlockedRequests() const;

private:
    TVivaformDocument document_;
    std::unique_ptr<TBlockRemoteRequests> interceptor_;
};

} // namespace pg
