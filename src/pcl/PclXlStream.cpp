#include "PclXlStream.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace pg::xl {

namespace {

bool IsWhiteSpace(uint8_t b) {
    return b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0B || b == 0x0C || b == 0x0D || b == 0x20;
}

constexpr std::string_view kUniversalExit = "\x1b%-12345X";

} // namespace

size_t DataTypeSize(TDataType type) {
    switch (type) {
    case TDataType::UByte:
        return 1;
    case TDataType::UInt16:
    case TDataType::SInt16:
        return 2;
    case TDataType::UInt32:
    case TDataType::SInt32:
    case TDataType::Real32:
        return 4;
    }
    return 1;
}

double ReadNumber(const uint8_t* p, TDataType type, bool bigEndian) {
    const auto u16 = [&] { return bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]); };
    const auto u32 = [&] {
        return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    switch (type) {
    case TDataType::UByte:
        return p[0];
    case TDataType::UInt16:
        return u16();
    case TDataType::SInt16:
        return int16_t(u16());
    case TDataType::UInt32:
        return u32();
    case TDataType::SInt32:
        return int32_t(u32());
    case TDataType::Real32: {
        const float f = std::bit_cast<float>(u32());
        // Numbers that are not finite would poison every coordinate computed from them.
        return std::isfinite(f) ? double(f) : 0.0;
    }
    }
    return 0;
}

size_t TValue::Size() const {
    switch (Shape) {
    case TShape::Scalar:
        return 1;
    case TShape::Pair:
        return 2;
    case TShape::Box:
        return 4;
    case TShape::Array:
        return Count;
    }
    return 0;
}

double TValue::At(size_t i) const {
    if (Shape != TShape::Array)
        return i < Size() ? Numbers[i] : 0.0;
    if (i >= Count)
        return 0.0;
    const size_t size = DataTypeSize(Type);
    return ReadNumber(reinterpret_cast<const uint8_t*>(Elements.data()) + i * size, Type, BigEndian);
}

int64_t TValue::Whole(size_t i) const {
    return int64_t(std::clamp(At(i), -4294967296.0, 4294967296.0));
}

int64_t TAttributes::Integer(uint16_t id, int64_t fallback) const {
    const TValue* v = Find(id);
    if (v == nullptr || v->Size() == 0)
        return fallback;
    const double n = v->At(0);
    if (!(n > -1e15 && n < 1e15))
        return fallback;
    return int64_t(n);
}

bool StreamBinding(std::string_view text, TBinding& binding) {
    if (text.size() < 11 || text.substr(1, 10) != " HP-PCL XL")
        return false;
    switch (text[0]) {
    case ')':
        binding = TBinding::LowByteFirst;
        return true;
    case '(':
        binding = TBinding::HighByteFirst;
        return true;
    case '\'':
        binding = TBinding::Ascii;
        return true;
    default:
        return false;
    }
}

TReader::TReader(std::string_view stream) : stream_(stream) {
    // Line ends and blanks that job control left before the header are passed over.
    const size_t header = std::min(stream.find_first_not_of(std::string_view("\r\n\t \0", 5)), stream.size());
    if (!StreamBinding(stream.substr(header), binding_)) {
        pos_ = stream_.size();
        return;
    }
    // The header runs to the end of its line.
    const size_t end = stream.find('\n', header);
    pos_ = end == std::string_view::npos ? stream.size() : end + 1;
}

TReader::TReader(std::string_view stream, size_t offset, TBinding binding)
    : stream_(stream), pos_(std::min(offset, stream.size())), binding_(binding) {}

bool TReader::Next(TOperation& op) {
    attributes_.Clear();
    hasPending_ = false;
    op = TOperation{};
    op.Attributes = &attributes_;
    if (binding_ == TBinding::Ascii)
        return Fail();
    return ReadBinary(op);
}

bool TReader::ReadNumberBinary(TDataType type, double& out) {
    const size_t size = DataTypeSize(type);
    if (stream_.size() - pos_ < size)
        return false;
    out = ReadNumber(reinterpret_cast<const uint8_t*>(stream_.data()) + pos_, type,
                     binding_ == TBinding::HighByteFirst);
    pos_ += size;
    return true;
}

