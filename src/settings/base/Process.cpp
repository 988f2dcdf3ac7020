#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <thread>

extern char** environ;

namespace pg {

namespace {

using TClock = std::chrono::steady_clock;

// How long a wait with a time limit but no pump sleeps between looks at the program.
constexpr std::chrono::milliseconds kLookInterval{10};

// The end of the time limit, when there is one.
class TDeadline {
public:
    explicit TDeadline(const std::optional<std::chrono::milliseconds>& limit) {
        if (limit)
            at_ = TClock::now() + *limit;
    }
    bool Set() const { return at_.has_value(); }
    bool Passed() const { return at_ && TClock::now() >= *at_; }
    // Whole milliseconds until it passes, rounded up; -1 (poll's "no limit") without one.
    int LeftMs() const {
        if (!at_)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*at_ - TClock::now());
        return int(std::clamp<int64_t>(left.count(), 0, INT_MAX));
    }

private:
    std::optional<TClock::time_point> at_;
};

// A pipe for one captured stream; both ends close with it.
struct TPipe {
    int ReadEnd = -1;
    int WriteEnd = -1;

    TPipe() = default;
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;
    ~TPipe() {
        Close(ReadEnd);
        Close(WriteEnd);
    }
    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        ReadEnd = fds[0];
        WriteEnd = fds[1];
        return true;
    }
    static void Close(int& fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

void Route(posix_spawn_file_actions_t& actions, int fd, TProcessStream stream, const TPipe& pipe) {
    if (stream == TProcessStream::Capture && pipe.WriteEnd >= 0)
        posix_spawn_file_actions_adddup2(&actions, pipe.WriteEnd, fd);
    else if (stream != TProcessStream::Inherit)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
}

int Spawn(pid_t& pid, const std::vector<std::string>& argv, const TProcessOptions& options, const TPipe& out,
          const TPipe& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.NoInput)
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    Route(actions, STDOUT_FILENO, options.Output, out);
    Route(actions, STDERR_FILENO, options.Errors, err);
    if (!options.Folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.Folder.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (options.Detach)
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int error = options.SearchPath ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                                         : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Reads the captured streams to their end, both at once, so that a program writing much to
// one of them never blocks on a full pipe while we wait on the other. False when the time
// limit passed first.
bool Drain(const TPipe& out, const TPipe& err, TProcessResult& result, const TDeadline& deadline,
           const TEventPump& pump) {
    pollfd fds[2] = {{out.ReadEnd, POLLIN, 0}, {err.ReadEnd, POLLIN, 0}};
    std::string* sinks[2] = {&result.Output, &result.Errors};
    int open = int(out.ReadEnd >= 0) + int(err.ReadEnd >= 0);
    while (open > 0) {
        if (deadline.Passed())
            return false;
        const int ready = ::poll(fds, 2, pump ? 0 : deadline.LeftMs());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0 && pump)
            pump();
        for (int i = 0; i < 2 && ready > 0; ++i) {
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
    return true;
}

enum class TEnd { Exited, TimedOut, Lost };

// Waits for the program's end: a plain blocking wait, unless there is a pump to call or a time
// limit to keep.
TEnd Reap(pid_t pid, int& status, const TDeadline& deadline, const TEventPump& pump) {
    const bool look = pump || deadline.Set();
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, look ? WNOHANG : 0);
        if (done == pid)
            return TEnd::Exited;
        if (done < 0 && errno != EINTR)
            return TEnd::Lost;
        if (done < 0)
            continue;
        if (deadline.Passed())
            return TEnd::TimedOut;
        if (pump)
            pump();
        else
            std::this_thread::sleep_for(
                std::min(kLookInterval, std::chrono::milliseconds(deadline.LeftMs())));
    }
}

void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

TProcessResult RunProcess(const std::vector<std::string>& argv, const TProcessOptions& options) {
    TProcessResult result;
    if (argv.empty()) {
        result.StartError = ENOENT;
        return result;
    }
    TPipe out, err;
    const bool captureOut = options.Output == TProcessStream::Capture && !options.Detach;
    const bool captureErr = options.Errors == TProcessStream::Capture && !options.Detach;
    if ((captureOut && !out.Open()) || (captureErr && !err.Open())) {
        result.StartError = errno;
        return result;
    }
    pid_t pid = 0;
    result.StartError = Spawn(pid, argv, options, out, err);
    // Our copies of the write ends go, so that the reads end when the program's do.
    TPipe::Close(out.WriteEnd);
    TPipe::Close(err.WriteEnd);
    if (!result.Started() || options.Detach)
        return result;
    const TDeadline deadline(options.Timeout);
    int status = 0;
    const TEnd end = Drain(out, err, result, deadline, options.Pump)
                         ? Reap(pid, status, deadline, options.Pump)
                         : TEnd::TimedOut;
    if (end == TEnd::TimedOut) {
        Kill(pid);
        result.TimedOut = true;
    } else if (end == TEnd::Exited && WIFEXITED(status)) {
        result.ExitCode = WEXITSTATUS(status);
    }
    return result;
}

} // namespace pg
