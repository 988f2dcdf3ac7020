#pragma once
// pagellan-cli sub-commands. Each command lives in its own source file and registers itself
// with a static TCliCommand object; main() dispatches on the first argument.

#include <functional>
#include <string>
#include <vector>

namespace pg::cli {

using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct TCliCommand {
    TCliCommand(std::string name, std::string usage, CommandFn run);
};

struct CommandEntry {
    std::string Name;
    std::string Usage;
    CommandFn Run;
};
const std::vector<CommandEntry>& Commands();

// Option helpers over the arguments after the command name.
bool HasOption(const std::vector<std::string>& args, const std::string& name);
// The value after "--name" (or of "--name=value"); def when absent.
std::string OptionValue(const std::vector<std::string>& args, const std::string& name,
                        const std::string& def = "");
// Arguments that are neither options nor option values. valueOptions lists options that take
// a value.
std::vector<std::string> Positionals(const std::vector<std::string>& args,
                                     const std::vector<std::string>& valueOptions);

} // namespace pg::cli
