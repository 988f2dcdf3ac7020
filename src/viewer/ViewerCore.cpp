#include "ViewerCore.h"

#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace pg {

namespace {
double g_pageScale = kDefaultPageScale;
} // namespace

int RoundScaled(double v) {
    return RoundHalfEven(v);
}

double SharedPageScale() {
    return g_pageScale;
}

void SetSharedPageScale(double scale) {
    if (std::isfinite(scale) && scale > 0)
        g_pageScale = scale;
}

bool ZoomInAllowed(double pageScale) {
    return pageScale < 80.0;
}

bool ZoomOutAllowed(double pageScale) {
    return pageScale > 10.0;
}

double ClampFreeScale(double scale) {
    return std::clamp(scale, kMinFreeScale, kMaxFreeScale);
}

double WheelZoomScale(double pageScale, int angleDelta) {
    return ClampFreeScale(pageScale * std::pow(1.25, angleDelta / 120.0));
}

double ParseZoomText(std::string_view text) {
    std::string digits;
    for (const char c : text)
        if (c != '%' && c != ' ')
            digits.push_back(c);
    if (digits.empty() || digits.size() > 12)
        return 0;
    // Not strtod: the number reads the same whatever the user's locale.
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || !(value > 0) || !std::isfinite(value))
        return 0;
    return ClampFreeScale(value);
}

double FitPageScale(int bitmapWidth, int bitmapHeight, int viewWidth, int viewHeight, int margin) {
    if (bitmapWidth <= 0 || bitmapHeight <= 0)
        return kDefaultPageScale;
    const double byWidth = double(viewWidth - 2 * margin) / bitmapWidth;
    const double byHeight = double(viewHeight - 2 * margin) / bitmapHeight;
    return ClampFreeScale(std::min(byWidth, byHeight) * 100.0);
}

int KeepPointScroll(double fraction, int zoomedSide, int anchor) {
    return RoundScaled(fraction * zoomedSide) - anchor;
}

int ScaledSide(int bitmapSide, double pageScale) {
    return RoundScaled(bitmapSide * pageScale / 100.0);
}

int StretchSide(int side, int percent) {
    return RoundScaled(side * (percent / 100.0));
}

double ScaleOf(int imageWidth, int bitmapWidth) {
    if (bitmapWidth <= 0)
        return SharedPageScale();
    return double(imageWidth) / bitmapWidth * 100.0;
}

int CalcNumberOfTimesToAlias(double x, bool monochrome) {
    const int r = RoundScaled(x);
    if (monochrome)
        return r < 40 ? 1 : 0;
    if (r >= 0 && r <= 19)
        return 2;
    if (r >= 20 && r <= 50)
        return 1;
    return 0;
}

int AntiAliasPassesFor(bool antiAliasOn, int imageScaleSetting, double pageScale, bool monochrome) {
    if (!antiAliasOn)
        return -1;
    return CalcNumberOfTimesToAlias(imageScaleSetting / 100.0 * pageScale, monochrome);
}

TPoint ScreenToPCL(TPoint imagePixel, double pageScale) {
    const double s = pageScale / 100.0;
    return {RoundScaled(imagePixel.X / s) - kPclLeftOffset, RoundScaled(imagePixel.Y / s) - kPclTopOffset};
}

TPoint PCLtoScreen(TPoint pcl, double pageScale) {
    const double s = pageScale / 100.0;
    return {RoundScaled((pcl.X + kPclLeftOffset) * s), RoundScaled((pcl.Y + kPclTopOffset) * s)};
}

int AnnotationHeightFor(double pageScale) {
    return RoundScaled(kAnnotationPclHeight * pageScale / 100.0);
}

TPageBox AnnotationPageBox(TPoint pcl, size_t length) {
    const int left = pcl.X + kPclLeftOffset, bottom = pcl.Y + kPclTopOffset;
    // Courier advances six tenths of its height.
    const int advance = RoundScaled(AnnotationFontHeight(kAnnotationPclHeight) * 0.6);
    const int width = int(std::min<size_t>(std::max<size_t>(length, 1), 200)) * advance;
    return {left, bottom - kAnnotationPclHeight, left + width, bottom};
}

int AnnotationFontHeight(int annotationHeight) {
    return RoundScaled(annotationHeight * 0.9);
}

TRect AnnotationBox(TPoint pcl, double pageScale, int textWidth) {
    const TPoint p = PCLtoScreen(pcl, pageScale);
    const int height = AnnotationHeightFor(pageScale);
    return {p.X, p.Y - height, textWidth, height};
}

TPoint AnnotationPclPoint(int left, int top, int height, double pageScale) {
    return ScreenToPCL({left, top + height}, pageScale);
}

int WheelLineSteps(int lines, int delta) {
    const int steps = lines + 1;
    return delta < 0 ? steps : -steps;
}

int NextFilePage(int page, int count) {
    if (count <= 1)
        return page;
    return page >= count ? 1 : page + 1;
}

int PrevFilePage(int page, int count) {
    if (count <= 1)
        return page;
    return page <= 1 ? count : page - 1;
}

std::string CheckPageEdit(std::string_view text, int low, int high) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty())
        return {};
    constexpr int32_t kNotANumber = INT32_MIN;
    const int32_t n = StrToIntDef(trimmed, kNotANumber);
    if (n == kNotANumber)
        return {};
    if (n < low || n > high)
        return "1";
    return std::string(text);
}

int ReadPageEdit(std::string_view text) {
    const int32_t n = StrToIntDef(Trim(text), 1);
    return n;
}

std::string PageRangeText(int low, int high) {
    return IntToStr(low) + " to " + IntToStr(high);
}

int PlainFileGotoPage(TGotoChoice choice, int number, int count) {
    switch (choice) {
    case TGotoChoice::First:
        return 1;
    case TGotoChoice::Last:
        return count;
    case TGotoChoice::Page:
        break;
    }
    return number < 1 || number > count ? 1 : number;
}

std::string PageOfText(int page, int count) {
    return IntToStr(page) + " of " + IntToStr(count);
}

TWindowRect SizeTheForm(int screenWidth, int screenHeight, int savedWidth, int savedHeight, int& cascade) {
    TWindowRect r;
    r.Left = screenWidth / 2 - 300;
    cascade += 20;
    if (cascade > screenHeight / 2)
        cascade = 0;
    r.Top = cascade;
    r.Height = savedHeight > 0 ? savedHeight : screenHeight - 100;
    r.Width = savedWidth > 0 ? savedWidth : screenWidth - 330;
    if (r.Left + r.Width > screenWidth)
        r.Width = screenWidth - r.Left;
    return r;
}

int& CascadeOffset() {
    static int offset = 0;
    return offset;
}

} // namespace pg
