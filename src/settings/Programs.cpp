#include "Programs.h"

#include "Paths.h"
#include "Strings.h"

#include <unistd.h>

namespace pg {

TProcessResult RunProgram(const std::vector<std::string>& argv) {
    TProcessOptions options;
    options.NoInput = true;
    options.Output = TProcessStream::Capture;
    options.Errors = TProcessStream::Capture;
    return RunProcess(argv, options);
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
