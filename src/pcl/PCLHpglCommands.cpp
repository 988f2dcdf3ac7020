// The commands around HP-GL/2: entering and leaving it, the picture frame it plots into and
// the plot size the frame scales to. The plotting itself is HPGL.cpp's.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"

#include <algorithm>
#include <cmath>

namespace pg {

namespace {

// ESC%1B takes the pen to the PCL cursor; ESC%0B leaves it where HP-GL/2 last had it.
void CmdEnterHpgl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLGraphicsState& s = ip.State;
    s.HpglMode = true;
    // With a colour palette, the plotter's pens are its entries (until IN gives the plotter's own).
    if (s.Colour.ColourMode && s.Colour.Palette.Entries.size() > 2)
        s.Hpgl.PenColours = s.Colour.Palette.Entries;
    if (IntegerValue(command) % 2 != 0)
        s.Hpgl.Pen = s.Hpgl.FromPage(
            {double(s.Page.LeftOffset) + s.Page.CursorX, double(s.Page.TopMargin) + s.Page.CursorY});
}

// ESC%1A takes the PCL cursor to the pen; ESC%0A leaves it where PCL had it.
void CmdEnterPcl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLGraphicsState& s = ip.State;
    s.HpglMode = false;
    if (IntegerValue(command) % 2 == 0)
        return;
    const THPGLPoint at = s.Hpgl.ToPage(s.Hpgl.Pen);
    s.Page.CursorX = int32_t(std::clamp<double>(std::round(at.X) - s.Page.LeftOffset, INT32_MIN, INT32_MAX));
    s.Page.CursorY = int32_t(std::clamp<double>(std::round(at.Y) - s.Page.TopMargin, INT32_MIN, INT32_MAX));
}

// The picture frame (decipoints) and its anchor (the cursor, ESC*c0T): HP-GL/2 plots into it.
void CmdPictureFrameWidth(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    THPGLState& h = ip.State.Hpgl;
    h.SetFrame(h.FrameLeft, h.FrameTop, std::abs(RealValue(command)) * 300.0 / 720.0, h.FrameHeight);
}

void CmdPictureFrameHeight(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    THPGLState& h = ip.State.Hpgl;
    h.SetFrame(h.FrameLeft, h.FrameTop, h.FrameWidth, std::abs(RealValue(command)) * 300.0 / 720.0);
}

void CmdPictureFrameAnchor(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLGraphicsState& s = ip.State;
    if (IntegerValue(command) == 0)
        s.Hpgl.SetFrame(double(s.Page.LeftOffset) + s.Page.CursorX, double(s.Page.TopMargin) + s.Page.CursorY,
                        s.Hpgl.FrameWidth, s.Hpgl.FrameHeight);
}

// The plot size (inches) that the picture frame scales to.
void CmdPlotWidth(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    THPGLState& h = ip.State.Hpgl;
    h.PlotWidthInches = std::clamp(RealValue(command), 0.0, 1000.0);
    h.SetFrame(h.FrameLeft, h.FrameTop, h.FrameWidth, h.FrameHeight);
}

void CmdPlotHeight(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    THPGLState& h = ip.State.Hpgl;
    h.PlotHeightInches = std::clamp(RealValue(command), 0.0, 1000.0);
    h.SetFrame(h.FrameLeft, h.FrameTop, h.FrameWidth, h.FrameHeight);
}

} // namespace

// The default picture frame: the logical page across, between the half-inch top and bottom
// margins down, anchored at the top margin; the plot size follows it.
void ResetPictureFrame(TPCLInterpreter& ip) {
    const TPCLPageState& page = ip.State.Page;
    const bool legal = page.PageSizeCode != 2;
    const double length = legal ? 4200 : 3300;
    THPGLState& h = ip.State.Hpgl;
    h.PlotWidthInches = h.PlotHeightInches = 0;
    if (page.Orientation == 1)
        h.SetFrame(50, 150, length - 120, 2550 - 300);
    else
        h.SetFrame(50, 150, 2400, length - 300);
}

void AddHpglCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {130, "%A", "EnterPcl", &CmdEnterPcl},
                                      {131, "%B", "EnterHpgl", &CmdEnterHpgl},
                                      {132, "*cK", "PlotWidth", &CmdPlotWidth},
                                      {133, "*cL", "PlotHeight", &CmdPlotHeight},
                                      {134, "*cT", "PictureFrameAnchor", &CmdPictureFrameAnchor},
                                      {135, "*cX", "PictureFrameWidth", &CmdPictureFrameWidth},
                                      {136, "*cY", "PictureFrameHeight", &CmdPictureFrameHeight},
                                  });
}

} // namespace pg
