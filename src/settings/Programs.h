#pragma once
// Outside programs the desktop integration drives (xdg-utils, shared-mime-info, gsettings, gio):
// found on PATH, run to completion with their output captured, or started and left running.

#include <string>
#include <vector>

namespace pg {

struct TProgramResult {
    bool Started = false;
    int ExitCode = -1; // -1 when it did not start or did not end normally
    std::string Output;
    std::string Errors;
    bool Succeeded() const { return Started && ExitCode == 0; }
};

// Runs argv[0] (searched on PATH) with the arguments and waits for it.
TProgramResult RunProgram(const std::vector<std::string>& argv);
// The full path of the program on PATH; empty when there is none.
std::string FindOnPath(const std::string& program);
// Starts the program without waiting for it; false when it could not start.
bool StartProgram(const std::vector<std::string>& argv);

} // namespace pg
