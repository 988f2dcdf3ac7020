#pragma once
// The real servers of the web tests, started on 127.0.0.1 and stopped with the object: our
// Python web server (HTTP, or HTTPS with a certificate of a test CA made with openssl), and
// tinyproxy with Basic authentication.

#include <string>
#include <vector>

namespace pg::test {

class TProcess {
public:
    TProcess() = default;
    ~TProcess();
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;
    // Starts argv; with readPort, waits for the first line of its output, a port number.
    bool Start(const std::vector<std::string>& argv, bool readPort);
    int Port() const { return port_; }
    void Stop();

private:
    int pid_ = -1;
    int port_ = 0;
};

// A folder of its own under the test binary's folder, emptied.
std::string FreshFolder(const std::string& name);

struct TCertificates {
    std::string CA, Cert, Key; // PEM files
};
// A test CA and a server certificate for the address 127.0.0.1 signed by it, in dir.
TCertificates MakeTestCertificates(const std::string& dir);

// The web server (tests/web/web_server.py); HTTPS when certs are given.
class TWebServer {
public:
    // root: a folder served under "/files/"; log: a file that gets one line per answered
    // request ("GET /files/list.xml").
    explicit TWebServer(const TCertificates* certs = nullptr, const std::string& package = "",
                        const std::string& root = "", const std::string& log = "");
    int Port() const { return process_.Port(); }
    std::string URL(const std::string& path) const;

private:
    TProcess process_;
    bool tls_ = false;
};

// tinyproxy on a free port, asking for Basic authentication with user and password.
class TProxyServer {
public:
    TProxyServer(const std::string& user, const std::string& password);
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    TProcess process_;
    int port_ = 0;
};

// The package the web server hands out by default.
std::string ServerPackage();

} // namespace pg::test
