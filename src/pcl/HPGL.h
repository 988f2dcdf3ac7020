#pragma once
// The HP-GL/2 plotter inside PCL: the state it keeps between HP-GL/2 stretches of a page and
// the runner that reads one stretch of instructions and draws it through the output device:
// lines with the pen's width, ends, joins and line type; polygons filled solid, shaded,
// hatched, with a raster fill or a PCL pattern; and labels in the stick font (drawn as
// strokes) or in a PCL font (drawn as text).

#include "PCLDevice.h"

#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace pg {

struct THPGLPoint {
    double X = 0;
    double Y = 0;
};

// A font as SD and AD describe it (kind 1 symbol set, 2 spacing, 3 pitch, 4 height in
// points, 5 posture, 6 stroke weight, 7 typeface).
struct THPGLFontChoice {
    int SymbolSet = 277;
    bool Proportional = false;
    double Pitch = 9;
    double Height = 11.5;
    int Posture = 0;
    int Weight = 0;
    int Typeface = 48; // the stick font
};

// A user-defined raster fill (RF): pen numbers, row by row.
struct THPGLRasterFill {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pens;
};

struct THPGLState {
    // The picture frame in page pixels, and the plot size (`*c#K`, `*c#L`, in inches; 0 takes
    // the frame's size) that the frame scales to.
    double FrameLeft = 50;
    double FrameTop = 150;
    double FrameWidth = 2400;
    double FrameHeight = 3000;
    double PlotWidthInches = 0;
    double PlotHeightInches = 0;
    // Scaling points and user scaling (SC); plotter units (1/1016 inch) from the frame's
    // lower left corner, y upwards, in the rotated system.
    THPGLPoint P1, P2;
    // SC: 0 none; 1 anisotropic, 2 isotropic, 3 point factor.
    int ScaleKind = 0;
    double XMin = 0, XMax = 1, YMin = 0, YMax = 1;
    double IsoLeft = 50, IsoBottom = 50; // isotropic: where the spare room goes, percent
    int Rotation = 0;
    // IW: the soft-clip window in plotter units (when set).
    bool Window = false;
    THPGLPoint WindowLow, WindowHigh;
    // The pen in plotter units.
    THPGLPoint Pen;
    bool PenDown = false;
    bool Relative = false;
    int SelectedPen = 1;
    // The pens' colours by number, wrapping round (PCL's palette in colour); none: every pen black.
    std::vector<uint32_t> PenColours;
    uint32_t PenColour(int pen) const {
        return PenColours.empty() ? 0 : PenColours[size_t(pen < 0 ? 0 : pen) % PenColours.size()];
    }
    double PenWidth = 0.35;          // millimetres, or percent of the P1-P2 diagonal (WU1)
    std::map<int, double> PenWidths; // widths set for one pen (PW w,pen)
    bool WidthRelative = false;
    // LA: line ends (1 butt, 2 square, 3 triangular, 4 round), joins (1 mitred, 2 mitred or
    // bevelled, 3 triangular, 4 round, 5 bevelled, 6 none) and the mitre limit.
    int LineEnd = 1;
    int LineJoin = 1;
    double MiterLimit = 5;
    // LT: 0 solid; otherwise the type (negative: adaptive), its pattern length in percent of
    // the P1-P2 diagonal or in millimetres, and the previous line type for LT99.
    int LineType = 0;
    bool LineTypeSolid = true;
    double PatternLength = 4;
    bool PatternAbsolute = false;
    int SavedLineType = 0;
    bool SavedSolid = true;
    double SavedLength = 4;
    bool SavedAbsolute = false;
    // Where the current line pattern stands, in pixels along it (a fixed pattern goes on from
    // one segment to the next until the pen lifts).
    double PatternPhase = 0;
    std::array<std::vector<double>, 8> UserLineTypes; // UL, percentages
    // FT: the type, and each type's parameters as last given.
    int FillType = 1;
    double HatchSpacing3 = 0, HatchAngle3 = 0, HatchSpacing4 = 0, HatchAngle4 = 0;
    double Shading = 50;
    int RasterFillIndex = 1;
    int CrossHatch = 1;
    int PatternId = 0;
    THPGLPoint Anchor;                          // AC, plotter units
    bool Transparent = true;                    // TR
    std::map<int, THPGLRasterFill> RasterFills; // RF, 1..8
    // Labels.
    char LabelTerminator = 3;
    bool TerminatorPrinted = false;
    THPGLFontChoice Standard, Alternate;
    bool AlternateSelected = false;
    int LabelOrigin = 1;
    double DirRun = 1, DirRise = 0; // DI/DR
    bool DirRelative = false;
    bool Vertical = false; // DV1
    int CharSizeKind = 0;  // 0 from the font, 1 SI (cm), 2 SR (percent of P2-P1)
    double CharWidth = 0, CharHeight = 0;
    double Slant = 0;
    double ExtraSpace = 0, ExtraLine = 0;
    THPGLPoint CarriageReturn; // where a carriage return in a label goes back to
    // Polygon mode: the rings, each point with the pen state it was reached with.
    bool PolygonMode = false;
    struct TVertex {
        THPGLPoint At;
        bool Down = true;
    };
    std::vector<std::vector<TVertex>> Polygon; // plotter units
    size_t PolygonPoints = 0;
    // Frame in plotter units along its sides (rotation swaps them at 90 and 270 degrees).
    void SetFrame(double left, double top, double width, double height);
    // IN: every default, P1 and P2 at the frame's corners.
    void Initialize();
    // DF: the defaults of the instructions that have them, the frame and scaling points kept.
    void Defaults();
    // Plotter units <-> page pixels.
    THPGLPoint ToPage(THPGLPoint plu) const;
    THPGLPoint FromPage(THPGLPoint page) const;
};

// What a run of instructions did beyond its drawing.
struct THPGLRun {
    bool Marked = false; // something was drawn (or would be, without a device)
};

// Runs the instructions in bytes. device may be null (the state still follows the bytes).
// budget: the pixel work the page may still spend on plotting; drawing stops at 0.
THPGLRun RunHpgl(THPGLState& state, std::string_view bytes, TPCLDevice* device, int64_t& budget);

} // namespace pg
