#pragma once
// The command line as the program sees it: the package argument, switches and name=value
// arguments. Nothing is parsed ahead; every question reads the stored arguments again.

#include <string>
#include <string_view>
#include <vector>

namespace pg {

// Stores the process arguments (without the program path) for the whole run.
void SetCommandLine(std::vector<std::string> arguments);
const std::vector<std::string>& CommandLineArguments();
// The first argument, or empty.
std::string PackageArgument();
// Rewrites every relative argument that names an existing file or folder as an absolute path,
// so that it still names the same file after the program changes its current folder.
void MakeCommandLinePathsAbsolute();

// True when any argument, upper-cased, contains the switch (upper-cased, blanks trimmed).
bool HasSwitch(std::string_view switchText);
// -1 without the switch; else the number after the first "=" of the first matching argument
// (the whole argument when it has none), 0 when that is not a number.
int SwitchNumber(std::string_view switchText);
// The rest of the first argument that starts with name + "=" (upper-cased comparison).
std::string ArgumentValue(std::string_view name);

// The syntax help shown for "?" in the first argument.
std::string SyntaxHelpText();
bool WantsSyntaxHelp();

// Where "/Instance=n" puts the main window; false when the window keeps its place.
struct TWindowPlace {
    int Top = 0;
    int Left = 0;
};
bool InstancePlacement(TWindowPlace& place);

} // namespace pg
