#pragma once
// The Tesselon container (".TSN"): one PCL stream holding an XML form list inside a deleted
// macro definition (id 10000), followed by the concatenated page data of every form. Sent to a
// printer unchanged it prints the pages; read here it restores the whole document set.

#include "DocSet.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace pg {

// A file without a form list ("Missing XML FormList data"): the loader shows it as plain PCL.
class TTesselonFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TTesselon : public TDocSet {
public:
    // Splits a Tesselon file into its form list and its data blob. Throws TTesselonFormatError
    // when the file holds no form list. Always followed by ReadFormList.
    void LoadFromStream(const THLWMemorystream& stream);
    void LoadFromBytes(std::string_view bytes);
    // Builds the set from the form list and the blob split off by LoadFromStream. Problems of
    // the package are reported through the prompt seam; reading never throws for them.
    void ReadFormList();

    // The bytes of a Tesselon file of set (any TDocSet, whatever it was read from).
    static std::string BuildTesselon(const TDocSet& set, TSaveMode mode, bool includeDeleted);
    // Writes the file through a temporary file in the target folder that replaces the target
    // only when complete. On success clears Modified and returns true; on failure shows
    // "Error saving to ..." through the prompt seam, leaves the old file and Modified as they
    // were and returns false.
    static bool SaveTesselon(TDocSet& set, const std::string& path, TSaveMode mode, bool includeDeleted);

    // "Pagellan " + the program version.
    static std::string ProgramStamp();
    // The CreatedBy text as written: the stamp is added once per program version.
    static std::string StampedCreatedBy(std::string_view createdBy);

private:
    std::string xmlText_;
    std::string blob_;
    size_t fileSize_ = 0;
};

} // namespace pg
