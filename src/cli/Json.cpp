#include "Json.h"

#include "PackageText.h"

#include <cstdio>

namespace pg::cli {

std::string JsonString(std::string_view latin1) {
    std::string out = "\"";
    for (unsigned char b : latin1) {
        switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", b);
                out += esc;
            } else {
                out += PackageTextToUtf8(std::string_view(reinterpret_cast<const char*>(&b), 1));
            }
        }
    }
    return out + "\"";
}

void TJsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ += ',';
        first_.back() = false;
    }
}

void TJsonWriter::Open(char c) {
    BeforeValue();
    out_ += c;
    first_.push_back(true);
}

void TJsonWriter::Close(char c) {
    out_ += c;
    first_.pop_back();
}

void TJsonWriter::Key(std::string_view name) {
    BeforeValue();
    out_ += JsonString(name) + ":";
    afterKey_ = true;
}

void TJsonWriter::String(std::string_view latin1) {
    BeforeValue();
    out_ += JsonString(latin1);
}

void TJsonWriter::Number(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
}

void TJsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

void TJsonWriter::Member(std::string_view name, std::string_view latin1) {
    Key(name);
    String(latin1);
}

void TJsonWriter::Member(std::string_view name, int64_t value) {
    Key(name);
    Number(value);
}

void TJsonWriter::Member(std::string_view name, bool value) {
    Key(name);
    Bool(value);
}

void TJsonWriter::StringArray(const std::vector<std::string>& items) {
    BeginArray();
    for (const auto& s : items)
        String(s);
    EndArray();
}

} // namespace pg::cli
