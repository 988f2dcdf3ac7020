#pragma once
// Writing PCL XL streams in tests: values, attributes, operators and data in the binary
// binding, low or high byte first.

#include "PclXlStream.h"

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace pg::test {

class TXlWriter {
public:
    explicit TXlWriter(bool bigEndian = false) : big_(bigEndian) {
        bytes_ = bigEndian ? "( HP-PCL XL;2;0;Comment test\n" : ") HP-PCL XL;2;0;Comment test\n";
    }

    TXlWriter& UByte(uint8_t v) {
        bytes_.push_back(char(0xC0));
        bytes_.push_back(char(v));
        return *this;
    }
    TXlWriter& UInt16(uint16_t v) {
        bytes_.push_back(char(0xC1));
        Put16(v);
        return *this;
    }
    TXlWriter& SInt16(int16_t v) {
        bytes_.push_back(char(0xC3));
        Put16(uint16_t(v));
        return *this;
    }
    TXlWriter& UInt32(uint32_t v) {
        bytes_.push_back(char(0xC2));
        Put32(v);
        return *this;
    }
    TXlWriter& Real32(float v) {
        bytes_.push_back(char(0xC5));
        Put32(std::bit_cast<uint32_t>(v));
        return *this;
    }
    TXlWriter& UInt16Xy(uint16_t x, uint16_t y) {
        bytes_.push_back(char(0xD1));
        Put16(x);
        Put16(y);
        return *this;
    }
    TXlWriter& SInt16Xy(int16_t x, int16_t y) {
        bytes_.push_back(char(0xD3));
        Put16(uint16_t(x));
        Put16(uint16_t(y));
        return *this;
    }
    TXlWriter& Real32Xy(float x, float y) {
        bytes_.push_back(char(0xD5));
        Put32(std::bit_cast<uint32_t>(x));
        Put32(std::bit_cast<uint32_t>(y));
        return *this;
    }
    TXlWriter& SInt16Box(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
        bytes_.push_back(char(0xE3));
        for (int16_t v : {x1, y1, x2, y2})
            Put16(uint16_t(v));
        return *this;
    }
    TXlWriter& UByteArray(std::string_view bytes) {
        bytes_.push_back(char(0xC8));
        UInt16(uint16_t(bytes.size()));
        bytes_.append(bytes);
        return *this;
    }
    TXlWriter& UInt16Array(std::initializer_list<uint16_t> values) {
        bytes_.push_back(char(0xC9));
        UInt16(uint16_t(values.size()));
        for (uint16_t v : values)
            Put16(v);
        return *this;
    }
    TXlWriter& SInt16Array(std::initializer_list<int16_t> values) {
        bytes_.push_back(char(0xCB));
        UInt16(uint16_t(values.size()));
        for (int16_t v : values)
            Put16(uint16_t(v));
        return *this;
    }
    TXlWriter& Attr(uint8_t id) {
        bytes_.push_back(char(0xF8));
        bytes_.push_back(char(id));
        return *this;
    }
    TXlWriter& Op(uint8_t tag) {
        bytes_.push_back(char(tag));
        return *this;
    }
    TXlWriter& Data(std::string_view data) {
        if (data.size() < 256) {
            bytes_.push_back(char(0xFB));
            bytes_.push_back(char(data.size()));
        } else {
            bytes_.push_back(char(0xFA));
            Put32(uint32_t(data.size()));
        }
        bytes_.append(data);
        return *this;
    }
    // Raw bytes, for streams that break the rules.
    TXlWriter& Raw(std::string_view bytes) {
        bytes_.append(bytes);
        return *this;
    }

    // A session in units of 1/300 inch and a letter page in the orientation.
    TXlWriter& BeginSessionAndPage(uint8_t orientation = 0, uint8_t media = 0) {
        UInt16Xy(300, 300).Attr(xl::aUnitsPerMeasure).UByte(0).Attr(xl::aMeasure).Op(xl::kBeginSession);
        UByte(0).Attr(xl::aSourceType).UByte(big_ ? 0 : 1).Attr(xl::aDataOrg).Op(xl::kOpenDataSource);
        return UByte(orientation).Attr(xl::aOrientation).UByte(media).Attr(xl::aMediaSize).Op(xl::kBeginPage);
    }
    TXlWriter& EndPageAndSession() { return Op(xl::kEndPage).Op(xl::kCloseDataSource).Op(xl::kEndSession); }
    // Sixteen-bit numbers as embedded data needs them, in the stream's byte order.
    std::string Numbers16(std::initializer_list<int> values) const {
        std::string out;
        for (int v : values) {
            const uint16_t u = uint16_t(v);
            if (big_) {
                out.push_back(char(u >> 8));
                out.push_back(char(u));
            } else {
                out.push_back(char(u));
                out.push_back(char(u >> 8));
            }
        }
        return out;
    }

    const std::string& Bytes() const { return bytes_; }

private:
    void Put16(uint16_t v) {
        if (big_) {
            bytes_.push_back(char(v >> 8));
            bytes_.push_back(char(v));
        } else {
            bytes_.push_back(char(v));
            bytes_.push_back(char(v >> 8));
        }
    }
    void Put32(uint32_t v) {
        if (big_) {
            Put16(uint16_t(v >> 16));
            Put16(uint16_t(v));
        } else {
            Put16(uint16_t(v));
            Put16(uint16_t(v >> 16));
        }
    }

    bool big_;
    std::string bytes_;
};

} // namespace pg::test
