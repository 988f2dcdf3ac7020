#pragma once
// HP-GL/2 labels: the instructions that set them up (fonts by SD/AD and SS/SA, origin,
// direction, size, slant, spacing, CP) and LB's drawing: the stick font as strokes with the
// pen, the PCL fonts as text through the device, so that a text device reads them too.

#include "HPGL.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

struct THPGLLabelContext {
    THPGLState& State;
    TPCLDevice* Device; // null: the pen moves, nothing is drawn
    int64_t& Budget;
    TStrokeStyle Pen;
    std::array<double, 4> Clip; // left, top, right, bottom in page pixels
};

// Draws the label from the pen, which then stands where the next character would go.
void DrawLabel(THPGLLabelContext& context, std::string_view text);

// The label instructions (SD, AD, SS, SA, LO, DI, DR, DV, SI, SR, SL, ES, CP, LM); others are
// passed over. toPlotter turns a user-unit point into plotter units.
void LabelInstruction(THPGLState& state, const std::string& mnemonic, const std::vector<double>& p,
                      const std::function<THPGLPoint(double, double)>& toPlotter);

} // namespace pg
