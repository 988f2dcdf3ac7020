#pragma once
// Outside programs the desktop integration drives (xdg-utils, shared-mime-info, gsettings, gio):
// found on PATH, run to completion with their output captured, or started and left running.

#include "Process.h"

#include <string>
#include <vector>

namespace pg {

// Runs argv[0] (searched on PATH) with the arguments, without input, and waits for it; its
// output and error output are in the result.
TProcessResult RunProgram(const std::vector<std::string>& argv);
// The full path of the program on PATH; empty when there is none.
std::string FindOnPath(const std::string& program);
// Starts the program without waiting for it; false when it could not start.
bool StartProgram(const std::vector<std::string>& argv);

} // namespace pg
