#include "DocSetTrack.h"

#include "DateTime.h"
#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace pg {

namespace {

constexpr char kRoot[] = "Quodexs";
constexpr char kPackage[] = "Package";
constexpr char kVersion[] = "Version";
constexpr char kForm[] = "Form";
constexpr char kCurrent[] = "Current";
constexpr char kPrevious[] = "Previous";
constexpr char kCRCXMLVersion[] = "2.0";
constexpr char kSetAsideSuffix[] = ".bad";

// A signed 32-bit decimal number and nothing else.
bool ParseCRC(std::string_view text, int32_t& value) {
    if (text.empty() || text.size() > 11)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    if (text[0] == '-')
        v = -v;
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = int32_t(v);
    return true;
}

std::string WithCRLF(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 40);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

bool IsFileNameCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 32 && c != '/' && c != '\\' && c != ':' && c != '*' && c != '?' && c != '"' && c != '<' &&
           c != '>' && c != '|';
}

// Passes everything on to the history but keeps a failed save as a message, so the marks are
// still computed from the history in memory.
class TSaveReportingHistory : public TFormHistory {
public:
    explicit TSaveReportingHistory(TDocSetTrack& track) : track_(track) {}
    int32_t GetFormCRC(const std::string& state, const std::string& formName,
                       const std::string& borrowerNumber) const override {
        return track_.GetFormCRC(state, formName, borrowerNumber);
    }
    void RecordVersion(const std::vector<TFormHistoryEntry>& entries) override {
        track_.RecordVersion(entries);
    }
    void SaveHistory() override {
        try {
            track_.SaveHistory();
        } catch (const std::runtime_error& e) {
            SaveError = e.what();
        }
    }

    std::string SaveError;

private:
    TDocSetTrack& track_;
};

} // namespace

void TDocSetTrack::StartEmpty() {
    doc_.reset();
    pugi::xml_node decl = doc_.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    doc_.append_child(kRoot);
}

void TDocSetTrack::OpenHistory(const std::string& packageID, const std::string& fileName) {
    packageID_ = packageID;
    fileName_ = fileName;
    setAsideFile_.clear();
    readError_.clear();
    StartEmpty();
    std::error_code missing;
    fileExisted_ = std::filesystem::exists(NativePath(fileName), missing);
    if (!fileExisted_)
        return;
    // A history that cannot be read now (permissions, a failing disk) may well be readable
    // later: it is left exactly as it is. Only one that reads but does not parse is damaged.
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(NativePath(fileName), bytes, error)) {
        readError_ = error.empty() ? std::string("read error") : error;
        DebugMsg("DocSetTrack : cannot read history " + fileName + ": " + readError_);
        return;
    }
    pugi::xml_document loaded;
    const pugi::xml_parse_result result = loaded.load_buffer(
        bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
    if (!result) {
        DebugMsg("DocSetTrack : damaged history " + fileName + ": " + result.description());
        SetAside();
        return;
    }
    doc_.reset(loaded);
}

// Keeps the damaged file for inspection under a name that is not yet taken.
void TDocSetTrack::SetAside() {
    std::string target = fileName_ + kSetAsideSuffix;
    for (int n = 2; FileExists(target); ++n)
        target = fileName_ + kSetAsideSuffix + IntToStr(n);
    std::error_code error;
    std::filesystem::rename(fileName_, target, error);
    if (error)
        throw std::runtime_error("Could not move the unreadable history file " + fileName_ +
                                 " aside: " + error.message());
    setAsideFile_ = target;
    fileExisted_ = false;
}

int32_t TDocSetTrack::GetFormCRC(const std::string& state, const std::string& formName,
                                 const std::string& borrowerNumber) const {
    const pugi::xml_node root = doc_.document_element();
    if (!root)
        return 0;
    for (const pugi::xml_node package : root.children(kPackage)) {
        if (packageID_ != package.attribute("ID").value())
            continue;
        for (const pugi::xml_node version : package.children(kVersion)) {
            if (state != version.attribute("State").value())
                continue;
            for (const pugi::xml_node form : version.children(kForm)) {
                if (formName != form.attribute("Format").value() ||
                    borrowerNumber != form.attribute("BorrowerNumber").value())
                    continue;
                int32_t crc = -1;
                return ParseCRC(form.attribute("CRC").value(), crc) ? crc : -1;
            }
        }
    }
    return -1;
}

