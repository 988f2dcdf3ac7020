#pragma once
// Where the Open and Save dialogs start, which is also what the About window reports as the
// document folder: the folder of the package shown, else the folder last used in one of those
// dialogs (kept in the settings store, so the next run starts there too), else the user's
// documents folder, else the home folder. Never the program's own folder: the program runs from
// a folder of programs (/usr/bin, or its build tree), and a package saved there is lost to the
// user.

#include <string>

namespace pg {

inline constexpr char kLastFolderSetting[] = "LastFolder";

struct TDialogFolderFacts {
    std::string PackageFile; // the package shown; empty when none
    std::string LastFolder;  // stored
    std::string DocumentsFolder;
    std::string HomeFolder;
    std::string ProgramFolder;
};

// The first of the candidates that is a folder that exists and is not the program's folder;
// relative names count from the current folder. Empty when none qualifies.
std::string DialogStartFolder(const TDialogFolderFacts& facts);

// The stored folder last used in an Open or Save dialog, and keeping the folder of a file chosen
// there.
std::string LastDialogFolder();
void RememberDialogFolder(const std::string& chosenFile);

} // namespace pg
