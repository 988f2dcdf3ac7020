// pagellan-cli desktop: what the options dialog does with the desktop, for scripts, installers
// and tests: "check" is the check made as the options load, "register" the "Register HLW File
// Types" button, "shortcut" the "Create Shortcut on Desktop" button. Messages go to stderr.

#include "CliDesktopProgram.h"
#include "CliPrograms.h"
#include "Command.h"
#include "FileAssociations.h"
#include "HLWRegistry.h"
#include "PGRegistry.h"
#include "Paths.h"

#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

namespace R = PGRegistry;

// What saving the options stores after registering: the version stamp, in database mode
// written back to the database.
void SaveAfterRegistering() {
    R::StampProgramVersion();
    THLWRegistry& reg = Registry();
    if (reg.Database().DatabaseMode())
        reg.Database().TryToConnectToDB(false, reg.DatabaseAddress());
}

int Run(const std::vector<std::string>& args) {
    const std::vector<std::string> words = Positionals(args, {"program"});
    const std::string action = words.empty() ? "" : words[0];
    const std::string program = DesktopProgram(args);
    THLWRegistry& reg = Registry();
    reg.StartDatabaseMode(false);
    if (reg.Database().DatabaseMode() &&
        reg.Database().TryToConnectToDB(true, reg.DatabaseAddress()) == TConnectResult::NotPermitted)
        return 1;
    if ((action == "check" || action == "register" || action == "shortcut") && !FileExists(program)) {
        // Registering a program that is not there would make every package open with nothing.
        std::cerr << "pagellan-cli desktop: there is no program " << program << " (name it with --program)\n";
        return 1;
    }
    if (action == "check") {
        const R::TVersionAndPasswords v = R::LoadVersionAndPasswords();
        switch (CheckFileAssociations(program, v.StoredVersion < v.CurrentVersion, SaveAfterRegistering)) {
        case TAssociationCheck::Unchanged:
            std::cout << "unchanged: " << program << '\n';
            return 0;
        case TAssociationCheck::Registered:
            std::cout << "registered: " << program << '\n';
            return 0;
        case TAssociationCheck::Failed:
            return 1;
        }
    }
    if (action == "register") {
        if (!RegisterFileTypes(program, SaveAfterRegistering))
            return 1;
        std::cout << "registered: " << program << '\n';
        return 0;
    }
    if (action == "shortcut") {
        std::string fill = R::FillDir();
        if (fill.rfind("..", 0) == 0)
            fill = ResolvePath(IncludeSlash(std::filesystem::path(program).parent_path().string()), fill,
                               false, false);
        std::cout << CreateDesktopShortcut(program, "", "Pagellan",
                                           ShortcutWorkingFolder(NativePath(fill), program))
                  << '\n';
        return 0;
    }
    std::cerr << "usage: pagellan-cli " << kDesktopUsage << '\n';
    return 2;
}

const TCliCommand command("desktop", kDesktopUsage, Run);

} // namespace

} // namespace pg::cli