pugi::xml_node TDocSetTrack::FindVersion(const std::string& state) const {
    const pugi::xml_node root = doc_.document_element();
    for (const pugi::xml_node package : root.children(kPackage)) {
        if (packageID_ != package.attribute("ID").value())
            continue;
        for (const pugi::xml_node version : package.children(kVersion))
            if (state == version.attribute("State").value())
                return version;
    }
    return {};
}

void TDocSetTrack::RecordVersion(const std::vector<TFormHistoryEntry>& entries) {
    if (!doc_.document_element())
        StartEmpty();
    if (const pugi::xml_node previous = FindVersion(kPrevious))
        doc_.document_element().remove_child(previous.parent());
    if (pugi::xml_node current = FindVersion(kCurrent))
        current.attribute("State") = kPrevious;
    else
        AppendVersion(kPrevious, entries);
    AppendVersion(kCurrent, entries);
}

void TDocSetTrack::AppendVersion(const std::string& state, const std::vector<TFormHistoryEntry>& entries) {
    pugi::xml_node package = doc_.document_element().append_child(kPackage);
    package.append_attribute("ID") = packageID_.c_str();
    pugi::xml_node version = package.append_child(kVersion);
    const TDateTime now = Now();
    version.append_attribute("State") = state.c_str();
    version.append_attribute("Date") = DateText(now).c_str();
    version.append_attribute("Time") = TimeText(now).c_str();
    version.append_attribute("UserName") = UserName().c_str();
    version.append_attribute("Computer") = ComputerName().c_str();
    version.append_attribute("CRCXMLVersion") = kCRCXMLVersion;
    for (const TFormHistoryEntry& entry : entries) {
        pugi::xml_node form = version.append_child(kForm);
        form.append_attribute("Format") = entry.Name.c_str();
        form.append_attribute("Descr") = entry.Description.c_str();
        form.append_attribute("BorrowerNumber") = IntToStr(entry.BorrowerNumber).c_str();
        form.append_attribute("CRC") = IntToStr(entry.Checksum).c_str();
    }
}

std::string TDocSetTrack::HistoryText() const {
    std::ostringstream out;
    doc_.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return WithCRLF(out.str());
}

void TDocSetTrack::SaveHistory() {
    if (!AtomicWriteFile(fileName_, HistoryText()))
        throw std::runtime_error("Could not save the history file " + fileName_);
}

std::string HistoryFileName(const std::string& historyFolder, const std::string& worksheetNumber) {
    std::string part = worksheetNumber;
    for (char& c : part)
        if (!IsFileNameCharacter(c))
            c = '_';
    if (part == "." || part == "..")
        part.assign(part.size(), '_');
    return NativePath(historyFolder) + "PG_" + part + "_QuodexCRCs.xml";
}

void UpdateChangeMarks(TDocSet& set, const std::string& historyFolder) {
    if (set.WorksheetNumber.empty())
        return;
    TDocSetTrack track;
    track.OpenHistory(set.WorksheetNumber, HistoryFileName(historyFolder, set.WorksheetNumber));
    if (!track.ReadError().empty()) {
        // Writing a new history over it would lose every change mark it holds.
        ShowWarning("The change history of this package could not be read: " + track.FileName() + "\n" +
                    track.ReadError() + "\nChanged forms cannot be marked until it can be read again.");
        return;
    }
    if (!track.SetAsideFile().empty())
        ShowWarning("The change history of this package could not be read and was moved to " +
                    track.SetAsideFile() + ". A new history is started.");
    TSaveReportingHistory history(track);
    set.UpdateChangeMarks(history);
    if (!history.SaveError.empty())
        ShowWarning(history.SaveError);
}

} // namespace pg
