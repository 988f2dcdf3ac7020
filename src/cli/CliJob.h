#pragma once
// The job options shared by "job" and "print": parsed from the arguments and turned into the
// job's bytes by the core job builder.

#include "PackageJob.h"

#include <string>
#include <vector>

namespace pg::cli {

// Parses the package and the job options (valueOptions: further options of the caller that
// take a value) and builds the job. Wrong use prints the usage (or the reason) to stderr and
// answers 2; a deleted form among the selection prints the deleted-forms message and answers 1,
// as does a damaged package unless --accept-damaged is given (CliPackage.h);
// 0 when build holds the job. capture builds the PDF conversion's job (every page once).
int JobFromArguments(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                     const std::string& command, const std::string& usage, TJobBuild& build,
                     bool capture = false);
// The answer for a build's result: 0 when built; a selection naming no form of the package
// (2) and deleted forms among it (1) are told on stderr.
int JobBuildExitCode(const TJobBuild& build, const std::string& command);

} // namespace pg::cli
