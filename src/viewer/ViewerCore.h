#pragma once
// The page window's arithmetic without a window: zoom steps and limits, the number of smoothing
// passes, image sizes for a scale, the conversion between image pixels and PCL units, the
// annotation height, the wheel rule, plain-file page stepping, the go-to-page edit rules and the
// placement of plain-file windows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pg {

// Rounded to the nearest integer, halves to the even neighbour.
int RoundScaled(double v);

// The page scale all page windows share, in percent (100: one screen pixel per 300 dpi dot).
inline constexpr double kDefaultPageScale = 20.0;
// The scale "Original Size" restores (its caption says 20 %).
inline constexpr double kOriginalScale = 37.0;
double SharedPageScale();
void SetSharedPageScale(double scale);

// Zoom In doubles the image unless the scale is already 80 or more; Zoom Out halves it unless
// the scale is 10 or less.
bool ZoomInAllowed(double pageScale);
bool ZoomOutAllowed(double pageScale);
inline constexpr int kZoomInPercent = 200;
inline constexpr int kZoomOutPercent = 50;

// The free zoom of the wheel, the zoom box and the fits stays within these scales.
inline constexpr double kMinFreeScale = 10.0;
inline constexpr double kMaxFreeScale = 400.0;
double ClampFreeScale(double scale);
// Ctrl+wheel: each notch (a delta of 120) away from the user zooms in by a quarter, each
// towards the user zooms out by as much; within the free limits.
double WheelZoomScale(double pageScale, int angleDelta);
// The scale typed in the zoom box ("65", "65%", "65.5 %"); 0 for anything else. Within the
// free limits.
double ParseZoomText(std::string_view text);
// The scale at which a page of bitmapWidth x bitmapHeight fits whole into a view of
// viewWidth x viewHeight, a margin of `margin` pixels all round; within the free limits.
double FitPageScale(int bitmapWidth, int bitmapHeight, int viewWidth, int viewHeight, int margin);
// Zooming keeps a point of the page where it is on screen: the scroll position that puts the
// point at `fraction` of the zoomed image's side under the view position `anchor`.
int KeepPointScroll(double fraction, int zoomedSide, int anchor);

// A bitmap side shown at the scale: side x scale / 100, rounded.
int ScaledSide(int bitmapSide, double pageScale);
// A shown side stretched by percent / 100, rounded.
int StretchSide(int side, int percent);
// The page scale of an image width for a bitmap width.
double ScaleOf(int imageWidth, int bitmapWidth);

// Smoothing passes for x ("Image-Scale" / 100 x page scale): monochrome 1 below 40, else 0;
// colour 2 for 0..19, 1 for 20..50, else 0 (also for negative x).
int CalcNumberOfTimesToAlias(double x, bool monochrome);
// The passes the settings ask for at the page scale; -1 when smoothing is switched off.
int AntiAliasPassesFor(bool antiAliasOn, int imageScaleSetting, double pageScale, bool monochrome);

// Positions. Image pixels at scale s show PCL position (x / s - 50, y / s - 150): the left edge
// of the logical page and the three-line top margin of the print overlay.
struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};
inline constexpr int kPclLeftOffset = 50;
inline constexpr int kPclTopOffset = 150;
TPoint ScreenToPCL(TPoint imagePixel, double pageScale);
TPoint PCLtoScreen(TPoint pcl, double pageScale);

// Annotations are 50 PCL units high; on screen that many pixels at the scale, rounded, with a
// font of nine tenths of that height.
inline constexpr int kAnnotationPclHeight = 50;
int AnnotationHeightFor(double pageScale);
int AnnotationFontHeight(int annotationHeight);
// The box a stored annotation of `length` characters covers on the page bitmap (page pixels:
// left, top, right, bottom), for pictures of the page that show where notes are; its width is
// that of Courier text at the annotation's font height.
struct TPageBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TPageBox AnnotationPageBox(TPoint pcl, size_t length);
// Where an annotation's edit box goes: its bottom-left corner is the PCL point.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};
TRect AnnotationBox(TPoint pcl, double pageScale, int textWidth);
// The PCL point of an edit box whose top-left corner is at (left, top) with the given height.
TPoint AnnotationPclPoint(int left, int top, int height, double pageScale);

// Line steps of one wheel event reporting lines scroll lines: lines + 1, downwards when the
// wheel turned towards the user (negative delta).
int WheelLineSteps(int lines, int delta);

// Plain-file paging with wrap-around; a one-page file stays where it is.
int NextFilePage(int page, int count);
int PrevFilePage(int page, int count);

// The go-to-page dialog.
enum class TGotoChoice { Page, First, Last };
// The edit after typing: a number outside low..high becomes "1", anything that is not a number
// becomes empty.
std::string CheckPageEdit(std::string_view text, int low, int high);
// The number the edit stands for: an empty or invalid edit reads as 1.
int ReadPageEdit(std::string_view text);
// lblRange: low " to " high.
std::string PageRangeText(int low, int high);
// The page a plain file goes to: First 1, Last the count, else the number (outside 1..count: 1).
int PlainFileGotoPage(TGotoChoice choice, int number, int count);
// The caption of the navigation button: page " of " count.
std::string PageOfText(int page, int count);

// Where a plain-file window goes. cascade is the shared offset, advanced by the call.
struct TWindowRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};
TWindowRect SizeTheForm(int screenWidth, int screenHeight, int savedWidth, int savedHeight, int& cascade);
int& CascadeOffset();

} // namespace pg
