#include "PdfReader.h"

#include "Strings.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace pg {

namespace {

// Runs the program (found on PATH) and answers what it wrote to standard output; empty when it
// cannot be started or ends with a failure.
std::string OutputOf(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string out;
    if (started == 0) {
        char buffer[512];
        for (;;) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n > 0)
                out.append(buffer, size_t(n));
            else if (n == 0 || errno != EINTR)
                break;
        }
    }
    ::close(fds[0]);
    if (started != 0)
        return {};
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : std::string();
}

} // namespace

int PdfReaderKind(const std::string& queryOutput) {
    return Trim(queryOutput).empty() ? TPDFDetector::kNone : TPDFDetector::kRegisteredApplication;
}

TPDFDetector::TPDFDetector() {
    const std::string out = OutputOf({"xdg-mime", "query", "default", kPdfMimeType});
    kind_ = PdfReaderKind(out);
    if (kind_ != kNone)
        application_ = Trim(out);
}

std::string PdfReaderMissingText(const std::string& path) {
    return "Adobe Reader is NOT installed.\n" + path + " can not be viewed.";
}

std::string DesktopOpenErrorText(int exitCode, const std::string& errorOutput) {
    // xdg-open's last line names the file and what went wrong.
    const std::string text = Trim(errorOutput);
    if (!text.empty()) {
        const size_t lineStart = text.rfind('\n');
        return Trim(lineStart == std::string::npos ? text : text.substr(lineStart + 1));
    }
    switch (exitCode) {
    case 1:
        return "Error in command line syntax.";
    case 2:
        return "The file does not exist.";
    case 3:
        return "No application is available to open the file.";
    case 4:
        return "The application could not open the file.";
    default:
        return "The file could not be opened (error " + IntToStr(exitCode) + ").";
    }
}

} // namespace pg
