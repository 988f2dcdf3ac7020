#pragma once
// A real POP3 server for tests: dovecot with a private configuration on a free port of
// 127.0.0.1 (no TLS, no system users), stopped and removed when the object goes.

#include "TestFiles.h"
#include "TestNet.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace pg::test {

class TPop3TestServer {
public:
    TPop3TestServer() : folder_("pagellan-pop3"), port_(FreeLocalPort()) {
        const std::string d = folder_.Path().string();
        const std::string conf = folder_.File(
            "dovecot.conf",
            "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = " + d + "/run\nstate_dir = " + d +
                "/state\nlog_path = " + d + "/dovecot.log\nssl = no\n" +
                "passdb {\n  driver = static\n  args = password=unused\n}\n"
                "userdb {\n  driver = static\n  args = uid=" +
                std::to_string(::getuid()) + " gid=" + std::to_string(::getgid()) + " home=" + d +
                "/home/%u\n}\nmail_location = maildir:" + d +
                "/mail/%u\nservice pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
                "    port = " +
                std::to_string(port_) +
                "\n  }\n}\nservice imap-login {\n  inet_listener imap {\n    port = 0\n  }\n}\n");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/sbin/dovecot", "dovecot", "-F", "-c", conf.c_str(), nullptr);
            ::_exit(127);
        }
        // Ready once the port answers.
        for (int i = 0; i < 200 && !Answers(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ~TPop3TestServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    TPop3TestServer(const TPop3TestServer&) = delete;
    TPop3TestServer& operator=(const TPop3TestServer&) = delete;

    int Port() const { return port_; }
    // The server's log once it holds text (bounded wait).
    std::string Log(const std::string& awaited) const {
        std::string log;
        for (int i = 0; i < 200 && (log = ReadWholeFile(folder_.Path() / "dovecot.log")).find(awaited) ==
                                       std::string::npos;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        return log;
    }
    bool Answers() const { return LocalPortAnswers(port_); }

private:
    TTempFolder folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace pg::test
