#pragma once
// Running another program: its argument vector (never through a shell), what becomes of its
// standard streams, the folder it runs in, an optional time limit, and how it ended. The core
// starts every program through here: the desktop tools, the PDF converter and the PDF reader
// query, the mail program, the About box's browser query and the update installer.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pg {

// Called while a long wait goes on (a window processes its events there); it may block for a
// short while but must return.
using TEventPump = std::function<void()>;

// What becomes of one of the program's output streams.
enum class TProcessStream {
    Inherit, // ours
    Discard, // /dev/null
    Capture, // collected into the result
};

struct TProcessOptions {
    bool SearchPath = true; // argv[0] without a "/" is looked for on PATH
    bool NoInput = false;   // standard input from /dev/null rather than ours
    TProcessStream Output = TProcessStream::Inherit;
    TProcessStream Errors = TProcessStream::Inherit;
    std::string Folder; // where it runs; empty: our current folder
    // The longest wait: a program still running then is killed, and the result says so.
    std::optional<std::chrono::milliseconds> Timeout;
    // Called between looks at the running program; without one the wait simply blocks.
    TEventPump Pump;
    // Started in a session of its own and not waited for: for a program that outlives us (the
    // update installer waits for our end). Nothing is captured then.
    bool Detach = false;
};

struct TProcessResult {
    int StartError = 0; // the system's error number when it did not start (ENOENT: not found)
    int ExitCode = -1;  // -1 when it did not start, ended by a signal, timed out or was detached
    bool TimedOut = false;
    std::string Output; // what it wrote, for the streams captured
    std::string Errors;
    bool Started() const { return StartError == 0; }
    bool Succeeded() const { return Started() && ExitCode == 0; }
};

// Runs argv[0] with the arguments argv[1..] and, unless detached, waits for its end. Captured
// streams are read together while it runs, so a program that writes much to both never stalls.
TProcessResult RunProcess(const std::vector<std::string>& argv, const TProcessOptions& options = {});

} // namespace pg
