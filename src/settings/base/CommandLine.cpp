#include "CommandLine.h"

#include "Strings.h"

#include <filesystem>

namespace pg {

namespace {

std::vector<std::string>& StoredArguments() {
    static std::vector<std::string> arguments;
    return arguments;
}

const std::string* FirstMatchingArgument(std::string_view switchText) {
    const std::string wanted = UpperCase(Trim(switchText));
    for (const std::string& argument : StoredArguments())
        if (UpperCase(argument).find(wanted) != std::string::npos)
            return &argument;
    return nullptr;
}

} // namespace

void SetCommandLine(std::vector<std::string> arguments) {
    StoredArguments() = std::move(arguments);
}

const std::vector<std::string>& CommandLineArguments() {
    return StoredArguments();
}

std::string PackageArgument() {
    return StoredArguments().empty() ? std::string() : StoredArguments().front();
}

void MakeCommandLinePathsAbsolute() {
    namespace fs = std::filesystem;
    for (std::string& argument : StoredArguments()) {
        if (argument.empty())
            continue;
        const fs::path path(argument);
        std::error_code error;
        // Switches and name=value arguments name no file here and stay as they are.
        if (path.is_absolute() || !fs::exists(path, error))
            continue;
        const fs::path absolute = fs::absolute(path, error);
        if (!error)
            argument = absolute.lexically_normal().string();
    }
}

bool HasSwitch(std::string_view switchText) {
    return FirstMatchingArgument(switchText) != nullptr;
}

int SwitchNumber(std::string_view switchText) {
    const std::string* argument = FirstMatchingArgument(switchText);
    if (argument == nullptr)
        return -1;
    const size_t eq = argument->find('=');
    const std::string_view number =
        eq == std::string::npos ? std::string_view(*argument) : std::string_view(*argument).substr(eq + 1);
    return StrToIntDef(number, 0);
}

std::string ArgumentValue(std::string_view name) {
    const std::string prefix = UpperCase(name) + "=";
    for (const std::string& argument : StoredArguments())
        if (UpperCase(argument.substr(0, prefix.size())) == prefix)
            return argument.substr(prefix.size());
    return {};
}

std::string SyntaxHelpText() {
    return "Syntax:\n"
           "pagellan       Quodex filename | PCL filename | TSN filename \n"
           "\n"
           "/NoTaskBar     : Does not display Pagellan in user's taskbar\n"
           "/NAME=0|1      : 0=disables names on forms     1=enables form names\n"
           "/BARCODE=0|1   : 0=disables barcodes on forms  1=enables barcodes on forms\n"
           "/NoParsePCL    : Don't parse PCL forms to determine # of pages in form\n"
           "/AllowSave     : Allow user to save document changes\n"
           "/Instance 999  : The instance number is used to position the main form on the screen\n"
           "email=jane.doe@example.com : your email address (no spaces)\n"
           "password=marshmallow : your vantorel password (no spaces)";
}

bool WantsSyntaxHelp() {
    return PackageArgument().find('?') != std::string::npos;
}

bool InstancePlacement(TWindowPlace& place) {
    int n = SwitchNumber("/Instance");
    if (n <= 0)
        return false;
    place.Top = n * 30 - 20;
    place.Left = n * 20 - 10;
    return true;
}

} // namespace pg
