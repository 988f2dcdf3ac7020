// pagellan-cli: the Pagellan core without windows, for batch work and scripts.

#include "Command.h"
#include "Prompt.h"
#include "Strings.h"

#include <algorithm>
#include <iostream>
#include <map>

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

static void Usage(std::ostream& out) {
    out << "usage: pagellan-cli COMMAND ...\n";
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    for (const auto& c : commands)
        out << "  " << c.Usage << '\n';
}

namespace {

// The options a usage line names, with the placeholder of their value ("" for a switch):
// "[--form N]" -> {"--form", "N"}, "[--changed]" -> {"--changed", ""}, "-o OUT.png" -> {"-o", "OUT.png"}.
std::map<std::string, std::string> OptionsOf(const std::string& usage) {
    std::vector<std::string> words;
    std::string word;
    for (char c : usage + " ") {
        if (c == ' ' || c == '[' || c == ']' || c == '(' || c == ')') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
            if (c != ' ')
                words.push_back(std::string(1, c));
        } else {
            word += c;
        }
    }
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 2 || w[0] != '-' || w == "--")
            continue;
        const bool valueFollows = i + 1 < words.size() && words[i + 1].find_first_of("[]()|") != 0 &&
                                  words[i + 1][0] != '-';
        options[w] = valueFollows ? words[i + 1] : "";
    }
    return options;
}

bool IsNumber(const std::string& s) {
    return !s.empty() && s.size() < 10 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a value fits its placeholder: "N" a number, "N-M" a range of numbers, "N,..." numbers
// separated by commas, "a|N|N-M" any of the alternatives; anything else (a file, a name) any text.
bool ValueFits(const std::string& value, const std::string& placeholder) {
    if (placeholder == "N")
        return IsNumber(value);
    if (placeholder == "N-M") {
        const auto ends = pg::Split(value, "-");
        return ends.size() == 2 && IsNumber(ends[0]) && IsNumber(ends[1]);
    }
    if (placeholder == "N,...") {
        for (const std::string& part : pg::Split(value, ","))
            if (!IsNumber(part))
                return false;
        return true;
    }
    if (placeholder.find('|') != std::string::npos && placeholder.find_first_of("./") == std::string::npos) {
        for (const std::string& choice : pg::Split(placeholder, "|"))
            if (choice == "N" || choice == "N-M" ? ValueFits(value, choice) : pg::LowerCase(value) == choice)
                return true;
        return false;
    }
    return true;
}

// Checks the arguments against the command's usage line: every option must be one it names,
// with a value of the kind it names. Empty when they fit, else what is wrong.
std::string CheckOptions(const CommandEntry& command, const std::vector<std::string>& args) {
    const auto options = OptionsOf(command.Usage);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-' || IsNumber(a.substr(1)))
            continue;
        const size_t equals = a.find('=');
        const std::string name = a.substr(0, equals);
        const auto found = options.find(name);
        if (found == options.end())
            return "unknown option " + name;
        if (found->second.empty()) {
            if (equals != std::string::npos)
                return "option " + name + " takes no value";
            continue;
        }
        std::string value;
        if (equals != std::string::npos)
            value = a.substr(equals + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            return "option " + name + " needs a value (" + found->second + ")";
        if (!ValueFits(value, found->second))
            return "option " + name + ": \"" + value + "\" is not " + found->second;
    }
    return {};
}

} // namespace

} // namespace pg::cli

int main(int argc, char** argv) {
    using namespace pg::cli;
    if (argc < 2) {
        Usage(std::cerr);
        return 2;
    }
    if (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        Usage(std::cout);
        return 0;
    }
    const std::string name = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    pg::TStderrPrompter prompter;
    pg::SetPrompter(&prompter);
    for (const auto& c : Commands()) {
        if (c.Name != name)
            continue;
        if (HasOption(args, "help")) {
            std::cout << "usage: pagellan-cli " << c.Usage << '\n';
            return 0;
        }
        if (const std::string fault = CheckOptions(c, args); !fault.empty()) {
            std::cerr << "pagellan-cli " << name << ": " << fault << "\nusage: pagellan-cli " << c.Usage << '\n';
            return 2;
        }
        try {
            return c.Run(args);
        } catch (const std::exception& e) {
            std::cerr << e.what() << '\n';
            return 1;
        }
    }
    std::cerr << "Unknown command: " << name << '\n';
    Usage(std::cerr);
    return 2;
}
