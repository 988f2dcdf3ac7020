// Loose Vivaform files in the main window, shown by Qt WebEngine on the offscreen platform (its
// sandbox is off here only, as tests run as root): a wrapped page has "View" and "Data" with the
// tree rooted at "VIVAFORM_DOCUMENT" and the page's title as caption, makes no network request
// for its remote image; a bare page has only "View"; a file without a page says so. A page whose
// scripts try WebRTC (STUN over UDP, TURN over TCP, also through a fresh frame's interfaces), a
// WebSocket and a preconnect reaches none of the real listeners standing where they point.

#include "CommandLine.h"
#include "Main.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "TestFiles.h"
#include "VivaformView.h"
#include "XmlStructureView.h"

#include <QApplication>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTreeWidget>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;

TEST(MainVivaform, LooseFilesShowTheirTabsAndStayOffline) {
    TTempFolder dir("pg-main-vivaform");
    std::filesystem::create_directories(dir.Path() / "settings");
    ::setenv("PAGELLAN_SETTINGS_DIR", dir.Path("settings").c_str(), 1);
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "test_main_vivaform";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    SetCommandLine({});
    TRecordingPrompter prompter;
    TfrmMain main;
    QTcpServer server; // where the page's image would come from
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const std::string image = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/track.png";

    // Only the three characters after the last "." count: ".xmlx" is XML.
    const std::string wrapped = dir.File(
        "data.xmlx",
        "<VIVAFORM_DOCUMENT><VIEW><html><head><title>Deed of Trust</title></head><body>A&#160;B<img src=\"" +
            image + "\"/></body></html></VIEW><LOAN id=\"7\">x</LOAN></VIVAFORM_DOCUMENT>");
    ASSERT_TRUE(main.ViewPCLFile(wrapped));
    ASSERT_EQ(OpenPageWindowCount(), 1);
    TPageForm& page = *OpenPageWindows()[0];
    EXPECT_TRUE(page.VivaformMode);
    EXPECT_EQ(page.windowTitle(), "Deed of Trust");
    ASSERT_EQ(page.TabControl->count(), 2);
    EXPECT_EQ(page.TabControl->tabText(0), "View");
    EXPECT_EQ(page.TabControl->tabText(1), "Data");
    EXPECT_EQ(page.TabControl->currentIndex(), 0);
    EXPECT_EQ(page.DataView->tvxml->topLevelItem(0)->text(0), "VIVAFORM_DOCUMENT");
    EXPECT_EQ(page.DataView->tvxml->topLevelItem(0)->child(1)->text(0), "LOAN id=\"7\" ");
    EXPECT_FALSE(page.actZoomIn->isEnabled());
    QSignalSpy loaded(page.Browser, &QWebEngineView::loadFinished);
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_TRUE(loaded.front().at(0).toBool());
    QString text;
    page.Browser->page()->toPlainText([&text](const QString& t) { text = t; });
    for (int i = 0; i < 50 && text.isEmpty(); ++i)
        QTest::qWait(20);
    EXPECT_EQ(text, QString::fromUtf8("A\xC2\xA0"
                                      "B"));
    QTest::qWait(300);
    EXPECT_GE(page.Browser->BlockedRequests(), 1);
    EXPECT_FALSE(server.hasPendingConnections());
    CloseAllPageWindows(true);
    QApplication::processEvents();

    // Accented letters and curly quotes in a page that declares no encoding of its own, in a
    // document read as UTF-8 and in one read as Latin-1, both read as written.
    const QString written = QString::fromUtf8("R\xC3\xA9sum\xC3\xA9 \xE2\x80\x9C"
                                              "final\xE2\x80\x9D");
    const std::string body = "<html><head><title>T</title></head><body>R\xC3\xA9sum\xC3\xA9 \xE2\x80\x9C"
                             "final\xE2\x80\x9D</body></html>";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><html><head><title>T</title>"
                               "</head><body>R\xE9sum\xE9 &#8220;final&#8221;</body></html>";
    for (const std::string& document : {body, latin1}) {
        ASSERT_TRUE(main.ViewPCLFile(dir.File("accents.xml", document)));
        TPageForm& shown = *OpenPageWindows()[0];
        QSignalSpy done(shown.Browser, &QWebEngineView::loadFinished);
        ASSERT_TRUE(done.wait(20000));
        QString accents;
        shown.Browser->page()->toPlainText([&accents](const QString& t) { accents = t; });
        for (int i = 0; i < 50 && accents.isEmpty(); ++i)
            QTest::qWait(20);
        EXPECT_EQ(accents, written);
        CloseAllPageWindows(true);
        QApplication::processEvents();
    }

    // A bare page: only "View".
    ASSERT_TRUE(main.ViewPCLFile(
        dir.File("page.XML", "<html><head><title>Bare</title></head><body>b</body></html>")));
    ASSERT_EQ(OpenPageWindowCount(), 1);
    EXPECT_EQ(OpenPageWindows()[0]->TabControl->count(), 1);
    EXPECT_EQ(OpenPageWindows()[0]->windowTitle(), "Bare");
    CloseAllPageWindows(true);
    QApplication::processEvents();

    // A window that showed a bare page shows "Data" again for a page that has data.
    {
        TPageForm window;
        ASSERT_TRUE(
            main.ViewVivaform(&window, "<html><head><title>Bare</title></head><body>b</body></html>"));
        EXPECT_EQ(window.TabControl->count(), 1);
        ASSERT_TRUE(main.ViewVivaform(&window, "<VIVAFORM_DOCUMENT><VIEW><html><body>w</body></html></VIEW>"
                                               "<LOAN id=\"8\">y</LOAN></VIVAFORM_DOCUMENT>"));
        ASSERT_EQ(window.TabControl->count(), 2);
        EXPECT_EQ(window.TabControl->tabText(1), "Data");
        EXPECT_EQ(window.DataView->tvxml->topLevelItem(0)->child(1)->text(0), "LOAN id=\"8\" ");
    }

    // Scripts that try every way out besides a request: WebRTC to a STUN server (UDP) and a
    // TURN server over TCP, a WebSocket, a preconnect hint. Real listeners on 127.0.0.1 stand
    // where they point; none of them hears a packet.
    {
        QUdpSocket stun;
        ASSERT_TRUE(stun.bind(QHostAddress::LocalHost, 0));
        QTcpServer turn, socket, preconnect;
        for (QTcpServer* server : {&turn, &socket, &preconnect})
            ASSERT_TRUE(server->listen(QHostAddress::LocalHost));
        const auto port = [](quint16 p) { return std::to_string(p); };
        const std::string page =
            "<html><head><link rel=\"preconnect\" href=\"http://127.0.0.1:" + port(preconnect.serverPort()) +
            "\"/></head><body><script>\n"
            "var servers = {iceServers: [{urls: 'stun:127.0.0.1:" +
            port(stun.localPort()) + "'}, {urls: 'turn:127.0.0.1:" + port(turn.serverPort()) +
            "?transport=tcp', username: 'u', credential: 'c'}]};\n"
            "function call(Connection) {\n"
            "  try {\n"
            "    var pc = new Connection(servers);\n"
            "    pc.createDataChannel('x');\n"
            "    pc.createOffer().then(function (o) { return pc.setLocalDescription(o); });\n"
            "  } catch (e) {}\n"
            "}\n"
            "call(window.RTCPeerConnection);\n"
            // The interface of a fresh frame, where a page script may find what its own window lost.
            "var frame = document.createElement('iframe');\n"
            "document.body.appendChild(frame);\n"
            "call(frame.contentWindow.RTCPeerConnection);\n"
            "try { new WebSocket('ws://127.0.0.1:" +
            port(socket.serverPort()) +
            "/'); } catch (e) {}\n"
            "</script></body></html>";
        ASSERT_TRUE(main.ViewPCLFile(dir.File("calls-out.xml", page)));
        TPageForm& shown = *OpenPageWindows()[0];
        QSignalSpy done(shown.Browser, &QWebEngineView::loadFinished);
        ASSERT_TRUE(done.wait(20000));
        // ICE gathering sends its first STUN request within a second.
        QTest::qWait(3000);
        EXPECT_FALSE(stun.hasPendingDatagrams()) << "STUN over UDP";
        EXPECT_FALSE(turn.hasPendingConnections()) << "TURN over TCP";
        EXPECT_FALSE(socket.hasPendingConnections()) << "WebSocket";
        EXPECT_FALSE(preconnect.hasPendingConnections()) << "preconnect";
        CloseAllPageWindows(true);
        QApplication::processEvents();
    }

    // No page in it: the message, no window.
    const std::string none =
        dir.File("none.xml", "<VIVAFORM_DOCUMENT><VIEW><html/><html/></VIEW></VIVAFORM_DOCUMENT>");
    EXPECT_FALSE(main.ViewPCLFile(none));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"No Vivaforms html data found in " + none});
    EXPECT_EQ(OpenPageWindowCount(), 0);
}
