#pragma once
// The command families of the PCL interpreter, each in a file of its own, and what they give
// the command table: entries with their number in the table (the order commands are looked
// up and listed in), key, handler name and handler. The table takes every family's entries
// and checks that the numbers run from 1 without a gap.

#include "PCLCommandList.h"

#include <string_view>
#include <vector>

namespace pg {

class TPCLInterpreter;

struct TPCLCommandEntry {
    int Number;
    const char* Key;
    const char* Name;
    TPCLHandler Handler;
};
using TPCLCommandEntries = std::vector<TPCLCommandEntry>;

// Page and cursor: printer reset, paper, orientation, margins, spacing, positioning, and the
// job, status and display commands that only emit (PCLPageCommands.cpp).
void AddPageCommands(TPCLCommandEntries& entries);
// Fonts and soft fonts: selection, underline, transparent data, downloads and font control
// (PCLFontCommands.cpp).
void AddFontCommands(TPCLCommandEntries& entries);
// Raster graphics (PCLRasterCommands.cpp).
void AddRasterCommands(TPCLCommandEntries& entries);
// Rectangles and the signature box (PCLRectangleCommands.cpp).
void AddRectangleCommands(TPCLCommandEntries& entries);
// The print model: patterns, transparency, logical operation (PCLPrintModel.cpp).
void AddPrintModelCommands(TPCLCommandEntries& entries);
// Colour: simple colour mode, palettes, the foreground colour (PCLColourCommands.cpp).
void AddColourCommands(TPCLCommandEntries& entries);
// Macros (PCLMacroCommands.cpp).
void AddMacroCommands(TPCLCommandEntries& entries);
// HP-GL/2 entry and exit, the picture frame and the plot size (PCLHpglCommands.cpp).
void AddHpglCommands(TPCLCommandEntries& entries);
// The picture frame back to the logical page of the page size and orientation.
void ResetPictureFrame(TPCLInterpreter& ip);

// The handler of commands that change nothing and only emit themselves, shared by every
// family, and the one of commands the table does not hold.
void CmdEmitOnly(TPCLInterpreter& interpreter, std::string_view command);
void CmdUnknown(TPCLInterpreter& interpreter, std::string_view command);

// What the interpreter hands the families beyond commands: a soft-font header or glyph block
// (fonts), one raster row's block while drawing (raster).
void StoreSoftFontBlock(TPCLInterpreter& interpreter, std::string_view block);
void DrawRasterRow(TPCLInterpreter& interpreter, std::string_view block);
// An image data configuration (`*v#W`): a new palette of its colour space and size.
void ConfigureImageData(TPCLInterpreter& interpreter, std::string_view block);
// A user-defined pattern's definition (`*c#W`), stored under the pattern identifier.
void DefineUserPattern(TPCLInterpreter& interpreter, std::string_view block);

} // namespace pg
