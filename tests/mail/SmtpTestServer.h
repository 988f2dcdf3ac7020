#pragma once
// A real SMTP server for tests: smtp_server.py (aiosmtpd) on a free port of 127.0.0.1, started
// with the given options and stopped when the object goes. Each message it takes is read back
// by Python's email package into a list of facts (see the script).

#include "TestFiles.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace pg::test {

class TSmtpTestServer {
public:
    explicit TSmtpTestServer(const std::vector<std::string>& options = {}) : folder_("pagellan-smtp") {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<std::string> words = {"/usr/bin/python3",
                                              PAGELLAN_SOURCE_DIR "/tests/mail/smtp_server.py",
                                              folder_.Path().string()};
            words.insert(words.end(), options.begin(), options.end());
            std::vector<char*> argv;
            for (std::string& w : words)
                argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        // The port line, up to its line break; the pipe stays open so that the script can
        // write what it likes later.
        stdout_ = out[0];
        std::string line;
        char c = 0;
        while (line.size() < 16 && ::read(stdout_, &c, 1) == 1 && c != '\n')
            line += c;
        port_ = std::atoi(line.c_str());
    }
    ~TSmtpTestServer() {
        if (stdin_ >= 0)
            ::close(stdin_); // the script stops when its input ends
        if (stdout_ >= 0)
            ::close(stdout_);
        if (pid_ > 0) {
            for (int i = 0; i < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (::waitpid(pid_, nullptr, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
    }
    TSmtpTestServer(const TSmtpTestServer&) = delete;
    TSmtpTestServer& operator=(const TSmtpTestServer&) = delete;

    int Port() const { return port_; }
    const std::filesystem::path& Folder() const { return folder_.Path(); }

    // The facts of message n (1-based): every value of each key, in order.
    std::multimap<std::string, std::string> Message(int n) const {
        std::multimap<std::string, std::string> facts;
        std::istringstream in(ReadWholeFile(folder_.Path() / (std::to_string(n) + ".txt")));
        for (std::string line; std::getline(in, line);) {
            const size_t tab = line.find('\t');
            if (tab != std::string::npos)
                facts.emplace(line.substr(0, tab), line.substr(tab + 1));
        }
        return facts;
    }
    static std::vector<std::string> All(const std::multimap<std::string, std::string>& facts,
                                        const std::string& key) {
        std::vector<std::string> values;
        for (auto [it, end] = facts.equal_range(key); it != end; ++it)
            values.push_back(it->second);
        return values;
    }
    static std::string One(const std::multimap<std::string, std::string>& facts, const std::string& key) {
        const auto values = All(facts, key);
        return values.empty() ? std::string() : values.front();
    }
    size_t MessageCount() const {
        size_t n = 0;
        while (std::filesystem::exists(folder_.Path() / (std::to_string(n + 1) + ".txt")))
            ++n;
        return n;
    }

private:
    TTempFolder folder_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int port_ = 0;
};

// A self-signed certificate for 127.0.0.1 made by openssl in the folder: {cert, key}.
inline std::pair<std::string, std::string> MakeTestCertificate(const TTempFolder& folder) {
    const std::string cert = folder.Path("cert.pem"), key = folder.Path("key.pem");
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                                "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                key + "' -out '" + cert + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? std::make_pair(cert, key)
                                             : std::make_pair(std::string(), std::string());
}

} // namespace pg::test
