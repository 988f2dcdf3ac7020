// PCL colour: simple colour mode, image data configuration, palette entries from colour
// components, the foreground colour, and palettes pushed, popped and stored by identifier.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"

#include <algorithm>
#include <cmath>

namespace pg {

namespace {

// The eight colours of a three-bit index, bit 0 the first primary: black, red, green, yellow,
// blue, magenta, cyan, white in RGB; in CMY the same indices are inks on white.
constexpr uint32_t kRgbColours[8] = {0x000000, 0x0000FF, 0x00FF00, 0x00FFFF,
                                     0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

uint32_t ThreeBitColour(int index, bool cmy) {
    const uint32_t rgb = kRgbColours[index & 7];
    return cmy ? (~rgb & 0x00FFFFFF) : rgb;
}

int16_t ReadS16(std::string_view block, size_t at) {
    return int16_t(uint16_t(uint8_t(block[at]) << 8 | uint8_t(block[at + 1])));
}

// The index of black in the palette (the foreground after a new palette); 0 when none.
int32_t BlackIndex(const TPCLPalette& palette) {
    const auto it = std::find(palette.Entries.begin(), palette.Entries.end(), TPCLPalette::kBlack);
    return it == palette.Entries.end() ? 0 : int32_t(it - palette.Entries.begin());
}

// A new palette in force: the foreground colour goes back to black.
void SetPalette(TPCLInterpreter& ip, TPCLPalette palette) {
    TPCLColourState& colour = ip.State.Colour;
    colour.Palette = std::move(palette);
    colour.Components = {0, 0, 0};
    colour.Foreground = TPCLPalette::kBlack;
    colour.ForegroundIndex = BlackIndex(colour.Palette);
    colour.ColourMode = true;
}

// 1 black and white, 3 RGB, -3 CMY; other values change nothing.
void CmdSimpleColour(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t mode = IntegerValue(command);
    if (mode != 1 && mode != 3 && mode != -3)
        return;
    SetPalette(ip, TPCLPalette::SimpleColour(mode));
}

// `*v#A`, `*v#B`, `*v#C`: the first, second and third component of the next entry.
void CmdColourComponent(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const char letter = command.empty() ? 'A' : char(command.back() & ~0x20);
    const size_t i = letter == 'A' ? 0 : letter == 'B' ? 1 : 2;
    ip.State.Colour.Components[i] = RealValue(command);
}

// The components given become the entry at the index; a simple palette stays as it is.
void CmdAssignColourIndex(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLColourState& colour = ip.State.Colour;
    const int32_t index = IntegerValue(command, -1);
    if (!colour.Palette.Simple && index >= 0 && size_t(index) < colour.Palette.Entries.size())
        colour.Palette.Entries[size_t(index)] = colour.Palette.ColourOf(colour.Components);
    colour.Components = {0, 0, 0};
}

// The foreground colour: the entry's colour as it is now (an index past the palette wraps).
void CmdForegroundColour(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLColourState& colour = ip.State.Colour;
    const int32_t index = IntegerValue(command);
    if (index < 0)
        return;
    colour.ForegroundIndex = int32_t(index % int32_t(std::max<size_t>(colour.Palette.Entries.size(), 1)));
    colour.Foreground = colour.Palette.Entry(index);
}

// 0 pushes the palette in force, 1 pops the last one pushed back into force.
void CmdPushPalette(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLColourState& colour = ip.State.Colour;
    const int32_t value = IntegerValue(command);
    if (value == 0 && colour.Pushed.size() < TPCLColourState::kMaxPushed) {
        colour.Pushed.push_back(colour.Palette);
    } else if (value == 1 && !colour.Pushed.empty()) {
        colour.Palette = std::move(colour.Pushed.back());
        colour.Pushed.pop_back();
    }
}

// The identifier the palette in force is kept under; a palette stored under the new one comes
// into force.
void CmdSelectPalette(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLColourState& colour = ip.State.Colour;
    const int32_t id = IntegerValue(command);
    if (id < 0 || id > 32767 || id == colour.PaletteID)
        return;
    const auto it = colour.Stored.find(id);
    if (it == colour.Stored.end() && colour.Stored.size() >= TPCLColourState::kMaxStored)
        return;
    colour.Stored[colour.PaletteID] = colour.Palette;
    colour.PaletteID = id;
    if (it != colour.Stored.end()) {
        colour.Palette = std::move(it->second);
        colour.Stored.erase(it);
    }
}

void CmdPaletteControlID(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t id = IntegerValue(command);
    if (id >= 0 && id <= 32767)
        ip.State.Colour.ControlID = id;
}

// 0 deletes the stored palettes, 1 the pushed ones, 2 the one of the control identifier, 6
// copies the palette in force under the control identifier.
void CmdPaletteControl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLColourState& colour = ip.State.Colour;
    switch (IntegerValue(command, -1)) {
    case 0:
        colour.Stored.clear();
        break;
    case 1:
        colour.Pushed.clear();
        break;
    case 2:
        if (colour.ControlID == colour.PaletteID)
            colour.Palette = TPCLPalette{};
        colour.Stored.erase(colour.ControlID);
        break;
    case 6:
        if (colour.ControlID != colour.PaletteID && (colour.Stored.count(colour.ControlID) != 0 ||
                                                     colour.Stored.size() < TPCLColourState::kMaxStored))
            colour.Stored[colour.ControlID] = colour.Palette;
        break;
    default:
        break;
    }
}

} // namespace

// Black and white for one bit, otherwise the eight colours of the colour space followed by black.
std::vector<uint32_t> TPCLPalette::DefaultEntries(int bitsPerIndex, bool cmy) {
    if (bitsPerIndex <= 1)
        return {kWhite, kBlack};
    std::vector<uint32_t> entries(size_t(1) << std::min(bitsPerIndex, kMaxBitsPerIndex), kBlack);
    for (size_t i = 0; i < std::min<size_t>(8, entries.size()); ++i)
        entries[i] = ThreeBitColour(int(i), cmy);
    return entries;
}

TPCLPalette TPCLPalette::SimpleColour(int mode) {
    TPCLPalette palette;
    palette.Simple = true;
    palette.SimpleMode = int8_t(mode);
    if (mode == 1)
        return palette;
    palette.ColourSpace = mode < 0 ? 1 : 0;
    palette.BitsPerIndex = 3;
    palette.Entries = DefaultEntries(3, mode < 0);
    return palette;
}

// Components run from the black reference to the white one; CMY components count ink.
uint32_t TPCLPalette::ColourOf(const std::array<double, 3>& components) const {
    uint32_t colour = 0;
    for (size_t i = 0; i < 3; ++i) {
        const double range = WhiteReference[i] - BlackReference[i];
        double light = range == 0 ? 0 : (components[i] - BlackReference[i]) / range;
        if (!std::isfinite(light))
            light = 0;
        light = std::clamp(light, 0.0, 1.0);
        if (ColourSpace == 1)
            light = 1 - light;
        colour |= uint32_t(std::lround(light * 255)) << (8 * i);
    }
    return colour;
}

// The short form (6 bytes: colour space, encoding, bits per index, bits per primary) or the long
// form (the short one with white and black references, 18 bytes). A header that is neither, or
// names a colour space, encoding or size the palette cannot take, changes nothing.
void ConfigureImageData(TPCLInterpreter& ip, std::string_view block) {
    if (block.size() != 6 && block.size() != 18)
        return;
    const uint8_t space = uint8_t(block[0]), encoding = uint8_t(block[1]), bitsPerIndex = uint8_t(block[2]);
    if (space > 1 || encoding > 3)
        return;
    const bool direct = encoding >= 2;
    if (!direct && (bitsPerIndex < 1 || bitsPerIndex > TPCLPalette::kMaxBitsPerIndex ||
                    (encoding == 1 && (bitsPerIndex & (bitsPerIndex - 1)) != 0)))
        return;
    TPCLPalette palette;
    palette.Simple = false;
    palette.SimpleMode = 0;
    palette.ColourSpace = space;
    palette.Encoding = encoding;
    palette.BitsPerIndex = direct ? 3 : bitsPerIndex;
    for (size_t i = 0; i < 3; ++i) {
        const int bits = uint8_t(block[3 + i]);
        if (bits < 1 || bits > 32)
            return;
        palette.WhiteReference[i] = std::ldexp(1.0, bits) - 1;
        palette.BlackReference[i] = 0;
        if (block.size() == 18) {
            palette.WhiteReference[i] = ReadS16(block, 6 + 2 * i);
            palette.BlackReference[i] = ReadS16(block, 12 + 2 * i);
            if (palette.WhiteReference[i] == palette.BlackReference[i])
                return;
        }
    }
    palette.Entries = TPCLPalette::DefaultEntries(palette.BitsPerIndex, space == 1);
    SetPalette(ip, std::move(palette));
}

void AddColourCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {138, "*rU", "SimpleColour", &CmdSimpleColour},
                                      {139, "*vW", "EmitOnly", &CmdEmitOnly},
                                      {140, "*vA", "ColourComponent", &CmdColourComponent},
                                      {141, "*vB", "ColourComponent", &CmdColourComponent},
                                      {142, "*vC", "ColourComponent", &CmdColourComponent},
                                      {143, "*vI", "AssignColourIndex", &CmdAssignColourIndex},
                                      {144, "*vS", "ForegroundColour", &CmdForegroundColour},
                                      {145, "*pP", "PushPalette", &CmdPushPalette},
                                      {146, "&pS", "SelectPalette", &CmdSelectPalette},
                                      {147, "&pI", "PaletteControlID", &CmdPaletteControlID},
                                      {148, "&pC", "PaletteControl", &CmdPaletteControl},
                                  });
}

} // namespace pg
