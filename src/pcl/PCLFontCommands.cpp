// The font commands: symbol sets and the attributes that select a system font, underline,
// transparent print data, and soft fonts (identifiers, downloads of headers and glyphs, font
// control and selection by identifier).

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "SymbolSets.h"

#include <algorithm>

namespace pg {

namespace {

// The set's value from its number and the command's letter (`ESC(10U` is 10 * 32 + 21).
int16_t SymbolSetOf(std::string_view command) {
    return int16_t(SymbolSetValue(IntegerValue(command), command.empty() ? '@' : command.back()));
}

void CmdPrimarySymbolSet(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimarySymbolSet = SymbolSetOf(command);
    ip.State.Font.SelectedFont = -1;
}

void CmdSecondarySymbolSet(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SecondarySymbolSet = SymbolSetOf(command);
    ip.State.Font.SelectedFont = -1;
}

void CmdPrimarySpacing(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimarySpacing = uint8_t(IntegerValue(command));
}

void CmdSecondarySpacing(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SecondarySpacing = uint8_t(IntegerValue(command));
}

void CmdPitch(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimaryPitch = uint16_t(IntegerValue(command));
}

void CmdHeight(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const double height = RealValue(command);
    ip.State.Font.PrimaryHeight = height == 0 ? 12.0 : height;
}

void CmdPrimaryStyle(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimaryStyle = int16_t(IntegerValue(command));
}

void CmdSecondaryStyle(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SecondaryStyle = int16_t(IntegerValue(command));
}

void CmdPrimaryStrokeWeight(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimaryStrokeWeight = uint8_t(IntegerValue(command));
}

void CmdSecondaryStrokeWeight(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SecondaryStrokeWeight = uint8_t(IntegerValue(command));
}

void CmdPrimaryTypeface(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.PrimaryTypeface = uint16_t(IntegerValue(command));
}

void CmdSecondaryTypeface(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SecondaryTypeface = uint16_t(IntegerValue(command));
}

void CmdUnderlineEnable(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.Underline = true;
}

void CmdUnderlineDisable(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.Underline = false;
}

// The next n bytes are characters of the current font, control codes included.
void CmdTransparentData(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.TransparentBytes = std::max(0, IntegerValue(command));
}

void CmdAssignFontID(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.FontID = uint16_t(IntegerValue(command));
}

// Font control: 0 deletes every soft font, 1 the temporary ones, 2 the font of the current
// identifier, 3 its glyph of the current character code; 4 and 5 make that font temporary or
// permanent. Text selected in a deleted font goes back to the system fonts.
void CmdFontControl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    auto& fonts = ip.State.SoftFonts;
    const TPCLFontState& font = ip.State.Font;
    switch (IntegerValue(command)) {
    case 0:
        fonts.clear();
        break;
    case 1:
        std::erase_if(fonts, [](const auto& f) { return !f.second->Permanent; });
        break;
    case 2:
        fonts.erase(font.FontID);
        break;
    case 3:
        if (TSoftFont* stored = ip.MutableSoftFont(font.FontID))
            stored->DeleteGlyph(font.CharacterCode);
        break;
    case 4:
    case 5:
        if (TSoftFont* stored = ip.MutableSoftFont(font.FontID))
            stored->Permanent = IntegerValue(command) == 5;
        break;
    default:
        break;
    }
    if (font.SelectedFont >= 0 && fonts.count(uint16_t(font.SelectedFont)) == 0)
        ip.State.Font.SelectedFont = -1;
}

void CmdSelectFontByID(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.SelectedFont = uint16_t(IntegerValue(command));
}

void CmdFontDescriptor(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.AnnouncedHeader = true;
}

void CmdDownloadCharacter(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.AnnouncedGlyph = true;
}

void CmdCharacterCode(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Font.CharacterCode = uint8_t(IntegerValue(command));
}

} // namespace

// A glyph goes into the font of the current identifier; a header makes a new font under it,
// replacing any font stored there, as a printer does.
void StoreSoftFontBlock(TPCLInterpreter& ip, std::string_view block) {
    const TPCLFontState& font = ip.State.Font;
    if (ip.AnnouncedGlyph) {
        ip.AnnouncedGlyph = false;
        TSoftFont* stored = ip.MutableSoftFont(font.FontID);
        if (!stored)
            return;
        ip.GlyphBudget -= stored->StoreGlyph(font.CharacterCode, block, ip.GlyphBudget);
        return;
    }
    ip.State.SoftFonts[font.FontID] = std::make_shared<TSoftFont>(block);
}

void AddFontCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {36, "(D", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {37, ")D", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {38, "(E", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {39, ")E", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {40, "(F", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {41, ")F", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {42, "(G", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {43, ")G", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {44, "(I", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {45, ")I", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {46, "(J", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {47, ")J", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {48, "(L", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {49, ")L", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {50, "(M", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {51, ")M", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {52, "(N", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {53, ")N", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {54, "(S", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {55, ")S", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {56, "(T", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {57, ")T", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {58, "(U", "PrimarySymbolSet", &CmdPrimarySymbolSet},
                                      {59, ")U", "SecondarySymbolSet", &CmdSecondarySymbolSet},
                                      {60, "(K", "EmitOnly", &CmdEmitOnly},
                                      {61, ")K", "EmitOnly", &CmdEmitOnly},
                                      {62, "(sP", "PrimarySpacing", &CmdPrimarySpacing},
                                      {63, ")sP", "SecondarySpacing", &CmdSecondarySpacing},
                                      {64, "(sH", "Pitch", &CmdPitch},
                                      {65, ")sH", "Pitch", &CmdPitch},
                                      {66, "&kS", "EmitOnly", &CmdEmitOnly},
                                      {67, "(sV", "Height", &CmdHeight},
                                      {68, ")sV", "Height", &CmdHeight},
                                      {69, "(sS", "PrimaryStyle", &CmdPrimaryStyle},
                                      {70, ")sS", "SecondaryStyle", &CmdSecondaryStyle},
                                      {71, "(sB", "PrimaryStrokeWeight", &CmdPrimaryStrokeWeight},
                                      {72, ")sB", "SecondaryStrokeWeight", &CmdSecondaryStrokeWeight},
                                      {73, "(sT", "PrimaryTypeface", &CmdPrimaryTypeface},
                                      {74, ")sT", "SecondaryTypeface", &CmdSecondaryTypeface},
                                      {75, "(@", "EmitOnly", &CmdEmitOnly},
                                      {76, ")@", "EmitOnly", &CmdEmitOnly},
                                      {77, "&dD", "UnderlineEnable", &CmdUnderlineEnable},
                                      {78, "&d@", "UnderlineDisable", &CmdUnderlineDisable},
                                      {79, "&tP", "EmitOnly", &CmdEmitOnly},
                                      {80, "&pX", "TransparentData", &CmdTransparentData},
                                      {81, "*cD", "AssignFontID", &CmdAssignFontID},
                                      {82, "*cF", "FontControl", &CmdFontControl},
                                      {83, "*cR", "EmitOnly", &CmdEmitOnly},
                                      {84, "(fW", "EmitOnly", &CmdEmitOnly},
                                      {85, "*cS", "EmitOnly", &CmdEmitOnly},
                                      {86, "(X", "SelectFontByID", &CmdSelectFontByID},
                                      {87, ")X", "SelectFontByID", &CmdSelectFontByID},
                                      {88, ")sW", "FontDescriptor", &CmdFontDescriptor},
                                      {89, "(sW", "DownloadCharacter", &CmdDownloadCharacter},
                                      {90, "*cE", "CharacterCode", &CmdCharacterCode},
                                  });
}

} // namespace pg
