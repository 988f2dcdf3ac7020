#include "PclXlInterpreter.h"

#include "PclXlImage.h"
#include "PclXlText.h"
#include "PolygonRaster.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <numbers>

namespace pg::xl {

namespace {

// Paper sizes in pixels of 300 per inch, portrait, by the MediaSize enumeration.
struct TMedia {
    int Code;
    const char* Name;
    int Width, Height;
};
constexpr TMedia kMedia[] = {
    {0, "LETTER", 2550, 3300},    {1, "LEGAL", 2550, 4200},   {2, "A4", 2480, 3507},
    {3, "EXEC", 2175, 3150},      {4, "LEDGER", 3300, 5100},  {5, "A3", 3507, 4960},
    {6, "COM10", 1237, 2850},     {7, "MONARCH", 1162, 2250}, {8, "C5", 1913, 2704},
    {9, "DL", 1299, 2598},        {10, "JB4", 3035, 4299},    {11, "JB5", 2150, 3035},
    {12, "B5ENV", 2078, 2952},    {13, "B5", 2150, 3035},     {14, "JPOST", 1181, 1748},
    {15, "JDBLPOST", 2362, 1748}, {16, "A5", 1748, 2480},     {17, "A6", 1240, 1748},
    {18, "JB6", 1512, 2150},      {19, "JIS8K", 3154, 4606},  {20, "JIS16K", 2303, 3154},
    {21, "JISEXEC", 2551, 3898},
};

// Points per unit of the Measure enumeration: inch, millimetre, tenth of a millimetre.
double PointsPerMeasure(int64_t measure) {
    switch (measure) {
    case 1:
        return 72.0 / 25.4;
    case 2:
        return 72.0 / 254.0;
    default:
        return 72.0;
    }
}

uint32_t Rgb(double r, double g, double b) {
    const auto byte = [](double v) { return uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return byte(r) | byte(g) << 8 | byte(b) << 16;
}

// A number of an integer type as a fraction of the type's largest value; reals as they are.
double Fraction(const TValue& v, size_t i) {
    const double n = v.At(i);
    switch (v.Type) {
    case TDataType::UByte:
        return n / 255;
    case TDataType::UInt16:
        return n / 65535;
    case TDataType::SInt16:
        return std::max(n, 0.0) / 32767;
    case TDataType::UInt32:
        return n / 4294967295.0;
    case TDataType::SInt32:
        return std::max(n, 0.0) / 2147483647.0;
    case TDataType::Real32:
        return n;
    }
    return n;
}

// The 8 x 8 ordered dither: the order in which the pixels of a cell turn black.
constexpr uint8_t kDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

uint8_t Rop3(uint8_t rop, uint8_t d, uint8_t s, uint8_t t) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (rop & (1 << i))
            r |= uint8_t((i & 4 ? t : ~t) & (i & 2 ? s : ~s) & (i & 1 ? d : ~d));
    return r;
}

} // namespace

uint8_t Darkness(uint32_t colour) {
    const uint32_t luma =
        (299 * (colour & 0xFF) + 587 * (colour >> 8 & 0xFF) + 114 * (colour >> 16 & 0xFF)) / 1000;
    return uint8_t(255 - std::min<uint32_t>(luma, 255));
}

bool DitherBlack(int x, int y, uint8_t darkness) {
    return darkness * 64 > (kDither[y & 7][x & 7] * 2 + 1) * 255 / 2;
}

// ---- Running -----------------------------------------------------------------------------

TInterpreter::TInterpreter(TPCLDevice* device) : device_(device) {}

TInterpreter::~TInterpreter() = default;

int TInterpreter::DeviceWidth() const {
    return page_.Orientation % 2 == 1 ? page_.Height : page_.Width;
}

int TInterpreter::DeviceHeight() const {
    return page_.Orientation % 2 == 1 ? page_.Width : page_.Height;
}

void TInterpreter::Run(TReader& reader, const TCallbacks& callbacks, bool stopAfterPage) {
    TOperation op;
    while (!stop_ && reader.Next(op)) {
        if (op.Tag == kBeginPage && streamDepth_ == 0 && callbacks.PageStart)
            callbacks.PageStart(op.Start);
        const bool pageEnded = Execute(op);
        if (pageEnded && streamDepth_ == 0) {
            if (callbacks.PageEnd)
                callbacks.PageEnd();
            if (stopAfterPage)
                return;
        }
    }
}

// Runs one operator; true when it ended a page.
bool TInterpreter::Execute(const TOperation& op) {
    const TAttributes& a = *op.Attributes;
    // Operators that draw or change the page's state mean nothing outside a page.
    const bool pageOperator = op.Tag >= kPopGS && op.Tag <= kPassThrough;
    if (pageOperator && !inPage_)
        return false;
    switch (op.Tag) {
    case kBeginSession:
        BeginSession(a);
        break;
    case kEndSession:
        // Fonts, streams and patterns last as long as their session.
        session_.Fonts.clear();
        session_.Streams.clear();
        session_.Patterns.clear();
        break;
    case kOpenDataSource:
        session_.DataBigEndian = a.Integer(aDataOrg, 1) == 0;
        break;
    case kBeginPage:
        BeginPage(a);
        break;
    case kEndPage:
        if (!inPage_)
            return false;
        EndPage(a);
        return true;
    case kBeginFontHeader:
        BeginFontHeader(a);
        break;
    case kReadFontHeader:
        ReadFontHeader(op);
        break;
    case kEndFontHeader:
        EndFontHeader();
        break;
    case kBeginChar:
        BeginChar(a);
        break;
    case kReadChar:
        ReadChar(op);
        break;
    case kEndChar:
        session_.CharFontName.clear();
        break;
    case kRemoveFont:
        RemoveFont(a);
        break;
    case kBeginStream:
        if (const TValue* name = a.Find(aStreamName)) {
            session_.StreamName = std::string(name->Elements);
            session_.StreamBeingRead = std::make_shared<std::string>();
        }
        break;
    case kReadStream:
        // A stream keeps what it was given, up to the limit of one stream.
        if (session_.StreamBeingRead && session_.StreamBeingRead->size() + op.Data.size() <= (64u << 20))
            session_.StreamBeingRead->append(op.Data);
        break;
    case kEndStream:
        if (session_.StreamBeingRead)
            session_.Streams[session_.StreamName] = std::move(session_.StreamBeingRead);
        session_.StreamBeingRead.reset();
        break;
    case kRemoveStream:
        if (const TValue* name = a.Find(aStreamName))
            session_.Streams.erase(std::string(name->Elements));
        break;
    case kExecStream:
        ExecStream(a);
        break;
    case kPopGS:
        if (!saved_.empty()) {
            gs_ = std::move(saved_.back());
            saved_.pop_back();
        }
        break;
    case kPushGS:
        // Beyond the limit a push keeps nothing, and the pop that matches it restores nothing.
        if (int(saved_.size()) < kMaxGraphicsStates)
            saved_.push_back(gs_);
        break;
    case kSetDefaultGS: {
        TGraphicsState fresh;
        fresh.Ctm = pageCtm_;
        gs_ = std::move(fresh);
        break;
    }
    case kSetColorSpace:
        SetColourSpace(a);
        break;
    case kSetBrushSource:
    case kSetPenSource: {
        bool nothing = false;
        const TInk ink = InkFrom(a, nothing);
        if (!nothing)
            (op.Tag == kSetBrushSource ? gs_.Brush : gs_.Pen) = ink;
        break;
    }
    case kSetPenWidth:
        gs_.PenWidth = std::abs(a.Number(aPenWidth, 0, gs_.PenWidth));
        break;
    case kSetLineCap:
        gs_.Cap = TLineCap(std::clamp<int64_t>(a.Integer(aLineCapStyle), 0, 3));
        break;
    case kSetLineJoin:
        gs_.Join = TLineJoin(std::clamp<int64_t>(a.Integer(aLineJoinStyle), 0, 3));
        break;
    case kSetMiterLimit:
        gs_.MiterLimit = std::max(a.Number(aMiterLength, 0, 10), 1.0);
        break;
    case kSetLineDash:
        SetLineDash(a);
        break;
    case kSetFillMode:
        gs_.FillRule = a.Integer(aFillMode) == 1 ? TFillRule::EvenOdd : TFillRule::NonZero;
        break;
    case kSetClipMode:
        gs_.ClipRule = a.Integer(aClipMode) == 1 ? TFillRule::EvenOdd : TFillRule::NonZero;
        break;
    case kSetROP:
        gs_.Rop = uint8_t(std::clamp<int64_t>(a.Integer(aROP3, 252), 0, 255));
        break;
    case kSetSourceTxMode:
        gs_.SourceTransparent = a.Integer(aTxMode) == 1;
        break;
    case kSetPaintTxMode:
        gs_.PaintTransparent = a.Integer(aTxMode) == 1;
        break;
    case kSetPageDefaultCTM:
        gs_.Ctm = pageCtm_;
        break;
    case kSetPageOrigin:
        gs_.Ctm.Translate(a.Number(aPageOrigin, 0), a.Number(aPageOrigin, 1));
        break;
    case kSetPageRotation:
        // Positive angles turn the page's axes counter-clockwise.
        gs_.Ctm.Rotate(-a.Number(aPageAngle));
        break;
    case kSetPageScale:
        SetPageScale(a);
        break;
    case kSetCursor:
        SetCursorUser(a.Number(aPoint, 0), a.Number(aPoint, 1));
        break;
    case kSetCursorRel: {
        const TPagePoint from = Cursor();
        const TPagePoint d = gs_.Ctm.Distance(a.Number(aPoint, 0), a.Number(aPoint, 1));
        cursor_ = {from.X + d.X, from.Y + d.Y};
        hasCursor_ = true;
        path_.MoveTo(cursor_);
        break;
    }
    case kNewPath:
        path_.Clear();
        break;
    case kCloseSubPath:
        path_.Close();
        if (!path_.Empty() && !path_.Subpaths().back().Points.empty())
            cursor_ = path_.Subpaths().back().Points.front();
        break;
    case kLinePath:
    case kLineRelPath:
        AddLines(op, op.Tag == kLineRelPath);
        break;
    case kBezierPath:
    case kBezierRelPath:
        AddCurves(op, op.Tag == kBezierRelPath);
        break;
    case kArcPath:
        AddArc(a, 0);
        break;
    case kChordPath:
        AddArc(a, 1);
        break;
    case kPiePath:
        AddArc(a, 2);
        break;
    case kEllipsePath:
        AddArc(a, 3);
        break;
    case kRectanglePath:
        AddRectangle(a);
        break;
    case kRoundRectanglePath:
        AddRoundRectangle(a);
        break;
    case kChord:
    case kPie:
    case kEllipse:
    case kRectangle:
    case kRoundRectangle: {
        // One shape painted on its own: the path holds it alone, and is empty afterwards; the
        // cursor stays where the shape left it.
        path_.Clear();
        if (op.Tag == kRectangle)
            AddRectangle(a);
        else if (op.Tag == kRoundRectangle)
            AddRoundRectangle(a);
        else
            AddArc(a, op.Tag == kChord ? 1 : op.Tag == kPie ? 2 : 3);
        PaintPath();
        path_.Clear();
        break;
    }
    case kPaintPath:
        PaintPath();
        break;
    case kSetClipToPage:
        gs_.Clip.Reset();
        break;
    case kSetClipRectangle:
        SetClipRectangle(a);
        break;
    case kSetClipReplace:
        SetClipFromPath(a, true);
        break;
    case kSetClipIntersect:
        SetClipFromPath(a, false);
        break;
    case kSetFont:
        SetFont(a);
        break;
    case kSetCharAngle:
        gs_.CharAngle = a.Number(aCharAngle);
        break;
    case kSetCharScale:
        gs_.CharScaleX = a.Number(aCharScale, 0, 1);
        gs_.CharScaleY = a.Number(aCharScale, 1, 1);
        break;
    case kSetCharShear:
        gs_.CharShearX = a.Number(aCharShear, 0);
        gs_.CharShearY = a.Number(aCharShear, 1);
        break;
    case kSetCharBoldValue:
        gs_.CharBold = std::clamp(a.Number(aCharBoldValue), 0.0, 1.0);
        break;
    case kText:
    case kTextPath:
        Text(a, op.Tag == kTextPath);
        break;
    case kBeginImage:
    case kBeginRastPattern:
        BeginImage(a, op.Tag == kBeginRastPattern);
        break;
    case kReadImage:
    case kReadRastPattern:
        ReadImage(op, op.Tag == kReadRastPattern);
        break;
    case kEndImage:
    case kEndRastPattern:
        EndImage(op.Tag == kEndRastPattern);
        break;
    default:
        // Everything else (comments, halftones, pass-through data, vendor operators, and
        // operators we do not know) is passed over: its attributes and data are already read.
        break;
    }
    return false;
}

void TInterpreter::ExecStream(const TAttributes& a) {
    const TValue* name = a.Find(aStreamName);
    if (name == nullptr || streamDepth_ >= kMaxStreamDepth)
        return;
    const auto it = session_.Streams.find(std::string(name->Elements));
    if (it == session_.Streams.end())
        return;
    // The stream lives while it runs, even if it removes itself.
    const std::shared_ptr<const std::string> bytes = it->second;
    TReader reader(*bytes);
    ++streamDepth_;
    TOperation op;
    while (!stop_ && reader.Next(op))
        if (op.Tag != kBeginSession && op.Tag != kEndSession && op.Tag != kBeginPage && op.Tag != kEndPage)
            Execute(op);
    --streamDepth_;
}

// ---- Session and page ----------------------------------------------------------------------

void TInterpreter::BeginSession(const TAttributes& a) {
    session_ = TSession{};
    session_.Measure = int(std::clamp<int64_t>(a.Integer(aMeasure), 0, 2));
    const double ux = a.Number(aUnitsPerMeasure, 0, 300), uy = a.Number(aUnitsPerMeasure, 1, ux);
    session_.UnitsX = ux > 0 ? ux : 300;
    session_.UnitsY = uy > 0 ? uy : session_.UnitsX;
}

void TInterpreter::BeginPage(const TAttributes& a) {
    page_ = TPageSetup{};
    page_.Orientation = int(a.Integer(aOrientation, 0));
    if (page_.Orientation < 0 || page_.Orientation > 3)
        page_.Orientation = 0;
    if (const TValue* size = a.Find(aMediaSize)) {
        // An enumeration, or (in later versions) the paper's name.
        const std::string_view name = size->Bytes();
        for (const TMedia& m : kMedia) {
            const bool named = size->IsArray() && name.size() >= 2 &&
                               std::equal(name.begin(), name.end(), m.Name, m.Name + std::strlen(m.Name),
                                          [](char x, char y) { return std::toupper(uint8_t(x)) == y; });
            if (named || (!size->IsArray() && size->Whole(0) == m.Code)) {
                page_.MediaSize = m.Code;
                page_.MediaName = m.Name;
                page_.Width = m.Width;
                page_.Height = m.Height;
                break;
            }
        }
    } else if (const TValue* custom = a.Find(aCustomMediaSize)) {
        const double perUnit = PointsPerMeasure(a.Integer(aCustomMediaSizeUnits)) / 72 * 300;
        const double w = custom->At(0) * perUnit, h = custom->At(1) * perUnit;
        page_.MediaSize = -1;
        page_.MediaName = "CUSTOM";
        // A page stays within what a page bitmap holds.
        page_.Width = int(std::clamp(std::lround(w), 1L, 6000L));
        page_.Height = int(std::clamp(std::lround(h), 1L, 6000L));
    }
    page_.Duplex = a.Has(aDuplexPageMode);
    inPage_ = true;
    saved_.clear();
    path_.Clear();
    image_.reset();
    hasCursor_ = false;
    cursor_ = {};

    // User units to page pixels, with the origin at the top left corner of the page as it is
    // turned.
    const double points = PointsPerMeasure(session_.Measure);
    const double sx = points / 72 * 300 / session_.UnitsX, sy = points / 72 * 300 / session_.UnitsY;
    const int w = DeviceWidth(), h = DeviceHeight();
    pageCtm_ =
        page_.Orientation >= 2 ? TMatrix{-sx, 0, 0, -sy, double(w), double(h)} : TMatrix{sx, 0, 0, sy, 0, 0};
    gs_ = TGraphicsState{};
    gs_.Ctm = pageCtm_;
    if (device_)
        device_->StartPage(w, h);
}

void TInterpreter::EndPage(const TAttributes& a) {
    page_.Copies = int(std::clamp<int64_t>(a.Integer(aPageCopies, 1), 1, 999));
    inPage_ = false;
    image_.reset();
    path_.Clear();
    saved_.clear();
    if (device_)
        device_->ResizePage(DeviceWidth(), DeviceHeight());
}

// ---- Graphics state ------------------------------------------------------------------------

void TInterpreter::SetColourSpace(const TAttributes& a) {
    const int64_t space = a.Integer(aColorSpace, gs_.ColourSpace);
    gs_.ColourSpace = space == 2 || space == 6 ? 2 : 1;
    gs_.Palette.clear();
    if (const TValue* palette = a.Find(aPaletteData); palette && palette->IsArray()) {
        gs_.Palette =
            std::string(palette->Elements.substr(0, std::min<size_t>(palette->Elements.size(), 768)));
    }
}

TInk TInterpreter::InkFrom(const TAttributes& a, bool& nothing) {
    TInk ink;
    nothing = false;
    if (a.Has(aNullBrush) || a.Has(aNullPen)) {
        ink.Kind = TInk::TKind::Null;
    } else if (const TValue* rgb = a.Find(aRGBColor)) {
        if (rgb->Size() >= 3)
            ink.Colour = Rgb(Fraction(*rgb, 0), Fraction(*rgb, 1), Fraction(*rgb, 2));
        else
            ink.Colour = Rgb(Fraction(*rgb, 0), Fraction(*rgb, 0), Fraction(*rgb, 0));
    } else if (const TValue* grey = a.Find(aGrayLevel)) {
        const double g = Fraction(*grey, 0);
        ink.Colour = Rgb(g, g, g);
    } else if (const TValue* primary = a.Find(aPrimaryArray)) {
        const double depth = a.Integer(aPrimaryDepth, 8) == 8 ? 255 : 1;
        if (gs_.ColourSpace == 2 && primary->Size() >= 3)
            ink.Colour = Rgb(primary->At(0) / depth, primary->At(1) / depth, primary->At(2) / depth);
        else
            ink.Colour = Rgb(primary->At(0) / depth, primary->At(0) / depth, primary->At(0) / depth);
    } else if (a.Has(aPatternSelectID)) {
        ink.Kind = TInk::TKind::Pattern;
        ink.Pattern = a.Integer(aPatternSelectID);
        const TPagePoint origin = gs_.Ctm.Apply(a.Number(aPatternOrigin, 0), a.Number(aPatternOrigin, 1));
        ink.PatternOrigin = origin;
        if (a.Has(aNewDestinationSize)) {
            const TPagePoint size =
                gs_.Ctm.Distance(a.Number(aNewDestinationSize, 0), a.Number(aNewDestinationSize, 1));
            ink.PatternWidth = std::abs(size.X) + std::abs(gs_.Ctm.C * a.Number(aNewDestinationSize, 1));
            ink.PatternHeight = std::abs(size.Y) + std::abs(gs_.Ctm.B * a.Number(aNewDestinationSize, 0));
        }
    } else {
        nothing = true;
    }
    return ink;
}

void TInterpreter::SetPageScale(const TAttributes& a) {
    if (a.Has(aPageScale)) {
        gs_.Ctm.Scale(a.Number(aPageScale, 0, 1), a.Number(aPageScale, 1, 1));
        return;
    }
    // A new unit of measure: user units from now on are of that size.
    if (!a.Has(aMeasure) || !a.Has(aUnitsPerMeasure))
        return;
    const double oldX = PointsPerMeasure(session_.Measure) / session_.UnitsX;
    const double oldY = PointsPerMeasure(session_.Measure) / session_.UnitsY;
    const double ux = a.Number(aUnitsPerMeasure, 0), uy = a.Number(aUnitsPerMeasure, 1, ux);
    if (!(ux > 0) || !(uy > 0))
        return;
    const double points = PointsPerMeasure(a.Integer(aMeasure));
    gs_.Ctm.Scale(points / ux / oldX, points / uy / oldY);
}

void TInterpreter::SetLineDash(const TAttributes& a) {
    gs_.Dashes.clear();
    gs_.DashOffset = 0;
    const TValue* style = a.Find(aLineDashStyle);
    if (style == nullptr || a.Has(aSolidLine))
        return;
    double total = 0;
    for (size_t i = 0; i < std::min<size_t>(style->Size(), 20); ++i) {
        const double d = std::abs(style->At(i));
        gs_.Dashes.push_back(d);
        total += d;
    }
    if (!(total > 0))
        gs_.Dashes.clear();
    else if (gs_.Dashes.size() % 2 == 1) {
        const std::vector<double> once = gs_.Dashes;
        gs_.Dashes.insert(gs_.Dashes.end(), once.begin(), once.end());
    }
    gs_.DashOffset = a.Number(aDashOffset);
}

void TInterpreter::SetClipRectangle(const TAttributes& a) {
    const TValue* box = a.Find(aBoundingBox);
    if (box == nullptr)
        return;
    const double x1 = box->At(0), y1 = box->At(1), x2 = box->At(2), y2 = box->At(3);
    const std::vector<TPagePoint> rect = {gs_.Ctm.Apply(x1, y1), gs_.Ctm.Apply(x2, y1), gs_.Ctm.Apply(x2, y2),
                                          gs_.Ctm.Apply(x1, y2)};
    // Only the inside of a region is kept; clipping to the outside is not done.
    if (a.Integer(aClipRegion) == 0)
        gs_.Clip.Intersect(rect);
}

void TInterpreter::SetClipFromPath(const TAttributes& a, bool replace) {
    if (a.Integer(aClipRegion) != 0)
        return;
    if (replace)
        gs_.Clip.Reset();
    // Every ring of the path narrows the region; a ring that is not convex narrows it to the
    // box around it.
    for (const TPolygonRing& ring : path_.Rings()) {
        if (IsConvex(ring)) {
            gs_.Clip.Intersect(ring);
            continue;
        }
        double l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
        for (const TPagePoint& p : ring) {
            l = std::min(l, p.X);
            t = std::min(t, p.Y);
            r = std::max(r, p.X);
            b = std::max(b, p.Y);
        }
        gs_.Clip.Intersect({{l, t}, {r, t}, {r, b}, {l, b}});
    }
}

// ---- Paths ---------------------------------------------------------------------------------

TPagePoint TInterpreter::Cursor() const {
    return hasCursor_ ? cursor_ : gs_.Ctm.Apply(0, 0);
}

void TInterpreter::SetCursorUser(double x, double y) {
    cursor_ = gs_.Ctm.Apply(x, y);
    hasCursor_ = true;
    path_.MoveTo(cursor_);
}

void TInterpreter::AddLines(const TOperation& op, bool relative) {
    const TAttributes& a = *op.Attributes;
    const auto lineTo = [&](double x, double y) {
        const TPagePoint from = Cursor();
        TPagePoint to;
        if (relative) {
            const TPagePoint d = gs_.Ctm.Distance(x, y);
            to = {from.X + d.X, from.Y + d.Y};
        } else {
            to = gs_.Ctm.Apply(x, y);
        }
        path_.LineTo(from, to);
        cursor_ = to;
        hasCursor_ = true;
    };
    if (a.Has(aEndPoint)) {
        lineTo(a.Number(aEndPoint, 0), a.Number(aEndPoint, 1));
        return;
    }
    // Points in the operator's data: pairs of bytes or of 16-bit numbers.
    const int64_t count = a.Integer(aNumberOfPoints);
    const int64_t type = a.Integer(aPointType);
    if (count <= 0 || type < 0 || type > 3)
        return;
    const TDataType element = type == 0   ? TDataType::UByte
                              : type == 2 ? TDataType::UInt16
                              : type == 3 ? TDataType::SInt16
                                          : TDataType::UByte;
    const size_t size = type < 2 ? 1 : 2;
    const auto* p = reinterpret_cast<const uint8_t*>(op.Data.data());
    const size_t available = op.Data.size() / (2 * size);
    for (size_t i = 0; i < std::min<size_t>(size_t(count), available); ++i) {
        double x = ReadNumber(p + 2 * size * i, element, session_.DataBigEndian);
        double y = ReadNumber(p + 2 * size * i + size, element, session_.DataBigEndian);
        if (type == 1) {
            x = double(int8_t(uint8_t(x)));
            y = double(int8_t(uint8_t(y)));
        }
        lineTo(x, y);
    }
}

void TInterpreter::AddCurves(const TOperation& op, bool relative) {
    const TAttributes& a = *op.Attributes;
    const auto curveTo = [&](const double(&c)[6]) {
        const TPagePoint from = Cursor();
        TPagePoint p[3];
        for (int i = 0; i < 3; ++i) {
            if (relative) {
                const TPagePoint d = gs_.Ctm.Distance(c[2 * i], c[2 * i + 1]);
                p[i] = {from.X + d.X, from.Y + d.Y};
            } else {
                p[i] = gs_.Ctm.Apply(c[2 * i], c[2 * i + 1]);
            }
        }
        path_.CurveTo(from, p[0], p[1], p[2]);
        cursor_ = p[2];
        hasCursor_ = true;
    };
    if (a.Has(aControlPoint1) && a.Has(aControlPoint2) && a.Has(aEndPoint)) {
        const double c[6] = {a.Number(aControlPoint1, 0), a.Number(aControlPoint1, 1),
                             a.Number(aControlPoint2, 0), a.Number(aControlPoint2, 1),
                             a.Number(aEndPoint, 0),      a.Number(aEndPoint, 1)};
        curveTo(c);
        return;
    }
    const int64_t count = a.Integer(aNumberOfPoints);
    const int64_t type = a.Integer(aPointType);
    if (count <= 0 || type < 0 || type > 3)
        return;
    const TDataType element = type < 2 ? TDataType::UByte : type == 2 ? TDataType::UInt16 : TDataType::SInt16;
    const size_t size = type < 2 ? 1 : 2;
    const auto* p = reinterpret_cast<const uint8_t*>(op.Data.data());
    const size_t curves = std::min<size_t>(size_t(count), op.Data.size() / (2 * size)) / 3;
    for (size_t i = 0; i < curves; ++i) {
        double c[6];
        for (size_t k = 0; k < 6; ++k) {
            c[k] = ReadNumber(p + (6 * i + k) * size, element, session_.DataBigEndian);
            if (type == 1)
                c[k] = double(int8_t(uint8_t(c[k])));
        }
        curveTo(c);
    }
}

// Arcs, chords, pies and ellipses inside a box: the ellipse that fills the box, from the
// direction of the start point to that of the end point.
void TInterpreter::AddArc(const TAttributes& a, int shape) {
    const TValue* box = a.Find(aBoundingBox);
    if (box == nullptr)
        return;
    double x1 = box->At(0), y1 = box->At(1), x2 = box->At(2), y2 = box->At(3);
    // A box given right to left or bottom to top turns the arc's direction.
    const bool reversed = (x1 > x2) != (y1 > y2);
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
    const TPagePoint corner = gs_.Ctm.Apply(x1, y1);
    if ((shape == 3 && rx == 0 && ry == 0) || (shape != 3 && (rx == 0 || ry == 0))) {
        cursor_ = corner;
        hasCursor_ = true;
        return;
    }
    double a0 = 0, a1 = 360;
    if (shape != 3) {
        const double dx3 = a.Number(aStartPoint, 0) - cx, dy3 = a.Number(aStartPoint, 1) - cy;
        const double dx4 = a.Number(aEndPoint, 0) - cx, dy4 = a.Number(aEndPoint, 1) - cy;
        a0 = std::atan2(dy3 * rx, dx3 * ry) * 180 / std::numbers::pi;
        a1 = std::atan2(dy4 * rx, dx4 * ry) * 180 / std::numbers::pi;
        // Arcs run counter-clockwise on the page unless ArcPath says clockwise.
        bool clockwise = shape == 0 && a.Integer(aArcDirection, 1) == 0;
        clockwise ^= reversed;
        if (clockwise) {
            while (a1 <= a0)
                a1 += 360;
        } else {
            while (a1 >= a0)
                a1 -= 360;
        }
    } else {
        // A whole ellipse starts at its left end.
        a0 = 180;
        a1 = reversed ? 540 : -180;
    }
    const std::vector<TPagePoint> points = ArcPoints(gs_.Ctm, cx, cy, rx, ry, a0, a1);
    if (shape == 2) {
        path_.MoveTo(gs_.Ctm.Apply(cx, cy));
        for (const TPagePoint& p : points)
            path_.LineTo(p, p);
    } else {
        path_.MoveTo(points.front());
        for (size_t i = 1; i < points.size(); ++i)
            path_.LineTo(points[i - 1], points[i]);
    }
    if (shape != 0) {
        path_.Close();
        cursor_ = corner;
    } else {
        cursor_ = points.back();
    }
    hasCursor_ = true;
}

void TInterpreter::AddRectangle(const TAttributes& a) {
    const TValue* box = a.Find(aBoundingBox);
    if (box == nullptr)
        return;
    double x1 = box->At(0), y1 = box->At(1), x2 = box->At(2), y2 = box->At(3);
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const TMatrix& m = gs_.Ctm;
    path_.MoveTo(m.Apply(x1, y1));
    path_.LineTo(m.Apply(x1, y1), m.Apply(x1, y2));
    path_.LineTo(m.Apply(x1, y2), m.Apply(x2, y2));
    path_.LineTo(m.Apply(x2, y2), m.Apply(x2, y1));
    path_.Close();
    cursor_ = m.Apply(x1, y1);
    hasCursor_ = true;
}

void TInterpreter::AddRoundRectangle(const TAttributes& a) {
    const TValue* box = a.Find(aBoundingBox);
    if (box == nullptr)
        return;
    double x1 = box->At(0), y1 = box->At(1), x2 = box->At(2), y2 = box->At(3);
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const double rx = std::min(std::abs(a.Number(aEllipseDimension, 0)) / 2, (x2 - x1) / 2);
    const double ry = std::min(std::abs(a.Number(aEllipseDimension, 1)) / 2, (y2 - y1) / 2);
    if (rx <= 0 || ry <= 0) {
        AddRectangle(a);
        return;
    }
    const TMatrix& m = gs_.Ctm;
    std::vector<TPagePoint> points;
    const auto corner = [&](double cx, double cy, double from) {
        const std::vector<TPagePoint> arc = ArcPoints(m, cx, cy, rx, ry, from, from - 90);
        points.insert(points.end(), arc.begin(), arc.end());
    };
    corner(x1 + rx, y1 + ry, 270); // top left, from the top edge down to the left edge
    corner(x1 + rx, y2 - ry, 180);
    corner(x2 - rx, y2 - ry, 90);
    corner(x2 - rx, y1 + ry, 0);
    path_.MoveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        path_.LineTo(points[i - 1], points[i]);
    path_.Close();
    cursor_ = m.Apply(x1, y1);
    hasCursor_ = true;
}

void TInterpreter::PaintPath() {
    if (!device_ || path_.Empty())
        return;
    if (gs_.Brush.Kind != TInk::TKind::Null) {
        const std::vector<TPolygonRing> rings = path_.Rings();
        if (!rings.empty())
            FillRings(rings, gs_.FillRule, gs_.Brush);
    }
    if (gs_.Pen.Kind != TInk::TKind::Null) {
        TStrokeStyle style;
        const double scale = gs_.Ctm.MeanScale();
        style.Width = gs_.PenWidth * scale;
        style.Cap = gs_.Cap;
        style.Join = gs_.Join;
        style.MiterLimit = gs_.MiterLimit;
        for (double d : gs_.Dashes)
            style.Dashes.push_back(d * scale);
        style.DashOffset = gs_.DashOffset * scale;
        FillRings(StrokeRings(path_, style), TFillRule::NonZero, gs_.Pen);
    }
}

void TInterpreter::FillRings(std::span<const TPolygonRing> rings, TFillRule rule, const TInk& ink) {
    uint32_t colour = 0;
    if (!device_ || rings.empty() || !PaintColour(ink, 0, colour))
        return;
    std::vector<TPolygonRing> cut;
    if (!gs_.Clip.Unclipped()) {
        cut = gs_.Clip.Cut(rings);
        if (cut.empty())
            return;
        rings = cut;
    }
    if (!device_->Monochrome() || colour == 0) {
        device_->FillPolygon(rings, rule, TPaint::Solid(colour));
        return;
    }
    // A device of black and white shows a grey or a colour as a printer does: dots of black
    // as dense as the colour is dark.
    const uint8_t darkness = Darkness(colour);
    std::vector<uint8_t> bits;
    ForEachPolygonSpan(
        rings, rule, device_->PageWidth(), device_->PageHeight(), [&](int y, int left, int right) {
            bits.assign(size_t(right - left + 7) / 8, 0);
            bool any = false;
            for (int x = left; x < right; ++x)
                if (DitherBlack(x, y, darkness)) {
                    bits[size_t(x - left) >> 3] |= uint8_t(0x80 >> ((x - left) & 7));
                    any = true;
                }
            if (any)
                device_->DrawRasterRow(left, y, bits, size_t(right - left), TRasterDirection::Across);
        });
}

// ---- Paint ---------------------------------------------------------------------------------

bool TInterpreter::PaintColour(const TInk& ink, uint32_t source, uint32_t& colour) const {
    if (ink.Kind == TInk::TKind::Null)
        return false;
    uint32_t texture = ink.Colour;
    if (ink.Kind == TInk::TKind::Pattern) {
        // A pattern paints with its mean colour: devices fill with one colour.
        const auto it = session_.Patterns.find(ink.Pattern);
        texture = it != session_.Patterns.end() ? it->second->Mean : 0;
    }
    if (gs_.SourceTransparent && (source & 0xFFFFFF) == 0xFFFFFF)
        return false;
    if (gs_.PaintTransparent && (texture & 0xFFFFFF) == 0xFFFFFF)
        return false;
    bool same = true, leaves = true;
    uint32_t onWhite = 0, onBlack = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint8_t s = uint8_t(source >> shift), t = uint8_t(texture >> shift);
        const uint8_t r0 = Rop3(gs_.Rop, 0, s, t), r1 = Rop3(gs_.Rop, 255, s, t);
        same = same && r0 == r1;
        leaves = leaves && r0 == 0 && r1 == 255;
        onBlack |= uint32_t(r0) << shift;
        onWhite |= uint32_t(r1) << shift;
    }
    if (leaves && !same)
        return false;
    // What the page shows where it was white: for a result that does not depend on the page,
    // that is the result; for one that combines with the page, the darkening it brings.
    colour = same ? onBlack : onWhite;
    return colour != 0xFFFFFF;
}

} // namespace pg::xl
