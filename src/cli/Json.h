#pragma once
// A small JSON writer for CLI reports. Package texts are single-byte (Latin-1) and are written
// as the Unicode code points of their bytes, UTF-8 encoded.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg::cli {

// A JSON string literal (with quotes) of package text (Windows-1252 bytes).
std::string JsonString(std::string_view latin1);

// Writes one compact JSON value; commas between members and elements are placed for the caller.
class TJsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The name of the next object member.
    void Key(std::string_view name);
    void String(std::string_view latin1);
    void Number(int64_t value);
    void Bool(bool value);
    void StringArray(const std::vector<std::string>& items);

    // Member shortcuts.
    void Member(std::string_view name, std::string_view latin1);
    void Member(std::string_view name, const char* latin1) { Member(name, std::string_view(latin1)); }
    void Member(std::string_view name, int32_t value) { Member(name, int64_t(value)); }
    void Member(std::string_view name, int64_t value);
    void Member(std::string_view name, bool value);

    const std::string& Text() const { return out_; }

private:
    void Open(char c);
    void Close(char c);
    void BeforeValue();

    std::string out_;
    std::vector<bool> first_; // per open container: no element written yet
    bool afterKey_ = false;
};

} // namespace pg::cli
