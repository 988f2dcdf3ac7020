#pragma once
// What the main window's open and save commands do with a file name: which branch of the open
// command a file takes, and which file Save As and Save Selected write with which container.

#include "DocSet.h"

#include <string>
#include <vector>

namespace pg {

// The open command's branches, by the file's extension.
enum class TOpenKind {
    Package,   // TSN, DSP, QDX, QDZ: loaded into the tree
    Pdf,       // handed to the desktop's PDF reader
    Refused,   // EXE, DLL, OCX, ZIP
    PlainFile, // everything else: shown as plain PCL
};
TOpenKind OpenKindOf(const std::string& path);

inline constexpr char kRefusedFileTypeMessage[] = "Only PCL, PDF, TSN or QDX file types are supported";

// What a save writes.
enum class TSaveKind { Tesselon, Quodex, Pdf, Unknown };

// The save dialog's filters, in this order: Tesselon, Quodex, Adobe PDF.
inline constexpr const char* kSaveFilterExtensions[] = {"TSN", "QDX", "PDF"};

// Save As: the chosen name with the extension of the chosen filter (0 Tesselon, 1 Quodex, 2 PDF).
// A name that already ends in that extension, in any letter case, keeps its own spelling.
std::string SaveAsTarget(const std::string& chosen, int filterIndex);
// Save Selected: the chosen name as it stands; a name without an extension gets the one of the
// chosen filter.
std::string SaveSelectedTarget(const std::string& chosen, int filterIndex);
// The container of a target by its extension.
TSaveKind SaveKindOf(const std::string& path);

inline constexpr char kUnknownSaveTypeMessage[] = "unknown file type to save";
inline constexpr char kNoFormsSelected[] = "No forms selected.";

// path + " exists? Overwrite it?"
std::string OverwriteQuestion(const std::string& path);

// The deleted-forms message of the printing commands, ending "Nothing will be saved."; empty
// when none of the forms is deleted.
std::string DeletedFormsSaveMessage(const std::vector<const TDocSetForm*>& forms);

} // namespace pg
