#pragma once
// TIniList: INI text held in memory as a list of lines. Database mode keeps the settings and
// the permissions the database plug-in hands over in two of these, and the configuration file
// beside the executable is read through one.
//
// A line "[name]" opens a section; "key=value" lines follow. Section and key names match
// without regard to case. A key is looked for from the line after its section header up to the
// next line that starts with "["; its value is the text after the first "=".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

class TIniList {
public:
    void Clear() { lines_.clear(); }
    // Adds the lines of text: split at line feeds, carriage returns removed, blank lines dropped.
    void AddText(std::string_view text);
    // Every line joined with CR LF.
    std::string Text() const;
    const std::vector<std::string>& Lines() const { return lines_; }

    // An absent key or an empty value gives def.
    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    // A value that is not a decimal integer gives def.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    // A value that is not a number gives def.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;
    // "1" is true, "0" is false, anything else gives def.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Replaces the key's line, or adds one at the end of the section (the section is added at
    // the end of the list when it does not exist yet).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteFloat(std::string_view section, std::string_view key, double value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    // Index of the section header line, or npos.
    size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section starting at header.
    size_t SectionEnd(size_t header) const;
    // Index of the key's line inside the section, or npos.
    size_t FindKey(std::string_view section, std::string_view key) const;
    // The value of the key; false when the key is absent.
    bool Lookup(std::string_view section, std::string_view key, std::string& value) const;

    std::vector<std::string> lines_;
};

// Text of a floating-point value that reads back to the same value ("20", "12.5").
std::string FloatToStr(double value);
// The number in s (blanks around it allowed); false when s is not a number.
bool TryStrToFloat(std::string_view s, double& value);

} // namespace pg
