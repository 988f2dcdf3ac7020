#pragma once
// The trace sink. Units report progress as "Unit : event" lines. By default the lines are
// dropped; when the environment variable PAGELLAN_TRACE names a file, each line is appended to
// it with a time stamp.

#include <string>

namespace pg {

void DebugMsg(const std::string& line);

} // namespace pg
