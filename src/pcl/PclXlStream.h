#pragma once
// Reading a PCL XL stream: the stream header names the binding (binary with the low or the high
// byte first, or ASCII), and after it come values, each named by the attribute tag that follows
// it, then the operator they belong to, then perhaps the operator's embedded data. The reader
// hands out one operator at a time with its attributes and data; it never interprets them.
//
// Everything is read in place: arrays and data are views into the stream. Every length is
// checked against what the stream holds, so a stream that ends early or lies about a length
// ends the reading instead of reading past it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pg::xl {

// Operator tags.
enum TOperator : uint8_t {
    kBeginSession = 0x41,
    kEndSession = 0x42,
    kBeginPage = 0x43,
    kEndPage = 0x44,
    kVendorUnique = 0x46,
    kComment = 0x47,
    kOpenDataSource = 0x48,
    kCloseDataSource = 0x49,
    kBeginFontHeader = 0x4F,
    kReadFontHeader = 0x50,
    kEndFontHeader = 0x51,
    kBeginChar = 0x52,
    kReadChar = 0x53,
    kEndChar = 0x54,
    kRemoveFont = 0x55,
    kSetCharAttributes = 0x56,
    kSetDefaultGS = 0x57,
    kBeginStream = 0x5B,
    kReadStream = 0x5C,
    kEndStream = 0x5D,
    kExecStream = 0x5E,
    kRemoveStream = 0x5F,
    kPopGS = 0x60,
    kPushGS = 0x61,
    kSetClipReplace = 0x62,
    kSetBrushSource = 0x63,
    kSetCharAngle = 0x64,
    kSetCharScale = 0x65,
    kSetCharShear = 0x66,
    kSetClipIntersect = 0x67,
    kSetClipRectangle = 0x68,
    kSetClipToPage = 0x69,
    kSetColorSpace = 0x6A,
    kSetCursor = 0x6B,
    kSetCursorRel = 0x6C,
    kSetHalftoneMethod = 0x6D,
    kSetFillMode = 0x6E,
    kSetFont = 0x6F,
    kSetLineDash = 0x70,
    kSetLineCap = 0x71,
    kSetLineJoin = 0x72,
    kSetMiterLimit = 0x73,
    kSetPageDefaultCTM = 0x74,
    kSetPageOrigin = 0x75,
    kSetPageRotation = 0x76,
    kSetPageScale = 0x77,
    kSetPaintTxMode = 0x78,
    kSetPenSource = 0x79,
    kSetPenWidth = 0x7A,
    kSetROP = 0x7B,
    kSetSourceTxMode = 0x7C,
    kSetCharBoldValue = 0x7D,
    kSetClipMode = 0x7F,
    kSetPathToClip = 0x80,
    kSetCharSubMode = 0x81,
    kCloseSubPath = 0x84,
    kNewPath = 0x85,
    kPaintPath = 0x86,
    kArcPath = 0x91,
    kBezierPath = 0x93,
    kBezierRelPath = 0x95,
    kChord = 0x96,
    kChordPath = 0x97,
    kEllipse = 0x98,
    kEllipsePath = 0x99,
    kLinePath = 0x9B,
    kLineRelPath = 0x9D,
    kPie = 0x9E,
    kPiePath = 0x9F,
    kRectangle = 0xA0,
    kRectanglePath = 0xA1,
    kRoundRectangle = 0xA2,
    kRoundRectanglePath = 0xA3,
    kText = 0xA8,
    kTextPath = 0xA9,
    kBeginImage = 0xB0,
    kReadImage = 0xB1,
    kEndImage = 0xB2,
    kBeginRastPattern = 0xB3,
    kReadRastPattern = 0xB4,
    kEndRastPattern = 0xB5,
    kBeginScan = 0xB6,
    kEndScan = 0xB8,
    kScanLineRel = 0xB9,
    kPassThrough = 0xBF,
};

// Attribute identifiers.
enum TAttribute : uint8_t {
    aPaletteDepth = 2,
    aColorSpace = 3,
    aNullBrush = 4,
    aNullPen = 5,
    aPaletteData = 6,
    aPatternSelectID = 8,
    aGrayLevel = 9,
    aRGBColor = 11,
    aPatternOrigin = 12,
    aNewDestinationSize = 13,
    aPrimaryArray = 14,
    aPrimaryDepth = 15,
    aDeviceMatrix = 33,
    aMediaDestination = 36,
    aMediaSize = 37,
    aMediaSource = 38,
    aMediaType = 39,
    aOrientation = 40,
    aPageAngle = 41,
    aPageOrigin = 42,
    aPageScale = 43,
    aROP3 = 44,
    aTxMode = 45,
    aCustomMediaSize = 47,
    aCustomMediaSizeUnits = 48,
    aPageCopies = 49,
    aSimplexPageMode = 52,
    aDuplexPageMode = 53,
    aDuplexPageSide = 54,
    aArcDirection = 65,
    aBoundingBox = 66,
    aDashOffset = 67,
    aEllipseDimension = 68,
    aEndPoint = 69,
    aFillMode = 70,
    aLineCapStyle = 71,
    aLineJoinStyle = 72,
    aMiterLength = 73,
    aLineDashStyle = 74,
    aPenWidth = 75,
    aPoint = 76,
    aNumberOfPoints = 77,
    aSolidLine = 78,
    aStartPoint = 79,
    aPointType = 80,
    aControlPoint1 = 81,
    aControlPoint2 = 82,
    aClipRegion = 83,
    aClipMode = 84,
    aColorDepth = 98,
    aBlockHeight = 99,
    aColorMapping = 100,
    aCompressMode = 101,
    aDestinationBox = 102,
    aDestinationSize = 103,
    aPatternPersistence = 104,
    aPatternDefineID = 105,
    aSourceHeight = 107,
    aSourceWidth = 108,
    aStartLine = 109,
    aPadBytesMultiple = 110,
    aBlockByteLength = 111,
    aNumberOfScanLines = 115,
    aDataOrg = 130,
    aMeasure = 134,
    aSourceType = 136,
    aUnitsPerMeasure = 137,
    aStreamName = 139,
    aStreamDataLength = 140,
    aCharAngle = 161,
    aCharCode = 162,
    aCharDataSize = 163,
    aCharScale = 164,
    aCharShear = 165,
    aCharSize = 166,
    aFontHeaderLength = 167,
    aFontName = 168,
    aFontFormat = 169,
    aSymbolSet = 170,
    aTextData = 171,
    aCharSubModeArray = 172,
    aXSpacingData = 175,
    aYSpacingData = 176,
    aCharBoldValue = 177,
};

