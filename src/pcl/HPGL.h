#pragma once
// The HP-GL/2 plotter inside PCL: the state it keeps between HP-GL/2 stretches of a page and
// the runner that reads one stretch of instructions and draws it through the output device as
// lines and filled polygons. Labels (LB) are read past and not drawn: the forms and drivers that
// plot use PCL text for words, and a label drawn in a substitute font would be further from
// the printed page than no label.

#include "PCLDevice.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pg {

struct THPGLPoint {
    double X = 0;
    double Y = 0;
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
    bool Scaled = false;
    bool PointFactor = false;
    double XMin = 0, XMax = 1, YMin = 0, YMax = 1;
    int Rotation = 0;
    // The pen in plotter units.
    THPGLPoint Pen;
    bool PenDown = false;
    bool Relative = false;
    int SelectedPen = 1;
    double PenWidth = 0.35; // millimetres, or percent of the P1-P2 diagonal (WU1)
    bool WidthRelative = false;
    char LabelTerminator = 3;
    bool PolygonMode = false;
    std::vector<std::vector<THPGLPoint>> Polygon; // plotter units
    // Frame in plotter units along its sides (rotation swaps them at 90 and 270 degrees).
    void SetFrame(double left, double top, double width, double height);
    // IN: every default, P1 and P2 at the frame's corners.
    void Initialize();
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
