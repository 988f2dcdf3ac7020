#pragma once
// THLWMemorystream: the growable byte stream that holds every piece of PCL data of a package,
// with the text, search, cut, compression and ZIP operations the containers and the printing
// code share, and the PCL macro markers that bracket data the program inserts into a stream.
//
// Searching operations treat the content as a single-byte string. Operations that take
// positions follow the conventions documented per function (1-based where noted).

#include "DateTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

class THLWMemorystream {
public:
    THLWMemorystream() = default;
    explicit THLWMemorystream(std::string data) : data_(std::move(data)) {}

    // Plain stream operations.
    size_t Size() const { return Bytes().size(); }
    size_t Position() const { return pos_; }
    void Seek(size_t pos) { pos_ = pos; }
    void SetSize(size_t n);
    void Clear();
    size_t Read(void* buffer, size_t count);      // from the position; returns bytes read
    void Write(const void* buffer, size_t count); // at the position, growing as needed
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    bool LoadFromFile(const std::string& path);     // false when the file cannot be read
    bool SaveToFile(const std::string& path) const; // writes in place; false on failure

    // The content without copying; valid until the next change.
    std::string_view View() const { return Bytes(); }
    const char* Memory() const { return Bytes().data(); }
    // Makes the content bytes that other streams may share, without copying them: a package's
    // template used by many pages is held once. The first change copies them.
    void Share(std::shared_ptr<const std::string> bytes);
    // The content as an owned string, moved out (the stream is left empty).
    std::string Release();

    // The whole content as a string; position 0 afterwards.
    std::string AsText();
    // Writes text at the end (nothing for empty text); position at the end.
    void AppendText(std::string_view text);
    // Writes the whole source at the end; position 0 afterwards.
    void AppendStream(const THLWMemorystream& source);
    // content := first offset bytes + text + the rest (when text is not empty); position 0.
    void InsertText(std::string_view text, size_t offset);
    // content := bytes from 1-based position p to the end (at most 100,000,000); position 0.
    void CutHead(size_t p);
    // size := n - 1 (called with the current size to drop the last byte).
    void TruncateLast(size_t n);
    // 1-based position of text within the content from 1-based position p on, relative to p
    // (searching at most 10,000,000 bytes); 0 when absent.
    size_t FindFrom(std::string_view text, size_t p) const;
    // A new stream with at most length bytes from 0-based offset, at position 0; none when the
    // stream is shorter than offset.
    std::unique_ptr<THLWMemorystream> CopyRange(size_t offset, size_t length) const;
    // Replaces every occurrence of find, left to right, continuing after each replacement;
    // an empty replacement deletes. Position at the end. Returns the number replaced.
    size_t ReplaceAll(std::string_view find, std::string_view replacement);
    // Removes the first macro definition of id (select ... ESC&f8X, letters compared with bit
    // 0x20 ignored) and returns it in out; out is empty when there is none.
    void ExtractMacro(int id, std::string& out);
    // Removes every open...close bracket of id and returns the content of the last one.
    void ExtractMarked(int id, std::string& out);
    // zlib-format compression at level 9; position 0.
    void Compress();
    // Inflates zlib data; content that does not inflate stays as it is. Position 0. Inflating
    // stops at limit bytes: the content then stays as it was and the answer is false.
    bool Decompress(size_t limit = SIZE_MAX);
    // The content is a ZIP archive: replaces it by the data of the first entry that is not a
    // folder and returns that entry's name and date-time. No change (false) when there is none.
    bool UnzipFirstEntry(std::string& name, TDateTime& dateTime);

private:
    const std::string& Bytes() const { return shared_ ? *shared_ : data_; }
    // Takes a private copy of shared content before a change.
    void Own();
    void ExtractMarkedPlain(const std::string& open, const std::string& close, std::string& out);

    std::string data_;
    std::shared_ptr<const std::string> shared_; // when set, the content (data_ is empty)
    size_t pos_ = 0;
};

// The macro marker texts for a decimal macro id.
std::string MacroSelect(int id); // ESC&f<id>Y
std::string MacroBegin(int id);  // select + ESC&f0X
std::string MacroEnd(int id);    // ESC&f1X + select + ESC&f8X
std::string MacroOpen(int id);   // begin + ESC&f1X
std::string MacroClose(int id);  // select + ESC&f8X

// Macro ids in use.
inline constexpr int kMacroFormListXml = 10000;
inline constexpr int kMacroAnnotation = 10001;
inline constexpr int kMacroVivaformData = 10002;
inline constexpr int kMacroTesselonFill = 10003;
inline constexpr int kMacroDeletedPage = 10004;
inline constexpr int kMacroEmbeddedPdf = 10005;

// A page that is no PCL (a Vivaform page laid out by the browser engine) in a captured print
// job, for the PDF converter to put in its place: the PDF's bytes as transparent data
// (ESC&p<n>X) inside a macro definition that is deleted again, so anything that reads the job
// as PCL passes over them.
std::string EmbeddedPdfText(std::string_view pdf);

struct TEmbeddedPdf {
    size_t At = 0;   // where it stood in the PCL without the embedded pages
    std::string Pdf; // its bytes
};
// The PCL without its embedded pages, which go to pages in the order they stood. Damaged
// embedding text (a count that runs past the end) is left in the PCL as it is.
std::string TakeEmbeddedPdfs(std::string_view pcl, std::vector<TEmbeddedPdf>& pages);

} // namespace pg
