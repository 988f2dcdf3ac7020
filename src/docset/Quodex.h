#pragma once
// The Quodex container (".QDX"): a text header of package data, a directory of named entries
// and the concatenated entry data, each of the first two sections ended by ":". TQuodex reads
// such a file into the model and writes any document set back out in this format.

#include "DocSet.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace pg {

// A file that is not a Quodex container at all ("Invalid Quodex format 1" / "... 2").
class TQuodexFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A set the Quodex format cannot hold as it is (a form without pages); nothing is written.
class TQuodexWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TQuodex : public TDocSet {
public:
    // Reads a Quodex file into this set. Throws TQuodexFormatError for a file without the two ":"
    // separators; a file without a display list leaves the set without forms ("Invalid DSP
    // file" through the prompt seam). Other package problems are collected, not thrown.
    void LoadFromStream(const THLWMemorystream& stream);
    void LoadFromBytes(std::string_view bytes);

    // The bytes of a Quodex file of set (any TDocSet, whatever it was read from). Every form
    // and page reads back as it is, also when names, borrower numbers or annotations repeat;
    // throws TQuodexWriteError for a set the format cannot hold.
    static std::string BuildQuodex(const TDocSet& set, TSaveMode mode, bool includeDeleted,
                                   bool lockAnnotations);
    // Writes the file through a temporary file in the target folder that replaces the target
    // only when complete, so a failed save leaves the previous file as it was. On failure (also
    // for a set the format cannot hold) shows "Error saving to ..." through the prompt seam and
    // returns false. A successful save clears Modified.
    static bool SaveQuodex(TDocSet& set, const std::string& path, TSaveMode mode, bool includeDeleted,
                           bool lockAnnotations);

    // Names of the container.
    // The worksheet number left-padded with "0" to 7 characters (longer values unchanged).
    static std::string PaddedWorksheet(std::string_view ws);
    // The template name of page n when the display list names none: P + "." + X for a form of
    // fewer than two pages, else P + n + "." + X (P = text before the first ".", X = text
    // between the first and second ".", cut before its first "-").
    static std::string DerivedTemplateName(std::string_view formName, int32_t pageCount, int32_t pageNumber);

    // Most pages one package may create; display lines that claim more are cut short.
    static constexpr int32_t kMaxPages = 100000;
};

} // namespace pg
