#include "Programs.h"

#include "Paths.h"
#include "Strings.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace pg {

namespace {

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

// Reads both pipes to their end together, so that a chatty program never blocks on a full one.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

TProgramResult RunProgram(const std::vector<std::string>& argv) {
    TProgramResult result;
    if (argv.empty())
        return result;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<char*> args = ArgvOf(argv);
    pid_t pid = 0;
    result.Started = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (result.Started)
        Drain(out[0], err[0], result.Output, result.Errors);
    ::close(out[0]);
    ::close(err[0]);
    if (!result.Started)
        return result;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    return result;
}

std::string FindOnPath(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    for (const std::string& dir : Split(GetEnv("PATH"), ":")) {
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && FileExists(candidate))
            return candidate;
    }
    return {};
}

bool StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || FindOnPath(argv[0]).empty())
        return false;
    // Through a shell that puts it in the background and ends at once: the program is then
    // nobody's child here and is reaped by the system, however long it runs.
    std::vector<std::string> words = {"sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
    words.insert(words.end(), argv.begin(), argv.end());
    return RunProgram(words).Succeeded();
}

} // namespace pg
