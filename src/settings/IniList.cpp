#include "IniList.h"

#include "Strings.h"

#include <charconv>
#include <cmath>

namespace pg {

static constexpr size_t npos = std::string::npos;

void TIniList::AddText(std::string_view text) {
    for (const std::string& raw : Split(text, "\n")) {
        std::string line;
        line.reserve(raw.size());
        for (char c : raw)
            if (c != '\r')
                line += c;
        if (!Trim(line).empty())
            lines_.push_back(std::move(line));
    }
}

std::string TIniList::Text() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += lines_[i];
    }
    return out;
}

static bool IsSectionHeader(std::string_view line, std::string_view section) {
    const std::string t = Trim(line);
    return t.size() == section.size() + 2 && t.front() == '[' && t.back() == ']' &&
           SameText(std::string_view(t).substr(1, section.size()), section);
}

size_t TIniList::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (IsSectionHeader(lines_[i], section))
            return i;
    return npos;
}

size_t TIniList::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && (lines_[i].empty() || lines_[i][0] != '['))
        ++i;
    return i;
}

size_t TIniList::FindKey(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == npos)
        return npos;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const size_t eq = lines_[i].find('=');
        if (eq != npos && SameText(Trim(std::string_view(lines_[i]).substr(0, eq)), key))
            return i;
    }
    return npos;
}

bool TIniList::Lookup(std::string_view section, std::string_view key, std::string& value) const {
    const size_t i = FindKey(section, key);
    if (i == npos)
        return false;
    value = lines_[i].substr(lines_[i].find('=') + 1);
    return true;
}

bool TIniList::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != npos;
}

std::string TIniList::ReadString(std::string_view section, std::string_view key,
                                 const std::string& def) const {
    std::string value;
    if (!Lookup(section, key, value) || value.empty())
        return def;
    return value;
}

int32_t TIniList::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
    std::string value;
    return Lookup(section, key, value) ? StrToIntDef(value, def) : def;
}

double TIniList::ReadFloat(std::string_view section, std::string_view key, double def) const {
    std::string text;
    double value = def;
    if (Lookup(section, key, text) && TryStrToFloat(text, value))
        return value;
    return def;
}

bool TIniList::ReadBool(std::string_view section, std::string_view key, bool def) const {
    std::string value;
    if (!Lookup(section, key, value))
        return def;
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    return def;
}

void TIniList::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    const size_t existing = FindKey(section, key);
    if (existing != npos) {
        lines_[existing] = std::move(line);
        return;
    }
    const size_t header = FindSection(section);
    if (header == npos) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)), std::move(line));
}

void TIniList::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, IntToStr(value));
}

void TIniList::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FloatToStr(value));
}

void TIniList::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string FloatToStr(double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

bool TryStrToFloat(std::string_view s, double& value) {
    const std::string t = Trim(s);
    if (t.empty())
        return false;
    const char* first = t.data();
    if (*first == '+')
        ++first;
    double v = 0;
    const auto r = std::from_chars(first, t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

} // namespace pg