// The element types of values.
enum class TDataType : uint8_t { UByte, UInt16, UInt32, SInt16, SInt32, Real32 };

// One value: a number, a pair (xy), four numbers (a box) or an array, in the stream's byte order.
struct TValue {
    enum class TShape : uint8_t { Scalar, Pair, Box, Array };
    TDataType Type = TDataType::UByte;
    TShape Shape = TShape::Scalar;
    bool BigEndian = false;
    // Scalar, pair and box values.
    std::array<double, 4> Numbers{};
    // An array's elements as they stand in the stream, Count of them.
    std::string_view Elements;
    uint32_t Count = 0;

    size_t Size() const;
    // Element i of any shape; 0 past the end.
    double At(size_t i) const;
    // Element i as a whole number, kept within what 32 bits hold.
    int64_t Whole(size_t i) const;
    bool IsArray() const { return Shape == TShape::Array; }
    bool IsReal() const { return Type == TDataType::Real32; }
    // An array of bytes as text (font names, stream names).
    std::string_view Bytes() const { return Type == TDataType::UByte ? Elements : std::string_view(); }
};

// The attributes given to one operator, by identifier.
class TAttributes {
public:
    const TValue* Find(uint16_t id) const {
        return id < kCount && stamp_[id] == generation_ ? &values_[id] : nullptr;
    }
    bool Has(uint16_t id) const { return Find(id) != nullptr; }
    // Element index of the attribute, or fallback when it is missing.
    double Number(uint16_t id, size_t index = 0, double fallback = 0) const {
        const TValue* v = Find(id);
        return v != nullptr && index < v->Size() ? v->At(index) : fallback;
    }
    // The attribute as a whole number (an enumeration, a count), or fallback.
    int64_t Integer(uint16_t id, int64_t fallback = 0) const;

    void Clear() {
        if (++generation_ == 0) {
            stamp_.fill(0);
            generation_ = 1;
        }
    }
    void Set(uint16_t id, const TValue& value) {
        if (id >= kCount)
            return;
        values_[id] = value;
        stamp_[id] = generation_;
    }

private:
    static constexpr size_t kCount = 256;
    std::array<TValue, kCount> values_{};
    std::array<uint32_t, kCount> stamp_{};
    uint32_t generation_ = 1;
};

enum class TBinding : uint8_t { LowByteFirst, HighByteFirst, Ascii };

// The binding a stream header names: ")" low byte first, "(" high byte first, "'" ASCII.
// False when text does not start with a PCL XL stream header.
bool StreamBinding(std::string_view text, TBinding& binding);

// One operator as read.
struct TOperation {
    uint8_t Tag = 0;
    const TAttributes* Attributes = nullptr;
    // The embedded data after the operator (empty when none).
    std::string_view Data;
    // Where the operator's first value starts in the stream.
    size_t Start = 0;
};

class TReader {
public:
    // Reads stream, which starts with its header; nothing is read when it has none.
    explicit TReader(std::string_view stream);
    // Reads stream from offset, in the binding given (to resume where an earlier reading was).
    TReader(std::string_view stream, size_t offset, TBinding binding);

    TBinding Binding() const { return binding_; }
    // The next operator; false at the end of the stream, at a universal exit or at anything
    // that cannot be read (then Failed()). The ASCII binding is not read: such a stream fails
    // at once.
    bool Next(TOperation& op);
    bool Failed() const { return failed_; }
    size_t Position() const { return pos_; }

private:
    bool ReadBinary(TOperation& op);
    bool ReadNumberBinary(TDataType type, double& out);
    bool ReadValueBinary(uint8_t tag, TValue& value);
    bool ReadDataBinary(std::string_view& data);
    bool Fail() {
        failed_ = true;
        pos_ = stream_.size();
        return false;
    }

    std::string_view stream_;
    size_t pos_ = 0;
    TBinding binding_ = TBinding::LowByteFirst;
    bool failed_ = false;
    TAttributes attributes_;
    TValue pending_;
    bool hasPending_ = false;
};

// Size in bytes of one element of the type.
size_t DataTypeSize(TDataType type);
// A number of the type read from bytes in the byte order given.
double ReadNumber(const uint8_t* p, TDataType type, bool bigEndian);

} // namespace pg::xl
