#pragma once
// The scanline rasteriser the pixel devices fill polygons with. A pixel row is sampled through
// its middle; each run between two crossings that the fill rule counts as inside covers the
// pixels from the rounded left crossing up to the rounded right one. The page bitmap and the
// thumbnail share it, so both cover exactly the same pixels.

#include "PCLDevice.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace pg {

// Calls span(y, left, right) for the pixels left .. right - 1 of row y inside the rings, on a
// width x height page, rows top to bottom. Rings of fewer than three points, horizontal edges
// and edges with a point that is not finite add nothing.
void ForEachPolygonSpan(std::span<const TPolygonRing> rings, TFillRule rule, int width, int height,
                        const std::function<void(int y, int left, int right)>& span);

// What filling the rings on a width x height page costs at most, in the units of pixel work a
// page budgets its plotting in: each row weighs the edges it is tested against, and every pixel
// of the rings' bounding box on the page counts once.
int64_t PolygonSpanWork(std::span<const TPolygonRing> rings, int width, int height);

// The parts of the paths inside the rectangle: a path that leaves it goes on as a new path where
// it comes back. closed is cleared unless every point lies inside (the paths come back whole).
std::vector<TPolygonRing> ClipPathsToRect(const std::vector<TPolygonRing>& paths, bool& closed, double left,
                                          double top, double right, double bottom);

// The area a pen covers along the path (see TPCLDevice::StrokePath) as rings that all turn
// the same way: their union under the non-zero rule is the stroke.
std::vector<TPolygonRing> StrokeOutline(const TPolygonRing& path, bool closed, const TStrokeStyle& style);

} // namespace pg
