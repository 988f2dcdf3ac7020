#pragma once
// TDocSetTrack: the per-package history of form checksums, an XML file
// "PG_<worksheet>_QuodexCRCs.xml" in the history folder. Each load of a package compares the
// form checksums with the "Current" version; when they differ, the old "Current" becomes
// "Previous" and the present checksums the new "Current". Forms whose checksum differs between
// the two are the changed forms that "Print Changed" and "Email Changed" work on.
//
// Layout: Quodexs / Package(ID) / Version(State, Date, Time, UserName, Computer, CRCXMLVersion)
// / Form(Format, Descr, BorrowerNumber, CRC); one Version per Package.

#include "DocSet.h"

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace pg {

class TDocSetTrack : public TFormHistory {
public:
    // Starts from the empty history (declaration and an empty Quodexs root) and loads the file
    // when it exists. A file that reads but does not parse is renamed aside (SetAsideFile tells
    // where) and the history starts afresh, so a damaged file never stops a package from loading.
    // A file that exists but cannot be read is left alone; ReadError tells why.
    void OpenHistory(const std::string& packageID, const std::string& fileName);

    // The CRC of the first Form with the name and borrower number inside a Version of the state
    // inside a Package with the ID; -1 when there is none or it is not a number; 0 when the
    // document has no root element.
    int32_t GetFormCRC(const std::string& state, const std::string& formName,
                       const std::string& borrowerNumber) const override;
    // Drops the package holding the "Previous" version, turns "Current" into "Previous" (or adds
    // a "Previous" copy of the entries for a package seen for the first time) and appends a new
    // "Current" version stamped with the date, time, user and computer.
    void RecordVersion(const std::vector<TFormHistoryEntry>& entries) override;
    // Writes the history indented, one element per line with CR LF line ends, through a
    // temporary file renamed over the target; throws std::runtime_error when that fails.
    void SaveHistory() override;

    // The document as SaveHistory writes it.
    std::string HistoryText() const;

    const std::string& PackageID() const { return packageID_; }
    const std::string& FileName() const { return fileName_; }
    bool FileExisted() const { return fileExisted_; }
    // Where an unreadable history file was moved to; empty when none was.
    const std::string& SetAsideFile() const { return setAsideFile_; }
    // Why an existing history file could not be read; empty when it was read (or is missing).
    const std::string& ReadError() const { return readError_; }
    const pugi::xml_document& Document() const { return doc_; }

private:
    void StartEmpty();
    void SetAside();
    pugi::xml_node FindVersion(const std::string& state) const;
    void AppendVersion(const std::string& state, const std::vector<TFormHistoryEntry>& entries);

    std::string packageID_;
    std::string fileName_;
    bool fileExisted_ = false;
    std::string setAsideFile_;
    std::string readError_;
    pugi::xml_document doc_;
};

// "PG_" + worksheet number + "_QuodexCRCs.xml" in the folder (the folder text ends with a
// separator, "\" or "/"). Separators and other characters that cannot be in a file name are
// replaced by "_" in the worksheet part, so a package cannot name a file outside the folder.
std::string HistoryFileName(const std::string& historyFolder, const std::string& worksheetNumber);

// The change marks of a freshly loaded set against the history in the folder. A set without a
// worksheet number is not tracked. A history that exists but cannot be read is reported once
// through the prompt seam and left untouched; no form is marked then. A history that cannot be saved is
// reported once through the prompt seam; the marks are still set from the history in memory.
void UpdateChangeMarks(TDocSet& set, const std::string& historyFolder);

} // namespace pg
