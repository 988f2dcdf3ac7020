// Running other programs: exit status, captured and discarded streams, input, working folder,
// programs that cannot start, the time limit, the pump, and a start in a session of its own.

#include "Process.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace pg;
using namespace std::chrono_literals;

namespace {

TProcessOptions Capturing() {
    TProcessOptions options;
    options.Output = TProcessStream::Capture;
    options.Errors = TProcessStream::Capture;
    return options;
}

TEST(Process, StatusStreamsAndStart) {
    // Both streams larger than a pipe holds, the error output written first: a reader taking one
    // stream after the other would wait for ever.
    TProcessResult r = RunProcess({"sh", "-c",
                                   "head -c 300000 /dev/zero | tr '\\0' e >&2; "
                                   "head -c 200000 /dev/zero | tr '\\0' o; exit 3"},
                                  Capturing());
    EXPECT_TRUE(r.Started());
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_FALSE(r.TimedOut);
    EXPECT_EQ(r.Output, std::string(200000, 'o'));
    EXPECT_EQ(r.Errors, std::string(300000, 'e'));

    // Input from /dev/null, the working folder, a discarded stream.
    TProcessOptions options = Capturing();
    options.NoInput = true;
    options.Folder = "/";
    options.Errors = TProcessStream::Discard;
    r = RunProcess({"sh", "-c", "readlink /proc/$$/fd/0; pwd; echo lost >&2"}, options);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(r.Output, "/dev/null\n/\n");
    EXPECT_EQ(r.Errors, "");

    // A death by signal is no exit status.
    r = RunProcess({"sh", "-c", "kill -9 $$"});
    EXPECT_TRUE(r.Started());
    EXPECT_EQ(r.ExitCode, -1);

    // Programs that do not start: not on PATH, a bare name without the PATH search, nothing.
    r = RunProcess({"pagellan-no-such-program"}, Capturing());
    EXPECT_FALSE(r.Started());
    EXPECT_EQ(r.StartError, ENOENT);
    EXPECT_EQ(r.ExitCode, -1);
    TProcessOptions direct;
    direct.SearchPath = false;
    EXPECT_EQ(RunProcess({"sh", "-c", "exit 0"}, direct).StartError, ENOENT);
    EXPECT_TRUE(RunProcess({"/bin/sh", "-c", "exit 0"}, direct).Succeeded());
    EXPECT_EQ(RunProcess({}).StartError, ENOENT);
}

TEST(Process, TimeLimitAndPump) {
    // A program over its time limit is killed and reaped; what it wrote before stays.
    TProcessOptions options = Capturing();
    options.Timeout = 200ms;
    TProcessResult r = RunProcess({"sh", "-c", "echo started; exec sleep 30"}, options);
    EXPECT_TRUE(r.Started());
    EXPECT_TRUE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, -1);
    EXPECT_EQ(r.Output, "started\n");
    const pid_t left = ::waitpid(-1, nullptr, WNOHANG);
    const int error = errno;
    EXPECT_EQ(left, -1) << "a child is left";
    EXPECT_EQ(error, ECHILD);

    // The same without capture: the wait itself keeps the limit.
    TProcessOptions plain;
    plain.Timeout = 200ms;
    r = RunProcess({"sleep", "30"}, plain);
    EXPECT_TRUE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, -1);

    // A program within its limit ends as it ends.
    plain.Timeout = 60s;
    r = RunProcess({"sh", "-c", "exit 4"}, plain);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 4);

    // The pump is called while the program runs, captured or not, and with a time limit.
    int pumps = 0;
    TProcessOptions pumped;
    pumped.Pump = [&pumps] {
        ++pumps;
        std::this_thread::sleep_for(5ms);
    };
    r = RunProcess({"sh", "-c", "sleep 0.2; exit 5"}, pumped);
    EXPECT_EQ(r.ExitCode, 5);
    EXPECT_GT(pumps, 0);
    pumps = 0;
    pumped.Output = TProcessStream::Capture;
    r = RunProcess({"sh", "-c", "sleep 0.2; echo done"}, pumped);
    EXPECT_EQ(r.Output, "done\n");
    EXPECT_GT(pumps, 0);
    pumps = 0;
    pumped.Timeout = 200ms;
    r = RunProcess({"sleep", "30"}, pumped);
    EXPECT_TRUE(r.TimedOut);
    EXPECT_GT(pumps, 0);
}

TEST(Process, DetachedInASessionOfItsOwn) {
    std::string folder = (std::filesystem::temp_directory_path() / "pagellan-process-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string ids = folder + "/ids";
    TProcessOptions options;
    options.Detach = true;
    options.Output = TProcessStream::Capture; // nothing is captured from a detached program
    // The program's process and session numbers (fields 1 and 6 of its stat line).
    const TProcessResult r = RunProcess(
        {"sh", "-c", "out=$0; set -- $(cat /proc/$$/stat); echo \"$1 $6\" >\"$out\"", ids}, options);
    EXPECT_TRUE(r.Started());
    EXPECT_EQ(r.ExitCode, -1);
    EXPECT_EQ(r.Output, "");
    // It is not waited for: reap it here, then read what it wrote.
    int status = -1;
    ASSERT_GT(::waitpid(-1, &status, 0), 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(ids);
    long pid = 0, session = -1;
    ASSERT_TRUE(in >> pid >> session);
    EXPECT_EQ(pid, session) << "it leads a session of its own";
    EXPECT_NE(session, long(::getsid(0)));
    std::filesystem::remove_all(folder);
}

} // namespace
