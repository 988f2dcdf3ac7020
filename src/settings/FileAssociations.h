#pragma once
// File associations and the desktop shortcut, the freedesktop way: every registered extension
// gets a shared-mime-info type (".qdx" and ".qdz" application/x-quodex, ".tsn"
// application/x-tesselon, ".pcl" the desktop's own application/vnd.hp-pcl), the program gets the
// desktop entry "Harlowen.Document.desktop" that opens a file with it, and a type without a
// default application gets ours. A type that another program already opens keeps that program,
// as an extension that was already registered keeps its owner on other systems.
//
// Everything goes to the user's folders (XDG_DATA_HOME, XDG_CONFIG_HOME) through xdg-utils and
// shared-mime-info; messages go through the prompt seam.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

inline constexpr char HarlowenProgID[] = "Harlowen.Document";
// Registered and checked.
inline constexpr char AssociatedExtensions[] = "TSN,QDX,QDZ,PCL";
// Their open-with choice would be cleared where a desktop keeps one per extension; none here.
inline constexpr char OpenWithExtensions[] = "QDX,QDZ,DSP";
inline constexpr char QuodexMimeType[] = "application/x-quodex";
inline constexpr char TesselonMimeType[] = "application/x-tesselon";
inline constexpr char PclMimeType[] = "application/vnd.hp-pcl";
// The icon name of the desktop entries (hicolor theme).
inline constexpr char ProgramIconName[] = "pagellan";

inline constexpr char AssociationsCheckFailedText[] =
    "Failed to determine file associations.  The\nmost likely cause is that you do not have\nthe "
    "authority to the registry.\nPlease contact your system administrator.";
inline constexpr char AssociationsWriteFailedText[] =
    "Failed to create file associations.  The\nmost likely cause is that you do not have\nthe "
    "authority to write to the registry.\nPlease contact your system administrator.";
// Shown after registering over associations that all existed, followed by the executable.
inline constexpr char AssociationsRegisteredText[] =
    "File extensions for TSN, QDX, and QDZ have been registered to\nthe following program: ";

// The list's entries trimmed, upper-cased and with a leading "." (".TSN").
std::vector<std::string> ExtensionList(std::string_view list);
// The type of an extension (with or without its "."), empty for one we do not register.
std::string MimeTypeForExtension(std::string_view extension);

// One argument of a desktop entry's Exec key: quoted when it holds a reserved character, with
// the characters the entry format escapes escaped ("/opt/my apps/pagellan" ->
// "\"/opt/my apps/pagellan\"").
std::string QuoteExecArgument(std::string_view argument);
// Exec's value back to its arguments; the inverse of joining QuoteExecArgument results.
std::vector<std::string> SplitExecLine(std::string_view exec);

// The shared-mime-info package of our two types, and the desktop entry that opens a package
// with executable (the program's own when installed: executable "pagellan").
std::string SharedMimeInfoXml();
std::string DesktopEntryText(const std::string& executable);

// The user's data folder (XDG_DATA_HOME, else ~/.local/share) and where our files go in it.
std::string UserDataHome();
std::string UserDesktopEntryPath();
std::string UserMimePackagePath();

// True when every extension's type has a default application. A failure on the way shows the
// check's failure message and answers false.
bool AssociationsExist(std::string_view list);
// Writes the types and the desktop entry (progID empty: "Harlowen.Document"), compiles the user's
// type database and gives every type of the list without a default application to us. A
// failure shows the registration's failure message with the cause and answers false.
bool RegisterAssociations(std::string_view progID, std::string_view list, const std::string& executable);
// The Exec value of our desktop entry; empty when there is none.
std::string AssociationCommand();
// Nothing to clear: freedesktop desktops keep no per-extension open-with choice beside the
// default application, which a user's own choice must keep.
void ClearOpenWithChoice(std::string_view list);

// The register button: registers, tells the user when the associations had all existed, then
// saves the settings (saveSettings). False when registering failed.
bool RegisterFileTypes(const std::string& executable, const std::function<void()>& saveSettings);
// The check while options load: registers when an association is missing, or when our entry
// runs another program and the stored settings come from an older version.
enum class TAssociationCheck { Unchanged, Registered, Failed };
TAssociationCheck CheckFileAssociations(const std::string& executable, bool storedVersionOlder,
                                        const std::function<void()>& saveSettings);

// The desktop folder (`xdg-user-dir DESKTOP`, else ~/Desktop).
std::string DesktopFolder();
// The shortcut's working folder: fillDir when that folder exists, else the executable's folder.
std::string ShortcutWorkingFolder(const std::string& fillDir, const std::string& executable);
// Writes the desktop entry name + ".desktop" (running target with the arguments) into the
// desktop folder, makes it executable
// and marks it trusted where gio can. Answers the file written; throws std::runtime_error
// when it cannot be written.
std::string CreateDesktopShortcut(const std::string& target, const std::string& arguments,
                                  const std::string& name, const std::string& workingFolder);

} // namespace pg
