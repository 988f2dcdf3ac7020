// pagellan-cli: the Pagellan core without windows, for batch work and scripts.

#include "Command.h"
#include "Prompt.h"

#include <algorithm>
#include <iostream>

namespace pg::cli {

static std::vector<CommandEntry>& Registry() {
    static std::vector<CommandEntry> commands;
    return commands;
}

TCliCommand::TCliCommand(std::string name, std::string usage, CommandFn run) {
    Registry().push_back({std::move(name), std::move(usage), std::move(run)});
}

const std::vector<CommandEntry>& Commands() {
    return Registry();
}

static bool Matches(const std::string& arg, const std::string& name) {
    return arg == "--" + name || arg.rfind("--" + name + "=", 0) == 0;
}

bool HasOption(const std::vector<std::string>& args, const std::string& name) {
    return std::any_of(args.begin(), args.end(), [&](const std::string& a) { return Matches(a, name); });
}

std::string OptionValue(const std::vector<std::string>& args, const std::string& name,
                        const std::string& def) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--" + name)
            return i + 1 < args.size() ? args[i + 1] : def;
        if (args[i].rfind("--" + name + "=", 0) == 0)
            return args[i].substr(name.size() + 3);
    }
    return def;
}

std::vector<std::string> Positionals(const std::vector<std::string>& args,
                                     const std::vector<std::string>& valueOptions) {
    std::vector<std::string> out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" ||
            (a.rfind("--", 0) == 0 && a.find('=') == std::string::npos &&
             std::find(valueOptions.begin(), valueOptions.end(), a.substr(2)) != valueOptions.end())) {
            ++i;
            continue;
        }
        if (a.rfind("--", 0) == 0)
            continue;
        out.push_back(a);
    }
    return out;
}

static void Usage() {
    std::cerr << "usage: pagellan-cli COMMAND ...\n";
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    for (const auto& c : commands)
        std::cerr << "  " << c.Usage << '\n';
}

} // namespace pg::cli

int main(int argc, char** argv) {
    using namespace pg::cli;
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    const std::string name = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    pg::TStderrPrompter prompter;
    pg::SetPrompter(&prompter);
    for (const auto& c : Commands()) {
        if (c.Name != name)
            continue;
        try {
            return c.Run(args);
        } catch (const std::exception& e) {
            std::cerr << e.what() << '\n';
            return 1;
        }
    }
    std::cerr << "Unknown command: " << name << '\n';
    Usage();
    return 2;
}
