#include "WebServers.h"

#include "TestNet.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace pg::test {

namespace fs = std::filesystem;

TProcess::~TProcess() {
    Stop();
}

void TProcess::Stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool TProcess::Start(const std::vector<std::string>& argv, bool readPort) {
    int out[2];
    if (::pipe(out) != 0)
        return false;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c;
    while (readPort && ::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    if (readPort)
        port_ = std::atoi(line.c_str());
    return pid_ > 0 && (!readPort || port_ > 0);
}

std::string FreshFolder(const std::string& name) {
    const fs::path dir = fs::current_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string() + "/";
}

namespace {

void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

} // namespace

TCertificates MakeTestCertificates(const std::string& dir) {
    TCertificates c{dir + "ca.pem", dir + "server.pem", dir + "server.key"};
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    Run("openssl req -x509" + ec + " -keyout " + dir + "ca.key -out " + c.CA +
        " -days 2 -subj /CN=Pagellan-Test-CA -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign,cRLSign");
    Run("openssl req" + ec + " -keyout " + c.Key + " -out " + dir + "server.csr -subj /CN=127.0.0.1");
    std::ofstream(dir + "ext.cnf") << "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n";
    Run("openssl x509 -req -in " + dir + "server.csr -CA " + c.CA + " -CAkey " + dir +
        "ca.key -CAcreateserial -out " + c.Cert + " -days 2 -extfile " + dir + "ext.cnf");
    return c;
}

TWebServer::TWebServer(const TCertificates* certs, const std::string& package, const std::string& root,
                       const std::string& log)
    : tls_(certs != nullptr) {
    std::vector<std::string> argv = {"python3", PAGELLAN_SOURCE_DIR "/tests/web/web_server.py"};
    if (certs)
        argv.insert(argv.end(), {"--cert", certs->Cert, "--key", certs->Key});
    if (!package.empty())
        argv.insert(argv.end(), {"--package", package});
    if (!root.empty())
        argv.insert(argv.end(), {"--root", root});
    if (!log.empty())
        argv.insert(argv.end(), {"--log", log});
    if (!process_.Start(argv, true))
        throw std::runtime_error("the web server did not start");
}

std::string TWebServer::URL(const std::string& path) const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(Port()) + path;
}

TProxyServer::TProxyServer(const std::string& user, const std::string& password) : port_(FreeLocalPort()) {
    const std::string dir = FreshFolder("tinyproxy");
    std::ofstream(dir + "tinyproxy.conf")
        << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nBasicAuth " << user << " " << password
        << "\nAllow 127.0.0.1\nMaxClients 20\nLogLevel Error\n";
    if (!process_.Start({"tinyproxy", "-d", "-c", dir + "tinyproxy.conf"}, false))
        throw std::runtime_error("tinyproxy did not start");
    for (int i = 0; i < 100 && !LocalPortAnswers(port_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

std::string ServerPackage() {
    std::string p;
    for (int i = 0; i < 100; ++i)
        p += std::string("QDX demo package bytes\0\x01\x02", 25);
    return p;
}

} // namespace pg::test