// The value that starts with tag (already read): scalars 0xC0.., arrays 0xC8.., pairs 0xD0..,
// boxes 0xE0...
bool TReader::ReadValueBinary(uint8_t tag, TValue& value) {
    const uint8_t kind = tag & 0xF8, type = tag & 0x07;
    if (type > 5)
        return false;
    value = TValue{};
    value.Type = TDataType(type);
    value.BigEndian = binding_ == TBinding::HighByteFirst;
    size_t count = 1;
    switch (kind) {
    case 0xC0:
        value.Shape = TValue::TShape::Scalar;
        break;
    case 0xD0:
        value.Shape = TValue::TShape::Pair;
        count = 2;
        break;
    case 0xE0:
        value.Shape = TValue::TShape::Box;
        count = 4;
        break;
    case 0xC8: {
        value.Shape = TValue::TShape::Array;
        // The length is itself a scalar, of an unsigned type.
        if (pos_ >= stream_.size())
            return false;
        const uint8_t lengthTag = uint8_t(stream_[pos_++]);
        if (lengthTag != 0xC0 && lengthTag != 0xC1 && lengthTag != 0xC2)
            return false;
        double length = 0;
        if (!ReadNumberBinary(TDataType(lengthTag & 0x07), length))
            return false;
        const size_t bytes = size_t(length) * DataTypeSize(value.Type);
        if (bytes > stream_.size() - pos_)
            return false;
        value.Count = uint32_t(length);
        value.Elements = stream_.substr(pos_, bytes);
        pos_ += bytes;
        return true;
    }
    default:
        return false;
    }
    for (size_t i = 0; i < count; ++i)
        if (!ReadNumberBinary(value.Type, value.Numbers[i]))
            return false;
    return true;
}

// Embedded data: 0xFA with a 32-bit length or 0xFB with an 8-bit one, then the bytes.
bool TReader::ReadDataBinary(std::string_view& data) {
    const uint8_t tag = uint8_t(stream_[pos_++]);
    double length = 0;
    if (!ReadNumberBinary(tag == 0xFA ? TDataType::UInt32 : TDataType::UByte, length))
        return false;
    if (size_t(length) > stream_.size() - pos_)
        return false;
    data = stream_.substr(pos_, size_t(length));
    pos_ += size_t(length);
    return true;
}

bool TReader::ReadBinary(TOperation& op) {
    op.Start = pos_;
    while (pos_ < stream_.size()) {
        const uint8_t tag = uint8_t(stream_[pos_]);
        if (IsWhiteSpace(tag)) {
            ++pos_;
            continue;
        }
        if (tag == 0x1B) {
            // A universal exit ends the stream; any other escape is an error.
            if (!stream_.substr(pos_).starts_with(kUniversalExit))
                failed_ = true;
            pos_ = stream_.size();
            return false;
        }
        ++pos_;
        if (tag >= 0xC0 && tag < 0xF0) {
            if (!ReadValueBinary(tag, pending_))
                return Fail();
            hasPending_ = true;
            continue;
        }
        if (tag == 0xF8 || tag == 0xF9) {
            double id = 0;
            if (!ReadNumberBinary(tag == 0xF8 ? TDataType::UByte : TDataType::UInt16, id))
                return Fail();
            // An attribute without a value is dropped; a printer reports it and goes on.
            if (hasPending_)
                attributes_.Set(uint16_t(id), pending_);
            hasPending_ = false;
            continue;
        }
        if (tag == 0xFA || tag == 0xFB) {
            // Data no operator asked for is passed over by its length.
            --pos_;
            std::string_view skipped;
            if (!ReadDataBinary(skipped))
                return Fail();
            continue;
        }
        if (tag < 0x40 || tag > 0xBF)
            return Fail();
        op.Tag = tag;
        // The operator's data, when it has any, comes next.
        size_t at = pos_;
        while (at < stream_.size() && IsWhiteSpace(uint8_t(stream_[at])))
            ++at;
        if (at < stream_.size() && (uint8_t(stream_[at]) == 0xFA || uint8_t(stream_[at]) == 0xFB)) {
            pos_ = at;
            if (!ReadDataBinary(op.Data)) {
                // The data ends early: the operator gets what there is, and reading ends.
                const size_t lengthBytes = uint8_t(stream_[at]) == 0xFA ? 5 : 2;
                op.Data = stream_.substr(std::min(at + lengthBytes, stream_.size()));
                pos_ = stream_.size();
                failed_ = true;
            }
        }
        return true;
    }
    return false;
}

} // namespace pg::xl
